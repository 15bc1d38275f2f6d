// The commands on the archive file as a whole: New, Save As, Copy, Move and
// Delete ZIP File, Fix ZIP and ZIP Comment, and the state each leaves the
// window in; the Options dialog's settings applied at once.
#include "AppTestSupport.h"
#include "Comment.h"
#include "EntryList.h"
#include "EntryModel.h"
#include "FileCopy.h"
#include "FileDialogState.h"
#include "IncZip.h"
#include "KestroUnZip.h"
#include "OptFrm.h"
#include "RecentDocs.h"
#include "SelFolder.h"
#include "Settings.h"
#include "StatusPanes.h"
#include "TestSupport.h"
#include "WindowDriver.h"
#include "mainunit.h"
#include "msgunit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

using namespace movrel;
using namespace movrel::test;

namespace {

// Answers the folder chooser with folder.
void ChooseFolder(QWidget* w, const QString& folder)
{
    auto* chooser = qobject_cast<TBrowseFolderDlg*>(w);
    QVERIFY(chooser && chooser->SetStartFolder(folder));
    chooser->OKBtn->click();
}

QString CommentOf(const QString& zip)
{
    TKestroUnZip z;
    z.SetZipName(zip.toStdString());
    z.ReadDirectory();
    return QString::fromStdString(z.ArchiveComment());
}

struct stat StatOf(const QString& path)
{
    struct stat st{};
    ::stat(path.toLocal8Bit().constData(), &st);
    return st;
}

}  // namespace

class ArchiveFileTest : public QObject {
    Q_OBJECT
private slots:
    void NewNamesTheArchive();
    void NewOntoAnExistingFile();
    void NewCancelledKeepsTheArchive();
    void SaveAsListsTheCopy();
    void CopyAndMoveToAFolder();
    void DeleteMovesTheArchiveToTheTrash();
    void FixZipRecoversTheCompleteEntries();
    void CommentIsSavedOnlyWhenChanged();
    void OptionsApplyAtOnce();
    void CopyReplacesWholeOrNotAtAll();
};

void ArchiveFileTest::NewNamesTheArchive()
{
    const struct {
        const char* typed;
        const char* name;
    } rows[] = {{"report", "report.zip"}, {"report.ZIP", "report.ZIP"}, {"notes.zip.bak", "notes.zip.bak"}};
    for (const auto& r : rows) {
        TAppEnv env;
        Prefs(env, false, true);
        QString old = env.WriteZip("old.zip", {E("a.txt", "a")});
        TMainform form;
        OpenArchive(form, old);
        form.KestroZip1.Password = "secret";
        {
            TModalScript script([&](QWidget* w, int) { AnswerFileDialog(w, env.Path(r.typed)); });
            form.A.New1->trigger();
            QCOMPARE(script.Count(), 1);
        }
        QString name = env.Path(r.name);
        QCOMPARE(form.CurrentArchive, name);
        QVERIFY(!QFile::exists(name));  // made by the first add
        QCOMPARE(form.LMDListBox1->RowCount(), 0);
        QCOMPARE(form.KestroZip1.EntryCount(), 0);  // nothing of the old archive is held
        QCOMPARE(form.windowTitle(), "Movrel - [" + name + "]");
        QCOMPARE(form.StatusBar1->SizePane->text(), QString("Total Unzipped Size: 0 KB"));
        QVERIFY(form.A.SaveAs1->isEnabled() && form.A.AddFiles1->isEnabled());
        QVERIFY(form.KestroZip1.Password.empty());
        QCOMPARE(form.RecentArchives().value(0), name);
        QCOMPARE(form.NewDialog->InitialDir(), env.Path() + "/");
        QVERIFY(ReadAll(RecentDocumentsPath()).contains(QUrl::fromLocalFile(name).toEncoded()));
    }
}

