#include "EnterPassw.h"

#include "DialogLook.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace movrel {

TEnterPwd::TEnterPwd(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EnterPwd"));
    setWindowTitle(QStringLiteral("Password"));

    auto* group = new QGroupBox(QStringLiteral(" Password "), this);
    QFont bold = group->font();
    bold.setBold(true);
    group->setFont(bold);

    Edit1 = new QLineEdit(group);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setFont(font());

    auto* note = new QLabel(group);
    note->setObjectName(QStringLiteral("Label1"));
    note->setWordWrap(true);
    note->setFont(font());
    note->setTextFormat(Qt::RichText);
    note->setText(QStringLiteral("<b>Note</b>: The password will be applied to every file you subsequently add or "
                                 "extract from the current ZIP, and will be automatically cleared when the ZIP is "
                                 "closed."));

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(Edit1);
    groupLayout->addWidget(note);

    OKBtn = new QPushButton(QStringLiteral("&OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    for (QPushButton* b : {OKBtn, CancelBtn}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    FixDialogSize(this, 256, 147);
}

void TEnterPwd::keyPressEvent(QKeyEvent* event)
{
    // only the buttons close this dialog
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

}  // namespace movrel
