#include "Comment.h"

#include "DialogLook.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace movrel {

TCommentEditor::TCommentEditor(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CommentEditor"));
    setWindowTitle(QStringLiteral("Comments"));

    CommentMemo = new QPlainTextEdit(this);
    CommentMemo->setObjectName(QStringLiteral("CommentMemo"));
    CommentMemo->setTabChangesFocus(false);
    CommentMemo->setFrameShape(QFrame::StyledPanel);

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
    layout->addWidget(CommentMemo);
    layout->addLayout(buttons);
    FixDialogSize(this, 313, 201);
}

bool TCommentEditor::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        CommentMemo->setFocus();
    return QDialog::event(e);
}

}  // namespace movrel
