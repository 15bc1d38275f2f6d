// Helpers of the window tests: a settings and data folder of their own per
// test, answering modal dialogs through their objects, and crafted archives.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace movrel::test {

struct CraftEntry;

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at a fresh folder for its
// lifetime and pins the C locale. quietAssociation stores "Never display
// this message again", so that showing a main window asks nothing.
class TAppEnv {
public:
    explicit TAppEnv(bool quietAssociation = true);
    ~TAppEnv();
    TAppEnv(const TAppEnv&) = delete;
    TAppEnv& operator=(const TAppEnv&) = delete;

    QString Path(const QString& name = QString()) const;
    // Writes a crafted archive below the folder; answers its path.
    QString WriteZip(const QString& name, const std::vector<CraftEntry>& entries, const std::string& comment = {});
    // Writes bytes to a file below the folder; answers its path.
    QString WriteFile(const QString& name, const QByteArray& bytes);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig, m_oldData;
};

// Calls answer with the next modal window once it is shown (the event loop
// is polled, nothing sleeps). The answer must close it.
class TModalAnswer {
public:
    explicit TModalAnswer(std::function<void(QWidget*)> answer);
    ~TModalAnswer();
    bool Answered() const { return *m_answered; }
    // The text of a message box that was answered (empty for others).
    QString Text() const { return *m_text; }
    QString Title() const { return *m_title; }

private:
    std::shared_ptr<bool> m_answered;
    QPointer<QTimer> m_timer;
    std::shared_ptr<QString> m_text, m_title;
};

// Clicks a message box's standard button.
void ClickButton(QWidget* box, QMessageBox::StandardButton button);

}  // namespace movrel::test
