// The main window's construction: engine, controls, actions, menus,
// toolbar and status bar.
#include "mainunit.h"

#include "Addunit.h"
#include "EnterPassw.h"
#include "EntryList.h"
#include "FileDialogState.h"
#include "IniOut.h"
#include "OptFrm.h"
#include "RecentList.h"
#include "Settings.h"
#include "StatusPanes.h"
#include "extrunit.h"
#include "msgunit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace movrel {

namespace {

// The first icon of the desktop's theme among names, else the style's.
QIcon ThemeIcon(std::initializer_list<const char*> names, QStyle::StandardPixmap fallback)
{
    for (const char* name : names) {
        QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
        if (!icon.isNull())
            return icon;
    }
    return QApplication::style()->standardIcon(fallback);
}

}  // namespace

TMainform::TMainform(QWidget* parent) : QMainWindow(parent), EngineUi(this)
{
    setObjectName(QStringLiteral("Mainform"));
    setWindowTitle(QStringLiteral("Movrel"));
    setWindowIcon(QIcon(QStringLiteral(":/movrel/movrel.svg")));
    ProgramPath = QCoreApplication::applicationFilePath();

    KestroZip1.SetUi(&EngineUi);
    ConfigureMainEngine(KestroZip1);
    ConnectEngine();

    LMDListBox1 = new TEntryList(this);
    setCentralWidget(LMDListBox1);
    StatusBar1 = new TStatusPanes(this);
    setStatusBar(StatusBar1);
    StatusBar1->SizePane->setText(QStringLiteral("Total Unzipped Size:"));

    NewDialog = new TFileDialogState(QStringLiteral("NewDialog"), this);
    SaveDialog1 = new TFileDialogState(QStringLiteral("SaveDialog1"), this);
    EnterPwd = new TEnterPwd(this);

    CreateActions();
    CreateMenus();
    CreateToolbar();
    UpdateEnabled(TEnableEvent::Start);

    // the comment indicator runs "ZIP Comment", also for archives whose menu item is off
    connect(StatusBar1->CommentButton, &QToolButton::clicked, this,
            [this] { Guarded([this] { ZipCommentClick(); }); });
    connect(LMDListBox1, &TEntryList::RowActivated, this, [this](int) { A.Execute1->trigger(); });
    connect(LMDListBox1, &TEntryList::ContextMenuAt, this, [this](const QPoint& at) { ListPopup->popup(at); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();

    IniOut1 = new TIniOut(this);
    IniOut1->SetRegistryRoot(LOCAL_MACHINE);
    IniOut1->SetItems(ItemLines("Mainform"));

    // FormCreate: placement, settings
    RestorePlacement();
    LoadSettings();
    CreateWindows();
}

TMainform::~TMainform()
{
    FormDestroy();
}

void TMainform::ConnectEngine()
{
    using Z = TKestroZip*;
    using U = TKestroUnZip*;
    auto& z = KestroZip1;
    z.OnStartUnZipInfo = [this](U, int n, int64_t bytes, bool&) { KestroZip1StartUnZipInfo(n, bytes); };
    z.OnFilePercentDone = [this](U, int percent) { KestroZip1FilePercentDone(percent); };
    z.OnTotalPercentDone = [this](U, int percent) { KestroZip1TotalPercentDone(percent); };
    z.OnStartUnZip = [this](U, int, const std::string& fname, bool&) { KestroZip1StartUnZip(fname); };
    z.OnEndUnZip = [this](U, int index, const std::string&) { KestroOnUnzip(index); };
    z.OnPromptForOverwrite = [this](U, bool& overwrite, int index, std::string&) {
        KestroZip1PromptForOverwrite(overwrite, index);
    };
    z.OnBadPassword = [this](U, int index, std::string& password) { KestroZip1BadPassword(index, password); };
    z.OnInCompleteZip = [this](U, TIncompleteZipMode& mode) { KestroZip1InCompleteZip(mode); };
    z.OnGetNextDisk = [this](U, int disk, std::string& fname) { KestroZip1GetNextDisk(disk, fname); };
    z.OnStartZip = [this](Z, const std::string& fname, TZipHeaderInfo&, bool&) { KestroZipStartDoZip(fname); };
    z.OnStartZipInfo = [this](Z, int n, int64_t bytes, TEndCentral&, bool&) { KestroZip1StartZipInfo(n, bytes); };
    z.OnEndZip = [this](Z, const std::string& fname, uint32_t, uint32_t, int64_t) { KestroOnZip(fname); };
    z.OnDisposeFile = [this](Z, const std::string& fname, bool&) { KestroZip1DisposeFile(fname); };
    z.OnDeleteEntry = [this](Z, const std::string& fname, bool&) { KestroZip1DisposeFile(fname); };
    // Not events of the original component: why an entry or a file was left out.
    z.OnEntryError = [this](U, int index, const std::string& message) {
        Msgform->Log(QString::fromStdString("Error: " + KestroZip1.EntryFileName(index) + ": " + message));
    };
    z.OnFileError = [this](Z, const std::string& fname, const std::string& message) {
        Msgform->Log(QString::fromStdString("Error: " + fname + ": " + message));
    };
}

void TMainform::CreateWindows()
{
    // in the order of the original start-up; each lives for the whole run
    OptionsForm = new TOptionsForm(this);
    OptionsForm->GetListLook = [this] {
        TEntryList::TExtendedStyles s = LMDListBox1->ExtendedStyles();
        TOptionsForm::TListLook look;
        look.GridLines = s.testFlag(TEntryList::lvxGridLines);
        look.TrackSelect = s.testFlag(TEntryList::lvxTrackSelect);
        look.FlatScrollBar = s.testFlag(TEntryList::lvxFlatScrollBar);
        look.FullRowSelect = s.testFlag(TEntryList::lvxFullRowSelect);
        look.UnderlineHot = s.testFlag(TEntryList::lvxUnderlineHot);
        return look;
    };
    OptionsForm->SetListLook = [this](const TOptionsForm::TListLook& look) {
        TEntryList::TExtendedStyles s = LMDListBox1->ExtendedStyles();
        s.setFlag(TEntryList::lvxGridLines, look.GridLines);
        s.setFlag(TEntryList::lvxTrackSelect, look.TrackSelect);
        s.setFlag(TEntryList::lvxFlatScrollBar, look.FlatScrollBar);
        s.setFlag(TEntryList::lvxFullRowSelect, look.FullRowSelect);
        s.setFlag(TEntryList::lvxUnderlineHot, look.UnderlineHot);
        LMDListBox1->SetExtendedStyles(s);
    };
    Msgform = new TMsgform(this);
    Msgform->OnCancel = [this] {
        if (EngineBusy())
            KestroZip1.CancelOperation();
        ShowProgress(false);
    };
    auto setPassword = [this](const QString& text) { KestroZip1.Password = text.toStdString(); };
    Extract = new TExtract(EnterPwd, OptionsForm->ExtractUseLast(), this);
    Extract->OnPassword = setPassword;
    AddForm = new TAddForm(EnterPwd, OptionsForm->AddUseLast(), this);
    AddForm->OnPassword = setPassword;
    auto help = [this] { NotAvailable(QStringLiteral("Help")); };
    connect(OptionsForm, &TOptionsForm::HelpRequested, this, help);
    connect(Extract, &TExtract::HelpRequested, this, help);
    connect(AddForm, &TAddForm::HelpRequested, this, help);
}

QAction* TMainform::MakeAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                               const QString& hint, std::function<void()> handler)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setStatusTip(hint);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { Guarded(handler); });
    return action;
}

