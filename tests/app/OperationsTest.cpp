// Add, extract and remove through the main window, driven as a person
// would: the Add Files and Extract dialogs filled and confirmed through
// their objects, questions answered, the message window's log.
// Archives written here are checked with Info-ZIP's unzip.
#include "Addunit.h"
#include "EnterPassw.h"
#include "EntryList.h"
#include "EntryModel.h"
#include "EntrySortProxy.h"
#include "InvPwd.h"
#include "RadioGroup.h"
#include "Settings.h"
#include "StatusPanes.h"
#include "TestSupport.h"
#include "WindowDriver.h"
#include "extrunit.h"
#include "mainunit.h"
#include "msgunit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <sys/stat.h>

using namespace movrel;
using namespace movrel::test;

namespace {

const QDateTime kWhen(QDate(2023, 5, 6), QTime(7, 8, 10));

}  // namespace

class OperationsTest : public QObject {
    Q_OBJECT
private slots:
    void AddFolderAndFilesThenExtractEverythingBack();
    void AddAndExtractSayTheCountWithoutOutput();
    void ExistingEntriesFollowTheChosenAction();
    void RemovesTheSelectedEntries();
    void ExtractsSelectedEntriesOnly();
    void OverwriteAnswers();
    void WrongPasswordThenTheRightOne();
    void RefusalsOfTheThreeCommands();
    void MessageWindowKeepsTheLastOutput();
    void NextDiskAndProgressEvents();
};

