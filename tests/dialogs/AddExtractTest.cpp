// The Add Files, Extract and Options dialogs and the message window: what
// each command puts into the dialog, what is kept, and what the caller
// reads back.
#include "AppTestSupport.h"
#include "Addunit.h"
#include "EnterPassw.h"
#include "FolderRules.h"
#include "OptFrm.h"
#include "RadioGroup.h"
#include "RecentCombo.h"
#include "Settings.h"
#include "extrunit.h"
#include "msgunit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>

using namespace movrel;
using movrel::test::TAppEnv;
using movrel::test::TModalAnswer;

namespace {

QStringList Lines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

class AddExtractTest : public QObject {
    Q_OBJECT
private slots:
    void AppendSlash();
    void EntriesAreNeverAddedTwice();
    void AddFilesTakesTheSelectedFiles();
    void WildcardsNeedADot();
    void EnterInTheMaskFiltersAndStays();
    void RemoveTakesTheFocusedEntryOnly();
    void SortKeepsTheListInOrderWhileDown();
    void AddOptionsAreKeptOnAddOnly();
    void AddStartsInTheFolderTheOptionsName();
    void PasswordButtonsSetThePasswordAtOnce();
    void ExecuteOpensTheSelectedEntries();
    void RecentFoldersRule();
    void ExtractKeepsItsValuesOnOkAndCancel();
    void ExtractStartsAtTheDestinationTheOptionsName();
    void NewFolderIsMadeAndBecomesTheDestination();
    void OptionsFolderEditsFollowTheChoice();
    void ShortensFileNamesForTheLabel();
    void MessageWindowLogCopyAndPlacement();
};

void AddExtractTest::AppendSlash()
{
    const struct {
        const char *in, *out;
    } rows[] = {{"", ""}, {"/", "/"}, {"/data", "/data/"}, {"/data/", "/data/"}};
    for (const auto& r : rows)
        QCOMPARE(TAddForm::AppendSlash(r.in), QString(r.out));
}

void AddExtractTest::EntriesAreNeverAddedTwice()
{
    TAppEnv env;
    QDir().mkpath(env.Path("Data"));
    env.WriteFile("Data/a.txt", "a");
    TAddForm form(nullptr, true);
    QVERIFY(form.MoveTree(env.Path("Data")));
    form.AddDirButClick();
    form.AddDroppedPaths({env.Path("Data"), env.Path("data/")});  // a folder dropped, the same in other letter case
    form.SelectAllBut->click();
    form.AddDroppedPaths({env.Path("Data/a.txt"), env.Path("Data/a.txt")});
    QVERIFY(!form.AddEntry(env.Path("DATA/A.TXT")));
    QCOMPARE(form.Entries(), (QStringList{env.Path("Data/*.*"), env.Path("Data/a.txt")}));
    form.AddDroppedPaths({env.Path("Data/gone.txt")});  // not a file (any more): taken as a folder
    QCOMPARE(form.Entries().last(), env.Path("Data/gone.txt/*.*"));

    // the root folder: one separator
    QVERIFY(form.MoveTree("/"));
    form.AddDirButClick();
    QCOMPARE(form.Entries().last(), QString("/*.*"));
}

void AddExtractTest::AddFilesTakesTheSelectedFiles()
{
    TAppEnv env;
    for (const char* name : {"f/one.txt", "f/two.txt", "f/three.txt"})
        env.WriteFile(name, name);
    QDir().mkpath(env.Path("f/sub"));
    TAddForm form(nullptr, true);
    QVERIFY(form.MoveTree(env.Path("f")));
    auto* model = qobject_cast<QFileSystemModel*>(form.FileListBox1->model());
    QModelIndex root = form.FileListBox1->rootIndex();
    QTRY_COMPARE(model->rowCount(root), 3);  // the sub-folder is shown by the tree only
    form.AddFileButClick();  // nothing selected: nothing added
    QVERIFY(form.Entries().isEmpty());
    for (int r = 0; r < model->rowCount(root); ++r)
        if (model->fileName(model->index(r, 0, root)) != "two.txt")
            form.FileListBox1->selectionModel()->select(model->index(r, 0, root),
                                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form.AddFileButClick();
    QStringList entries = form.Entries();
    entries.sort();
    QCOMPARE(entries, (QStringList{env.Path("f/one.txt"), env.Path("f/three.txt")}));
}

void AddExtractTest::WildcardsNeedADot()
{
    TAppEnv env;
    QDir().mkpath(env.Path("w"));
    TAddForm form(nullptr, true);
    QVERIFY(form.MoveTree(env.Path("w")));
    const struct {
        const char* typed;
        bool confirm;
        QStringList entries;
    } rows[] = {
        {"exe", true, {}},
        {"*.exe", false, {}},
        {"*.exe", true, {env.Path("w/*.exe")}},
    };
    for (const auto& r : rows) {
        QString prompt;
        TModalAnswer answer([&](QWidget* w) {
            auto* box = qobject_cast<QInputDialog*>(w);
            prompt = box->labelText();
            QCOMPARE(box->windowTitle(), QString("Add Wildcard (for example *.exe)"));
            QCOMPARE(box->findChild<QLineEdit*>()->maxLength(), 255);
            box->setTextValue(r.typed);
            r.confirm ? box->accept() : box->reject();
        });
        form.BitBtn6->click();
        QCOMPARE(prompt, env.Path("w") + "/");
        QCOMPARE(form.Entries(), r.entries);
    }
}

void AddExtractTest::EnterInTheMaskFiltersAndStays()
{
    TAppEnv env;
    env.WriteFile("m/a.txt", "a");
    env.WriteFile("m/b.exe", "b");
    env.WriteFile("m/Makefile", "c");
    TAddForm form(nullptr, true);
    QVERIFY(form.MoveTree(env.Path("m")));
    auto* model = qobject_cast<QFileSystemModel*>(form.FileListBox1->model());
    QTRY_COMPARE(model->rowCount(form.FileListBox1->rootIndex()), 3);  // "*.*": every file
    form.LMDSpinEdit1->setValue(2);
    bool open = false;
    TModalAnswer typing([&](QWidget* w) {
        auto* d = qobject_cast<TAddForm*>(w);
        d->PageControl1->setCurrentIndex(0);
        d->Edit2->setFocus();
        d->Edit2->setText("*.exe");
        QTest::keyClick(d->Edit2, Qt::Key_Return);
        open = d->isVisible();
        d->reject();
    });
    form.exec();
    QVERIFY(open);
    QVERIFY(!form.Confirmed);
    QCOMPARE(model->nameFilters(), QStringList{"*.exe"});
    QTRY_COMPARE(model->rowCount(form.FileListBox1->rootIndex()), 1);
    QCOMPARE(ReadText(LOCAL_MACHINE, kProductKey, "CompressValue"), std::optional<QString>("2"));  // stored all the same
}

void AddExtractTest::RemoveTakesTheFocusedEntryOnly()
{
    TAddForm form(nullptr, true);
    for (const char* e : {"/a", "/b", "/c", "/d"})
        form.AddEntry(e);
    QListWidget* list = form.SelectedList;
    list->setCurrentRow(1);
    for (int i : {0, 1, 2})
        list->item(i)->setSelected(true);
    form.RemoveButClick();
    QCOMPARE(form.Entries(), (QStringList{"/a", "/c", "/d"}));
    QCOMPARE(list->currentRow(), 1);  // the focus stays at its place
    list->setCurrentRow(2);
    form.RemoveButClick();
    form.RemoveButClick();
    form.RemoveButClick();
    form.RemoveButClick();  // an empty list: nothing happens
    QVERIFY(form.Entries().isEmpty());
}

void AddExtractTest::SortKeepsTheListInOrderWhileDown()
{
    TAddForm form(nullptr, true);
    for (const char* e : {"/c", "/A", "/b"})
        form.AddEntry(e);
    form.SortBut->click();
    QCOMPARE(form.Entries(), (QStringList{"/A", "/b", "/c"}));
    form.AddEntry("/B2");
    QCOMPARE(form.Entries(), (QStringList{"/A", "/b", "/B2", "/c"}));
    form.SortBut->click();
    form.AddEntry("/a0");
    QCOMPARE(form.Entries(), (QStringList{"/A", "/b", "/B2", "/c", "/a0"}));
}

void AddExtractTest::AddOptionsAreKeptOnAddOnly()
{
    TAppEnv env;
    QDir().mkpath(env.Path("last"));
    {
        TAddForm form(nullptr, true);
        QCOMPARE(form.LMDSpinEdit1->value(), 6);
        QCOMPARE(form.RadioGroup1->ItemIndex(), 1);
        QVERIFY(form.MoveTree(env.Path("last")));
        // changed, then cancelled: not stored, but still shown
        TModalAnswer cancel([](QWidget* w) {
            auto* d = qobject_cast<TAddForm*>(w);
            d->LMDSpinEdit1->setValue(9);
            d->Recurse->setChecked(true);
            d->CancelBut->click();
        });
        form.exec();
        QVERIFY(!ValueExists(LOCAL_MACHINE, kProductKey, "CompressValue"));
        QCOMPARE(form.LMDSpinEdit1->value(), 9);
        TModalAnswer add([](QWidget* w) {
            auto* d = qobject_cast<TAddForm*>(w);
            d->RadioGroup1->SetItemIndex(2);
            d->DirNameCB->setChecked(true);
            d->OKBut->setFocus();
            d->OKBut->click();
        });
        form.Confirmed = false;
        form.exec();
        QVERIFY(form.Confirmed);
    }
    const struct {
        const char *name, *text;
    } stored[] = {{"CompressValue", "9"}, {"AddZipAction", "2"}, {"Recurse", "1"},
                  {"DirName", "1"},       {"Store83Names", "0"}, {"StoreVolumes", "0"}};
    for (const auto& s : stored)
        QCOMPARE(ReadText(LOCAL_MACHINE, kProductKey, s.name), std::optional<QString>(s.text));
    QCOMPARE(ReadString("LastAddDir"), env.Path("last"));
    TAddForm next(nullptr, true);
    QCOMPARE(next.LMDSpinEdit1->value(), 9);
    QCOMPARE(next.RadioGroup1->ItemIndex(), 2);
    QVERIFY(next.Recurse->isChecked() && next.DirNameCB->isChecked() && !next.CheckBox2->isChecked());
}

void AddExtractTest::AddStartsInTheFolderTheOptionsName()
{
    TAppEnv env;
    QDir().mkpath(env.Path("last"));
    QDir().mkpath(env.Path("fixed"));
    WriteString("LastAddDir", env.Path("last"));
    WriteString("AddDir", env.Path("fixed"));
    const struct {
        bool useLast;
        QString addDir;
        QString folder;
    } rows[] = {
        {true, env.Path("fixed"), env.Path("last")},
        {false, env.Path("fixed"), env.Path("fixed")},
        {false, " \t", FallbackFolder()},
        {false, env.Path("gone"), FallbackFolder()},  // a folder that is not there: the tree stays
    };
    for (const auto& r : rows) {
        WriteString("AddDir", r.addDir);
        TAddForm form(nullptr, r.useLast);
        QCOMPARE(form.CurrentFolder(), r.folder);
    }
}

void AddExtractTest::PasswordButtonsSetThePasswordAtOnce()
{
    TEnterPwd pwd;
    QString got;
    TAddForm add(&pwd, true);
    add.OnPassword = [&](const QString& p) { got = p; };
    TModalAnswer outer([&](QWidget* w) {
        TModalAnswer inner([](QWidget* p) {
            auto* e = qobject_cast<TEnterPwd*>(p);
            e->Edit1->setText("one");
            e->OKBtn->click();
        });
        qobject_cast<TAddForm*>(w)->Button1->click();
        qobject_cast<TAddForm*>(w)->CancelBut->click();  // cancelled: the password stays set
    });
    add.exec();
    QCOMPARE(got, QString("one"));

    TExtract extract(&pwd, true);
    extract.OnPassword = [&](const QString& p) { got = p; };
    TModalAnswer cancelled([](QWidget* p) {
        auto* e = qobject_cast<TEnterPwd*>(p);
        e->Edit1->setText("two");
        e->CancelBtn->click();
    });
    extract.BitBtn4->click();
    QCOMPARE(got, QString("one"));  // Cancel in the password dialog sets nothing
}

void AddExtractTest::ExecuteOpensTheSelectedEntries()
{
    TAppEnv env;
    // a stand-in xdg-open that notes what it was given
    QString bin = env.Path("bin");
    QDir().mkpath(bin);
    QString log = env.Path("opened.txt");
    env.WriteFile("bin/xdg-open", ("#!/bin/sh\necho \"$1\" >> '" + log + "'\n").toUtf8());
    QFile::setPermissions(bin + "/xdg-open", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit() + ":" + path);
    TAddForm form(nullptr, true);
    for (const char* e : {"/x/one.txt", "/x/two.txt", "/x/three.txt"})
        form.AddEntry(e);
    form.SelectedList->item(0)->setSelected(true);
    form.SelectedList->item(2)->setSelected(true);
    form.SelectedListDblClick();
    QTRY_COMPARE(Lines(log).size(), 2);
    QStringList opened = Lines(log);
    opened.sort();
    QCOMPARE(opened, (QStringList{"/x/one.txt", "/x/three.txt"}));
    qputenv("PATH", path);
}

void AddExtractTest::RecentFoldersRule()
{
    auto folders = [](int n) {
        QStringList list;
        for (int i = 0; i < n; ++i)
            list << QString("/f%1").arg(i);
        return list;
    };
    const struct {
        QStringList before;
        QString folder;
        QStringList after;
    } rows[] = {
        {{}, "/new", {"/new"}},
        {{"/a", "/B", "/c"}, "/b", {"/B", "/a", "/c"}},  // letter case aside: moved, not added
        {{"/a", "/b"}, "/a", {"/a", "/b"}},
        {folders(25), "/new", QStringList{"/new"} + folders(25)},                // 25 grow to 26
        {folders(26), "/new", QStringList{"/new"} + folders(25)},                // the 26th goes
        {folders(26), "/f25", QStringList{"/f25"} + folders(25)},                // ...also when it is the one chosen
        {{"/a"}, "", {"", "/a"}},
    };
    for (const auto& r : rows) {
        QStringList list = r.before;
        TExtract::UpdateRecentFolders(list, r.folder);
        QCOMPARE(list, r.after);
    }
}

void AddExtractTest::ExtractKeepsItsValuesOnOkAndCancel()
{
    TAppEnv env;
    QString dest = env.Path("dest");
    QDir().mkpath(dest);
    {
        TExtract x(nullptr, true);
        QCOMPARE(x.RadioGroup1->ItemIndex(), 1);
        QCOMPARE(x.RadioGroup2->ItemIndex(), 1);
        QCOMPARE(x.RadioGroup3->ItemIndex(), 0);
        QVERIFY(x.CheckBox1->isChecked());
        // close box: nothing stored, nothing to do
        TModalAnswer close([](QWidget* w) { w->close(); });
        x.exec();
        QVERIFY(!x.Confirmed);
        QVERIFY(x.Destination.isEmpty());
        QVERIFY(!ValueExists(CURRENT_USER, kProductKey, "OverwriteExisting"));
        // Cancel: the choices are kept, the destination is empty
        TModalAnswer cancel([&](QWidget* w) {
            auto* d = qobject_cast<TExtract*>(w);
            d->Edit1->SetText(dest);
            d->RadioGroup2->SetItemIndex(2);
            d->CancelBut->click();
        });
        x.exec();
        QVERIFY(!x.Confirmed);
        QVERIFY(x.Destination.isEmpty());
        QCOMPARE(ReadText(CURRENT_USER, kProductKey, "OverwriteExisting"), std::optional<QString>("2"));
        // OK: the result, the recent list, the placement
        TModalAnswer ok([&](QWidget* w) {
            auto* d = qobject_cast<TExtract*>(w);
            d->RadioGroup1->SetItemIndex(0);
            d->RadioGroup3->SetItemIndex(1);
            d->CheckBox1->setChecked(false);
            d->Edit2->setText("data/");
            d->OKBut->click();
        });
        x.exec();
        QVERIFY(x.Confirmed);
        QCOMPARE(x.Destination, dest);
        QVERIFY(!x.RecreateDirs());
        QCOMPARE(x.Overwrite(), TExtract::TOverwrite::Prompt);
        QVERIFY(!x.AllFiles());
        QVERIFY(!x.RetainAttributes());
        QCOMPARE(x.RootDir(), QString("data/"));
        QVERIFY(!ReadBytes("Extract").isEmpty());
    }
    QCOMPARE(ReadText(CURRENT_USER, kProductKey, "RecentFolders"), std::optional<QString>(dest));
    QCOMPARE(ReadText(CURRENT_USER, kProductKey, "LastExtractDir"), std::optional<QString>(dest));
    TExtract next(nullptr, true);
    QCOMPARE(next.Edit1->Text(), dest);
    QCOMPARE(next.Edit1->Items(), QStringList{dest});
    QCOMPARE(next.TreeFolder(), dest);
    QCOMPARE(next.RadioGroup1->ItemIndex(), 0);
    QCOMPARE(next.RadioGroup2->ItemIndex(), 2);
    QVERIFY(!next.CheckBox1->isChecked());
    QVERIFY(next.Edit2->text().isEmpty());  // not kept
}

void AddExtractTest::ExtractStartsAtTheDestinationTheOptionsName()
{
    TAppEnv env;
    QDir().mkpath(env.Path("last"));
    WriteText(CURRENT_USER, kProductKey, "LastExtractDir", env.Path("last"));
    const struct {
        bool useLast;
        QString extDir;
        QString destination;
    } rows[] = {
        {true, env.Path("fixed"), env.Path("last")},
        {false, env.Path("fixed"), env.Path("fixed")},  // not checked for existence
        {false, "  ", FallbackFolder()},
    };
    for (const auto& r : rows) {
        WriteString("ExtDir", r.extDir);
        TExtract x(nullptr, r.useLast);
        QCOMPARE(x.Edit1->Text(), r.destination);
        QCOMPARE(x.TreeFolder(), env.Path("last"));  // the tree goes to the last destination
    }
}

void AddExtractTest::NewFolderIsMadeAndBecomesTheDestination()
{
    TAppEnv env;
    QString parent = env.Path("p");
    QDir().mkpath(parent + "/New Folder");
    TExtract x(nullptr, true);
    QVERIFY(x.MoveTree(parent));
    QCOMPARE(x.Edit1->Text(), parent);  // the tree's folder is the destination
    QVERIFY(x.BitBtn1Click());
    QVERIFY(QFileInfo(parent + "/New Folder (2)").isDir());
    QCOMPARE(x.Edit1->Text(), parent + "/New Folder (2)");
    x.Edit1->SetText("/typed");  // typing sets the destination; the tree does not follow
    QCOMPARE(x.TreeFolder(), parent + "/New Folder (2)");
    QTest::keyClick(&x, Qt::Key_Insert);  // Insert makes one in the selected folder
    QVERIFY(QFileInfo(parent + "/New Folder (2)/New Folder").isDir());
}

void AddExtractTest::OptionsFolderEditsFollowTheChoice()
{
    TAppEnv env;
    WriteText(LOCAL_MACHINE, kProductKey, "AddUseLast", "0");
    WriteText(LOCAL_MACHINE, kProductKey, "AddUseSpecDir", "1");
    WriteString("AddDir", "/add");
    WriteBool("ShowOutput", true);
    WriteBool("AddDocs2StartMenu", false);
    TOptionsForm o;
    QVERIFY(!o.AddUseLast());
    QVERIFY(o.ExtractUseLast());
    QVERIFY(o.Edit3->isEnabled());   // from the first showing on
    QVERIFY(!o.Edit4->isEnabled());
    QCOMPARE(o.Edit3->text(), QString("/add"));
    QVERIFY(o.CheckBox1->isChecked() && !o.CheckBox2->isChecked());
    o.LMDRadioButton3->setChecked(false);
    o.LMDRadioButton4->setChecked(true);
    QVERIFY(o.Edit4->isEnabled());
    TModalAnswer look([&](QWidget* w) {
        QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(w->y(), (screen.height() - w->height()) / 2 - 50);
        QCOMPARE(w->x(), (screen.width() - w->width()) / 2);
        QVERIFY(o.LMDRadioButton3->isChecked());  // showing reloads the kept choice
        o.BitBtn2->click();
    });
    o.exec();
}

void AddExtractTest::ShortensFileNamesForTheLabel()
{
    const struct {
        const char *in, *out;
    } rows[] = {
        {"C:\\Program Files\\Some Folder\\file.txt", "C:\\...\\file.txt"},
        {"/home/user/Some Folder/file.txt", "/.../Some Folder/file.txt"},
        {"/short/file.txt", "/short/file.txt"},
        {"/a/very/long/path/with/many/levels/name.txt", "/.../many/levels/name.txt"},
        {"/one-very-long-folder-name/x.txt", "/.../x.txt"},
        {"/home/user/a-file-name-longer-than-25.txt", "a-file-name-longer-than-25.txt"},  // the name is never cut
        {"/a-file-name-longer-than-25.txt", "a-file-name-longer-than-25.txt"},
        {"file.txt", "file.txt"},
    };
    for (const auto& r : rows)
        QCOMPARE(TMsgform::ShortenFileName(r.in), QString(r.out));
}

void AddExtractTest::MessageWindowLogCopyAndPlacement()
{
    TAppEnv env;
    QWidget over;
    over.setGeometry(100, 100, 600, 400);
    {
        TMsgform m;
        QCOMPARE(m.windowTitle(), QString("Zip Messages"));
        QCOMPARE(m.Label1->text(), QString("(none)"));
        m.Log("old line");
        m.OpenForOperation(&over);
        QVERIFY(m.isVisible() && m.CancelBtn->isEnabled());
        QVERIFY(!m.LogText().contains("old line"));
        m.Log("Zipped file a");
        m.SetFileLabel("/home/user/Some Folder/file.txt");
        QCOMPARE(m.Label1->text(), QString("/.../Some Folder/file.txt"));
        m.Finish("Finished adding files", true);
        QCOMPARE(m.LogText(), QString("Zipped file a\n\nFinished adding files"));
        QVERIFY(!m.CancelBtn->isEnabled());
        m.Memo1->selectAll();
        m.Copy1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), m.LogText());
        QVERIFY(!m.Memo1->textCursor().hasSelection());
        m.OKBtn->click();  // hides, keeps nothing
        QVERIFY(!m.isVisible());
        QVERIFY(ReadBytes("Msgform").isEmpty());
        m.ViewLastOutput(&over);
        QCOMPARE(m.LogText(), QString("Zipped file a\n\nFinished adding files"));

        QFont f = m.Memo1->font();
        f.setPointSize(17);
        m.Memo1->setFont(f);
        bool cancelled = false;
        m.OnCancel = [&] { cancelled = true; };
        m.CancelBtn->setEnabled(true);
        m.CancelBtn->click();  // asks the caller to stop, closes, keeps font and placement
        QVERIFY(cancelled);
        QVERIFY(!m.isVisible());
        QVERIFY(!ReadBytes("Msgform").isEmpty());
    }
    TMsgform again;
    QCOMPARE(again.Memo1->font().pointSize(), 17);

    // kept on the screen: never past its right or bottom edge, never above its top
    QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    over.setGeometry(area.right() - 50, area.bottom() - 50, 40, 40);
    again.PlaceOver(&over);
    QVERIFY(again.frameGeometry().right() <= area.right());
    QVERIFY(again.frameGeometry().bottom() <= area.bottom());
    over.setGeometry(area.left(), area.top() - 300, 40, 40);
    again.PlaceOver(&over);
    QVERIFY(again.y() >= area.top());
}

QTEST_MAIN(AddExtractTest)
#include "AddExtractTest.moc"