void ArchiveFileTest::NewOntoAnExistingFile()
{
    TAppEnv env;
    Prefs(env, false);
    QString existing = env.WriteFile("taken.zip", "not empty");
    TMainform form;
    {
        TModalScript no([&](QWidget* w, int n) {
            if (n == 0)
                return AnswerFileDialog(w, existing);
            ClickButton(w, QMessageBox::No);
        });
        form.NewClick();
        QCOMPARE(no.Boxes(), QStringList{"Confirm: Overwrite Existing File: " + existing + "?"});
    }
    QVERIFY(form.CurrentArchive.isEmpty());
    QCOMPARE(ReadAll(existing), QByteArray("not empty"));
    {
        TModalScript yes([&](QWidget* w, int n) {
            if (n == 0)
                return AnswerFileDialog(w, existing);
            ClickButton(w, QMessageBox::Yes);
        });
        form.NewClick();
    }
    QCOMPARE(form.CurrentArchive, existing);
    QVERIFY(!QFile::exists(existing));  // deleted at once, before anything is added
    QVERIFY(!QFile::exists(RecentDocumentsPath()));  // AddDocs2StartMenu is off
}

void ArchiveFileTest::NewCancelledKeepsTheArchive()
{
    TAppEnv env;
    Prefs(env, false);
    QString zip = env.WriteZip("keep.zip", {E("a.txt", "a"), E("b.txt", "b")});
    TMainform form;
    OpenArchive(form, zip);
    TModalScript cancel([](QWidget* w, int) { qobject_cast<QDialog*>(w)->reject(); });
    form.A.NewBut->trigger();
    QCOMPARE(cancel.Count(), 1);
    QCOMPARE(form.CurrentArchive, zip);
    QCOMPARE(Captions(form), (QStringList{"a.txt", "b.txt"}));
}

void ArchiveFileTest::SaveAsListsTheCopy()
{
    TAppEnv env;
    Prefs(env, false);
    QString zip = env.WriteZip("first.zip", {E("a.txt", "a")});
    QDir().mkpath(env.Path("elsewhere"));
    TMainform form;
    OpenArchive(form, zip);
    {
        TModalScript save([&](QWidget* w, int) { AnswerFileDialog(w, env.Path("elsewhere/second")); });
        form.A.SaveAs1->trigger();
    }
    QString copy = env.Path("elsewhere/second.zip");  // the default extension
    QCOMPARE(form.CurrentArchive, copy);
    QCOMPARE(ReadAll(copy), ReadAll(zip));
    QCOMPARE(Captions(form), QStringList{"a.txt"});
    QCOMPARE(form.SaveDialog1->InitialDir(), env.Path("elsewhere") + "/");
    QCOMPARE(form.RecentArchives().value(0), copy);

    // onto an existing file: the dialog asks, and "No" keeps it
    QString other = env.WriteZip("elsewhere/other.zip", {E("x.txt", "x")});
    QByteArray otherBytes = ReadAll(other);
    {
        TModalScript refuse([&](QWidget* w, int) {
            TModalAnswer no([](QWidget* box) { ClickButton(box, QMessageBox::No); });
            auto* fd = qobject_cast<QFileDialog*>(w);
            movrel::test::TypeIntoFileDialog(fd, other);
            static_cast<QDialog*>(fd)->accept();
            QVERIFY(no.Answered());
            fd->reject();
        });
        form.SaveAsClick();
    }
    QCOMPARE(ReadAll(other), otherBytes);
    QCOMPARE(form.CurrentArchive, copy);
}

