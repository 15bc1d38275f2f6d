// The ".zip" association: the desktop file, the MIME default, the start-up
// check and "Never display this message again".
#include "AppTestSupport.h"
#include "Assoc.h"
#include "Settings.h"
#include "XdgAssoc.h"
#include "mainunit.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace movrel;
using movrel::test::ClickButton;
using movrel::test::TAppEnv;
using movrel::test::TModalAnswer;

namespace {

QString ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Answers the association dialog: optionally ticks the box, then Yes or No.
TModalAnswer* AnswerAssoc(bool yes, bool never = false)
{
    return new TModalAnswer([yes, never](QWidget* w) {
        auto* d = qobject_cast<TAssocDialog*>(w);
        if (!d)
            return;
        d->CheckBox1->setChecked(never);
        (yes ? d->Button1 : d->Button2)->click();
    });
}

std::optional<QString> ShowAssocDialog()
{
    return ReadText(CURRENT_USER, kProductKey, "ShowAssocDialog");
}

}  // namespace

class AssocTest : public QObject {
    Q_OBJECT
private slots:
    void ExecCommandQuotesWhatItMust();
    void AbsentAssociationShowsTheDialog();
    void YesAssociatesAndTheQuestionStops();
    void AnotherCommandShowsTheDialog();
    void NeverDisplayStopsTheQuestion();
    void MissingProgramWritesNothing();
    void OtherMimeDefaultsAreKept();
    void MainWindowChecksWhenShown();
};

void AssocTest::ExecCommandQuotesWhatItMust()
{
    const struct {
        const char* path;
        const char* command;
    } rows[] = {
        {"/usr/bin/movrel", "/usr/bin/movrel %f"},
        {"/opt/my apps/movrel", "\"/opt/my apps/movrel\" %f"},
        {"/opt/a$b/mo\"v", "\"/opt/a\\$b/mo\\\"v\" %f"},
        {"/opt/100%/movrel", "/opt/100%%/movrel %f"},
        {"/opt/x\\y/movrel", "\"/opt/x\\\\y/movrel\" %f"},
    };
    for (const auto& r : rows)
        QCOMPARE(ExecCommand(r.path), QString(r.command));
    QCOMPARE(MimeTypeOfExtension("ZIP"), QString("application/zip"));

    // written and read back through the desktop file's own escapes
    TAppEnv env(false);
    QString program = env.WriteFile("x\\y dir/movrel", "#!/bin/sh\n");
    QVERIFY(WriteDesktopFile(program, "application/zip"));
    QCOMPARE(ReadDesktopExec(), ExecCommand(program));
    QVERIFY(ReadAll(DesktopFilePath()).contains("MimeType=application/zip;"));
}

void AssocTest::AbsentAssociationShowsTheDialog()
{
    TAppEnv env(false);
    std::unique_ptr<TModalAnswer> answer(AnswerAssoc(false));
    QVERIFY(CheckZipAssociation(nullptr, env.WriteFile("movrel", "x")));
    QVERIFY(answer->Answered());
    QVERIFY(!QFile::exists(DesktopFilePath()));
    QVERIFY(!QFile::exists(MimeAppsPath()));
    QCOMPARE(ShowAssocDialog(), std::optional<QString>("0"));  // stored although unchecked
}

