// TExtract ("Select Extract Directory"): asks where and how entries are to
// be extracted. It extracts nothing itself: the main window shows it
// modally, reads Confirmed and the result fields, and runs the reader. One
// instance lives for the whole run; six control states are kept as
// persisted properties, written on "OK" and on "Cancel".
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeView;

namespace movrel {

class TEnterPwd;
class TIniOut;
class TRadioGroup;
class TRecentCombo;

class TExtract : public QDialog {
    Q_OBJECT
public:
    // The answers of "Overwrite Existing:", in the order of its items.
    enum class TOverwrite { No, Yes, Prompt };

    // enterPwd: the password dialog of the run (may be null);
    // extractUseLast: the Options dialog's "Last Folder" choice for
    // extracting. Loads the kept values and sets the destination.
    TExtract(TEnterPwd* enterPwd, bool extractUseLast, QWidget* parent = nullptr);
    ~TExtract() override;

    // The folder the tree shows, "" when none.
    QString TreeFolder() const;
    // Moves the tree; false, and nothing moves, when folder is not an
    // existing folder.
    bool MoveTree(const QString& folder);

    // ---- result of the last showing ----
    bool Confirmed = false;
    QString Destination;  // empty after "Cancel"
    bool RecreateDirs() const;
    TOverwrite Overwrite() const;
    bool AllFiles() const;
    bool RetainAttributes() const;
    QString RootDir() const;

    // Receives the text of the password dialog on OK (the reader's Password).
    std::function<void(const QString&)> OnPassword;

    // ---- commands ----
    void PTShellTree1Change();
    // "New Folder": a new sub-folder of the tree's folder, selected and
    // opened for renaming; false when it could not be made.
    bool BitBtn1Click();
    void BitBtn4Click();          // "Password..."
    void LMDDockButton2Click();   // "..." beside Edit2
    void OKButClick();
    void CancelButClick();

    // The recent-folder rule of "OK": with 25 or more entries the 26th
    // goes; then folder moves to (or is put at) the top. Case-insensitive.
    static void UpdateRecentFolders(QStringList& list, const QString& folder);

    QTabWidget* PageControl1;
    TRecentCombo* Edit1;  // Extract To:
    TRadioGroup* RadioGroup1;  // Expand ZIP Dirs:
    TRadioGroup* RadioGroup2;  // Overwrite Existing:
    TRadioGroup* RadioGroup3;  // Files to Extract:
    QTreeView* PTShellTree1;
    QPushButton* BitBtn1;  // New Folder
    QPushButton* BitBtn4;  // Password...
    QCheckBox* CheckBox1;  // Retain Original Attributes
    QLineEdit* Edit2;      // Relative Root Directory
    QPushButton* LMDDockButton2;
    QPushButton* OKBut;
    QPushButton* CancelBut;
    QPushButton* Button1;  // Help

signals:
    void HelpRequested(int context);

protected:
    void showEvent(QShowEvent* e) override;
    bool event(QEvent* e) override;
    // The close box: nothing is kept and the destination is empty.
    void reject() override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QWidget* MakeStandardPage();
    QWidget* MakeAdvancedPage();

    TEnterPwd* m_enterPwd;
    TIniOut* m_iniOut;
    QFileSystemModel* m_dirs;
};

}  // namespace movrel
