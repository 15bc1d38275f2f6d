// The main window: listing, sorting, enabled states, recent archives,
// settings kept between runs, the create question, the command line.
#include "AppTestSupport.h"
#include "DosDateTime.h"
#include "EnterPassw.h"
#include "EntryList.h"
#include "EntryModel.h"
#include "EntryRow.h"
#include "EntrySortProxy.h"
#include "FileDialogState.h"
#include "IncZip.h"
#include "Info.h"
#include "RecentList.h"
#include "Settings.h"
#include "StatusPanes.h"
#include "TestSupport.h"
#include "mainunit.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <cmath>

using namespace movrel;
using movrel::test::ClickButton;
using movrel::test::CraftEntry;
using movrel::test::TAppEnv;
using movrel::test::TModalAnswer;

namespace {

CraftEntry Entry(const std::string& name, size_t packed, uint32_t size = UINT32_MAX, uint16_t flags = 0,
                 TCalendar when = {2024, 3, 4, 5, 16, 8})
{
    CraftEntry e;
    e.name = name;
    e.data = std::string(packed, 'x');
    e.size = size;
    e.flags = flags;
    e.dosTime = CalendarToDos(when);
    return e;
}

// The texts of the row whose caption is caption (rows are found by name:
// the list is sorted).
QStringList RowTexts(const TMainform& form, const QString& caption)
{
    TEntryList* list = form.LMDListBox1;
    for (int r = 0; r < list->RowCount(); ++r) {
        if (list->CaptionAt(r) != caption)
            continue;
        QStringList texts;
        for (int c = 0; c < TEntryRow::ColumnCount; ++c)
            texts << list->Proxy()->index(r, c).data().toString();
        return texts;
    }
    return {};
}

QStringList Captions(const TMainform& form)
{
    QStringList out;
    for (int r = 0; r < form.LMDListBox1->RowCount(); ++r)
        out << form.LMDListBox1->CaptionAt(r);
    return out;
}

void Open(TMainform& form, const QString& path)
{
    form.CurrentArchive = path;
    form.OpenIT();
}

void ClickHeader(TMainform& form, int column)
{
    QHeaderView* header = form.LMDListBox1->ReportView()->header();
    QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void SelectCaptions(TMainform& form, const QStringList& captions)
{
    TEntryList* list = form.LMDListBox1;
    list->SelectNone();
    for (int r = 0; r < list->RowCount(); ++r)
        if (captions.contains(list->CaptionAt(r)))
            list->Selection()->select(list->Proxy()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// The writer's work folder; nothing for the reader alone.
template <class Z>
std::optional<std::string> TempPathOf(const Z& z)
{
    if constexpr (requires { std::string(z.TempPath); })
        return z.TempPath;
    return std::nullopt;
}

}  // namespace

class MainformTest : public QObject {
    Q_OBJECT
private slots:
    void ListsEntriesAsTheColumnsSay();
    void RatioRoundsHalvesToEven();
    void TotalSizeIsTruncatedKilobytes();
    void SortsByColumnTypeAndKeepsTheSortOnReopen();
    void EnabledStatesAfterOpenCloseAndTimer();
    void ViewImageFollowsTheLastSelectedRow();
    void SelectionCommands();
    void RecentListOrder();
    void RecentItemsOfDeletedArchivesAreHiddenButKept();
    void FirstStartWritesTheDefaults();
    void SettingsWrittenAtExitAreReadAtNextStart();
    void MissingArchiveAsksToCreateIt();
    void CommandLineArgumentsNameOneArchive();
    void CommentIndicatorFollowsTheComment();
    void IncompleteArchiveAsksHowToRead();
    void StatusPanesSplitSixtyForty();
    void ZipInformationShowsTheSums();
    void LaterCommandsSayTheyAreNotAvailable();
    void ViewStyleCommandsMoveTheCheckMark();
};

void MainformTest::ListsEntriesAsTheColumnsSay()
{
    TAppEnv env;
    QString zip = env.WriteZip("list.zip", {
        Entry("docs/readme.txt", 300, 1000, 1),
        Entry("empty.txt", 0, 0),
        Entry("stored.bin", 500),
        Entry("grown.dat", 1200, 1000, 0, {1999, 12, 31, 23, 59, 58}),
        Entry("data.qqq", 10, 40),
        Entry("noext", 1, 1),
    });
    TMainform form;
    Open(form, zip);
    QCOMPARE(form.LMDListBox1->RowCount(), 6);

    QString text = QMimeDatabase().mimeTypeForName("text/plain").comment();
    const QStringList rows[] = {
        {"readme.txt#", "4 Mar 2024", "05:16:08", text, "1000", "300", "docs\\", "70%"},
        {"empty.txt", "4 Mar 2024", "05:16:08", text, "0", "0", "", "0%"},
        {"stored.bin", "4 Mar 2024", "05:16:08", RowTexts(form, "stored.bin").value(3), "500", "500", "", "0%"},
        {"grown.dat", "31 Dec 1999", "23:59:58", RowTexts(form, "grown.dat").value(3), "1000", "1200", "", "-20%"},
        {"data.qqq", "4 Mar 2024", "05:16:08", ".QQQ-Files", "40", "10", "", "75%"},
        {"noext", "4 Mar 2024", "05:16:08", "File", "1", "1", "", "0%"},
    };
    for (const QStringList& expected : rows)
        QCOMPARE(RowTexts(form, expected[0]), expected);
    QCOMPARE(StripEncryptedMark("readme.txt#"), QString("readme.txt"));
    QVERIFY(!form.LMDListBox1->Proxy()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(form.windowTitle(), "Movrel - [" + zip + "]");
}

void MainformTest::RatioRoundsHalvesToEven()
{
    const struct {
        int64_t packed, size, ratio;
    } rows[] = {
        {300, 1000, 70},           {1200, 1000, -20},         {0, 0, 0},        {500, 500, 0},
        {5, 8, 38},                {3, 8, 62},                {1, 8, 88},       {7, 8, 12},
        {30000000, 100000000, 70}, {1, 4294967295, 100},      {4294967295, 1, -429496729400},
    };
    for (const auto& r : rows)
        QCOMPARE(RatioPercent(r.packed, r.size), r.ratio);
    QCOMPARE(RatioText(3, 8), QString("62%"));
}

void MainformTest::TotalSizeIsTruncatedKilobytes()
{
    TAppEnv env;
    TMainform form;
    const struct {
        uint32_t size;
        const char* text;
    } rows[] = {{1023, "Total Unzipped Size: 0 KB"}, {2048, "Total Unzipped Size: 2 KB"}, {4095, "Total Unzipped Size: 3 KB"}};
    for (const auto& r : rows) {
        Open(form, env.WriteZip(QString("t%1.zip").arg(r.size), {Entry("a", 0, r.size)}));
        QCOMPARE(form.StatusBar1->SizePane->text(), QString(r.text));
    }
    Open(form, env.WriteZip("none.zip", {}));
    QCOMPARE(form.StatusBar1->SizePane->text(), QString("Total Unzipped Size: 0 KB"));
    form.CloseArchive();
    QCOMPARE(form.StatusBar1->SizePane->text(), QString("Total Unzipped Size:"));
}

void MainformTest::SortsByColumnTypeAndKeepsTheSortOnReopen()
{
    TAppEnv env;
    QString zip = env.WriteZip("sort.zip", {
        Entry("b.txt", 1, 9, 0, {2020, 1, 9, 10, 0, 0}),
        Entry("C.txt", 1, 100, 0, {2021, 2, 10, 9, 0, 0}),
        Entry("a.txt", 1, 10, 0, {2019, 12, 24, 11, 0, 0}),
    });
    TMainform form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    Open(form, zip);
    QHeaderView* header = form.LMDListBox1->ReportView()->header();

    ClickHeader(form, TEntryRow::Size);  // as numbers, not as texts ("10" < "100" < "9")
    QCOMPARE(Captions(form), (QStringList{"b.txt", "a.txt", "C.txt"}));
    QCOMPARE(header->sortIndicatorSection(), int(TEntryRow::Size));
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickHeader(form, TEntryRow::Size);
    QCOMPARE(Captions(form), (QStringList{"C.txt", "a.txt", "b.txt"}));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

    ClickHeader(form, TEntryRow::Date);  // as dates ("10 Feb 2021" < "24 Dec 2019" as texts)
    QCOMPARE(Captions(form), (QStringList{"a.txt", "b.txt", "C.txt"}));
    ClickHeader(form, TEntryRow::Time);
    QCOMPARE(Captions(form), (QStringList{"C.txt", "b.txt", "a.txt"}));

    ClickHeader(form, TEntryRow::Size);
    ClickHeader(form, TEntryRow::Size);
    Open(form, zip);
    QCOMPARE(Captions(form), (QStringList{"C.txt", "a.txt", "b.txt"}));
    QCOMPARE(header->sortIndicatorSection(), int(TEntryRow::Size));
}

void MainformTest::EnabledStatesAfterOpenCloseAndTimer()
{
    TAppEnv env;
    TMainform form;
    auto& a = form.A;
    const QList<QAction*> archive = {a.ExtractBut, a.AddBut, a.EditBut, a.ExecuteBut, a.Close1, a.SaveAs1,
                                     a.CopyZIPFile1, a.MoveZIPFile1, a.DeleteZIPFile1, a.ZIPInformation1, a.FixZIP1,
                                     a.MailZIP1, a.AddFiles1, a.RemoveFiles1, a.ExtractFiles1, a.Execute1, a.Edit1,
                                     a.ViewImage1, a.VirusScan1, a.UUEncode1, a.MakeEXEFile1, a.ZIPComment1,
                                     a.Execute2, a.AddFiles2, a.RemoveFiles2, a.ExtractFiles2, a.ViewImage2, a.Edit2};
    auto enabled = [](const QList<QAction*>& actions, bool on) {
        for (QAction* x : actions)
            if (x->isEnabled() != on)
                return x->objectName();
        return QString();
    };
    // start
    QCOMPARE(enabled(archive, false), QString());
    QCOMPARE(enabled({a.New1, a.Open1, a.Exit1, a.NewBut, a.OpenBut, a.SelectAll1, a.SelectNone1, a.InvertSelection1}, true),
             QString());
    QCOMPARE(enabled({a.SelectAll2, a.SelectNone2, a.InvertSelection2}, false), QString());

    Open(form, env.WriteZip("one.zip", {Entry("a.txt", 3)}));
    QCOMPARE(enabled(archive, true), QString());
    form.Timer1Timer();  // the list has an entry: the timer changes nothing
    QCOMPARE(enabled(archive, true), QString());

    Open(form, env.WriteZip("selfext.exe", {Entry("a.txt", 3)}));
    QCOMPARE(enabled({a.ZIPComment1, a.MakeEXEFile1}, false), QString());
    QVERIFY(a.AddFiles1->isEnabled() && a.Close1->isEnabled());

    a.Close1->trigger();
    QCOMPARE(enabled(archive, false), QString());
    QVERIFY(form.CurrentArchive.isEmpty());
    QCOMPARE(form.windowTitle(), QString("Movrel"));

    // an open archive without entries: within 500 ms the entry commands go
    Open(form, env.WriteZip("empty.zip", {}));
    QCOMPARE(enabled(archive, true), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!a.ExtractBut->isEnabled(), 3000);
    QCOMPARE(enabled({a.EditBut, a.ExecuteBut, a.ExtractBut, a.Execute1, a.Execute2, a.Edit1, a.Edit2, a.ViewImage1,
                      a.ViewImage2, a.ZIPInformation1, a.RemoveFiles1, a.RemoveFiles2, a.ExtractFiles1, a.ExtractFiles2},
                     false),
             QString());
    QCOMPARE(enabled({a.AddBut, a.AddFiles1, a.AddFiles2, a.Close1, a.SaveAs1, a.ZIPComment1}, true), QString());
}

void MainformTest::ViewImageFollowsTheLastSelectedRow()
{
    TAppEnv env;
    TMainform form;
    Open(form, env.WriteZip("pics.zip", {Entry("photo.jpg", 1), Entry("readme.txt", 1), Entry("image.tiff", 1)}));
    const struct {
        QStringList selected;
        bool viewImage;
    } rows[] = {
        {{"image.tiff"}, true},
        {{"photo.jpg", "readme.txt"}, false},  // readme.txt comes last in the list
        {{"readme.txt", "photo.jpg"}, false},
        {{}, false},
        {{"photo.jpg"}, true},
    };
    for (const auto& r : rows) {
        SelectCaptions(form, r.selected);
        emit form.ActionsMenu->aboutToShow();
        QCOMPARE(form.A.ViewImage1->isEnabled(), r.viewImage);
        emit form.ListPopup->aboutToShow();
        QCOMPARE(form.A.ViewImage2->isEnabled(), r.viewImage);
        QVERIFY(form.A.SelectAll1->isEnabled() && form.A.SelectAll2->isEnabled());
    }
    // an empty list: the selection commands go, the menu's View Image keeps its state
    form.A.ViewImage1->setEnabled(true);
    Open(form, env.WriteZip("empty.zip", {}));
    emit form.ActionsMenu->aboutToShow();
    emit form.ListPopup->aboutToShow();
    QVERIFY(form.A.ViewImage1->isEnabled());
    QVERIFY(!form.A.ViewImage2->isEnabled());
    QVERIFY(!form.A.SelectAll1->isEnabled() && !form.A.InvertSelection2->isEnabled());
}

void MainformTest::SelectionCommands()
{
    TAppEnv env;
    TMainform form;
    Open(form, env.WriteZip("sel.zip", {Entry("a", 1), Entry("b", 1), Entry("c", 1)}));
    auto selected = [&] {
        QStringList out;
        for (int r : form.LMDListBox1->SelectedViewRows())
            out << form.LMDListBox1->CaptionAt(r);
        return out;
    };
    form.A.SelectAll1->trigger();
    QCOMPARE(selected(), (QStringList{"a", "b", "c"}));
    form.A.SelectNone2->trigger();  // disabled until the context menu first opens
    QCOMPARE(selected(), (QStringList{"a", "b", "c"}));
    emit form.ListPopup->aboutToShow();
    form.A.SelectNone2->trigger();
    QCOMPARE(selected(), QStringList());
    SelectCaptions(form, {"b"});
    form.A.InvertSelection1->trigger();
    QCOMPARE(selected(), (QStringList{"a", "c"}));
}

void MainformTest::RecentListOrder()
{
    const struct {
        QStringList before;
        QString name;
        QStringList after;
    } rows[] = {
        {{"C", "B", "A", "", ""}, "C", {"C", "B", "A", "", ""}},
        {{"C", "B", "A", "", ""}, "A", {"A", "C", "B", "", ""}},
        {{"E", "D", "C", "B", "A"}, "F", {"F", "E", "D", "C", "B"}},
        {{"E", "D", "C", "B", "A"}, "B", {"B", "E", "D", "C", "A"}},
        {{"a.zip", "", "", "", ""}, "A.ZIP", {"A.ZIP", "a.zip", "", "", ""}},
    };
    for (const auto& r : rows) {
        QStringList list = r.before;
        UpdateRecent(list, r.name);
        QCOMPARE(list, r.after);
    }
    QCOMPARE(RecentName(" \t/x/a b.zip \n"), QString("/x/a b.zip"));

    TAppEnv env;
    QStringList zips;
    for (const char* n : {"A.zip", "B.zip", "C.zip", "a.zip", "E.zip", "F.zip"})
        zips << env.WriteZip(n, {Entry("x", 1)});
    {
        TMainform form;
        for (int i : {0, 1, 2})
            Open(form, zips[i]);
        QCOMPARE(form.RecentArchives(), (QStringList{zips[2], zips[1], zips[0], "", ""}));
        Open(form, zips[0]);
        Open(form, zips[0]);
        QCOMPARE(form.RecentArchives(), (QStringList{zips[0], zips[2], zips[1], "", ""}));
        for (int i : {3, 4, 5})
            Open(form, zips[i]);
        QCOMPARE(form.RecentArchives(), (QStringList{zips[5], zips[4], zips[3], zips[0], zips[2]}));
        QCOMPARE(form.A.Recent[3]->text(), zips[0]);
        QCOMPARE(ReadString("last1"), zips[5]);
        QCOMPARE(ReadString("last5"), zips[2]);

        // a recent item opens its archive and forgets the password
        form.KestroZip1.Password = "secret";
        form.EnterPwd->Edit1->setText("secret");
        form.A.Recent[4]->trigger();
        QCOMPARE(form.CurrentArchive, zips[2]);
        QVERIFY(form.KestroZip1.Password.empty());
        QVERIFY(form.EnterPwd->Edit1->text().isEmpty());
    }
    TMainform next;
    QCOMPARE(next.RecentArchives(), (QStringList{zips[2], zips[5], zips[4], zips[3], zips[0]}));
}

void MainformTest::RecentItemsOfDeletedArchivesAreHiddenButKept()
{
    TAppEnv env;
    QString a = env.WriteZip("a.zip", {Entry("x", 1)});
    QString b = env.WriteZip("b & c.zip", {Entry("x", 1)});
    TMainform form;
    Open(form, a);
    Open(form, b);
    QCOMPARE(form.A.Recent[0]->text(), QString(b).replace("&", "&&"));
    QFile::remove(a);
    emit form.FileMenu->aboutToShow();
    QVERIFY(form.A.Recent[0]->isVisible());
    QVERIFY(!form.A.Recent[1]->isVisible());
    QVERIFY(!form.A.Recent[2]->isVisible());
    emit form.OpenPopup->aboutToShow();
    QCOMPARE(form.A.DropRecent[0]->text(), QString(b).replace("&", "&&"));
    QVERIFY(form.A.DropRecent[0]->isVisible() && !form.A.DropRecent[1]->isVisible());
    QCOMPARE(form.RecentArchives().value(1), a);
    form.A.DropRecent[0]->trigger();
    QCOMPARE(form.CurrentArchive, b);
}

void MainformTest::FirstStartWritesTheDefaults()
{
    TAppEnv env;
    QVERIFY(!ReadBool("ShowOutput"));
    TMainform form;
    form.show();
    QCOMPARE(ReadBool("ShowOutput"), std::optional<bool>(true));
    QCOMPARE(ReadBool("AddDocs2StartMenu"), std::optional<bool>(true));
    QCOMPARE(ReadBool("ShowToolbars"), std::optional<bool>(true));
    QString temp = QDir::tempPath() + "/";
    QCOMPARE(ReadString("ExpDir"), temp);
    QCOMPARE(form.ExpDir, temp);
    QVERIFY(ValueExists(LOCAL_MACHINE, kProductKey, "last1"));
    for (QAction* r : form.A.Recent)
        QVERIFY(!r->isVisible());
    QVERIFY(!form.A.RecentSep->isVisible());
    QCOMPARE(form.LMDListBox1->ViewStyle(), TEntryList::vsReport);
    QVERIFY(form.A.Details1->isChecked());
    QVERIFY(form.Toolbar971->isVisible());
    QCOMPARE(form.StatusBar1->HintPane->text(), QString("Movrel"));
    QCOMPARE(form.KestroZip1.OverwriteMode, Always);
    QVERIFY(form.KestroZip1.KeepZipOpen);
    if (std::optional<std::string> path = TempPathOf(form.KestroZip1))
        QCOMPARE(QString::fromStdString(*path), temp);

    // a user's work folder stays while the booleans are there
    WriteString("ExpDir", env.Path("work") + "/");
    TMainform second;
    QCOMPARE(second.ExpDir, env.Path("work") + "/");
}

void MainformTest::SettingsWrittenAtExitAreReadAtNextStart()
{
    TAppEnv env;
    QString zip = env.WriteZip("k.zip", {Entry("a", 1)});
    QFont font(QStringLiteral("DejaVu Serif"), 13);
    font.setItalic(true);
    QRect geometry;
    {
        TMainform form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Open(form, zip);
        form.A.List1->trigger();
        form.LMDListBox1->setFont(font);
        form.LMDListBox1->SetSort(TEntryRow::Packed, false);
        form.LMDListBox1->ReportView()->header()->resizeSection(TEntryRow::Type, 211);
        form.LMDListBox1->ReportView()->header()->moveSection(TEntryRow::Ratio, 1);
        form.LMDListBox1->SetExtendedStyles(TEntryList::lvxGridLines | TEntryList::lvxFullRowSelect);
        form.NewDialog->SetInitialDir("/new/dir");
        form.SaveDialog1->SetInitialDir("/save/dir");
        form.resize(700, 500);
        QApplication::processEvents();
        geometry = form.geometry();
    }
    QCOMPARE(ReadText(LOCAL_MACHINE, kProductKey, "ViewStyle").value_or(""), QString("vsList"));
    QVERIFY(!ValueExists(LOCAL_MACHINE, kProductKey, "OfficeTb"));  // load-only
    QCOMPARE(ReadText(LOCAL_MACHINE, kProductKey, "Columns").value_or("<none>"), QString());

    TMainform form;
    QCOMPARE(form.LMDListBox1->ViewStyle(), TEntryList::vsList);
    QVERIFY(form.A.List1->isChecked());
    QCOMPARE(form.LMDListBox1->font().family(), QString("DejaVu Serif"));
    QCOMPARE(form.LMDListBox1->font().pointSize(), 13);
    QVERIFY(form.LMDListBox1->font().italic());
    QCOMPARE(form.LMDListBox1->SortColumn(), int(TEntryRow::Packed));
    QVERIFY(!form.LMDListBox1->SortAscending());
    QCOMPARE(form.LMDListBox1->ColumnSizes().value(TEntryRow::Type), 211);
    QCOMPARE(form.LMDListBox1->ColumnOrder().value(1), int(TEntryRow::Ratio));
    QCOMPARE(form.LMDListBox1->ExtendedStyles(), TEntryList::lvxGridLines | TEntryList::lvxFullRowSelect);
    QCOMPARE(form.NewDialog->InitialDir(), QString("/new/dir"));
    QCOMPARE(form.SaveDialog1->InitialDir(), QString("/save/dir"));
    QCOMPARE(form.geometry(), geometry);
    QCOMPARE(form.RecentArchives().value(0), zip);
}

void MainformTest::MissingArchiveAsksToCreateIt()
{
    TAppEnv env;
    QString name = env.Path("new.zip");
    TMainform form;
    for (auto button : {QMessageBox::No, QMessageBox::Cancel}) {
        TModalAnswer answer([button](QWidget* box) { ClickButton(box, button); });
        Open(form, name);
        QVERIFY(answer.Answered());
        QCOMPARE(answer.Title(), QString("Create New ZIP"));
        QCOMPARE(answer.Text(), QString("The specified file does not exist do you wish to create it?"));
        QVERIFY(form.CurrentArchive.isEmpty());
        QCOMPARE(form.windowTitle(), QString("Movrel"));
        QVERIFY(!form.A.Close1->isEnabled());
        QCOMPARE(form.RecentArchives().value(0), QString());
    }

    TModalAnswer yes([](QWidget* box) { ClickButton(box, QMessageBox::Yes); });
    Open(form, name);
    QVERIFY(yes.Answered());
    TModalAnswer noMore([](QWidget* box) { ClickButton(box, QMessageBox::Ok); });
    QApplication::processEvents();
    QCOMPARE(form.CurrentArchive, name);
    QCOMPARE(form.windowTitle(), "Movrel - [" + name + "]");
    QCOMPARE(form.LMDListBox1->RowCount(), 0);
    QVERIFY(form.A.AddFiles1->isEnabled());
    QCOMPARE(form.RecentArchives().value(0), name);
    QCOMPARE(QString::fromStdString(form.KestroZip1.ZipName()), name);
    QVERIFY(!QFile::exists(name));
    QVERIFY(!noMore.Answered());  // no error message
}

void MainformTest::CommandLineArgumentsNameOneArchive()
{
    TAppEnv env;
    QString zip = env.WriteZip("dir with space/big archive.zip", {Entry("a", 1), Entry("b", 1)});
    TMainform form;
    form.SetCommandLine(zip.split(' '));
    form.show();
    QCOMPARE(form.CurrentArchive, zip);
    QCOMPARE(form.LMDListBox1->RowCount(), 2);
    QCOMPARE(QDir::currentPath(), env.Path("dir with space"));

    // a relative name becomes a full path
    QDir::setCurrent(env.Path());
    TMainform relative;
    relative.SetCommandLine({"dir", "with", "space/big", "archive.zip"});
    relative.show();
    QCOMPARE(relative.CurrentArchive, zip);
}

void MainformTest::CommentIndicatorFollowsTheComment()
{
    TAppEnv env;
    TMainform form;
    Open(form, env.WriteZip("c.zip", {Entry("a", 1)}, "an archive comment"));
    QVERIFY(form.StatusBar1->CommentButton->isVisibleTo(&form));
    QCOMPARE(form.StatusBar1->CommentButton->toolTip(), QString("View zip comment"));
    Open(form, env.WriteZip("n.zip", {Entry("a", 1)}));
    QVERIFY(!form.StatusBar1->CommentButton->isVisibleTo(&form));
}

void MainformTest::IncompleteArchiveAsksHowToRead()
{
    TAppEnv env;
    QString zip = QString::fromStdString(movrel::test::TestData("made/truncated_no_eocd.zip"));
    TMainform form;
    {
        TModalAnswer cancel([](QWidget* w) { qobject_cast<TIncompleteZipDlg*>(w)->CancelBtn->click(); });
        Open(form, zip);
        QVERIFY(cancel.Answered());
        QCOMPARE(form.LMDListBox1->RowCount(), 0);  // part of a set: nothing listed, no error
    }
    TModalAnswer ok([](QWidget* w) { qobject_cast<TIncompleteZipDlg*>(w)->OKBtn->click(); });
    Open(form, zip);
    QVERIFY(ok.Answered());
    QVERIFY(form.LMDListBox1->RowCount() > 0);  // read from the local headers
}

void MainformTest::StatusPanesSplitSixtyForty()
{
    TAppEnv env;
    TMainform form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (int width : {577, 801, 1003}) {
        form.resize(width, 400);
        QApplication::processEvents();
        int w = form.StatusBar1->width();
        QCOMPARE(form.StatusBar1->HintPane->width(), int(std::lround(w * 0.6)));
        QCOMPARE(form.StatusBar1->SizePane->width(), int(std::lround(w * 0.4)));
        QCOMPARE(form.StatusBar1->ProgressBar1->width(), int(std::lround(w * 0.4)));
    }
    emit form.A.Open1->hovered();
    form.A.Open1->showStatusText(&form);
    QCOMPARE(form.StatusBar1->HintPane->text(), QString("Open ZIP File"));
}

void MainformTest::ZipInformationShowsTheSums()
{
    TAppEnv env;
    const struct {
        std::vector<CraftEntry> entries;
        QStringList values;  // compressed, uncompressed, ratio, files, level, encrypted
    } rows[] = {
        {{Entry("a", 400, 1000), Entry("b", 1100, 3000)},
         {"1500 Bytes -->     1.46 KB", "4000 Bytes -->     3.91 KB", "62 %", "2", "6", "False"}},
        {{Entry("big", 22000000, 110000000), Entry("s", 10, 10, 1)},
         {"22000010 Bytes --> 21484.38 KB", "110000010 Bytes --> 107421.88 KB", "80 %", "2", "6", "True"}},
    };
    int n = 0;
    for (const auto& r : rows) {
        QString zip = env.WriteZip(QString("info%1.zip").arg(n++), r.entries);
        TMainform form;
        Open(form, zip);
        QStringList seen;
        TModalAnswer answer([&](QWidget* w) {
            auto* info = qobject_cast<TInfoForm*>(w);
            if (!info)
                return;
            seen << info->FilenameValue->text() << info->CompressedValue->text() << info->UncompressedValue->text()
                 << info->RatioValue->text() << info->FilesValue->text() << info->LevelValue->text()
                 << info->EncryptedValue->text();
            info->OKBtn->click();
        });
        form.A.ZIPInformation1->trigger();
        QVERIFY(answer.Answered());
        QCOMPARE(seen, QStringList{zip} + r.values);
    }
}

void MainformTest::LaterCommandsSayTheyAreNotAvailable()
{
    TAppEnv env;
    TMainform form;
    Open(form, env.WriteZip("later.zip", {Entry("a.txt", 1)}));
    auto& a = form.A;
    const struct {
        QAction* action;
        const char* caption;
    } rows[] = {
        {a.MailZIP1, "Mail ZIP"}, {a.Execute1, "Execute"}, {a.Edit1, "Edit"}, {a.ViewImage1, "View Image"},
        {a.VirusScan1, "Virus Scan"}, {a.UUEncode1, "UUEncode"}, {a.MakeEXEFile1, "Make EXE File"},
        {a.UsingMovrel1, "Using Movrel"}, {a.Execute2, "Execute"},
    };
    for (const auto& r : rows) {
        QVERIFY2(r.action->isEnabled(), r.caption);
        TModalAnswer answer([](QWidget* box) { ClickButton(box, QMessageBox::Ok); });
        r.action->trigger();
        QVERIFY2(answer.Answered(), r.caption);
        QCOMPARE(answer.Title(), QString("Movrel"));
        QVERIFY2(answer.Text().contains("not available yet"), qPrintable(answer.Text()));
        QVERIFY2(answer.Text().contains(r.caption), r.caption);
    }
    QCOMPARE(form.CurrentArchive, env.Path("later.zip"));  // nothing happened to the archive
}

void MainformTest::ViewStyleCommandsMoveTheCheckMark()
{
    TAppEnv env;
    TMainform form;
    const struct {
        QAction* action;
        TEntryList::TViewStyle style;
    } rows[] = {{form.A.LargeIcons1, TEntryList::vsIcon},
                {form.A.SmallIcons1, TEntryList::vsSmallIcon},
                {form.A.List1, TEntryList::vsList},
                {form.A.Details1, TEntryList::vsReport}};
    for (const auto& r : rows) {
        r.action->trigger();
        QCOMPARE(form.LMDListBox1->ViewStyle(), r.style);
        for (const auto& other : rows)
            QCOMPARE(other.action->isChecked(), other.action == r.action);
    }

    // View Toolbar hides the toolbar and keeps the choice
    form.show();
    form.A.ViewToolbar1->trigger();
    QVERIFY(!form.Toolbar971->isVisible());
    QCOMPARE(ReadBool("ShowToolbars"), std::optional<bool>(false));
    emit form.ToolsMenu->aboutToShow();
    QVERIFY(!form.A.ViewToolbar1->isChecked());
}

QTEST_MAIN(MainformTest)
#include "MainformTest.moc"
