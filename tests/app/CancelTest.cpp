// Responsiveness and Cancel while the engine works on large files: the
// window answers between buffers, the commands are off, Cancel stops an add
// without touching the old archive and an extraction without leaving a
// partial file, and closing the window stops the operation first.
#include "Addunit.h"
#include "StatusPanes.h"
#include "TestSupport.h"
#include "WindowDriver.h"
#include "extrunit.h"
#include "mainunit.h"
#include "msgunit.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace movrel;
using namespace movrel::test;

class CancelTest : public QObject {
    Q_OBJECT
private slots:
    void CancelDuringLargeAddKeepsTheOldArchive();
    void CancelDuringLargeExtractStops();
    void ClosingDuringAnOperationCancelsItFirst();
};

void CancelTest::CancelDuringLargeAddKeepsTheOldArchive()
{
    TAppEnv env;
    Prefs(env, true);
    env.WriteFile("small/s.txt", "small");
    env.WriteFile("big/big.txt", Text(48 << 20, 7));
    TMainform form;
    form.show();
    QString zip = env.Path("old.zip");
    CreateArchive(form, zip);
    {
        TModalScript first([&](QWidget* w, int) { AnswerAdd(w, {{env.Path("small/s.txt")}}); });
        form.A.AddFiles1->trigger();
    }
    const QByteArray before = ReadAll(zip);
    QVERIFY(!before.isEmpty());

    // While the engine works: the window answers, commands are off, the
    // message window repaints; Cancel once a third of the work is done.
    bool sawBusy = false, commandsOff = true;
    int paints = 0;
    qint64 longestPause = 0;
    QElapsedTimer clock;
    qint64 lastTick = -1;
    struct TPaintCounter : QObject {
        int* count;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter;
    counter.count = &paints;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.EngineBusy())
            return;
        if (!sawBusy) {
            sawBusy = true;
            clock.start();
            form.Msgform->ProgressBar1->installEventFilter(&counter);
        }
        qint64 now = clock.elapsed();
        if (lastTick >= 0)
            longestPause = std::max(longestPause, now - lastTick);
        lastTick = now;
        for (QAction* a : {form.A.AddFiles1, form.A.ExtractFiles1, form.A.RemoveFiles1, form.A.Open1, form.A.New1,
                           form.A.DeleteZIPFile1, form.A.FixZIP1, form.A.ZIPComment1, form.A.AddBut})
            commandsOff = commandsOff && !a->isEnabled();
        form.A.ExtractFiles1->trigger();  // refused: no second operation
        if (form.StatusBar1->ProgressBar1->value() >= 30 && form.Msgform->CancelBtn->isEnabled())
            form.Msgform->CancelBtn->click();
    });
    watch.start(1);

    TModalScript add([&](QWidget* w, int n) {
        if (n == 0)
            return AnswerAdd(w, {{env.Path("big/big.txt")}, 9});
        ClickButton(w, QMessageBox::Ok);
    });
    form.A.AddFiles1->trigger();
    watch.stop();
    qInfo("longest pause between window messages during a level-9 add: %lld ms", longestPause);

    QVERIFY(sawBusy);
    QVERIFY(commandsOff);
    QVERIFY(paints > 0);
    QCOMPARE(add.Boxes(), QStringList{"Movrel: User Aborted Operation"});
    QCOMPARE(ReadAll(zip), before);  // the old archive, byte for byte
    QCOMPARE(QDir(env.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.zip"});  // no temporary file
    QVERIFY(QDir(env.Path("work")).isEmpty());
    QCOMPARE(Captions(form), QStringList{"s.txt"});  // listed again
    QVERIFY(form.A.AddFiles1->isEnabled() && form.A.Open1->isEnabled());
    QVERIFY(!form.Msgform->isVisible());  // Cancel closes the message window
    QVERIFY(!form.StatusBar1->ProgressBar1->isVisible());
}


void CancelTest::CancelDuringLargeExtractStops()
{
    if (!movrel::test::HaveTool("zip"))
        QSKIP("zip is not installed");
    TAppEnv env;
    Prefs(env, true);
    env.WriteFile("big/big.txt", Text(48 << 20, 9));
    QString zip = env.Path("big.zip");
    QCOMPARE(Run("zip -q -1 -j " + Q(zip) + " " + Q(env.Path("big/big.txt"))), 0);
    env.WriteFile("dest/big.txt", "kept");

    TMainform form;
    OpenArchive(form, zip);
    QTimer watch;
    QElapsedTimer clock;
    qint64 lastTick = -1, longestPause = 0;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.EngineBusy())
            return;
        qint64 now = clock.isValid() ? clock.elapsed() : (clock.start(), 0);
        if (lastTick >= 0)
            longestPause = std::max(longestPause, now - lastTick);
        lastTick = now;
        if (form.Msgform->ProgressBar1->value() >= 30 && form.Msgform->CancelBtn->isEnabled())
            form.Msgform->CancelBtn->click();
    });
    watch.start(1);
    TModalScript extract([&](QWidget* w, int n) {
        if (n == 0)
            return AnswerExtract(w, {env.Path("dest"), 1, 1, 0, {}});
        ClickButton(w, QMessageBox::Ok);
    });
    form.A.ExtractFiles1->trigger();
    watch.stop();
    qInfo("longest pause between window messages during an extraction: %lld ms", longestPause);
    QCOMPARE(extract.Boxes(), QStringList{"Movrel: User Aborted Operation"});
    QCOMPARE(ReadAll(env.Path("dest/big.txt")), QByteArray("kept"));  // the existing file as it was
    QCOMPARE(QDir(env.Path("dest")).entryList(QDir::Files | QDir::Hidden), QStringList{"big.txt"});
    QCOMPARE(form.KestroZip1.OverwriteMode, Always);
    QVERIFY(!form.KestroZip1.DoAll);
    QVERIFY(form.A.ExtractFiles1->isEnabled());
}


void CancelTest::ClosingDuringAnOperationCancelsItFirst()
{
    TAppEnv env;
    Prefs(env, false);
    env.WriteFile("big/big.txt", Text(32 << 20, 3));
    TMainform form;
    form.show();
    QString zip = env.Path("c.zip");
    CreateArchive(form, zip);
    QTimer watch;
    bool closedWhileBusy = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (form.EngineBusy() && !closedWhileBusy) {
            closedWhileBusy = true;
            form.close();
            QVERIFY(form.isVisible());  // not yet: the engine stops first
        }
    });
    watch.start(1);
    TModalScript add([&](QWidget* w, int n) {
        if (n == 0)
            return AnswerAdd(w, {{env.Path("big/big.txt")}});
        // the new archive was never written: re-listing it asks whether to create it
        ClickButton(w, qobject_cast<QMessageBox*>(w)->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok);
    });
    form.A.AddFiles1->trigger();
    watch.stop();
    QVERIFY(closedWhileBusy);
    QCOMPARE(add.Boxes().last(), QString("Movrel: User Aborted Operation"));
    QTRY_VERIFY(!form.isVisible());
    QVERIFY(!QFile::exists(zip));
}


QTEST_MAIN(CancelTest)
#include "CancelTest.moc"
