#include "StatusPanes.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QResizeEvent>
#include <QStyle>
#include <QToolButton>

#include <cmath>

namespace movrel {

TStatusPanes::TStatusPanes(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);

    HintPane = new QLabel(QStringLiteral("Movrel"), this);
    HintPane->setObjectName(QStringLiteral("HintPane"));
    SizePane = new QLabel(this);
    SizePane->setObjectName(QStringLiteral("SizePane"));
    for (QLabel* pane : {HintPane, SizePane}) {
        pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        pane->setTextFormat(Qt::PlainText);
        pane->setMinimumWidth(1);
    }
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();

    CommentButton = new QToolButton(this);
    CommentButton->setObjectName(QStringLiteral("CommentButton"));
    CommentButton->setToolTip(QStringLiteral("View zip comment"));
    CommentButton->setStatusTip(QStringLiteral("View zip comment"));
    CommentButton->setAutoRaise(true);
    QIcon icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
    CommentButton->setIcon(icon.isNull() ? style()->standardIcon(QStyle::SP_FileDialogInfoView) : icon);
    CommentButton->hide();

    setMinimumHeight(fontMetrics().height() + 10);
}

void TStatusPanes::ShowCommentIndicator(bool show)
{
    CommentButton->setVisible(show);
    PlacePanes();
}

void TStatusPanes::ShowProgress(bool show)
{
    ProgressBar1->setVisible(show);
    SizePane->setVisible(!show);
    PlacePanes();
}

void TStatusPanes::resizeEvent(QResizeEvent* e)
{
    QStatusBar::resizeEvent(e);
    PlacePanes();
}

void TStatusPanes::PlacePanes()
{
    int w = width(), h = height();
    int hint = int(std::lround(w * 0.6));
    int right = int(std::lround(w * 0.4));
    HintPane->setGeometry(0, 1, hint, h - 2);
    SizePane->setGeometry(hint, 1, right, h - 2);
    ProgressBar1->setGeometry(hint, 1, right, h - 2);
    int button = h - 2;
    CommentButton->setGeometry(w - button, 1, button, button);
    CommentButton->raise();
}

}  // namespace movrel
