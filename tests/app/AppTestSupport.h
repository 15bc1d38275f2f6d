// Helpers of the window tests: a settings and data folder of their own per
// test, answering modal dialogs through their objects, and crafted archives.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QFileDialog;

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

// Answers every modal window shown while it lives, each showing once, in
// order: answer gets the window and its number (0, 1, ...) and must close
// it. A modal window opened inside an answer needs a TModalAnswer of its
// own (a timer does not run again inside its own handler).
class TModalScript {
public:
    explicit TModalScript(std::function<void(QWidget*, int)> answer);
    ~TModalScript();
    int Count() const { return *m_count; }
    // Title and text of each message box answered, in order.
    QStringList Boxes() const { return *m_boxes; }

private:
    std::shared_ptr<int> m_count;
    std::shared_ptr<QStringList> m_boxes;
    QPointer<QTimer> m_timer;
};

// Types a path into a file dialog's name field.
void TypeIntoFileDialog(QFileDialog* dialog, const QString& path);
// Answers a file dialog with a path (typed, then accepted).
void AnswerFileDialog(QWidget* dialog, const QString& path);

// Clicks a message box's standard button.
void ClickButton(QWidget* box, QMessageBox::StandardButton button);

}  // namespace movrel::test
