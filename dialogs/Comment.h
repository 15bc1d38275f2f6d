// TCommentEditor: edits the archive comment. The caller sets the caption
// ("Editing Zip Comment for " + the archive's file name), fills CommentMemo
// and, on OK, takes the text when it differs from the current comment.
// The Tab key types a tab; the memo has the focus whenever the dialog
// becomes active.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace movrel {

class TCommentEditor : public QDialog {
    Q_OBJECT
public:
    explicit TCommentEditor(QWidget* parent = nullptr);

    QPlainTextEdit* CommentMemo;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    bool event(QEvent* e) override;
};

}  // namespace movrel
