#include "AppTestSupport.h"

#include "Settings.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>

namespace movrel::test {

TAppEnv::TAppEnv(bool quietAssociation)
{
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    m_oldData = qgetenv("XDG_DATA_HOME");
    QDir(m_dir.path()).mkpath("config");
    QDir(m_dir.path()).mkpath("data");
    qputenv("XDG_CONFIG_HOME", Path("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", Path("data").toLocal8Bit());
    QLocale::setDefault(QLocale::c());
    if (quietAssociation)
        WriteText(CURRENT_USER, kProductKey, QStringLiteral("ShowAssocDialog"), QStringLiteral("1"));
}

TAppEnv::~TAppEnv()
{
    QDir::setCurrent(QDir::tempPath());  // the main window moves into archives' folders
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
}

QString TAppEnv::Path(const QString& name) const
{
    return name.isEmpty() ? m_dir.path() : m_dir.filePath(name);
}

QString TAppEnv::WriteZip(const QString& name, const std::vector<CraftEntry>& entries, const std::string& comment)
{
    CraftOptions options;
    options.comment = comment;
    std::string bytes = CraftZip(entries, options);
    return WriteFile(name, QByteArray(bytes.data(), qsizetype(bytes.size())));
}

QString TAppEnv::WriteFile(const QString& name, const QByteArray& bytes)
{
    QString path = Path(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

TModalAnswer::TModalAnswer(std::function<void(QWidget*)> answer)
    : m_answered(std::make_shared<bool>(false)),
      m_text(std::make_shared<QString>()),
      m_title(std::make_shared<QString>())
{
    auto answered = m_answered;
    auto text = m_text, title = m_title;
    auto* timer = new QTimer;
    m_timer = timer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (++*tries > 3000) {  // about 30 s: give up, do not hang the test
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
            timer->stop();
            return;
        }
        if (!modal)
            return;
        timer->stop();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            *text = box->text();
            *title = box->windowTitle();
        }
        *answered = true;
        answer(modal);
    });
    timer->start(10);
}

TModalAnswer::~TModalAnswer()
{
    delete m_timer.data();  // an answer no longer wanted never fires
}

TModalScript::TModalScript(std::function<void(QWidget*, int)> answer)
    : m_count(std::make_shared<int>(0)), m_boxes(std::make_shared<QStringList>())
{
    auto count = m_count;
    auto boxes = m_boxes;
    auto last = std::make_shared<QPointer<QWidget>>();
    auto since = std::make_shared<QElapsedTimer>();
    auto* timer = new QTimer;
    m_timer = timer;
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (*last && !(*last)->isVisible())
            *last = nullptr;  // the window answered before has closed: it may come again
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal == last->data() && since->elapsed() > 20000) {
            // an answer that did not close its window: close it, do not hang the test
            qWarning("TModalScript: %s was not closed by its answer", qPrintable(modal->metaObject()->className()));
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
            return;
        }
        if (!modal || modal == last->data())
            return;
        *last = modal;
        since->start();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            *boxes << box->windowTitle() + ": " + box->text();
        answer(modal, (*count)++);
    });
    timer->start(10);
}

TModalScript::~TModalScript()
{
    delete m_timer.data();
}

void TypeIntoFileDialog(QFileDialog* dialog, const QString& path)
{
    dialog->selectFile(path);
    // typed as a whole: the dialog's list may not know the file yet
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
}

void AnswerFileDialog(QWidget* dialog, const QString& path)
{
    auto* fd = qobject_cast<QFileDialog*>(dialog);
    if (!fd) {
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
        return;
    }
    TypeIntoFileDialog(fd, path);
    static_cast<QDialog*>(fd)->accept();  // as the dialog's own button does
}

void ClickButton(QWidget* box, QMessageBox::StandardButton button)
{
    auto* mb = qobject_cast<QMessageBox*>(box);
    if (!mb)
        return;
    if (QAbstractButton* b = mb->button(button))
        b->click();
}

}  // namespace movrel::test
