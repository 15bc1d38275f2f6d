// TIncompleteZipDlg: the archive has no end record. OK answers izAssumeBad
// (read as much of a damaged archive as possible), Cancel izAssumeMulti
// (a volume of a multi-disk set). Beeps whenever it becomes active.
#pragma once

#include <QDialog>

class QPushButton;

namespace movrel {

class TIncompleteZipDlg : public QDialog {
    Q_OBJECT
public:
    explicit TIncompleteZipDlg(QWidget* parent = nullptr);

    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    bool event(QEvent* e) override;
};

}  // namespace movrel