void TMainform::CreateActions()
{
    auto later = [this](const QString& caption) { return [this, caption] { NotAvailable(caption); }; };
    using K = QKeySequence;

    // File
    A.New1 = MakeAction("New1", "&New...", K("Ctrl+N"), "New ZIP File", [this] { NewClick(); });
    A.Open1 = MakeAction("Open1", "&Open...", K("Ctrl+O"), "Open ZIP File", [this] { OpenClick(); });
    A.Close1 = MakeAction("Close1", "Close...", {}, "Close ZIP File...", [this] { CloseArchive(); });
    A.SaveAs1 = MakeAction("SaveAs1", "Save As...", K("Ctrl+S"), "Save ZIP File As", [this] { SaveAsClick(); });
    A.CopyZIPFile1 = MakeAction("CopyZIPFile1", "Copy ZIP File...", K("Ctrl+C"), "Copy ZIP File to Another Location",
                                [this] { CopyZipFileClick(); });
    A.MoveZIPFile1 = MakeAction("MoveZIPFile1", "Move ZIP File...", K("Ctrl+M"), "Move ZIP File to Another Location",
                                [this] { MoveZipFileClick(); });
    A.DeleteZIPFile1 = MakeAction("DeleteZIPFile1", "Delete ZIP File...", K("Ctrl+D"), "Delete ZIP File from Disk",
                                  [this] { DeleteZipFileClick(); });
    A.ZIPInformation1 = MakeAction("ZIPInformation1", "ZIP Information", K("Ctrl+I"),
                                   "Get Information About the current ZIP File...", [this] { ZipInformationClick(); });
    A.FixZIP1 = MakeAction("FixZIP1", "Fix ZIP...", {}, "Fix ZIP", [this] { FixZipClick(); });
    A.MailZIP1 = MakeAction("MailZIP1", "Mail ZIP...", {}, "Send ZIP File to...", later("Mail ZIP"));
    A.RecentSep = new QAction(this);
    A.RecentSep->setObjectName(QStringLiteral("RecentSep"));
    A.RecentSep->setSeparator(true);
    for (int k = 0; k < kRecentCount; ++k) {
        QByteArray name = "Recent" + QByteArray::number(k + 1);
        A.Recent[k] = MakeAction(name.constData(), QString(), {}, QString(), [this, k] { RecentClick(k); });
        QByteArray drop = "DropRecent" + QByteArray::number(k + 1);
        A.DropRecent[k] = MakeAction(drop.constData(), QString(), {}, QString(), [this, k] { RecentClick(k); });
    }
    A.Exit1 = MakeAction("Exit1", "Exit", K("Ctrl+X"), "Exit Movrel", [this] { close(); });

    // Actions
    A.AddFiles1 = MakeAction("AddFiles1", "Add Files...", K("Ctrl+A"), "Add Files to ZIP", [this] { AddButClick(); });
    A.RemoveFiles1 = MakeAction("RemoveFiles1", "Remove Files...", K(Qt::Key_Delete), "Remove Files from ZIP...",
                                [this] { DeleteButClick(); });
    A.ExtractFiles1 = MakeAction("ExtractFiles1", "Extract Files...", K("Ctrl+E"), "Extract Files From ZIP",
                                 [this] { ExtractButClick(); });
    A.Execute1 = MakeAction("Execute1", "Execute", K(Qt::Key_F9), "Executes the Selected File", later("Execute"));
    A.Edit1 = MakeAction("Edit1", "Edit", K(Qt::Key_F7), "Edit File Using an Internal TextEditor", later("Edit"));
    A.ViewImage1 = MakeAction("ViewImage1", "View Image", K(Qt::Key_F5), "View Image", later("View Image"));
    A.VirusScan1 = MakeAction("VirusScan1", "Virus Scan", K("Ctrl+V"), "Virus Scan ZIP File", later("Virus Scan"));
    A.UUEncode1 = MakeAction("UUEncode1", "UUEncode", K("Ctrl+U"), "UUEncode ZIP File", later("UUEncode"));
    A.SelectAll1 = MakeAction("SelectAll1", "Select All", {}, QString(), [this] { LMDListBox1->SelectAll(); });
    A.SelectNone1 = MakeAction("SelectNone1", "Select None", {}, QString(), [this] { LMDListBox1->SelectNone(); });
    A.InvertSelection1 =
        MakeAction("InvertSelection1", "Invert Selection", {}, QString(), [this] { LMDListBox1->InvertSelection(); });
    A.MakeEXEFile1 = MakeAction("MakeEXEFile1", "Make EXE File", K("Ctrl+K"), "Convert ZIP file to EXE",
                                later("Make EXE File"));
    A.ZIPComment1 = MakeAction("ZIPComment1", "ZIP Comment", K("Ctrl+Z"), "Edit ZIP Comment", [this] { ZipCommentClick(); });

    // Tools
    A.ViewStyles = new QActionGroup(this);
    A.LargeIcons1 = MakeAction("LargeIcons1", "Lar&ge Icons", {}, QString(), [this] { SetViewStyleClick(0); });
    A.SmallIcons1 = MakeAction("SmallIcons1", "S&mall Icons", {}, QString(), [this] { SetViewStyleClick(1); });
    A.List1 = MakeAction("List1", "&List", {}, QString(), [this] { SetViewStyleClick(2); });
    A.Details1 = MakeAction("Details1", "&Details", {}, QString(), [this] { SetViewStyleClick(3); });
    for (QAction* a : {A.LargeIcons1, A.SmallIcons1, A.List1, A.Details1}) {
        a->setCheckable(true);
        A.ViewStyles->addAction(a);
    }
    A.ViewToolbar1 = MakeAction("ViewToolbar1", "View Toolbar", {}, "View Toolbar", nullptr);
    A.ViewToolbar1->setCheckable(true);
    connect(A.ViewToolbar1, &QAction::triggered, this, [this](bool on) { ViewToolbarClick(on); });
    A.Font1 = MakeAction("Font1", "Font...", {}, "Configure the Font...", [this] { FontClick(); });
    A.ViewLastOutput1 = MakeAction("ViewLastOutput1", "View Last Output...", {}, "View Last ZIP-UNZIP Output",
                                   [this] { ViewLastOutputClick(); });
    A.Options1 = MakeAction("Options1", "Options...", {}, "Options", [this] { OptionsClick(); });

    // Help
    A.UsingMovrel1 = MakeAction("UsingMovrel1", "Using Movrel...", K(Qt::Key_F1), "Using Movrel", later("Using Movrel"));
    A.Tutorial1 = MakeAction("Tutorial1", "Tutorial...", {}, "Tutorial...", later("Tutorial"));
    A.MovrelHomePage1 =
        MakeAction("MovrelHomePage1", "Movrel Home Page", {}, "Movrel Home Page...", later("Movrel Home Page"));
    A.AboutMovrel1 = MakeAction("AboutMovrel1", "About Movrel...", {}, "About Movrel", [this] { AboutClick(); });

    // the list's context menu: its own items, whose shortcuts act while it is open
    A.Execute2 = MakeAction("Execute2", "Execute", K(Qt::Key_F9), QString(), [this] { A.Execute1->trigger(); });
    A.AddFiles2 = MakeAction("AddFiles2", "Add Files...", K("Ctrl+A"), QString(), [this] { AddButClick(); });
    A.RemoveFiles2 =
        MakeAction("RemoveFiles2", "Remove Files...", K(Qt::Key_Delete), QString(), [this] { DeleteButClick(); });
    A.ExtractFiles2 =
        MakeAction("ExtractFiles2", "Extract Files...", K("Ctrl+E"), QString(), [this] { ExtractButClick(); });
    A.ViewImage2 = MakeAction("ViewImage2", "View Image", K(Qt::Key_F5), QString(), later("View Image"));
    A.Edit2 = MakeAction("Edit2", "Edit", K(Qt::Key_F7), QString(), later("Edit"));
    A.SelectAll2 = MakeAction("SelectAll2", "Select All", {}, QString(), [this] { LMDListBox1->SelectAll(); });
    A.SelectNone2 = MakeAction("SelectNone2", "Select None", {}, QString(), [this] { LMDListBox1->SelectNone(); });
    A.InvertSelection2 =
        MakeAction("InvertSelection2", "Invert Selection", {}, QString(), [this] { LMDListBox1->InvertSelection(); });
    for (QAction* a : {A.Execute2, A.AddFiles2, A.RemoveFiles2, A.ExtractFiles2, A.ViewImage2, A.Edit2})
        a->setShortcutContext(Qt::WidgetShortcut);

    // toolbar buttons
    A.NewBut = MakeAction("NewBut", "New", {}, "New ZIP File...", [this] { NewClick(); });
    A.OpenBut = MakeAction("OpenBut", "Open", {}, "Open Existing ZIP File...", [this] { OpenClick(); });
    A.ExtractBut = MakeAction("ExtractBut", "Extract", {}, "Extract Files from ZIP", [this] { ExtractButClick(); });
    A.AddBut = MakeAction("AddBut", "Add", {}, "Add Files to ZIP", [this] { AddButClick(); });
    A.EditBut = MakeAction("EditBut", "Edit", {}, "Edit File Using an Internal Text Viewer", later("Edit"));
    A.ExecuteBut = MakeAction("ExecuteBut", "Execute", {}, "Execute File Using its Windows Association", later("Execute"));
    A.NewBut->setIcon(ThemeIcon({"document-new"}, QStyle::SP_FileIcon));
    A.OpenBut->setIcon(ThemeIcon({"document-open"}, QStyle::SP_DialogOpenButton));
    A.ExtractBut->setIcon(ThemeIcon({"archive-extract", "extract-archive", "document-save"}, QStyle::SP_ArrowUp));
    A.AddBut->setIcon(ThemeIcon({"archive-insert", "list-add"}, QStyle::SP_ArrowDown));
    A.EditBut->setIcon(ThemeIcon({"document-edit", "accessories-text-editor", "text-editor"}, QStyle::SP_FileDialogContentsView));
    A.ExecuteBut->setIcon(ThemeIcon({"system-run", "application-x-executable"}, QStyle::SP_MediaPlay));
    for (QAction* a : {A.NewBut, A.OpenBut, A.ExtractBut, A.AddBut, A.EditBut, A.ExecuteBut})
        a->setToolTip(a->statusTip());
}