void ArchiveFileTest::CopyAndMoveToAFolder()
{
    TAppEnv env;
    Prefs(env, false);
    QString zip = env.WriteZip("m.zip", {E("a.txt", "a")});
    QDir().mkpath(env.Path("copies"));
    QDir().mkpath(env.Path("moved"));
    TMainform form;
    OpenArchive(form, zip);
    form.SaveDialog1->SetInitialDir(env.Path("nowhere/"));

    // Cancel in the folder chooser keeps the remembered folder
    {
        TModalScript cancel([](QWidget* w, int) { qobject_cast<QDialog*>(w)->reject(); });
        form.A.CopyZIPFile1->trigger();
    }
    QCOMPARE(form.SaveDialog1->InitialDir(), env.Path("nowhere/"));

    {
        TModalScript copy([&](QWidget* w, int) { ChooseFolder(w, env.Path("copies")); });
        form.A.CopyZIPFile1->trigger();
    }
    QCOMPARE(ReadAll(env.Path("copies/m.zip")), ReadAll(zip));
    QCOMPARE(form.CurrentArchive, zip);  // Copy leaves the window as it was
    QCOMPARE(form.SaveDialog1->InitialDir(), env.Path("copies") + "/");

    // a file of that name in the folder: asked, and "No" keeps it
    env.WriteFile("moved/m.zip", "someone else's");
    {
        TModalScript refuse([&](QWidget* w, int n) {
            if (n == 0)
                return ChooseFolder(w, env.Path("moved"));
            ClickButton(w, QMessageBox::No);
        });
        form.A.CopyZIPFile1->trigger();
        QCOMPARE(refuse.Count(), 2);
    }
    QCOMPARE(ReadAll(env.Path("moved/m.zip")), QByteArray("someone else's"));

    // Move: answered Yes, the copy replaces it and is listed; the former file stays
    {
        TModalScript move([&](QWidget* w, int n) {
            if (n == 0)
                return ChooseFolder(w, env.Path("moved"));
            ClickButton(w, QMessageBox::Yes);
        });
        form.A.MoveZIPFile1->trigger();
    }
    QString moved = env.Path("moved/m.zip");
    QCOMPARE(ReadAll(moved), ReadAll(zip));
    QVERIFY(QFile::exists(zip));
    QCOMPARE(form.CurrentArchive, moved);
    QCOMPARE(form.windowTitle(), "Movrel - [" + moved + "]");
    QCOMPARE(Captions(form), QStringList{"a.txt"});
}

void ArchiveFileTest::DeleteMovesTheArchiveToTheTrash()
{
    TAppEnv env;
    Prefs(env, false);
    QString zip = env.WriteZip("gone.zip", {E("a.txt", "a")});
    QByteArray bytes = ReadAll(zip);
    TMainform form;
    OpenArchive(form, zip);
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Cancel}) {
        TModalScript refuse([&](QWidget* w, int) { ClickButton(w, answer); });
        form.A.DeleteZIPFile1->trigger();
        QCOMPARE(refuse.Boxes(), QStringList{"Confirm Delete: Do you wish to delete " + zip + "?"});
        QVERIFY(QFile::exists(zip));
        QCOMPARE(form.LMDListBox1->RowCount(), 1);
    }
    {
        TModalScript yes([](QWidget* w, int) { ClickButton(w, QMessageBox::Yes); });
        form.A.DeleteZIPFile1->trigger();
    }
    QVERIFY(!QFile::exists(zip));
    // in the trash of the user (same file system as home) or of the file system it was on
    QStringList trashes = {env.Path("data/Trash/files"),
                           QStorageInfo(env.Path()).rootPath() + "/.Trash-" + QString::number(::getuid()) + "/files",
                           QStorageInfo(env.Path()).rootPath() + "/.Trash/" + QString::number(::getuid()) + "/files"};
    QString trashed;
    for (const QString& dir : trashes)
        for (const QString& name : QDir(dir).entryList({"gone*.zip"}, QDir::Files))
            if (ReadAll(dir + "/" + name) == bytes)
                trashed = dir + "/" + name;
    QVERIFY2(!trashed.isEmpty(), "the archive is not in a trash folder");
    if (!trashed.startsWith(env.Path()))
        QFile::remove(trashed);

    // the window: no archive shown, the name kept
    QCOMPARE(form.CurrentArchive, zip);
    QCOMPARE(form.LMDListBox1->RowCount(), 0);
    QCOMPARE(form.windowTitle(), QString("Movrel"));
    QCOMPARE(form.StatusBar1->SizePane->text(), QString("Total Unzipped Size:"));
    QVERIFY(!form.A.AddFiles1->isEnabled() && !form.A.DeleteZIPFile1->isEnabled());
    QVERIFY(form.A.Open1->isEnabled() && form.A.New1->isEnabled());
    QCOMPARE(form.RecentArchives().value(0), zip);
    QVERIFY(form.KestroZip1.ZipName().empty());
}

