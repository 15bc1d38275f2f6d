// TBrowseFolderDlg: chooses a folder in a tree of the file system. Callers
// create it, move the tree with SetStartFolder, show it and read
// SelectedFolder on OK (empty until OK; Cancel leaves it empty). Label1
// shows the path of the folder selected in the tree.
#pragma once

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace movrel {

class TBrowseFolderDlg : public QDialog {
    Q_OBJECT
public:
    explicit TBrowseFolderDlg(QWidget* parent = nullptr);

    // Selects path in the tree (and shows it in Label1); false when it is
    // not an existing folder.
    bool SetStartFolder(const QString& path);
    // The folder selected in the tree, empty when none.
    QString TreePath() const;

    QString SelectedFolder;

    QLabel* Label1;
    QTreeView* PTShellTree1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void DirTree1Change();
    void Button1Click();

    QFileSystemModel* m_model;
};

}  // namespace movrel
