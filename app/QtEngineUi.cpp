#include "QtEngineUi.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QStringList>

namespace movrel {

TBusyCursor::TBusyCursor()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

TBusyCursor::~TBusyCursor()
{
    QApplication::restoreOverrideCursor();
}

int ExecNormalCursor(QDialog& dialog)
{
    int hidden = 0;
    while (QApplication::overrideCursor()) {
        QApplication::restoreOverrideCursor();
        ++hidden;
    }
    int result = dialog.exec();
    for (int i = 0; i < hidden; ++i)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    return result;
}

TQtEngineUi::~TQtEngineUi()
{
    while (m_busy > 0)
        EndBusy();
}

void TQtEngineUi::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TQtEngineUi::BeginBusy()
{
    ++m_busy;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void TQtEngineUi::EndBusy()
{
    if (m_busy == 0)
        return;
    --m_busy;
    QApplication::restoreOverrideCursor();
}

QMessageBox::Icon MessageIconFor(const QString& text, TMsgIcon requested)
{
    if (text.startsWith(QLatin1String("Error")))
        return QMessageBox::Critical;
    switch (requested) {
    case TMsgIcon::Information: return QMessageBox::Information;
    case TMsgIcon::Warning: return QMessageBox::Warning;
    case TMsgIcon::Error: return QMessageBox::Critical;
    case TMsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::Information;
}

TMsgResult TQtEngineUi::MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                                   TMsgIcon icon)
{
    QString message = QString::fromStdString(text);
    QString title = caption.empty() ? QStringLiteral("Movrel") : QString::fromStdString(caption);
    QMessageBox box(MessageIconFor(message, icon), title, message,
                    buttons == TMsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, m_owner);
    // a pending busy cursor must not hide the pointer over the question
    int busy = m_busy;
    for (int i = 0; i < busy; ++i)
        QApplication::restoreOverrideCursor();
    int answer = box.exec();
    for (int i = 0; i < busy; ++i)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    if (buttons == TMsgButtons::Ok)
        return TMsgResult::Ok;
    return answer == QMessageBox::Yes ? TMsgResult::Yes : TMsgResult::No;
}

QString QtFileFilter(const QString& pairs)
{
    QStringList parts = pairs.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            QString pattern = p.trimmed();
            for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()})
                if (!patterns.contains(variant))
                    patterns << variant;
        }
        QString description = parts[i];
        if (description.contains('('))  // Qt reads the patterns from the last parentheses
            description = description.left(description.lastIndexOf('(')).trimmed();
        filters << description + " (" + patterns.join(' ') + ")";
    }
    return filters.join(QStringLiteral(";;"));
}

bool TQtEngineUi::ChooseOpenFile(const std::string& title, const std::string& filter, const std::string& initialDir,
                                 std::string& chosen)
{
    // An open dialog that also takes a name not yet there: the engine asks
    // through it for the name of a repaired archive too.
    QFileDialog dialog(m_owner, QString::fromStdString(title), QString::fromStdString(initialDir),
                       QtFileFilter(QString::fromStdString(filter)));
    dialog.setObjectName(QStringLiteral("EngineOpenDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (ExecNormalCursor(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().first().toStdString();
    return true;
}

bool TQtEngineUi::ChooseFolder(const std::string& title, const std::string& initialDir, std::string& chosen)
{
    QString dir = QFileDialog::getExistingDirectory(m_owner, QString::fromStdString(title),
                                                    QString::fromStdString(initialDir));
    if (dir.isEmpty())
        return false;
    chosen = dir.toStdString();
    return true;
}

}  // namespace movrel