void TMainform::CreateMenus()
{
    FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    FileMenu->addActions({A.New1, A.Open1, A.Close1, A.SaveAs1});
    FileMenu->addSeparator();
    FileMenu->addActions({A.CopyZIPFile1, A.MoveZIPFile1, A.DeleteZIPFile1});
    FileMenu->addSeparator();
    FileMenu->addActions({A.ZIPInformation1, A.FixZIP1, A.MailZIP1});
    FileMenu->addAction(A.RecentSep);
    for (QAction* a : A.Recent)
        FileMenu->addAction(a);
    FileMenu->addSeparator();
    FileMenu->addAction(A.Exit1);
    connect(FileMenu, &QMenu::aboutToShow, this, [this] { FileMenuPopup(); });

    ActionsMenu = menuBar()->addMenu(QStringLiteral("&Actions"));
    ActionsMenu->setObjectName(QStringLiteral("ActionsMenu"));
    ActionsMenu->addActions({A.AddFiles1, A.RemoveFiles1, A.ExtractFiles1});
    ActionsMenu->addSeparator();
    ActionsMenu->addActions({A.Execute1, A.Edit1, A.ViewImage1});
    ActionsMenu->addSeparator();
    ActionsMenu->addActions({A.VirusScan1, A.UUEncode1});
    ActionsMenu->addSeparator();
    ActionsMenu->addActions({A.SelectAll1, A.SelectNone1, A.InvertSelection1});
    ActionsMenu->addSeparator();
    ActionsMenu->addActions({A.MakeEXEFile1, A.ZIPComment1});
    connect(ActionsMenu, &QMenu::aboutToShow, this, [this] { UpdateEnabled(TEnableEvent::ActionsMenuOpened); });

    ToolsMenu = menuBar()->addMenu(QStringLiteral("&Tools"));
    ToolsMenu->setObjectName(QStringLiteral("ToolsMenu"));
    QMenu* styles = ToolsMenu->addMenu(QStringLiteral("View Style"));
    styles->setObjectName(QStringLiteral("ViewStyle1"));
    styles->addActions({A.LargeIcons1, A.SmallIcons1, A.List1, A.Details1});
    ToolsMenu->addActions({A.ViewToolbar1, A.Font1});
    ToolsMenu->addSeparator();
    ToolsMenu->addActions({A.ViewLastOutput1, A.Options1});
    connect(ToolsMenu, &QMenu::aboutToShow, this, [this] { A.ViewToolbar1->setChecked(Toolbar971->isVisibleTo(this)); });

    HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    HelpMenu->addActions({A.UsingMovrel1, A.Tutorial1, A.MovrelHomePage1});
    HelpMenu->addSeparator();
    HelpMenu->addAction(A.AboutMovrel1);

    ListPopup = new QMenu(this);
    ListPopup->setObjectName(QStringLiteral("ListPopup"));
    ListPopup->addAction(A.Execute2);
    ListPopup->setDefaultAction(A.Execute2);
    ListPopup->addActions({A.AddFiles2, A.RemoveFiles2, A.ExtractFiles2});
    ListPopup->addSeparator();
    ListPopup->addActions({A.ViewImage2, A.Edit2});
    ListPopup->addSeparator();
    ListPopup->addActions({A.SelectAll2, A.SelectNone2, A.InvertSelection2});
    connect(ListPopup, &QMenu::aboutToShow, this, [this] { UpdateEnabled(TEnableEvent::ListMenuOpened); });

    OpenPopup = new QMenu(this);
    OpenPopup->setObjectName(QStringLiteral("OpenPopup"));
    for (QAction* a : A.DropRecent)
        OpenPopup->addAction(a);
    connect(OpenPopup, &QMenu::aboutToShow, this, [this] { OpenPopupShow(); });
}

