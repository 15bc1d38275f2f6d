// The small dialogs: what the caller puts in, what it reads back, and which
// keys close them.
#include "AppTestSupport.h"
#include "Comment.h"
#include "EnterPassw.h"
#include "IncZip.h"
#include "Info.h"
#include "InvPwd.h"
#include "SelFolder.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace movrel;
using movrel::test::TAppEnv;
using movrel::test::TModalAnswer;

class SmallDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void PasswordEntryClosesOnlyByItsButtons();
    void InvalidPasswordHandsBackTheText();
    void IncompleteZipAnswersByButton();
    void CommentEditorTypesTabs();
    void FolderChooserReportsTheSelectedFolder();
    void InfoValues();
    void InfoUsesTheLocaleDecimalSeparator();
};

void SmallDialogsTest::PasswordEntryClosesOnlyByItsButtons()
{
    TEnterPwd dialog;
    QCOMPARE(dialog.windowTitle(), QString("Password"));
    QCOMPARE(dialog.Edit1->echoMode(), QLineEdit::Password);
    bool stillOpen = false;
    TModalAnswer answer([&](QWidget* w) {
        auto* d = qobject_cast<TEnterPwd*>(w);
        QTest::keyClicks(d->Edit1, "s3cret");
        QTest::keyClick(d->Edit1, Qt::Key_Return);
        QTest::keyClick(d->Edit1, Qt::Key_Enter);
        QTest::keyClick(d, Qt::Key_Escape);
        stillOpen = d->isVisible();
        d->OKBtn->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(answer.Answered());
    QVERIFY(stillOpen);
    QCOMPARE(dialog.Edit1->text(), QString("s3cret"));  // kept for the next showing

    TModalAnswer cancel([](QWidget* w) { qobject_cast<TEnterPwd*>(w)->CancelBtn->click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
}

void SmallDialogsTest::InvalidPasswordHandsBackTheText()
{
    TInvalidPwdDlg dialog;
    dialog.PasswordEdit->setText("wrong");
    dialog.Filename->setText("readme.txt");
    QCOMPARE(dialog.PasswordEdit->echoMode(), QLineEdit::Password);
    QVERIFY(dialog.OKBtn->isDefault());
    TModalAnswer answer([](QWidget* w) {
        auto* d = qobject_cast<TInvalidPwdDlg*>(w);
        d->PasswordEdit->setText("right");
        QTest::keyClick(d->PasswordEdit, Qt::Key_Return);  // the default button
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.PasswordEdit->text(), QString("right"));
    TModalAnswer escape([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
}

void SmallDialogsTest::IncompleteZipAnswersByButton()
{
    TIncompleteZipDlg dialog;
    QCOMPARE(dialog.windowTitle(), QString("Incomplete Zip File!"));
    TModalAnswer ok([](QWidget* w) { qobject_cast<TIncompleteZipDlg*>(w)->OKBtn->click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    TModalAnswer escape([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
}

void SmallDialogsTest::CommentEditorTypesTabs()
{
    TCommentEditor dialog;
    dialog.CommentMemo->setPlainText("first");
    TModalAnswer answer([](QWidget* w) {
        auto* d = qobject_cast<TCommentEditor*>(w);
        d->CommentMemo->moveCursor(QTextCursor::End);
        QTest::keyClick(d->CommentMemo, Qt::Key_Tab);
        QTest::keyClicks(d->CommentMemo, "x");
        d->OKBtn->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.CommentMemo->toPlainText(), QString("first\tx"));
}

void SmallDialogsTest::FolderChooserReportsTheSelectedFolder()
{
    TAppEnv env;
    QDir().mkpath(env.Path("a/b c"));
    QString folder = env.Path("a/b c");
    {
        TBrowseFolderDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Select Folder"));
        QVERIFY(dialog.SetStartFolder(folder));
        QCOMPARE(dialog.Label1->text(), folder);
        TModalAnswer ok([](QWidget* w) { qobject_cast<TBrowseFolderDlg*>(w)->OKBtn->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(dialog.SelectedFolder, folder);
        QCOMPARE(dialog.TreePath(), folder);
    }
    {
        TBrowseFolderDlg dialog;
        dialog.SetStartFolder(folder);
        TModalAnswer cancel([](QWidget* w) { qobject_cast<TBrowseFolderDlg*>(w)->CancelBtn->click(); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(dialog.SelectedFolder, QString());
    }
    {
        TBrowseFolderDlg dialog;  // no start folder: the root
        QVERIFY(!dialog.SetStartFolder(env.Path("missing")));
        QString shown;
        TModalAnswer ok([&](QWidget* w) {
            auto* d = qobject_cast<TBrowseFolderDlg*>(w);
            shown = d->Label1->text();
            d->OKBtn->click();
        });
        dialog.exec();
        QCOMPARE(shown, QDir::rootPath());
        QCOMPARE(dialog.SelectedFolder, QDir::rootPath());
    }
}

void SmallDialogsTest::InfoValues()
{
    QLocale::setDefault(QLocale::c());
    const struct {
        int64_t bytes;
        const char* text;
    } sizes[] = {
        {1234, "1234 Bytes -->     1.21 KB"},
        {0, "0 Bytes -->     0.00 KB"},
        {22000010, "22000010 Bytes --> 21484.38 KB"},
        {5000000000LL, "5000000000 Bytes --> 4882812.50 KB"},
    };
    for (const auto& s : sizes)
        QCOMPARE(TInfoForm::SizeText(s.bytes), QString(s.text));

    const struct {
        int64_t packed, size;
        const char* text;
    } ratios[] = {
        {1500, 4000, "62 %"},                 // 62.5: halves go to the even number
        {1300, 4000, "68 %"},                 // 67.5
        {30000000, 100000000, "70 %"},        // totals whose products pass 32 bits
        {21474837, 21474837, "0 %"},
        {5000000000LL, 10000000000LL, "50 %"},
        {1200, 1000, "-20 %"},
        {0, 0, "0 %"},                        // nothing to compare with
    };
    for (const auto& r : ratios)
        QCOMPARE(TInfoForm::RatioText(r.packed, r.size), QString(r.text));

    TInfoForm form;
    QCOMPARE(form.windowTitle(), QString("ZIP Information"));
    form.Fill("/x/a.zip", 1500, 4000, 2, 9, true);
    QCOMPARE(form.FilenameValue->text(), QString("/x/a.zip"));
    QCOMPARE(form.CompressedValue->text(), QString("1500 Bytes -->     1.46 KB"));
    QCOMPARE(form.UncompressedValue->text(), QString("4000 Bytes -->     3.91 KB"));
    QCOMPARE(form.RatioValue->text(), QString("62 %"));
    QCOMPARE(form.FilesValue->text(), QString("2"));
    QCOMPARE(form.LevelValue->text(), QString("9"));
    QCOMPARE(form.EncryptedValue->text(), QString("True"));
    form.Fill("/x/a.zip", 1, 1, 1, 6, false);
    QCOMPARE(form.EncryptedValue->text(), QString("False"));
}

void SmallDialogsTest::InfoUsesTheLocaleDecimalSeparator()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(TInfoForm::SizeText(1234), QString("1234 Bytes -->     1,21 KB"));
    QLocale::setDefault(QLocale::c());
}

QTEST_MAIN(SmallDialogsTest)
#include "SmallDialogsTest.moc"