void OperationsTest::AddFolderAndFilesThenExtractEverythingBack()
{
    if (!movrel::test::HaveTool("unzip"))
        QSKIP("unzip is not installed");
    TAppEnv env;
    Prefs(env, true);
    const QMap<QString, QByteArray> files = {
        {"src/a.txt", "hello\n"},
        {"src/README", Text(3000, 1)},  // no dot: "*.*" finds it
        {"src/sub/b.bin", Text(200000, 2)},
        {"src/sub/deeper/c.dat", QByteArray(5000, '\0')},
        {"src/ro.txt", "read only\n"},
        {"src/empty.txt", QByteArray()},
        {"other/x.txt", "outside the folder\n"},
    };
    for (auto it = files.begin(); it != files.end(); ++it) {
        env.WriteFile(it.key(), it.value());
        SetTime(env.Path(it.key()), kWhen.addSecs(2 * qsizetype(std::distance(files.begin(), it))));
    }
    ::chmod(env.Path("src/ro.txt").toLocal8Bit().constData(), 0444);

    TMainform form;
    QString zip = env.Path("out.zip");
    CreateArchive(form, zip);
    QCOMPARE(form.CurrentArchive, zip);

    {
        TModalScript add([&](QWidget* w, int) {
            auto* d = qobject_cast<TAddForm*>(w);
            QVERIFY(d && d->MoveTree(env.Path("src")));
            d->AddDirButClick();  // the folder as "src/*.*"
            AnswerAdd(w, {{env.Path("other/x.txt")}, 9, 1, true, true, "secret"});
        });
        form.A.AddBut->trigger();
        QCOMPARE(add.Count(), 1);
    }
    QVERIFY(form.AddForm->Entries().isEmpty());  // emptied after the add
    QCOMPARE(form.KestroZip1.Password, std::string("secret"));  // from the dialog's button

    // the log, as the message window shows it
    qint64 total = 0;
    for (const QByteArray& b : files)
        total += b.size();
    QStringList log = LogLines(form);
    QCOMPARE(log.value(0), QString("Number of files to be zipped: 7"));
    QCOMPARE(log.value(1), "Total bytes to process: " + QString::number(total));
    QCOMPARE(log.value(2), QString(" "));
    QCOMPARE(ZippedFiles(form), (QStringList{"README", "a.txt", "b.bin", "c.dat", "empty.txt", "ro.txt", "x.txt"}));
    QCOMPARE(log.mid(log.size() - 2), (QStringList{"", "Finished adding files"}));
    QVERIFY(form.Msgform->isVisible());
    QVERIFY(!form.Msgform->CancelBtn->isEnabled());

    // listed, encrypted, and whole for unzip with the password
    QCOMPARE(Captions(form), (QStringList{"README#", "a.txt#", "b.bin#", "c.dat#", "empty.txt#", "ro.txt#", "x.txt#"}));
    for (int i = 0; i < form.KestroZip1.EntryCount(); ++i) {
        const TZipHeaderInfo& e = form.KestroZip1.Entry(i);
        QVERIFY(e.IsEncrypted());
        if (e.FileName() == "b.bin") {
            QCOMPARE(int(e.CompressionMethod), 8);
            QCOMPARE(e.GeneralFlags & 6, 2);  // deflated at the maximum level
        }
    }
    QString out;
    QCOMPARE(Run("unzip -t -P secret " + Q(zip), &out), 0);
    QString stored = QString(env.Path()).mid(1);  // stored folders: the full path without its leading "/"
    QVERIFY2(ZipNames(zip).contains(stored + "/src/sub/deeper/c.dat"), qPrintable(ZipNames(zip).join(',')));

    // extracted into a new folder, relative to the test's folder
    QString dest = env.Path("dest/new");
    TModalScript extract([&](QWidget* w, int) { AnswerExtract(w, {dest, 1, 1, 0, env.Path()}); });
    form.A.ExtractFiles1->trigger();
    QCOMPARE(extract.Count(), 1);
    QStringList expected = files.keys();
    expected.sort();
    QCOMPARE(Tree(dest), expected);
    for (auto it = files.begin(); it != files.end(); ++it) {
        QString path = dest + "/" + it.key();
        QCOMPARE(ReadAll(path), it.value());
        QCOMPARE(QFileInfo(path).lastModified(), kWhen.addSecs(2 * qsizetype(std::distance(files.begin(), it))));
        bool readOnly = it.key() == "src/ro.txt";
        QCOMPARE(!(QFileInfo(path).permissions() & QFileDevice::WriteOwner), readOnly);
    }
    log = LogLines(form);
    QCOMPARE(log.value(0), QString("Number of files to be unzipped: 7"));
    QCOMPARE(log.value(1), "Total bytes to process: " + QString::number(total));
    QCOMPARE(log.value(2), "Files unzipping to: " + dest);
    QCOMPARE(log.value(3), QString(" "));
    QVERIFY(log.contains("Unzipped file README"));
    QCOMPARE(log.mid(log.size() - 2), (QStringList{"", "Finished extracting files"}));
    QCOMPARE(form.KestroZip1.OverwriteMode, Always);  // reset after the extraction
    QVERIFY(!form.KestroZip1.DoAll);
    ::chmod(env.Path("src/ro.txt").toLocal8Bit().constData(), 0644);
}

void OperationsTest::AddAndExtractSayTheCountWithoutOutput()
{
    TAppEnv env;
    Prefs(env, false);
    env.WriteFile("in/one.txt", "1");
    env.WriteFile("in/two.txt", "2");
    TMainform form;
    CreateArchive(form, env.Path("count.zip"));
    const struct {
        QStringList entries;
        const char* said;
    } rows[] = {
        {{env.Path("in/one.txt")}, "1 file was added"},
        {{env.Path("in/one.txt"), env.Path("in/two.txt")}, "1 file was added"},  // one.txt is not newer
        {{env.Path("in/missing.txt")}, "0 files were added"},
    };
    for (const auto& r : rows)
        QCOMPARE(AddQuietly(form, {r.entries}), QString(r.said));
    QVERIFY(!form.Msgform->isVisible());
    QVERIFY(form.Msgform->LogText().contains("Zipped file " + env.Path("in/two.txt")));  // logged all the same

    QString said;
    TModalScript extract([&](QWidget* w, int n) {
        if (n == 0)
            return AnswerExtract(w, {env.Path("out"), 0, 1, 0, {}});
        said = qobject_cast<QMessageBox*>(w)->text();
        ClickButton(w, QMessageBox::Ok);
    });
    form.A.ExtractBut->trigger();
    QCOMPARE(said, QString("2 files were extracted"));
    QCOMPARE(Tree(env.Path("out")), (QStringList{"one.txt", "two.txt"}));
}

