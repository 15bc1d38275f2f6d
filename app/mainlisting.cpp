// The main window's listing: OpenIT, the total size, the comment
// indicator, and the enabled state of every command.
#include "mainunit.h"

#include "EngineErrors.h"
#include "EntryList.h"
#include "EntryModel.h"
#include "RecentList.h"
#include "Settings.h"
#include "StatusPanes.h"

#include <QAction>
#include <QDir>
#include <QToolButton>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

namespace movrel {

namespace {

bool IsExistingFile(const QString& path)
{
    QFileInfo info(path);
    return info.exists() && !info.isDir();
}

}  // namespace

void TMainform::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void TMainform::OpenIT()
{
    DragInProgress = false;
    if (!CurrentArchive.isEmpty()) {
        ChangeAll(true);
        SetCaption("Movrel - [" + CurrentArchive + "]");
        if (!IsExistingFile(CurrentArchive)) {
            auto answer = QMessageBox::question(this, QStringLiteral("Create New ZIP"),
                                                QStringLiteral("The specified file does not exist do you wish to create it?"),
                                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QString name = CurrentArchive;
            CloseArchive();
            if (answer != QMessageBox::Yes) {
                CalcTotSize();
                return;
            }
            // Kept: listed empty; the first add creates the file.
            CurrentArchive = name;
            try {
                KestroZip1.SetZipName(name.toStdString());
            } catch (...) {
            }
            ChangeAll(true);
            SetCaption("Movrel - [" + CurrentArchive + "]");
        }
        UpdateRecent(m_recent, CurrentArchive);
        WriteRecent();
    }
    ShowRecentItems();
    if (CurrentArchive.isEmpty()) {
        CalcTotSize();
        return;
    }
    QDir::setCurrent(QFileInfo(CurrentArchive).absolutePath());  // failures ignored

    try {
        TEngineRun run(*this);
        KestroZip1.ClearDirectory();  // read afresh, also when the file was replaced
        KestroZip1.SetZipName(CurrentArchive.toStdString());
        if (IsExistingFile(CurrentArchive))
            KestroZip1.ReadDirectory();
    } catch (const EIncompleteZip&) {
        // listed from whatever the engine holds
    } catch (const std::exception& e) {
        // The rows of another archive must not stay under this one's name.
        LMDListBox1->Model()->Clear();
        ShowCommentIndicator();
        ShowError(QString::fromUtf8(e.what()));
        CalcTotSize();
        return;
    }
    FillList();
    ShowCommentIndicator();
    CalcTotSize();
}

void TMainform::FillList()
{
    QList<TEntryRow> rows;
    int count = KestroZip1.EntryCount();
    rows.reserve(count);
    for (int i = 0; i < count; ++i)
        rows << MakeEntryRow(QString::fromStdString(KestroZip1.EntryFileName(i)),
                             QString::fromStdString(KestroZip1.EntryPath(i)), KestroZip1.EntryDateTime(i),
                             KestroZip1.EntryCompressedSize(i), KestroZip1.EntryUncompressedSize(i),
                             KestroZip1.EntryEncrypted(i));
    // One reset: the list sorts once, by its current column and direction.
    LMDListBox1->Model()->SetRows(std::move(rows));
}

void TMainform::ShowCommentIndicator()
{
    bool comment = false;
    try {
        comment = KestroZip1.HasArchiveComment() && !KestroZip1.ArchiveComment().empty();
    } catch (...) {
    }
    StatusBar1->ShowCommentIndicator(comment);
}

void TMainform::CalcTotSize()
{
    int64_t total = 0;
    for (int i = 0; i < KestroZip1.EntryCount(); ++i)
        total += KestroZip1.EntryUncompressedSize(i);
    StatusBar1->SizePane->setText("Total Unzipped Size: " + QString::number(total / 1024) + " KB");
}

void TMainform::CloseArchive()
{
    StatusBar1->SizePane->setText(QStringLiteral("Total Unzipped Size:"));
    SetCaption(QStringLiteral("Movrel"));
    CurrentArchive.clear();
    LMDListBox1->Model()->Clear();
    ChangeAll(false);
    KestroZip1.ClearDirectory();
    StatusBar1->ShowCommentIndicator(false);
}

void TMainform::ChangeAll(bool enabled)
{
    UpdateEnabled(enabled ? TEnableEvent::ArchiveOpened : TEnableEvent::ArchiveClosed);
}

void TMainform::Timer1Timer()
{
    UpdateEnabled(TEnableEvent::Timer);
}

bool TMainform::LastSelectedIsImage() const
{
    QList<int> rows = LMDListBox1->SelectedViewRows();
    if (rows.isEmpty())
        return false;
    QString caption = LMDListBox1->CaptionAt(rows.last()).toUpper();
    for (const char* ext : {".JPG", ".GIF", ".BMP", ".TGA", ".PCX", ".PNG", ".TIF"})
        if (caption.contains(QLatin1String(ext)))
            return true;
    return false;
}

void TMainform::UpdateEnabled(TEnableEvent event)
{
    // the commands of ChangeAll
    const QList<QAction*> archive = {
        A.ExtractBut, A.AddBut, A.EditBut, A.ExecuteBut,
        A.Close1, A.SaveAs1, A.CopyZIPFile1, A.MoveZIPFile1, A.DeleteZIPFile1, A.ZIPInformation1, A.FixZIP1,
        A.MailZIP1, A.AddFiles1, A.RemoveFiles1, A.ExtractFiles1, A.Execute1, A.Edit1, A.ViewImage1, A.VirusScan1,
        A.UUEncode1, A.MakeEXEFile1, A.ZIPComment1,
        A.Execute2, A.AddFiles2, A.RemoveFiles2, A.ExtractFiles2, A.ViewImage2, A.Edit2};
    // what the timer disables while an open archive has no entries
    const QList<QAction*> entries = {
        A.EditBut, A.ExecuteBut, A.ExtractBut, A.Execute1, A.Execute2, A.Edit1, A.Edit2, A.ViewImage1,
        A.ViewImage2, A.ZIPInformation1, A.RemoveFiles1, A.RemoveFiles2, A.ExtractFiles1, A.ExtractFiles2};
    const QList<QAction*> menuSelection = {A.SelectAll1, A.SelectNone1, A.InvertSelection1};
    const QList<QAction*> popupSelection = {A.SelectAll2, A.SelectNone2, A.InvertSelection2};
    auto set = [](const QList<QAction*>& actions, bool on) {
        for (QAction* a : actions)
            a->setEnabled(on);
    };
    bool rows = LMDListBox1->RowCount() > 0;

    // what must not run while the engine works: every command that starts
    // an operation, changes the archive or opens another one (the recent
    // items refuse by themselves: a hidden action reads as disabled, so
    // their state cannot be kept and given back)
    const QList<QAction*> engine = {
        A.New1, A.Open1, A.Close1, A.SaveAs1, A.CopyZIPFile1, A.MoveZIPFile1, A.DeleteZIPFile1, A.ZIPInformation1,
        A.FixZIP1, A.MailZIP1, A.AddFiles1, A.RemoveFiles1,
        A.ExtractFiles1, A.Execute1, A.Edit1, A.ViewImage1, A.VirusScan1, A.UUEncode1, A.MakeEXEFile1, A.ZIPComment1,
        A.Options1, A.Execute2, A.AddFiles2, A.RemoveFiles2, A.ExtractFiles2, A.ViewImage2, A.Edit2,
        A.NewBut, A.OpenBut, A.ExtractBut, A.AddBut, A.EditBut, A.ExecuteBut};

    switch (event) {
    case TEnableEvent::EngineStarted:
        m_enabledBeforeEngine.clear();
        for (QAction* a : engine)
            m_enabledBeforeEngine << qMakePair(a, a->isEnabled());
        set(engine, false);
        StatusBar1->CommentButton->setEnabled(false);
        return;
    case TEnableEvent::EngineFinished:
        for (const auto& [a, on] : std::as_const(m_enabledBeforeEngine))
            a->setEnabled(on);
        m_enabledBeforeEngine.clear();
        StatusBar1->CommentButton->setEnabled(true);
        return;
    case TEnableEvent::Start:
        set(archive, false);
        set(menuSelection, true);
        set(popupSelection, false);
        return;
    case TEnableEvent::ArchiveOpened:
        set(archive, true);
        if (QFileInfo(CurrentArchive).suffix().toUpper().contains(QLatin1String("EXE"))) {
            A.ZIPComment1->setEnabled(false);
            A.MakeEXEFile1->setEnabled(false);
        }
        return;
    case TEnableEvent::ArchiveClosed:
        set(archive, false);
        return;
    case TEnableEvent::Timer:
        if (!CurrentArchive.isEmpty() && !rows)
            set(entries, false);
        return;
    case TEnableEvent::ActionsMenuOpened:
        if (rows)
            A.ViewImage1->setEnabled(LastSelectedIsImage());
        set(menuSelection, rows);
        return;
    case TEnableEvent::ListMenuOpened:
        A.ViewImage2->setEnabled(rows && LastSelectedIsImage());
        set(popupSelection, rows);
        return;
    }
}

}  // namespace movrel
