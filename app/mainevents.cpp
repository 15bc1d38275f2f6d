// The main window's answers to the engine's events: the message window's
// log lines, the progress displays, and the questions (overwrite, wrong
// password, next disk). They run inside engine calls, on the window thread.
#include "mainunit.h"

#include "InvPwd.h"
#include "StatusPanes.h"
#include "msgunit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>

namespace movrel {

namespace {

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

}  // namespace

void TMainform::ShowProgress(bool show)
{
    StatusBar1->ShowProgress(show);
}

void TMainform::KestroZip1StartUnZipInfo(int numFiles, int64_t totalBytes)
{
    Msgform->Log("Number of files to be unzipped: " + QString::number(numFiles));
    Msgform->Log("Total bytes to process: " + QString::number(totalBytes));
    Msgform->Log("Files unzipping to: " + Text(KestroZip1.DestDir()));
    Msgform->Log(QStringLiteral(" "));
}

void TMainform::KestroZip1StartZipInfo(int numFiles, int64_t totalBytes)
{
    Msgform->Log("Number of files to be zipped: " + QString::number(numFiles));
    Msgform->Log("Total bytes to process: " + QString::number(totalBytes));
    Msgform->Log(QStringLiteral(" "));
}

void TMainform::KestroZip1StartUnZip(const std::string& fname)
{
    ShowProgress(true);
    DisplayHint("Unzipping: " + Text(fname) + "...");
    Msgform->SetFileLabel(Text(fname));
}

void TMainform::KestroZipStartDoZip(const std::string& fname)
{
    ShowProgress(true);
    DisplayHint("Zipping: " + Text(fname) + "...");
    Msgform->SetFileLabel(Text(fname));
}

void TMainform::KestroOnUnzip(int fileIndex)
{
    Msgform->Log("Unzipped file " + Text(KestroZip1.EntryFileName(fileIndex)));
}

void TMainform::KestroOnZip(const std::string& fname)
{
    Msgform->Log("Zipped file " + Text(fname));
    ShowProgress(false);
}

void TMainform::KestroZip1DisposeFile(const std::string& fname)
{
    Msgform->Log("Removed file " + Text(fname));
}

void TMainform::KestroZip1FilePercentDone(int percent)
{
    Msgform->SetFilePercent(percent);
}

void TMainform::KestroZip1TotalPercentDone(int percent)
{
    StatusBar1->ProgressBar1->setValue(std::clamp(percent, 0, 100));
    if (percent >= 100)
        ShowProgress(false);
}

void TMainform::KestroZip1PromptForOverwrite(bool& overwriteIt, int fileIndex)
{
    switch (OverwriteChoice) {
    case TOverwriteChoice::Yes: overwriteIt = true; return;
    case TOverwriteChoice::No:
    case TOverwriteChoice::None: overwriteIt = false; return;
    case TOverwriteChoice::Prompt: break;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm Replace"),
                    "Replace existing copy of " + Text(KestroZip1.EntryFileName(fileIndex)) + "?",
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("ConfirmReplace"));
    overwriteIt = ExecNormalCursor(box) == QMessageBox::Yes;
}

void TMainform::KestroZip1BadPassword(int fileIndex, std::string& newPassword)
{
    TInvalidPwdDlg dialog(this);
    dialog.PasswordEdit->setText(Text(newPassword));
    QString entry = Text(KestroZip1.EntryFileName(fileIndex));
    dialog.Filename->setText(entry);
    QApplication::beep();
    if (ExecNormalCursor(dialog) == QDialog::Accepted) {
        newPassword = dialog.PasswordEdit->text().toStdString();
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Password Error"), "Invalid Password for file " + entry,
                    QMessageBox::Ok, this);
    ExecNormalCursor(box);
    newPassword.clear();
}

void TMainform::KestroZip1GetNextDisk(int nextDisk, std::string& fname)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Spanning"),
                    "Please insert disk " + QString::number(nextDisk) + " of the multi-disk set.",
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    if (ExecNormalCursor(box) != QMessageBox::Ok)
        fname.clear();  // the engine ends the operation as cancelled
}

}  // namespace movrel