void ArchiveFileTest::FixZipRecoversTheCompleteEntries()
{
    if (!movrel::test::HaveTool("unzip"))
        QSKIP("unzip is not installed");
    TAppEnv env;
    Prefs(env, false);
    std::string data(1000, 'd');
    QString whole = env.WriteZip("whole.zip", {E("a.txt", data), E("b.txt", data), E("c.txt", data)});
    QByteArray bytes = ReadAll(whole);
    // cut in the middle of the third entry's data
    int third = bytes.indexOf("PK\x03\x04", bytes.indexOf("PK\x03\x04", 4) + 4);
    QString broken = env.WriteFile("broken.zip", bytes.left(third + 30 + 5 + 400));
    QString fixed = env.Path("fixed.zip");

    TMainform form;
    OpenArchive(form, whole);
    QStringList asked;
    {
        TModalScript fix([&](QWidget* w, int) {
            if (auto* fd = qobject_cast<QFileDialog*>(w)) {
                asked << fd->windowTitle();
                return AnswerFileDialog(w, fd->windowTitle() == "Open a Zip File" ? broken : fixed);
            }
            if (auto* inc = qobject_cast<TIncompleteZipDlg*>(w))
                return inc->OKBtn->click();
            ClickButton(w, QMessageBox::Ok);
        });
        form.A.FixZIP1->trigger();
    }
    QCOMPARE(asked, (QStringList{"Open a Zip File", "Select a new name for the fixed file."}));
    QString out;
    std::string text;
    QCOMPARE(movrel::test::RunCommand("unzip -t " + movrel::test::ShellQuote(fixed.toStdString()) + " 2>&1", &text), 0);
    QVERIFY2(QString::fromStdString(text).contains("a.txt") && QString::fromStdString(text).contains("b.txt"),
             text.c_str());
    QVERIFY(!QString::fromStdString(text).contains("c.txt"));
    QCOMPARE(ReadAll(broken), bytes.left(third + 30 + 5 + 400));  // the damaged file is not changed
    QCOMPARE(form.CurrentArchive, whole);                           // re-listed
    QCOMPARE(Captions(form), (QStringList{"a.txt", "b.txt", "c.txt"}));
}

void ArchiveFileTest::CommentIsSavedOnlyWhenChanged()
{
    TAppEnv env;
    Prefs(env, false);
    QString zip = env.WriteZip("c.zip", {E("a.txt", "a")}, "old comment");
    TMainform form;
    OpenArchive(form, zip);
    QVERIFY(form.StatusBar1->CommentButton->isVisibleTo(&form));

    // the same text: the file is not written again
    struct stat before = StatOf(zip);
    QString caption;
    {
        TModalScript same([&](QWidget* w, int) {
            auto* editor = qobject_cast<TCommentEditor*>(w);
            caption = editor->windowTitle();
            QCOMPARE(editor->CommentMemo->toPlainText(), QString("old comment"));
            editor->OKBtn->click();
        });
        form.A.ZIPComment1->trigger();
    }
    QCOMPARE(caption, QString("Editing Zip Comment for c.zip"));
    struct stat after = StatOf(zip);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // a new text, through the indicator
    {
        TModalScript change([](QWidget* w, int) {
            auto* editor = qobject_cast<TCommentEditor*>(w);
            editor->CommentMemo->setPlainText("line one\nline two");
            editor->OKBtn->click();
        });
        form.StatusBar1->CommentButton->click();
    }
    QCOMPARE(CommentOf(zip), QString("line one\nline two"));
    QVERIFY(form.StatusBar1->CommentButton->isVisibleTo(&form));

    // emptied: the indicator goes; cancelled: nothing changes
    {
        TModalScript clear([](QWidget* w, int) {
            auto* editor = qobject_cast<TCommentEditor*>(w);
            editor->CommentMemo->clear();
            editor->OKBtn->click();
        });
        form.A.ZIPComment1->trigger();
    }
    QCOMPARE(CommentOf(zip), QString());
    QVERIFY(!form.StatusBar1->CommentButton->isVisibleTo(&form));
    {
        TModalScript cancel([](QWidget* w, int) {
            auto* editor = qobject_cast<TCommentEditor*>(w);
            editor->CommentMemo->setPlainText("never");
            editor->CancelBtn->click();
        });
        form.A.ZIPComment1->trigger();
    }
    QCOMPARE(CommentOf(zip), QString());
    QCOMPARE(Captions(form), QStringList{"a.txt"});
}

