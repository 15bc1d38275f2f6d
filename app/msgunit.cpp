#include "msgunit.h"

#include "IniOut.h"
#include "Settings.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace movrel {

TMsgform::TMsgform(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Msgform"));
    setWindowTitle(QStringLiteral("Zip Messages"));
    setModal(false);
    setSizeGripEnabled(true);
    setMinimumSize(395, 250);

    Label1 = new QLabel(QStringLiteral("(none)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setFixedWidth(150);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setContextMenuPolicy(Qt::ActionsContextMenu);
    Copy1 = new QAction(QStringLiteral("Copy"), Memo1);
    Copy1->setObjectName(QStringLiteral("Copy1"));
    connect(Copy1, &QAction::triggered, this, [this] { CopyClick(); });
    Memo1->addAction(Copy1);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });

    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(ProgressBar1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Memo1, 1);
    layout->addLayout(bottom);
    resize(480, 320);

    m_iniOut = new TIniOut(this);
    m_iniOut->SetRegistryRoot(LOCAL_MACHINE);
    m_iniOut->SetItems(ItemLines("Msgform"));
    m_iniOut->Load();
    restoreGeometry(ReadBytes("Msgform"));
}

TMsgform::~TMsgform() = default;

void TMsgform::Log(const QString& line)
{
    Memo1->appendPlainText(line);
}

QString TMsgform::LogText() const
{
    return Memo1->toPlainText();
}

void TMsgform::SetFileLabel(const QString& fileName)
{
    Label1->setText(ShortenFileName(fileName));
}

void TMsgform::SetFilePercent(int percent)
{
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
}

void TMsgform::OpenForOperation(QWidget* over)
{
    Memo1->clear();
    PlaceOver(over);
    show();
    CancelBtn->setEnabled(true);  // also when it was already shown
}

void TMsgform::Finish(const QString& text, bool showEnd)
{
    Memo1->appendPlainText("\n" + text);
    Done(showEnd);
}

void TMsgform::Done(bool showEnd)
{
    CancelBtn->setEnabled(false);
    if (!showEnd)
        return;
    Memo1->moveCursor(QTextCursor::End);
    Memo1->ensureCursorVisible();
}

void TMsgform::ViewLastOutput(QWidget* over)
{
    PlaceOver(over);
    show();
    raise();
    CancelBtn->setEnabled(true);
}

void TMsgform::PlaceOver(QWidget* over)
{
    QRect frame = frameGeometry();
    QPoint at = over ? over->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2) : frame.topLeft();
    QScreen* screen = over && over->screen() ? over->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect area = screen->availableGeometry();
        if (at.x() + frame.width() > area.right() + 1)
            at.setX(area.right() + 1 - frame.width());
        if (at.y() + frame.height() > area.bottom() + 1)
            at.setY(area.bottom() + 1 - frame.height());
        if (at.y() < area.top())
            at.setY(area.top());
    }
    move(at);
}

QString TMsgform::ShortenFileName(const QString& name, int max)
{
    const QChar sep = name.contains('/') ? QChar('/') : QChar('\\');
    const QString dots = QStringLiteral("...") + sep;
    QString drive = name.size() >= 2 && name[1] == ':' ? name.left(2) : QString();
    QString rest = name.mid(drive.size());
    qsizetype last = rest.lastIndexOf(sep);
    QString folder = rest.left(last + 1);
    const QString file = rest.mid(last + 1);

    while ((drive + folder + file).size() > max && (!drive.isEmpty() || !folder.isEmpty())) {
        if (folder == sep + dots) {
            drive.clear();
            folder = dots;
            continue;
        }
        if (folder.isEmpty()) {
            drive.clear();
            continue;
        }
        // the first folder gives way to "..."
        bool lead = folder.startsWith(sep);
        if (lead)
            folder.remove(0, 1);
        if (folder.startsWith(dots))
            folder.remove(0, dots.size());
        qsizetype cut = folder.indexOf(sep);
        if (cut < 0) {
            folder.clear();  // nothing left to shorten: the folder part goes
            continue;
        }
        folder = dots + folder.mid(cut + 1);
        if (lead)
            folder.prepend(sep);
    }
    return drive + folder + file;
}

void TMsgform::CancelBtnClick()
{
    if (OnCancel)
        OnCancel();
    close();
}

void TMsgform::OKBtnClick()
{
    hide();
}

void TMsgform::CopyClick()
{
    QGuiApplication::clipboard()->setText(Memo1->toPlainText());
    QTextCursor cursor = Memo1->textCursor();
    cursor.clearSelection();
    Memo1->setTextCursor(cursor);
}

void TMsgform::showEvent(QShowEvent* e)
{
    CancelBtn->setEnabled(true);
    QDialog::showEvent(e);
}

void TMsgform::closeEvent(QCloseEvent* e)
{
    m_iniOut->Save();
    WriteBytes("Msgform", saveGeometry());
    e->accept();
}

void TMsgform::reject()
{
    CancelBtnClick();
}

}  // namespace movrel