void OperationsTest::ExistingEntriesFollowTheChosenAction()
{
    // old.txt is in the archive and unchanged, new.txt is in it and newer
    // on disk, extra.txt is not in the archive.
    const struct {
        int action;
        QStringList zipped;
    } rows[] = {
        {0, {"extra.txt", "new.txt", "old.txt"}},  // Replace
        {1, {"extra.txt", "new.txt"}},             // Update
        {2, {"new.txt"}},                          // Freshen
    };
    for (const auto& r : rows) {
        TAppEnv env;
        Prefs(env, true);
        for (const char* name : {"d/old.txt", "d/new.txt", "d/extra.txt"}) {
            env.WriteFile(name, name);
            SetTime(env.Path(name), kWhen);
        }
        TMainform form;
        CreateArchive(form, env.Path("a.zip"));
        {
            TModalScript first([&](QWidget* w, int) { AnswerAdd(w, {{env.Path("d/old.txt"), env.Path("d/new.txt")}}); });
            form.A.AddFiles1->trigger();
        }
        env.WriteFile("d/new.txt", "changed");
        SetTime(env.Path("d/new.txt"), kWhen.addDays(1));

        TModalScript again([&](QWidget* w, int) { AnswerAdd(w, {{env.Path("d/*.*")}, 6, r.action}); });
        form.A.AddFiles1->trigger();
        QCOMPARE(ZippedFiles(form), r.zipped);
        QStringList listed = r.action == 2 ? QStringList{"new.txt", "old.txt"}
                                           : QStringList{"extra.txt", "new.txt", "old.txt"};
        QCOMPARE(Captions(form), listed);
        QCOMPARE(Run("unzip -t " + Q(env.Path("a.zip"))), 0);
        QString out;
        Run("unzip -p " + Q(env.Path("a.zip")) + " '*new.txt'", &out);
        QCOMPARE(out, QString("changed"));
    }
}

