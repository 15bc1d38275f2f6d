#include "Assoc.h"

#include "DialogLook.h"
#include "IniOut.h"
#include "Settings.h"
#include "XdgAssoc.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace movrel {

TAssocDialog::TAssocDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AssocDialog"));
    setWindowTitle(QStringLiteral("Movrel"));
    ProgramPath = QCoreApplication::applicationFilePath();

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setWordWrap(true);
    text->setText(QStringLiteral("For full access to Movrel's shell interface, Movrel must be properly associated "
                                 "with ZIP files. However, Movrel is not currently associated with ZIP files."));
    QLabel* question = BoldLabel(QStringLiteral("Associate Movrel with ZIP files now?"), this);
    question->setObjectName(QStringLiteral("Label2"));

    Button1 = new QPushButton(QStringLiteral("&Yes"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&No"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    CheckBox1 = new QCheckBox(QStringLiteral("Never display this message again"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(text);
    texts->addSpacing(text->fontMetrics().height());
    texts->addWidget(question);
    texts->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(texts, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(CheckBox1);
    text->setMinimumWidth(260);
    FixDialogSize(this, 377, 132);

    m_iniOut = new TIniOut(this);
    m_iniOut->SetRegistryRoot(CURRENT_USER);
    m_iniOut->SetItems(ItemLines("AssocDialog"));
    m_iniOut->Load();
}

TAssocDialog::~TAssocDialog()
{
    m_iniOut->Save();
}

bool TAssocDialog::MakeAssociation(const QString& extension, const QString& programPath)
{
    QFileInfo program(programPath);
    if (!program.exists() || program.isDir()) {
        QMessageBox::critical(this, QStringLiteral("Movrel"), QStringLiteral("Error: Program not found: ") + programPath);
        return false;
    }
    QString mimeType = MimeTypeOfExtension(extension);
    if (!WriteDesktopFile(programPath, mimeType) || !SetDefaultApp(mimeType, QString::fromLatin1(kDesktopId))) {
        QMessageBox::critical(this, QStringLiteral("Movrel"),
                              QStringLiteral("Error: the association could not be written to ") + DesktopFilePath() +
                                  QStringLiteral(" and ") + MimeAppsPath());
        return false;
    }
    return true;
}

void TAssocDialog::Button1Click()
{
    MakeAssociation(QStringLiteral("zip"), ProgramPath);
    accept();
}

bool IsZipAssociated(const QString& programPath)
{
    return ReadDesktopExec() == ExecCommand(programPath) &&
           ReadDefaultApp(QStringLiteral("application/zip")) == QLatin1String(kDesktopId);
}

bool CheckZipAssociation(QWidget* parent, const QString& programPath)
{
    bool associated = IsZipAssociated(programPath);
    TAssocDialog dialog(parent);
    dialog.ProgramPath = programPath;
    if (associated || dialog.CheckBox1->isChecked())
        return false;
    dialog.exec();
    return true;
}

}  // namespace movrel
