// TAddForm ("Add Files"): collects what is to be added to the open archive
// and how. It adds nothing itself: the main window shows it modally, reads
// Confirmed, the entries of SelectedList and the options, and runs the
// writer. One instance lives for the whole run, so the list, the tree's
// folder and the options keep their state between showings; the six
// options are kept as persisted properties, written on "&Add" only.
//
// Entries are absolute: a file's path, a folder as "folder/*.*", or a
// wildcard as "folder/mask". Folder prefixes are built by AppendSlash. No
// entry is added twice (compared without regard to ASCII letter case).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTreeView;

namespace movrel {

class TEnterPwd;
class TIniOut;
class TRadioGroup;

class TAddForm : public QDialog {
    Q_OBJECT
public:
    // enterPwd: the password dialog of the run (may be null); addUseLast:
    // the Options dialog's "Last Folder" choice for adding. Loads the
    // options and moves the tree to its starting folder.
    TAddForm(TEnterPwd* enterPwd, bool addUseLast, QWidget* parent = nullptr);
    ~TAddForm() override;

    // "" stays ""; a text not ending in "/" gets one; else unchanged.
    static QString AppendSlash(const QString& s);

    // F: the folder the tree shows, "" when none.
    QString CurrentFolder() const;
    // Moves the tree (and the file list) to folder; false, and nothing
    // moves, when it is not an existing folder.
    bool MoveTree(const QString& folder);

    // Adds entry unless an equal one is present; kept in order while
    // "Sort" is down. Answers whether it was added.
    bool AddEntry(const QString& entry);
    QStringList Entries() const;
    void ClearEntries();

    // ---- commands ----
    void Edit2KeyDown();          // the mask becomes the file list's filter
    void AddDirButClick();        // "Add Folder", "Select All Files"
    void AddFileButClick();       // "Add Files": the files selected in the list
    void BitBtn6Click();          // "Add &Wildcard"
    void RemoveButClick();        // the entry at the focus position
    void SortButClick(bool down);
    void Button1Click();          // "Password..."
    void SelectedListDblClick();  // "&Execute": the selected entries, opened by the desktop
    void Button2Click();          // "..." beside Edit1
    void OKButClick();            // "&Add"
    // Dropped files and folders: a file as it is, anything else as a folder.
    void AddDroppedPaths(const QStringList& paths);

    // Set by "&Add" (the caller clears it before showing).
    bool Confirmed = false;
    // Receives the text of the password dialog on OK (the writer's Password).
    std::function<void(const QString&)> OnPassword;

    QTabWidget* PageControl1;
    QTreeView* DirTree1;
    QLineEdit* Edit2;  // mask
    QPushButton* SelectAllBut;
    QTreeView* FileListBox1;
    QPushButton* BitBtn6;  // Add &Wildcard
    QPushButton* AddDirBut;
    QPushButton* AddFileBut;
    QPushButton* RemoveBut;
    QPushButton* SortBut;
    QPushButton* Button1;  // Password...
    QListWidget* SelectedList;
    QSpinBox* LMDSpinEdit1;
    QCheckBox* CheckBox1;  // 8.3 names
    TRadioGroup* RadioGroup1;
    QLineEdit* Edit1;      // root folder for wildcards
    QPushButton* Button2;  // ...
    QCheckBox* DirNameCB;
    QCheckBox* Recurse;
    QCheckBox* CheckBox2;  // volume label
    QPushButton* OKBut;
    QPushButton* CancelBut;
    QPushButton* ButtonHelp;

signals:
    // The dialog's help topic was asked for.
    void HelpRequested(int context);

protected:
    void showEvent(QShowEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    QWidget* MakeStandardPage();
    QWidget* MakeAdvancedPage();
    void DirTree1Change();
    void ScrollToEnd();

    TEnterPwd* m_enterPwd;
    TIniOut* m_iniOut;
    QFileSystemModel* m_dirs;
    QFileSystemModel* m_files;
};

}  // namespace movrel
