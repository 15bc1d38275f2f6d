// TMainform (Mainform): Movrel's main window. It owns the engine object
// KestroZip1, lists the open archive (OpenIT), keeps the recent archives,
// the toolbar, the status bar and every command's enabled state, and keeps
// its settings between runs (Settings.h, TIniOut).
#pragma once

#include "EngineAlias.h"
#include "QtEngineUi.h"

#include <QList>
#include <QMainWindow>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QActionGroup;
class QMenu;
class QTimer;
class QToolBar;

namespace movrel {

class TAddForm;
class TEnterPwd;
class TEntryList;
class TExtract;
class TMsgform;
class TOptionsForm;
class TFileDialogState;
class TIniOut;
class TStatusPanes;

class TMainform : public QMainWindow {
    Q_OBJECT
    Q_PROPERTY(bool UseTextures READ UseTextures WRITE SetUseTextures)

public:
    explicit TMainform(QWidget* parent = nullptr);
    ~TMainform() override;

    // ---- state read by other windows ----
    QString CurrentArchive;  // full path of the listed archive; empty: none
    QString ExpDir;          // the work folder, with its trailing "/"
    bool ShowOutput = true;
    bool AddDocs2StartMenu = true;
    bool DragInProgress = false;
    // How extraction treats existing files (set by Extract): the answer
    // KestroZip1PromptForOverwrite gives. None keeps them.
    enum class TOverwriteChoice { None, No, Yes, Prompt };
    TOverwriteChoice OverwriteChoice = TOverwriteChoice::None;

    TQtEngineUi EngineUi;
    TMainZip KestroZip1;

    // The program that the ".zip" association must name (the running one).
    QString ProgramPath;
    // The program's arguments; at the first showing they name one archive.
    void SetCommandLine(const QStringList& args) { m_args = args; }

    // ---- operations ----
    void LoadSettings();
    void OpenIT();
    void CalcTotSize();
    void ChangeAll(bool enabled);
    void CloseArchive();  // "Close..."
    void DisplayHint(const QString& hint);
    void Timer1Timer();
    // The status bar's progress bar in place of the total-size pane, or back.
    void ShowProgress(bool show);

    // ---- the everyday commands ----
    void AddButClick();
    void ExtractButClick();
    void DeleteButClick();
    void NewClick();
    void SaveAsClick();
    void CopyZipFileClick();
    void MoveZipFileClick();
    void DeleteZipFileClick();
    void FixZipClick();
    void ZipCommentClick();
    void ViewLastOutputClick();
    // "Options..." on one of its pages (TOptionsForm::TPage).
    void OptionsClick(int page = 0);

    // True while an engine operation runs; the commands that start one or
    // change the archive are disabled meanwhile.
    bool EngineBusy() const { return m_engineDepth > 0; }

    // The five recent archives, most recent first.
    QStringList RecentArchives() const { return m_recent; }

    // When the enabled states change; one function applies every rule.
    enum class TEnableEvent {
        Start, ArchiveOpened, ArchiveClosed, Timer, ActionsMenuOpened, ListMenuOpened, EngineStarted, EngineFinished
    };
    void UpdateEnabled(TEnableEvent event);

    bool UseTextures() const { return m_useTextures; }
    void SetUseTextures(bool on);

    // ---- windows and controls ----
    TEntryList* LMDListBox1;
    QToolBar* Toolbar971;
    TStatusPanes* StatusBar1;
    QTimer* Timer1;
    TIniOut* IniOut1;
    TEnterPwd* EnterPwd;  // lives for the whole run
    TOptionsForm* OptionsForm;  // the windows below too
    TMsgform* Msgform;
    TExtract* Extract;
    TAddForm* AddForm;
    TFileDialogState* NewDialog;
    TFileDialogState* SaveDialog1;
    QMenu* FileMenu;
    QMenu* ActionsMenu;
    QMenu* ToolsMenu;
    QMenu* HelpMenu;
    QMenu* ListPopup;  // the list's context menu
    QMenu* OpenPopup;  // the Open button's drop-down

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    // While the engine works, closing asks it to stop and closes afterwards.
    void closeEvent(QCloseEvent* e) override;

private:
    // construction (mainunit.cpp)
    QAction* MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut, const QString& hint,
                        std::function<void()> handler);
    void CreateActions();
    void CreateMenus();
    void CreateToolbar();
    void ConnectEngine();
    void CreateWindows();

