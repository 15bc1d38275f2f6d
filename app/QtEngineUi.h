// The engine's user-interface services with Qt: pending events run between
// buffers, the busy cursor, message boxes, and the open-file and folder
// choosers.
#pragma once

#include "EngineUi.h"

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

namespace movrel {

class TQtEngineUi : public TEngineUi {
public:
    explicit TQtEngineUi(QWidget* owner = nullptr) : m_owner(owner) {}
    ~TQtEngineUi() override;

    void ProcessMessages() override;
    void BeginBusy() override;
    void EndBusy() override;
    // Captioned "Movrel" unless the engine names a caption; a text that
    // begins with "Error" always gets the error icon.
    TMsgResult MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                          TMsgIcon icon) override;
    // Takes names of files that do not exist yet as well (the engine asks
    // for the repaired archive's new name through it).
    bool ChooseOpenFile(const std::string& title, const std::string& filter, const std::string& initialDir,
                        std::string& chosen) override;
    bool ChooseFolder(const std::string& title, const std::string& initialDir, std::string& chosen) override;

private:
    QWidget* m_owner;
    int m_busy = 0;
};

// The icon of a message box: the error icon for texts beginning with
// "Error", else the one asked for.
QMessageBox::Icon MessageIconFor(const QString& text, TMsgIcon requested);

// "Zip Files (*.ZIP)|*.zip|All Files (*.*)|*" as a Qt file-dialog filter.
// Patterns match either letter case, as they do on the original platform.
QString QtFileFilter(const QString& pairs);

// Runs a modal dialog with the normal pointer, also while an operation
// shows the hourglass; the hourglass comes back afterwards. Answers exec's result.
int ExecNormalCursor(QDialog& dialog);

// The hourglass for the life of a scope, restored on every path.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace movrel
