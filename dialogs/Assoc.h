// TAssocDialog: offers to make Movrel the desktop's handler of ".zip"
// files. CheckBox1, "Never display this message again", is kept as
// "ShowAssocDialog" (loaded when the dialog is created, stored when it is
// destroyed, whichever button was used and also when it was not shown).
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QPushButton;

namespace movrel {

class TIniOut;

class TAssocDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAssocDialog(QWidget* parent = nullptr);
    ~TAssocDialog() override;

    // Registers programPath as the handler of files with that extension.
    // When programPath is not an existing file nothing is written and the
    // message "Error: Program not found: " + path is shown.
    bool MakeAssociation(const QString& extension, const QString& programPath);

    // The program registered by "&Yes" (the running program by default).
    QString ProgramPath;

    QCheckBox* CheckBox1;
    QPushButton* Button1;  // &Yes
    QPushButton* Button2;  // &No

private:
    void Button1Click();

    TIniOut* m_iniOut;
};

// Whether ".zip" is associated with programPath: the desktop file's command
// equals ExecCommand(programPath) and the default application of
// application/zip is our desktop file, both compared exactly.
bool IsZipAssociated(const QString& programPath);

// The start-up check: creates the dialog, shows it modally when ".zip" is
// not associated with programPath and "Never display this message again"
// is not checked, and destroys it. Answers whether the dialog was shown.
bool CheckZipAssociation(QWidget* parent, const QString& programPath);

}  // namespace movrel
