// TOptionsForm ("Options"): the program's preferences. One instance lives
// for the whole run; other windows read its controls as the current value
// of a preference (the two "Last Folder" choices, the scanner program).
// Component-kept values are loaded at creation and at every showing and
// stored on "&OK"; "ExpDir", "AddDir", "ExtDir", "ShowOutput" and
// "AddDocs2StartMenu" are read at every showing and written on "&OK". The
// main list's look is not kept here: the dialog reads and sets it through
// GetListLook and SetListLook, and the main window keeps it.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace movrel {

class TIniOut;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    // The five looks of the main entry list that the dialog offers.
    struct TListLook {
        bool GridLines = false;
        bool TrackSelect = false;
        bool FlatScrollBar = false;
        bool FullRowSelect = false;
        bool UnderlineHot = false;
    };
    enum TPage { ProgramPage, AntiVirusPage, LookPage };

    explicit TOptionsForm(QWidget* parent = nullptr);

    std::function<TListLook()> GetListLook;
    std::function<void(const TListLook&)> SetListLook;

    // The live preferences.
    bool AddUseLast() const;
    bool ExtractUseLast() const;
    QString ScannerProgram() const;
    QString ScannerParameters() const;

    // ---- commands ----
    void FormCreate();  // at creation and at every showing
    void UpdateFolderEdits();  // "Last Folder" / "Folder:" clicks
    void Button4Click();  // "..." beside Edit2
    void Button5Click();  // "..." beside Edit3
    void Button6Click();  // "..." beside Edit4
    void Button1Click();  // "..." beside Edit5: the scanner program
    void BitBtn1Click();  // "&OK"
    void BitBtn2Click();  // "&Cancel", Escape

    QTabWidget* PageControl1;
    QLineEdit* Edit2;  // temporary folder
    QPushButton* Button4;
    QRadioButton* LMDRadioButton1;  // Add: Last Folder
    QRadioButton* LMDRadioButton2;  // Add: Folder:
    QLineEdit* Edit3;
    QPushButton* Button5;
    QRadioButton* LMDRadioButton3;  // Extract: Last Folder
    QRadioButton* LMDRadioButton4;  // Extract: Folder:
    QLineEdit* Edit4;
    QPushButton* Button6;
    QLineEdit* Edit5;  // scanner program
    QPushButton* Button1;
    QLineEdit* Edit6;  // scanner parameters
    QCheckBox* CheckBox3;  // Run minimized
    QCheckBox* CheckBox4;  // grid lines
    QCheckBox* CheckBox5;  // hot track
    QCheckBox* CheckBox7;  // flat scroll bar
    QCheckBox* CheckBox6;  // full row select
    QCheckBox* CheckBox8;  // underline
    QCheckBox* CheckBox9;  // textures
    QCheckBox* CheckBox2;  // recent documents
    QCheckBox* CheckBox1;  // show output
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* Button2;  // Help

signals:
    void HelpRequested(int context);

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    QWidget* MakeProgramPage();
    QWidget* MakeAntiVirusPage();
    QWidget* MakeLookPage();
    void ChooseFolderInto(QLineEdit* edit);

    TIniOut* m_iniOut;
};

}  // namespace movrel
