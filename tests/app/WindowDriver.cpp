#include "WindowDriver.h"

#include "Addunit.h"
#include "EnterPassw.h"
#include "EntryList.h"
#include "EntrySortProxy.h"
#include "RadioGroup.h"
#include "RecentCombo.h"
#include "Settings.h"
#include "TestSupport.h"
#include "extrunit.h"
#include "mainunit.h"
#include "msgunit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <utime.h>

namespace movrel::test {

CraftEntry E(const std::string& name, const std::string& data)
{
    CraftEntry e;
    e.name = name;
    e.data = data;
    return e;
}

void Prefs(const TAppEnv& env, bool showOutput, bool addDocs)
{
    QDir().mkpath(env.Path("work"));
    WriteBool("ShowOutput", showOutput);
    WriteBool("AddDocs2StartMenu", addDocs);
    WriteBool("ShowToolbars", true);
    WriteString("ExpDir", env.Path("work") + "/");
}

void SetTime(const QString& path, const QDateTime& when)
{
    utimbuf t{time_t(when.toSecsSinceEpoch()), time_t(when.toSecsSinceEpoch())};
    ::utime(path.toLocal8Bit().constData(), &t);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Text(qsizetype n, uint32_t seed)
{
    static const char* words[] = {"alpha ", "beta ", "gamma ", "delta\n", "epsilon ", "zeta ", "eta ", "theta\n"};
    QByteArray out;
    out.reserve(n);
    uint32_t x = seed;
    while (out.size() < n) {
        x = x * 1664525u + 1013904223u;
        out += words[x >> 29];
        out += char('a' + (x >> 8) % 26);
    }
    out.truncate(n);
    return out;
}

QStringList Tree(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

QStringList LogLines(const TMainform& form)
{
    return form.Msgform->LogText().split('\n');
}

int Run(const QString& command, QString* output)
{
    std::string out;
    int rc = movrel::test::RunCommand(command.toStdString() + " 2>&1", &out);
    if (output)
        *output = QString::fromStdString(out);
    return rc;
}

QString Q(const QString& s)
{
    return QString::fromStdString(movrel::test::ShellQuote(s.toStdString()));
}

QStringList ZipNames(const QString& zip)
{
    QString out;
    Run("unzip -Z1 " + Q(zip), &out);
    QStringList names = out.split('\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

void OpenArchive(TMainform& form, const QString& path)
{
    form.CurrentArchive = path;
    form.OpenIT();
}

void CreateArchive(TMainform& form, const QString& path)
{
    TModalAnswer yes([](QWidget* box) { ClickButton(box, QMessageBox::Yes); });
    OpenArchive(form, path);
}

void AnswerAdd(QWidget* w, const TAddChoice& c)
{
    auto* d = qobject_cast<TAddForm*>(w);
    if (!d) {
        qobject_cast<QDialog*>(w)->reject();
        return;
    }
    for (const QString& e : c.entries)
        d->AddEntry(e);
    d->LMDSpinEdit1->setValue(c.level);
    d->RadioGroup1->SetItemIndex(c.action);
    d->Recurse->setChecked(c.recurse);
    d->DirNameCB->setChecked(c.folders);
    if (!c.password.isEmpty()) {
        TModalAnswer pw([&](QWidget* p) {
            auto* e = qobject_cast<TEnterPwd*>(p);
            e->Edit1->setText(c.password);
            e->OKBtn->click();
        });
        d->Button1->click();
    }
    d->OKBut->setFocus();
    d->OKBut->click();
}

void AnswerExtract(QWidget* w, const TExtractChoice& c)
{
    auto* x = qobject_cast<TExtract*>(w);
    if (!x) {
        qobject_cast<QDialog*>(w)->reject();
        return;
    }
    x->Edit1->SetText(c.dest);
    x->RadioGroup1->SetItemIndex(c.expand);
    x->RadioGroup2->SetItemIndex(c.overwrite);
    x->RadioGroup3->SetItemIndex(c.scope);
    x->CheckBox1->setChecked(true);
    x->Edit2->setText(c.root);
    x->OKBut->click();
}

QString AddQuietly(TMainform& form, const TAddChoice& choice)
{
    QString said;
    TModalScript script([&](QWidget* w, int n) {
        if (n == 0)
            return AnswerAdd(w, choice);
        if (auto* box = qobject_cast<QMessageBox*>(w))
            said = box->text();
        ClickButton(w, QMessageBox::Ok);
    });
    form.A.AddFiles1->trigger();
    return said;
}

QStringList ZippedFiles(const TMainform& form)
{
    QStringList zipped;
    for (const QString& line : LogLines(form))
        if (line.startsWith("Zipped file "))
            zipped << QFileInfo(line.mid(12)).fileName();
    zipped.sort();
    return zipped;
}

void SelectCaptions(TMainform& form, const QStringList& captions)
{
    TEntryList* list = form.LMDListBox1;
    list->SelectNone();
    for (int r = 0; r < list->RowCount(); ++r)
        if (captions.contains(list->CaptionAt(r)))
            list->Selection()->select(list->Proxy()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QStringList Captions(const TMainform& form)
{
    QStringList out;
    for (int r = 0; r < form.LMDListBox1->RowCount(); ++r)
        out << form.LMDListBox1->CaptionAt(r);
    out.sort();
    return out;
}

}  // namespace movrel::test