    // one engine operation (mainops.cpp): commands off while it runs
    class TEngineRun {
    public:
        explicit TEngineRun(TMainform& form) : m_form(form) { m_form.BeginEngine(); }
        ~TEngineRun() { m_form.EndEngine(); }
        TEngineRun(const TEngineRun&) = delete;
        TEngineRun& operator=(const TEngineRun&) = delete;

    private:
        TMainform& m_form;
    };
    void BeginEngine();
    void EndEngine();
    QStringList SelectedEntryNames() const;
    void MessageBoxText(const QString& text, bool error);

    // engine events (mainevents.cpp)
    void KestroZip1StartUnZipInfo(int numFiles, int64_t totalBytes);
    void KestroZip1StartZipInfo(int numFiles, int64_t totalBytes);
    void KestroZip1StartUnZip(const std::string& fname);
    void KestroZipStartDoZip(const std::string& fname);
    void KestroOnUnzip(int fileIndex);
    void KestroOnZip(const std::string& fname);
    void KestroZip1DisposeFile(const std::string& fname);
    void KestroZip1FilePercentDone(int percent);
    void KestroZip1TotalPercentDone(int percent);
    void KestroZip1PromptForOverwrite(bool& overwriteIt, int fileIndex);
    void KestroZip1BadPassword(int fileIndex, std::string& newPassword);
    void KestroZip1GetNextDisk(int nextDisk, std::string& fname);

    // archive file commands (mainfile.cpp)
    bool CopyArchiveTo(const QString& target, bool askReplace);
    QString ChooseFolderForCopy();

    // settings (mainsettings.cpp)
    void FormShow();
    void FormDestroy();
    void RestorePlacement();
    bool ReadSettingsBlock(bool withList);
    void WriteRecent();
    void ShowRecentItems();
    void FileMenuPopup();
    void OpenPopupShow();
    void RecentClick(int k);
    void RunCommandLine();

    // commands (maincommands.cpp)
    void OpenClick();
    void ZipInformationClick();
    void NotAvailable(const QString& caption);
    void AboutClick();
    void FontClick();
    void SetViewStyleClick(int style);
    void ViewToolbarClick(bool checked);
    void ShowError(const QString& text);
    void KestroZip1InCompleteZip(TIncompleteZipMode& mode);
    void Guarded(const std::function<void()>& f);

    // listing (mainlisting.cpp)
    void SetCaption(const QString& caption);
    void FillList();
    void ShowCommentIndicator();
    bool LastSelectedIsImage() const;

    QStringList m_args;
    QStringList m_recent;
    bool m_shown = false;
    bool m_destroyed = false;
    bool m_useTextures = false;
    int m_engineDepth = 0;
    bool m_closeWhenIdle = false;
    QList<QPair<QAction*, bool>> m_enabledBeforeEngine;

public:
    // Menu items, toolbar buttons and context-menu items (objectName as named).
    struct TActions {
        QAction *New1, *Open1, *Close1, *SaveAs1, *CopyZIPFile1, *MoveZIPFile1, *DeleteZIPFile1, *ZIPInformation1,
            *FixZIP1, *MailZIP1, *RecentSep, *Recent[5], *Exit1;
        QAction *AddFiles1, *RemoveFiles1, *ExtractFiles1, *Execute1, *Edit1, *ViewImage1, *VirusScan1, *UUEncode1,
            *SelectAll1, *SelectNone1, *InvertSelection1, *MakeEXEFile1, *ZIPComment1;
        QAction *LargeIcons1, *SmallIcons1, *List1, *Details1, *ViewToolbar1, *Font1, *ViewLastOutput1, *Options1;
        QAction *UsingMovrel1, *Tutorial1, *MovrelHomePage1, *AboutMovrel1;
        QAction *Execute2, *AddFiles2, *RemoveFiles2, *ExtractFiles2, *ViewImage2, *Edit2, *SelectAll2,
            *SelectNone2, *InvertSelection2;
        QAction* DropRecent[5];
        QAction *NewBut, *OpenBut, *ExtractBut, *AddBut, *EditBut, *ExecuteBut;
        QActionGroup* ViewStyles;
    } A{};
};

}  // namespace movrel
