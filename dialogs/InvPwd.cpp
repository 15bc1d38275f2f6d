#include "InvPwd.h"

#include "DialogLook.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace movrel {

TInvalidPwdDlg::TInvalidPwdDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InvalidPwdDlg"));
    setWindowTitle(QStringLiteral("Invalid Password"));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* prompt = new QLabel(QStringLiteral("Enter new password or Cancel to skip file:"), frame);
    PasswordEdit = new QLineEdit(frame);
    PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
    PasswordEdit->setEchoMode(QLineEdit::Password);

    QFont arial(QStringLiteral("Arial"), 9);
    QLabel* fileCaption = BoldLabel(QStringLiteral("File:"), frame);
    QFont boldArial = arial;
    boldArial.setBold(true);
    fileCaption->setFont(boldArial);
    Filename = new QLabel(frame);
    Filename->setObjectName(QStringLiteral("Filename"));
    Filename->setFont(arial);
    Filename->setTextFormat(Qt::PlainText);

    auto* grid = new QGridLayout(frame);
    grid->addWidget(prompt, 0, 0, 1, 2);
    grid->addWidget(PasswordEdit, 1, 0, 1, 2);
    grid->addWidget(fileCaption, 2, 0);
    grid->addWidget(Filename, 2, 1);
    grid->setColumnStretch(1, 1);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    FixDialogSize(this, 241, 135);
}

}  // namespace movrel
