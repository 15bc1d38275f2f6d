// TInvalidPwdDlg: an entry's password was wrong. The caller puts the
// password that failed into PasswordEdit and the entry's name into Filename;
// on OK it hands PasswordEdit's text back to the engine, on Cancel an empty
// password.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace movrel {

class TInvalidPwdDlg : public QDialog {
    Q_OBJECT
public:
    explicit TInvalidPwdDlg(QWidget* parent = nullptr);

    QLineEdit* PasswordEdit;
    QLabel* Filename;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};

}  // namespace movrel
