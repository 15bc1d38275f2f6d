#include "OptFrm.h"

#include "DialogLook.h"
#include "IniOut.h"
#include "SelFolder.h"
#include "Settings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace movrel {

namespace {

QPushButton* DotsButton(const char* name)
{
    auto* b = new QPushButton(QStringLiteral("..."));
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setMaximumWidth(32);
    return b;
}

QLineEdit* NamedEdit(const char* name)
{
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QCheckBox* NamedCheck(const char* name, const QString& caption)
{
    auto* c = new QCheckBox(caption);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

}  // namespace

TOptionsForm::TOptionsForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OptionsForm"));
    setWindowTitle(QStringLiteral("Options"));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(MakeProgramPage(), QStringLiteral("Program"));
    PageControl1->addTab(MakeAntiVirusPage(), QStringLiteral("Anti-Virus"));
    PageControl1->addTab(MakeLookPage(), QStringLiteral("Look and Feel"));

    BitBtn1 = new QPushButton(QStringLiteral("&OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("&Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    Button2 = new QPushButton(QStringLiteral("Help"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    for (QPushButton* b : {BitBtn2, Button2})
        b->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { emit HelpRequested(260); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    FixDialogSize(this, 449, 350);

    m_iniOut = new TIniOut(this);
    m_iniOut->SetRegistryRoot(LOCAL_MACHINE);
    m_iniOut->SetItems(ItemLines("OptionsForm"));
    FormCreate();
}

QWidget* TOptionsForm::MakeProgramPage()
{
    auto* page = new QWidget;

    auto* temp = new QGroupBox(QStringLiteral("When no directory is specified expand ZIPs to (temporal):"));
    Edit2 = NamedEdit("Edit2");
    Button4 = DotsButton("Button4");
    auto* tempRow = new QHBoxLayout(temp);
    tempRow->addWidget(new QLabel(QStringLiteral("Folder:")));
    tempRow->addWidget(Edit2, 1);
    tempRow->addWidget(Button4);

    auto folderGroup = [this](const QString& title, const char* lastName, const char* folderName, QRadioButton*& last,
                              QRadioButton*& folder, QLineEdit* edit, QPushButton* dots) {
        auto* group = new QGroupBox(title);
        last = new QRadioButton(QStringLiteral("Last Folder"), group);
        last->setObjectName(QString::fromLatin1(lastName));
        last->setChecked(true);
        folder = new QRadioButton(QStringLiteral("Folder:"), group);
        folder->setObjectName(QString::fromLatin1(folderName));
        connect(last, &QRadioButton::toggled, this, [this] { UpdateFolderEdits(); });
        connect(folder, &QRadioButton::toggled, this, [this] { UpdateFolderEdits(); });
        auto* grid = new QGridLayout(group);
        grid->addWidget(last, 0, 0, 1, 3);
        grid->addWidget(folder, 1, 0);
        grid->addWidget(edit, 1, 1);
        grid->addWidget(dots, 1, 2);
        grid->setColumnStretch(1, 1);
        return group;
    };
    Edit3 = NamedEdit("Edit3");
    Button5 = DotsButton("Button5");
    Edit4 = NamedEdit("Edit4");
    Button6 = DotsButton("Button6");
    QGroupBox* add = folderGroup(QStringLiteral("Default Add Folder:"), "LMDRadioButton1", "LMDRadioButton2",
                                 LMDRadioButton1, LMDRadioButton2, Edit3, Button5);
    QGroupBox* extract = folderGroup(QStringLiteral("Default Extract Folder:"), "LMDRadioButton3", "LMDRadioButton4",
                                     LMDRadioButton3, LMDRadioButton4, Edit4, Button6);
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(); });

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(temp);
    layout->addWidget(add);
    layout->addWidget(extract);
    layout->addStretch();
    return page;
}

QWidget* TOptionsForm::MakeAntiVirusPage()
{
    auto* page = new QWidget;
    auto* group = new QGroupBox(QStringLiteral("Virus Scanners:"));
    Edit5 = NamedEdit("Edit5");
    Button1 = DotsButton("Button1");
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    Edit6 = NamedEdit("Edit6");
    CheckBox3 = NamedCheck("CheckBox3", QStringLiteral("Run minimized"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Program path:")), 0, 0);
    grid->addWidget(Edit5, 0, 1);
    grid->addWidget(Button1, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Parameters:")), 1, 0);
    grid->addWidget(Edit6, 1, 1, 1, 2);
    grid->addWidget(CheckBox3, 2, 0, 1, 3);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget* TOptionsForm::MakeLookPage()
{
    auto* page = new QWidget;
    auto* group = new QGroupBox(QStringLiteral(" General "));
    CheckBox4 = NamedCheck("CheckBox4", QStringLiteral("Show grid lines in the list"));
    CheckBox5 = NamedCheck("CheckBox5", QStringLiteral("Hot track select in the list "));
    CheckBox7 = NamedCheck("CheckBox7", QStringLiteral("Use a flat scrollbar in the list"));
    CheckBox6 = NamedCheck("CheckBox6", QStringLiteral("Use full row select in the list"));
    CheckBox8 = NamedCheck("CheckBox8", QStringLiteral("Underline on mouse over a file in the list"));
    CheckBox9 = NamedCheck("CheckBox9", QStringLiteral("Use Textures in Toolbars"));
    CheckBox2 = NamedCheck("CheckBox2", QStringLiteral("Add recently used ZIPs to \"My Documents\" in the Start Menu"));
    CheckBox1 = NamedCheck("CheckBox1", QStringLiteral("Show output when zipping and unzipping files"));
    auto* box = new QVBoxLayout(group);
    for (QCheckBox* c : {CheckBox4, CheckBox5, CheckBox7, CheckBox6, CheckBox8, CheckBox9, CheckBox2, CheckBox1})
        box->addWidget(c);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

bool TOptionsForm::AddUseLast() const { return LMDRadioButton1->isChecked(); }
bool TOptionsForm::ExtractUseLast() const { return LMDRadioButton3->isChecked(); }
QString TOptionsForm::ScannerProgram() const { return Edit5->text(); }
QString TOptionsForm::ScannerParameters() const { return Edit6->text(); }

void TOptionsForm::FormCreate()
{
    m_iniOut->Load();
    if (GetListLook) {
        TListLook look = GetListLook();
        CheckBox4->setChecked(look.GridLines);
        CheckBox5->setChecked(look.TrackSelect);
        CheckBox7->setChecked(look.FlatScrollBar);
        CheckBox6->setChecked(look.FullRowSelect);
        CheckBox8->setChecked(look.UnderlineHot);
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2 - 50);
    }
    Edit2->setText(ReadString("ExpDir"));
    Edit3->setText(ReadString("AddDir"));
    Edit4->setText(ReadString("ExtDir"));
    CheckBox1->setChecked(ReadBool("ShowOutput").value_or(false));
    CheckBox2->setChecked(ReadBool("AddDocs2StartMenu").value_or(false));
    UpdateFolderEdits();
}

void TOptionsForm::showEvent(QShowEvent* e)
{
    FormCreate();
    QDialog::showEvent(e);
}

void TOptionsForm::UpdateFolderEdits()
{
    // a disabled edit is drawn in the button-face colours of the style
    Edit3->setEnabled(LMDRadioButton2->isChecked());
    Edit4->setEnabled(LMDRadioButton4->isChecked());
}

void TOptionsForm::ChooseFolderInto(QLineEdit* edit)
{
    TBrowseFolderDlg chooser(this);
    chooser.SetStartFolder(edit->text());
    if (chooser.exec() == QDialog::Accepted)
        edit->setText(chooser.SelectedFolder);
}

void TOptionsForm::Button4Click() { ChooseFolderInto(Edit2); }
void TOptionsForm::Button5Click() { ChooseFolderInto(Edit3); }
void TOptionsForm::Button6Click() { ChooseFolderInto(Edit4); }

void TOptionsForm::Button1Click()
{
    // Programs carry no extension here: any file can be chosen.
    QFileDialog dialog(this, QStringLiteral("Select the Virus Scanner"), QFileInfo(Edit5->text()).absolutePath());
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Programs (*)"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        Edit5->setText(dialog.selectedFiles().first());
}

void TOptionsForm::BitBtn1Click()
{
    m_iniOut->Save();
    if (SetListLook) {
        TListLook look;
        look.GridLines = CheckBox4->isChecked();
        look.TrackSelect = CheckBox5->isChecked();
        look.FlatScrollBar = CheckBox7->isChecked();
        look.FullRowSelect = CheckBox6->isChecked();
        look.UnderlineHot = CheckBox8->isChecked();
        SetListLook(look);
    }
    WriteString("ExpDir", Edit2->text());
    WriteString("AddDir", Edit3->text());
    WriteString("ExtDir", Edit4->text());
    WriteBool("ShowOutput", CheckBox1->isChecked());
    WriteBool("AddDocs2StartMenu", CheckBox2->isChecked());
    accept();
}

void TOptionsForm::BitBtn2Click()
{
    reject();
}

void TOptionsForm::reject()
{
    m_iniOut->Load();  // the component-kept controls as they were
    QDialog::reject();
}

}  // namespace movrel
