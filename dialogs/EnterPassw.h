// TEnterPwd: asks for the password applied to every file added or
// extracted afterwards. One instance lives for the whole run, so Edit1 keeps
// its text between showings; the main window empties it whenever it opens or
// creates an archive. Neither button is the default or the cancel button:
// Enter and Escape do not close it.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace movrel {

class TEnterPwd : public QDialog {
    Q_OBJECT
public:
    explicit TEnterPwd(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace movrel