void TMainform::CreateToolbar()
{
    Toolbar971 = new QToolBar(QStringLiteral("Toolbar"), this);
    Toolbar971->setObjectName(QStringLiteral("Toolbar971"));
    Toolbar971->setMovable(true);
    Toolbar971->setFloatable(true);
    Toolbar971->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar971->setIconSize(QSize(32, 32));
    Toolbar971->addActions({A.NewBut, A.OpenBut, A.ExtractBut, A.AddBut, A.EditBut, A.ExecuteBut});
    if (auto* open = qobject_cast<QToolButton*>(Toolbar971->widgetForAction(A.OpenBut))) {
        open->setMenu(OpenPopup);
        open->setPopupMode(QToolButton::MenuButtonPopup);
    }
    addToolBar(Qt::TopToolBarArea, Toolbar971);
    // the dock position is kept whenever the toolbar is docked elsewhere
    auto keep = [this] { WriteBytes("State", saveState()); };
    connect(Toolbar971, &QToolBar::topLevelChanged, this, keep);
    connect(Toolbar971, &QToolBar::orientationChanged, this, keep);
}

void TMainform::SetUseTextures(bool on)
{
    m_useTextures = on;
    if (!on) {
        Toolbar971->setAutoFillBackground(false);
        Toolbar971->setPalette(QPalette());
        return;
    }
    QPalette pal = Toolbar971->palette();
    pal.setBrush(QPalette::Window, QBrush(pal.color(QPalette::Mid), Qt::Dense7Pattern));
    Toolbar971->setPalette(pal);
    Toolbar971->setAutoFillBackground(true);
}

bool TMainform::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        DisplayHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void TMainform::closeEvent(QCloseEvent* e)
{
    if (!EngineBusy()) {
        QMainWindow::closeEvent(e);
        return;
    }
    // the operation ends first (its temporary file removed, the archive as it was)
    m_closeWhenIdle = true;
    KestroZip1.CancelOperation();
    e->ignore();
}

void TMainform::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void TMainform::DisplayHint(const QString& hint)
{
    StatusBar1->HintPane->setText(hint);
}

}  // namespace movrel