void AssocTest::YesAssociatesAndTheQuestionStops()
{
    TAppEnv env(false);
    QString program = env.WriteFile("bin dir/movrel", "x");
    {
        std::unique_ptr<TModalAnswer> answer(AnswerAssoc(true));
        QVERIFY(CheckZipAssociation(nullptr, program));
        QVERIFY(answer->Answered());
    }
    QCOMPARE(ReadDesktopExec(), ExecCommand(program));
    QCOMPARE(ReadDefaultApp("application/zip"), QString("movrel.desktop"));
    QVERIFY(ReadAll(MimeAppsPath()).contains("[Default Applications]\napplication/zip=movrel.desktop;"));
    QVERIFY(IsZipAssociated(program));

    TModalAnswer none([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    QVERIFY(!CheckZipAssociation(nullptr, program));
    QApplication::processEvents();
    QVERIFY(!none.Answered());
}

void AssocTest::AnotherCommandShowsTheDialog()
{
    TAppEnv env(false);
    QString program = env.WriteFile("movrel", "x");
    QString other = env.WriteFile("old/movrel", "x");
    QVERIFY(WriteDesktopFile(other, "application/zip"));
    QVERIFY(SetDefaultApp("application/zip", "movrel.desktop"));
    for (const QString& running : {program, env.Path("MOVREL")}) {  // letter case counts
        std::unique_ptr<TModalAnswer> answer(AnswerAssoc(false));
        QVERIFY(CheckZipAssociation(nullptr, running));
        QVERIFY(answer->Answered());
    }
    // the command matches but zip files go to another program
    QVERIFY(WriteDesktopFile(program, "application/zip"));
    QVERIFY(SetDefaultApp("application/zip", "org.other.Archiver.desktop"));
    std::unique_ptr<TModalAnswer> answer(AnswerAssoc(false));
    QVERIFY(CheckZipAssociation(nullptr, program));
    QCOMPARE(ReadDefaultApp("application/zip"), QString("org.other.Archiver.desktop"));  // No writes nothing
}

void AssocTest::NeverDisplayStopsTheQuestion()
{
    TAppEnv env(false);
    QString program = env.WriteFile("movrel", "x");
    {
        std::unique_ptr<TModalAnswer> answer(AnswerAssoc(false, true));
        QVERIFY(CheckZipAssociation(nullptr, program));
    }
    QCOMPARE(ShowAssocDialog(), std::optional<QString>("1"));
    QVERIFY(!CheckZipAssociation(nullptr, program));
    QVERIFY(!IsZipAssociated(program));

    TAssocDialog dialog;  // the box comes back checked
    QVERIFY(dialog.CheckBox1->isChecked());
}

void AssocTest::MissingProgramWritesNothing()
{
    TAppEnv env(false);
    QString gone = env.Path("deleted/movrel");
    TAssocDialog dialog;
    TModalAnswer error([](QWidget* box) { ClickButton(box, QMessageBox::Ok); });
    QVERIFY(!dialog.MakeAssociation("zip", gone));
    QVERIFY(error.Answered());
    QCOMPARE(error.Text(), "Error: Program not found: " + gone);
    QVERIFY(!QFile::exists(DesktopFilePath()));
    QVERIFY(!QFile::exists(MimeAppsPath()));
}

void AssocTest::OtherMimeDefaultsAreKept()
{
    TAppEnv env(false);
    QString before = "[Added Associations]\napplication/zip=a.desktop;\n\n[Default Applications]\n"
                     "text/plain=gedit.desktop\napplication/zip=old.desktop;b.desktop;\nimage/png=eog.desktop\n";
    env.WriteFile("config/mimeapps.list", before.toUtf8());
    QCOMPARE(ReadDefaultApp("application/zip"), QString("old.desktop"));
    QVERIFY(SetDefaultApp("application/zip", "movrel.desktop"));
    QString after = ReadAll(MimeAppsPath());
    QCOMPARE(after, QString(before).replace("application/zip=old.desktop;b.desktop;", "application/zip=movrel.desktop;"));
    QCOMPARE(ReadDefaultApp("text/plain"), QString("gedit.desktop"));

    env.WriteFile("config/mimeapps.list", "[Added Associations]\ntext/plain=x.desktop;\n");
    QVERIFY(SetDefaultApp("application/zip", "movrel.desktop"));
    QCOMPARE(ReadAll(MimeAppsPath()), QString("[Added Associations]\ntext/plain=x.desktop;\n\n"
                                              "[Default Applications]\napplication/zip=movrel.desktop;\n"));
}

void AssocTest::MainWindowChecksWhenShown()
{
    TAppEnv env(false);
    TMainform form;
    form.ProgramPath = env.WriteFile("movrel", "x");
    std::unique_ptr<TModalAnswer> answer(AnswerAssoc(false, true));
    form.show();
    QVERIFY(answer->Answered());
    TMainform second;
    second.ProgramPath = form.ProgramPath;
    TModalAnswer none([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    second.show();
    QApplication::processEvents();
    QVERIFY(!none.Answered());
}

QTEST_MAIN(AssocTest)
#include "AssocTest.moc"
