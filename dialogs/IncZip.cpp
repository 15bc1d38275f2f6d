#include "IncZip.h"

#include "DialogLook.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace movrel {

TIncompleteZipDlg::TIncompleteZipDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IncompleteZipDlg"));
    setWindowTitle(QStringLiteral("Incomplete Zip File!"));

    auto* group = new QGroupBox(QStringLiteral(" Incomplete Zip File "), this);
    QFont bold = group->font();
    bold.setBold(true);
    group->setFont(bold);

    auto* text = new QLabel(group);
    text->setObjectName(QStringLiteral("Label1"));
    text->setFont(font());
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);
    text->setText(QStringLiteral("<b>This zip file is not complete.</b>&nbsp; It may be part of a muliple part zip "
                                 "file.&nbsp; If so, press CANCEL, then insert the last disk of the disk set and try "
                                 "again.<br><br>If you think it may be a corrupted zip file, press OK and an attempt "
                                 "will be made to read as much of the zip file as possible."));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(text);

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
    layout->addWidget(group);
    layout->addLayout(buttons);
    FixDialogSize(this, 303, 169);
}

bool TIncompleteZipDlg::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        QApplication::beep();
    return QDialog::event(e);
}

}  // namespace movrel