void ArchiveFileTest::OptionsApplyAtOnce()
{
    TAppEnv env;
    Prefs(env, false);
    TMainform form;
    TOptionsForm* o = form.OptionsForm;
    QVERIFY(!form.ShowOutput);

    // changed and cancelled: the next showing has the stored state
    {
        TModalScript cancel([&](QWidget*, int) {
            QCOMPARE(o->PageControl1->currentIndex(), 0);
            QVERIFY(!o->CheckBox1->isChecked());
            o->CheckBox1->setChecked(true);
            o->LMDRadioButton2->setChecked(true);
            QVERIFY(o->Edit3->isEnabled());
            o->BitBtn2->click();
        });
        form.A.Options1->trigger();
    }
    QVERIFY(!form.ShowOutput);
    QVERIFY(o->LMDRadioButton1->isChecked());  // the kept choice again
    QVERIFY(!o->Edit3->isEnabled());

    // OK: the list's look, the output and the work folder at once
    {
        TModalScript ok([&](QWidget*, int) {
            QVERIFY(!o->CheckBox1->isChecked());
            o->CheckBox1->setChecked(true);
            o->CheckBox4->setChecked(true);  // grid lines
            o->CheckBox6->setChecked(true);  // full row select
            o->Edit2->setText(env.Path("work2/"));
            o->LMDRadioButton4->setChecked(true);
            o->Edit4->setText(env.Path("ext"));
            o->BitBtn1->click();
        });
        form.A.Options1->trigger();
    }
    QVERIFY(form.ShowOutput);
    QCOMPARE(form.ExpDir, env.Path("work2/"));
    QCOMPARE(QString::fromStdString(form.KestroZip1.TempPath), env.Path("work2/"));
    QCOMPARE(form.LMDListBox1->ExtendedStyles(), TEntryList::lvxGridLines | TEntryList::lvxFullRowSelect);
    QCOMPARE(ReadString("ExtDir"), env.Path("ext"));
    QCOMPARE(ReadText(LOCAL_MACHINE, kProductKey, "ExtractUseSpecDir"), std::optional<QString>("1"));
}

void ArchiveFileTest::CopyReplacesWholeOrNotAtAll()
{
    TAppEnv env;
    QString source = env.WriteFile("s.bin", QByteArray(100000, 's'));
    QString target = env.WriteFile("t.bin", "old");
    ::chmod(source.toLocal8Bit().constData(), 0640);
    QCOMPARE(CopyFileReplacing(source, target), QString());
    QCOMPARE(ReadAll(target), ReadAll(source));
    QCOMPARE(StatOf(target).st_mode & 0777, mode_t(0640));
    QCOMPARE(StatOf(target).st_mtim.tv_sec, StatOf(source).st_mtim.tv_sec);
    QCOMPARE(CopyFileReplacing(source, source), QString());  // onto itself: nothing happens
    QCOMPARE(CopyFileReplacing(source, env.Path("new.bin")), QString());  // a new name
    QCOMPARE(ReadAll(env.Path("new.bin")), ReadAll(source));
    QFile::remove(env.Path("new.bin"));
    QCOMPARE(ReadAll(source), QByteArray(100000, 's'));
    // a folder that cannot be written: the target stays, no temporary file is left
    QVERIFY(!CopyFileReplacing(source, env.Path("missing/dir/t.bin")).isEmpty());
    QCOMPARE(QDir(env.Path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"s.bin", "t.bin"}));
}

QTEST_MAIN(ArchiveFileTest)
#include "ArchiveFileTest.moc"
