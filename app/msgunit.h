// TMsgform (Msgform, "Zip Messages"): the log of the engine's work, with the
// current file, its progress and a Cancel that asks the engine to stop.
// Non-modal; created at start and kept for the run. The log keeps its lines
// until the next operation opens the window. Its font ("MsgFont") and
// placement are restored at creation and kept whenever it is closed (Cancel
// or the close box), not when "OK" only hides it.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace movrel {

class TIniOut;

class TMsgform : public QDialog {
    Q_OBJECT
public:
    explicit TMsgform(QWidget* parent = nullptr);
    ~TMsgform() override;

    // One line at the end of the log, whether the window is shown or not.
    void Log(const QString& line);
    // The log's text.
    QString LogText() const;
    // The current file in the label, shortened to 25 characters.
    void SetFileLabel(const QString& fileName);
    void SetFilePercent(int percent);

    // For an operation: the log emptied, the window placed over `over` and
    // shown (not modal), Cancel enabled.
    void OpenForOperation(QWidget* over);
    // A line break and text at the end of the log, then Done.
    void Finish(const QString& text, bool showEnd);
    // Cancel disabled; with showEnd the caret goes to the end of the log.
    void Done(bool showEnd);
    // "View Last Output...": placed and shown, the log as it is.
    void ViewLastOutput(QWidget* over);
    // Centred over `over`, kept on the screen (left and up as needed, never
    // above its top).
    void PlaceOver(QWidget* over);

    // Shortens a path for the label: its first folders give way to "..."
    // until it fits max characters or only the file name (with a drive
    // prefix such as "C:" dropped) is left; the file name is never cut.
    // The separator is "/", or "\" in a name that has no "/".
    static QString ShortenFileName(const QString& name, int max = 25);

    // "Cancel": runs OnCancel (the main window stops the engine), then closes.
    void CancelBtnClick();
    void OKBtnClick();
    // "Copy": the whole log to the clipboard, nothing left selected.
    void CopyClick();

    std::function<void()> OnCancel;

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QPlainTextEdit* Memo1;
    QAction* Copy1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;  // Escape is Cancel

private:
    TIniOut* m_iniOut;
};

}  // namespace movrel
