// The main window's settings: LoadSettings, the first showing (association
// check, command line), the recent archives, and what is kept at exit.
#include "mainunit.h"

#include "Assoc.h"
#include "EnterPassw.h"
#include "EntryList.h"
#include "EntryModel.h"
#include "IniOut.h"
#include "RecentList.h"
#include "Settings.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>

namespace movrel {

namespace {

const char* const kLast[kRecentCount] = {"last1", "last2", "last3", "last4", "last5"};

bool IsExistingFile(const QString& path)
{
    QFileInfo info(path);
    return !path.isEmpty() && info.exists() && !info.isDir();
}

// A recent item's caption shows the name as it is: "&" is no mnemonic.
QString MenuText(const QString& name)
{
    return QString(name).replace('&', QStringLiteral("&&"));
}

}  // namespace

void TMainform::RestorePlacement()
{
    if (restoreGeometry(ReadBytes("Mainform")))
        return;
    resize(577, 434 + menuBar()->sizeHint().height());  // the client area below the menu
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TMainform::LoadSettings()
{
    // Dock positions first: the toolbar's visibility then comes from its
    // persisted property ("OfficeTb").
    restoreState(ReadBytes("State"));
    IniOut1->Load();

    switch (LMDListBox1->ViewStyle()) {
    case TEntryList::vsIcon: A.LargeIcons1->setChecked(true); break;
    case TEntryList::vsSmallIcon: A.SmallIcons1->setChecked(true); break;
    case TEntryList::vsList: A.List1->setChecked(true); break;
    case TEntryList::vsReport: A.Details1->setChecked(true); break;
    }

    if (!ReadSettingsBlock(true)) {
        // first start, or a value missing: the defaults, then read again
        WriteBool("ShowOutput", true);
        WriteBool("AddDocs2StartMenu", true);
        WriteString("ExpDir", DefaultText(Setting("ExpDir")));
        for (const char* name : kLast)
            WriteString(name, QString());
        WriteBool("ShowToolbars", true);
        ReadSettingsBlock(false);
    }
    QString temp = ExpDir;
    if (!temp.endsWith('/'))
        temp += '/';
    SetEngineTempPath(KestroZip1, temp.toStdString());
}

bool TMainform::ReadSettingsBlock(bool withList)
{
    if (withList) {
        LMDListBox1->SetColumnSizes(ReadInts("Sizes"));
        LMDListBox1->SetColumnOrder(ReadInts("Order"));
        LMDListBox1->SetSort(ReadInteger("SortCol").value_or(0), ReadBool("Ascending").value_or(true));
    }
    m_recent.clear();
    for (int k = 0; k < kRecentCount; ++k) {
        m_recent << ReadString(kLast[k]);
        A.Recent[k]->setText(MenuText(m_recent[k]));
    }
    ExpDir = ReadString("ExpDir");
    std::optional<bool> toolbars = ReadBool("ShowToolbars");
    std::optional<bool> output = ReadBool("ShowOutput");
    std::optional<bool> docs = ReadBool("AddDocs2StartMenu");
    if (toolbars)
        A.ViewToolbar1->setChecked(*toolbars);
    if (output)
        ShowOutput = *output;
    if (docs)
        AddDocs2StartMenu = *docs;
    return toolbars && output && docs;
}

void TMainform::FormShow()
{
    CheckZipAssociation(this, ProgramPath);
    RunCommandLine();
    ShowRecentItems();
}

void TMainform::RunCommandLine()
{
    if (!CurrentArchive.isEmpty() || m_args.isEmpty())
        return;
    QString joined = m_args.join(' ').trimmed();
    if (joined.isEmpty())
        return;
    // A full path: OpenIT makes the archive's folder the current one.
    CurrentArchive = QFileInfo(joined).absoluteFilePath();
    Guarded([this] { OpenIT(); });
}

void TMainform::WriteRecent()
{
    for (int k = 0; k < kRecentCount; ++k) {
        A.Recent[k]->setText(MenuText(m_recent[k]));
        WriteString(kLast[k], m_recent[k]);
    }
}

void TMainform::ShowRecentItems()
{
    for (int k = 0; k < kRecentCount; ++k)
        A.Recent[k]->setVisible(!m_recent.value(k).isEmpty());
    A.RecentSep->setVisible(!m_recent.value(0).isEmpty());
}

void TMainform::FileMenuPopup()
{
    // an archive deleted meanwhile keeps its place but is not offered
    for (int k = 0; k < kRecentCount; ++k)
        A.Recent[k]->setVisible(IsExistingFile(m_recent.value(k)));
}

void TMainform::OpenPopupShow()
{
    for (int k = 0; k < kRecentCount; ++k) {
        A.DropRecent[k]->setText(MenuText(m_recent.value(k)));
        A.DropRecent[k]->setVisible(IsExistingFile(m_recent.value(k)));
    }
}

void TMainform::RecentClick(int k)
{
    if (EngineBusy())
        return;
    CurrentArchive = RecentName(m_recent.value(k));
    KestroZip1.Password.clear();
    EnterPwd->Edit1->clear();
    OpenIT();
}

void TMainform::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    LMDListBox1->Model()->Clear();
    IniOut1->Save();
    WriteInts("Sizes", LMDListBox1->ColumnSizes());
    WriteInts("Order", LMDListBox1->ColumnOrder());
    WriteBool("Ascending", LMDListBox1->SortAscending());
    WriteInteger("SortCol", LMDListBox1->SortColumn());
    WriteBytes("State", saveState());
    WriteBytes("Mainform", saveGeometry());
}

}  // namespace movrel
