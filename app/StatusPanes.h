// The main window's status bar: the hint pane on the left (60 % of the
// width), the right pane (40 %) with the total size or, during an
// operation, a progress bar of the same width, and the comment indicator at
// the right end when the archive has a comment.
#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;
class QToolButton;

namespace movrel {

class TStatusPanes : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusPanes(QWidget* parent = nullptr);

    QLabel* HintPane;
    QLabel* SizePane;
    QProgressBar* ProgressBar1;
    QToolButton* CommentButton;

    // Shows or hides the comment indicator, at the right end.
    void ShowCommentIndicator(bool show);
    // The progress bar in place of the right pane, or the pane again.
    void ShowProgress(bool show);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void PlacePanes();
};

}  // namespace movrel