void OperationsTest::RemovesTheSelectedEntries()
{
    TAppEnv env;
    Prefs(env, true);
    for (const char* name : {"r/a.txt", "r/b.txt", "r/sub/a.txt", "r/sub/c.txt"})
        env.WriteFile(name, name);
    TMainform form;
    QString zip = env.Path("r.zip");
    CreateArchive(form, zip);
    {
        TModalScript add([&](QWidget* w, int) { AnswerAdd(w, {{env.Path("r/*.*")}, 6, 1, true, true}); });
        form.A.AddFiles1->trigger();
    }
    QCOMPARE(form.LMDListBox1->RowCount(), 4);

    // a.txt of the folder sub and c.txt: the other a.txt stays
    TEntryList* list = form.LMDListBox1;
    list->SelectNone();
    for (int r = 0; r < list->RowCount(); ++r) {
        int i = list->EngineIndexAt(r);
        QString full = QString::fromStdString(form.KestroZip1.EntryPath(i) + form.KestroZip1.EntryFileName(i));
        if (full.endsWith("sub\\a.txt") || full.endsWith("c.txt"))
            list->Selection()->select(list->Proxy()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    {
        TModalScript remove([&](QWidget* w, int) { ClickButton(w, QMessageBox::Yes); });
        form.A.RemoveFiles1->trigger();
        QCOMPARE(remove.Boxes().value(0), "Confirm: Delete selected files from: " + zip + "?");
    }
    QStringList names = ZipNames(zip);
    QCOMPARE(names.size(), 2);
    QVERIFY(names[0].endsWith("r/a.txt") && names[1].endsWith("r/b.txt"));
    QCOMPARE(Captions(form), (QStringList{"a.txt", "b.txt"}));
    QStringList log = LogLines(form);
    QCOMPARE(log.filter("Removed file ").size(), 2);
    QVERIFY(!log.contains("Finished adding files"));  // no closing line for a removal
    QVERIFY(!form.Msgform->CancelBtn->isEnabled());

    // answered No: nothing happens
    form.LMDListBox1->SelectAll();
    TModalScript no([&](QWidget* w, int) { ClickButton(w, QMessageBox::No); });
    form.A.RemoveFiles2->trigger();
    QCOMPARE(ZipNames(zip).size(), 2);
}

void OperationsTest::ExtractsSelectedEntriesOnly()
{
    TAppEnv env;
    Prefs(env, false);
    QString zip = env.WriteZip("s.zip", {E("docs/readme.txt", "r"), E("docs/other.txt", "o"), E("top.txt", "t")});
    TMainform form;
    OpenArchive(form, zip);
    SelectCaptions(form, {"readme.txt", "top.txt"});
    TModalScript extract([&](QWidget* w, int n) {
        if (n == 0)
            return AnswerExtract(w, {env.Path("sel"), 1, 1, 1, {}});
        ClickButton(w, QMessageBox::Ok);
    });
    form.A.ExtractFiles2->trigger();
    QCOMPARE(Tree(env.Path("sel")), (QStringList{"docs/readme.txt", "top.txt"}));
    QCOMPARE(extract.Boxes().value(0), QString("Movrel: 2 files were extracted"));
}

void OperationsTest::OverwriteAnswers()
{
    const struct {
        int overwrite;  // No, Yes, Prompt
        QMessageBox::StandardButton answer;
        const char* a;  // a.txt afterwards
        bool asked;
    } rows[] = {
        {0, QMessageBox::NoButton, "OLD", false},
        {1, QMessageBox::NoButton, "new a", false},
        {2, QMessageBox::Yes, "new a", true},
        {2, QMessageBox::No, "OLD", true},
    };
    for (const auto& r : rows) {
        TAppEnv env;
        Prefs(env, true);
        QString zip = env.WriteZip("o.zip", {E("a.txt", "new a"), E("b.txt", "new b")});
        env.WriteFile("dest/a.txt", "OLD");
        TMainform form;
        OpenArchive(form, zip);
        TModalScript script([&](QWidget* w, int n) {
            if (n == 0)
                return AnswerExtract(w, {env.Path("dest"), 1, r.overwrite, 0, {}});
            ClickButton(w, r.answer);
        });
        form.A.ExtractFiles1->trigger();
        QCOMPARE(ReadAll(env.Path("dest/a.txt")), QByteArray(r.a));
        QCOMPARE(ReadAll(env.Path("dest/b.txt")), QByteArray("new b"));
        QCOMPARE(script.Boxes(), r.asked ? QStringList{"Confirm Replace: Replace existing copy of a.txt?"} : QStringList{});
    }
}

void OperationsTest::WrongPasswordThenTheRightOne()
{
    if (!movrel::test::HaveTool("zip"))
        QSKIP("zip is not installed");
    TAppEnv env;
    Prefs(env, true);
    env.WriteFile("p/a.txt", "secret a");
    env.WriteFile("p/b.txt", "secret b");
    QString zip = env.Path("p.zip");
    QCOMPARE(Run("cd " + Q(env.Path("p")) + " && zip -q -P right " + Q(zip) + " a.txt b.txt"), 0);

    TMainform form;
    OpenArchive(form, zip);
    QString askedFor, shownPassword;
    auto script = std::make_unique<TModalScript>([&](QWidget* w, int n) {
        if (n == 0) {
            // the password typed through the Extract dialog's own button
            TModalAnswer pw([](QWidget* p) {
                auto* e = qobject_cast<TEnterPwd*>(p);
                e->Edit1->setText("wrong");
                e->OKBtn->click();
            });
            qobject_cast<TExtract*>(w)->BitBtn4->click();
            return AnswerExtract(w, {env.Path("out"), 1, 1, 0, {}});
        }
        auto* bad = qobject_cast<TInvalidPwdDlg*>(w);
        QVERIFY(bad);
        askedFor = bad->Filename->text();
        shownPassword = bad->PasswordEdit->text();
        bad->PasswordEdit->setText("right");
        bad->OKBtn->click();
    });
    form.A.ExtractFiles1->trigger();
    QCOMPARE(script->Count(), 2);  // asked once: the right password serves the next entry too
    script.reset();
    QCOMPARE(askedFor, QString("a.txt"));
    QCOMPARE(shownPassword, QString("wrong"));
    QCOMPARE(ReadAll(env.Path("out/a.txt")), QByteArray("secret a"));
    QCOMPARE(ReadAll(env.Path("out/b.txt")), QByteArray("secret b"));

    // Cancel: the entry is skipped with a message naming it
    form.KestroZip1.Password = "wrong";
    TModalScript cancel([&](QWidget* w, int n) {
        if (n == 0)
            return AnswerExtract(w, {env.Path("out2"), 1, 1, 1, {}});
        if (auto* bad = qobject_cast<TInvalidPwdDlg*>(w))
            return bad->CancelBtn->click();
        ClickButton(w, QMessageBox::Ok);
    });
    SelectCaptions(form, {"a.txt#"});
    form.A.ExtractFiles1->trigger();
    QVERIFY(cancel.Boxes().contains("Password Error: Invalid Password for file a.txt"));
    QVERIFY(!QFile::exists(env.Path("out2/a.txt")));
}

void OperationsTest::RefusalsOfTheThreeCommands()
{
    TAppEnv env;
    Prefs(env, true);
    QString zip = env.WriteZip("f.zip", {E("a.txt", "a")});
    TMainform form;

    // add without an archive
    {
        TModalScript none([](QWidget* w, int) { ClickButton(w, QMessageBox::Ok); });
        form.AddButClick();
        QCOMPARE(none.Boxes(), QStringList{"Movrel: Error - open a zip file first"});
    }

    OpenArchive(form, zip);
    const struct {
        std::function<void()> command;
        std::function<void(QWidget*)> dialog;  // the first window's answer
        const char* said;
    } rows[] = {
        {[&] { form.AddButClick(); }, [&](QWidget* w) { AnswerAdd(w, {}); }, "Movrel: No files selected"},
        {[&] { form.ExtractButClick(); }, [&](QWidget* w) { AnswerExtract(w, {env.Path("x"), 1, 1, 1, {}}); },
         "Movrel: Error - no files selected"},
        {[&] { form.DeleteButClick(); }, [](QWidget* w) { ClickButton(w, QMessageBox::Yes); },
         "Movrel: Error - no files selected"},
    };
    for (const auto& r : rows) {
        form.LMDListBox1->SelectNone();
        TModalScript script([&](QWidget* w, int n) {
            if (n == 0)
                return r.dialog(w);
            ClickButton(w, QMessageBox::Ok);
        });
        r.command();
        QCOMPARE(script.Boxes().last(), QString(r.said));
    }
    QCOMPARE(ZipNames(zip), QStringList{"a.txt"});

    // Cancelling the Add Files dialog leaves the engine's options as they were
    form.KestroZip1.PackLevel = 3;
    {
        TModalScript cancel([](QWidget* w, int) {
            auto* d = qobject_cast<TAddForm*>(w);
            d->LMDSpinEdit1->setValue(9);
            d->CancelBut->click();
        });
        form.AddButClick();
        QCOMPARE(form.KestroZip1.PackLevel, 3);
    }

    // the archive gone: extract says so
    QFile::remove(zip);
    {
        TModalScript gone([](QWidget* w, int) { ClickButton(w, QMessageBox::Ok); });
        form.ExtractButClick();
        QCOMPARE(gone.Boxes(), QStringList{"Movrel: Error: file not found: " + zip});
    }

    // an empty list: nothing to remove
    form.LMDListBox1->Model()->Clear();
    TModalScript empty([](QWidget* w, int) { ClickButton(w, QMessageBox::Ok); });
    form.DeleteButClick();
    QCOMPARE(empty.Boxes(), QStringList{"Movrel: Error - no files to delete"});
}

void OperationsTest::MessageWindowKeepsTheLastOutput()
{
    TAppEnv env;
    Prefs(env, true);
    env.WriteFile("m/a.txt", "a");
    TMainform form;
    CreateArchive(form, env.Path("m.zip"));
    {
        TModalScript add([&](QWidget* w, int) { AnswerAdd(w, {{env.Path("m/a.txt")}}); });
        form.A.AddFiles1->trigger();
    }
    QString log = form.Msgform->LogText();
    form.Msgform->OKBtn->click();
    QVERIFY(!form.Msgform->isVisible());
    form.A.ViewLastOutput1->trigger();
    QVERIFY(form.Msgform->isVisible());
    QCOMPARE(form.Msgform->LogText(), log);
    QVERIFY(form.Msgform->CancelBtn->isEnabled());
    form.Msgform->CancelBtn->click();  // nothing runs: nothing to stop, and the next add is not cancelled
    TModalScript again([&](QWidget* w, int) { AnswerAdd(w, {{env.Path("m/a.txt")}, 6, 0}); });
    form.A.AddFiles1->trigger();
    QCOMPARE(ZippedFiles(form), QStringList{"a.txt"});
}

void OperationsTest::NextDiskAndProgressEvents()
{
    TAppEnv env;
    Prefs(env, true);
    TMainform form;
    TKestroZip& z = form.KestroZip1;
    for (QMessageBox::StandardButton answer : {QMessageBox::Ok, QMessageBox::Cancel}) {
        std::string name = "/media/disk/set.zip";
        TModalScript script([&](QWidget* w, int) { ClickButton(w, answer); });
        z.OnGetNextDisk(&z, 2, name);
        QCOMPARE(script.Boxes(), QStringList{"Spanning: Please insert disk 2 of the multi-disk set."});
        QCOMPARE(name, answer == QMessageBox::Ok ? std::string("/media/disk/set.zip") : std::string());
    }

    // a file's start shows the status bar's progress in place of the size
    // pane; zipping hides it at the file's end, unzipping at 100 %
    bool skip = false;
    TZipHeaderInfo header;
    z.OnStartZip(&z, "/home/user/Some Folder/file.txt", header, skip);
    QVERIFY(form.StatusBar1->ProgressBar1->isVisibleTo(&form));
    QVERIFY(!form.StatusBar1->SizePane->isVisibleTo(&form));
    QCOMPARE(form.StatusBar1->HintPane->text(), QString("Zipping: /home/user/Some Folder/file.txt..."));
    QCOMPARE(form.Msgform->Label1->text(), QString("/.../Some Folder/file.txt"));
    z.OnFilePercentDone(&z, 40);
    QCOMPARE(form.Msgform->ProgressBar1->value(), 40);
    z.OnEndZip(&z, "/home/user/Some Folder/file.txt", 10, 5, 100);
    QVERIFY(!form.StatusBar1->ProgressBar1->isVisibleTo(&form));
    QVERIFY(form.StatusBar1->SizePane->isVisibleTo(&form));
    z.OnStartUnZip(&z, 0, "/out/file.txt", skip);
    QCOMPARE(form.StatusBar1->HintPane->text(), QString("Unzipping: /out/file.txt..."));
    z.OnTotalPercentDone(&z, 55);
    QCOMPARE(form.StatusBar1->ProgressBar1->value(), 55);
    QVERIFY(form.StatusBar1->ProgressBar1->isVisibleTo(&form));
    z.OnTotalPercentDone(&z, 100);
    QVERIFY(!form.StatusBar1->ProgressBar1->isVisibleTo(&form));
    QVERIFY(!skip);
}

QTEST_MAIN(OperationsTest)
#include "OperationsTest.moc"
