// TIniOut: item lines, the value text of every property kind, defaults.
#include "AppTestSupport.h"
#include "EntryList.h"
#include "IniOut.h"
#include "IniOutValues.h"
#include "Settings.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

using namespace movrel;
using movrel::test::TAppEnv;

// Properties of the kinds no stock widget has.
class TProbe : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Lines MEMBER Lines)
    Q_PROPERTY(QChar Letter MEMBER Letter)
    Q_PROPERTY(double Factor MEMBER Factor)
    Q_PROPERTY(QColor Shade MEMBER Shade)
    Q_PROPERTY(QObject* Buddy MEMBER Buddy)
public:
    using QObject::QObject;
    QStringList Lines;
    QChar Letter;
    double Factor = 0;
    QColor Shade;
    QObject* Buddy = nullptr;
};

namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Brenhold\\Movrel");

struct TForm {
    QWidget window;
    QCheckBox* check = new QCheckBox(&window);
    QSpinBox* spin = new QSpinBox(&window);
    QLineEdit* edit = new QLineEdit(&window);
    TEntryList* list = new TEntryList(&window);
    TProbe* probe = new TProbe(&window);
    TIniOut ini{&window};

    TForm()
    {
        window.setObjectName("TestForm");
        check->setObjectName("CheckBox1");
        spin->setObjectName("SpinEdit1");
        spin->setRange(-1000, 1000);
        edit->setObjectName("Edit1");
        probe->setObjectName("Probe1");
        ini.SetRegistryRoot(LOCAL_MACHINE);
    }
    // One item line per call: component;property;default;key;value;1;loadOnly
    void Line(const QString& comp, const QString& prop, const QString& def, const QString& value, bool loadOnly = false)
    {
        ini.SetItems({comp + ";" + prop + ";" + def + ";" + kKey + ";" + value + ";1;" + (loadOnly ? "1" : "0")});
    }
};

QString Stored(const QString& value)
{
    return ReadText(LOCAL_MACHINE, kKey, value).value_or(QStringLiteral("<none>"));
}

}  // namespace

class IniOutTest : public QObject {
    Q_OBJECT
private slots:
    void RoundTripsEveryKind();
    void ReadsBooleanTexts();
    void ReadsSetTexts();
    void BadTextsLeaveTheProperty();
    void FallsBackToDefaults();
    void LoadOnlyLineIsNeverWritten();
    void SkipsLinesWithoutComponentOrProperty();
    void FieldsAreTrimmed();
    void FileNameBecomesIni();
};

void IniOutTest::RoundTripsEveryKind()
{
    TAppEnv env;
    TForm f;
    QFont font(QStringLiteral("DejaVu Sans"), 12);
    font.setBold(true);
    font.setItalic(true);
    QFont fixed(QStringLiteral("DejaVu Sans Mono"), 9);
    fixed.setFixedPitch(true);
    fixed.setStrikeOut(true);

    struct Row {
        const char* kind;
        const char* comp;
        const char* prop;
        std::function<void()> set;     // the value saved
        std::function<void()> spoil;   // another value, replaced by Load
        std::function<bool()> check;   // the saved value is back
        QString text;                  // the stored text
    };
    const Row rows[] = {
        {"integer", "SpinEdit1", "Value", [&] { f.spin->setValue(-42); }, [&] { f.spin->setValue(7); },
         [&] { return f.spin->value() == -42; }, "-42"},
        {"boolean", "CheckBox1", "Checked", [&] { f.check->setChecked(true); }, [&] { f.check->setChecked(false); },
         [&] { return f.check->isChecked(); }, "1"},
        {"enumeration", "LMDListBox1", "ViewStyle", [&] { f.list->SetViewStyle(TEntryList::vsList); },
         [&] { f.list->SetViewStyle(TEntryList::vsIcon); }, [&] { return f.list->ViewStyle() == TEntryList::vsList; },
         "vsList"},
        {"string", "Edit1", "Text", [&] { f.edit->setText("C:\\My Files;x|y"); }, [&] { f.edit->setText("z"); },
         [&] { return f.edit->text() == "C:\\My Files;x|y"; }, "C:\\My Files;x|y"},
        {"string list", "Probe1", "Lines", [&] { f.probe->Lines = {"C:\\A", "D:\\B"}; },
         [&] { f.probe->Lines = {"x"}; }, [&] { return f.probe->Lines == QStringList{"C:\\A", "D:\\B"}; },
         "C:\\A|D:\\B"},
        {"set", "LMDListBox1", "ExtendedStyles",
         [&] { f.list->SetExtendedStyles(TEntryList::lvxFullRowSelect | TEntryList::lvxGridLines); },
         [&] { f.list->SetExtendedStyles(TEntryList::lvxUnderlineHot); },
         [&] { return f.list->ExtendedStyles() == (TEntryList::lvxFullRowSelect | TEntryList::lvxGridLines); },
         "[lvxGridLines,lvxFullRowSelect]"},
        {"empty set", "LMDListBox1", "ExtendedStyles", [&] { f.list->SetExtendedStyles({}); },
         [&] { f.list->SetExtendedStyles(TEntryList::lvxUnderlineHot); },
         [&] { return f.list->ExtendedStyles() == TEntryList::TExtendedStyles(); }, "[]"},
        {"font", "Edit1", "Font", [&] { f.edit->setFont(font); }, [&] { f.edit->setFont(QFont("Serif", 20)); },
         [&] {
             QFont g = f.edit->font();
             return g.family() == "DejaVu Sans" && g.pointSize() == 12 && g.bold() && g.italic() && !g.underline() &&
                    !g.fixedPitch();
         },
         "1|clWindowText|-16|DejaVu Sans|fpDefault|12|[fsBold,fsItalic]"},
        {"fixed font", "Edit1", "Font", [&] { f.edit->setFont(fixed); }, [&] { f.edit->setFont(QFont("Serif", 20)); },
         [&] {
             QFont g = f.edit->font();
             return g.family() == "DejaVu Sans Mono" && g.pointSize() == 9 && !g.bold() && g.strikeOut() &&
                    g.fixedPitch();
         },
         "1|clWindowText|-12|DejaVu Sans Mono|fpFixed|9|[fsStrikeOut]"},
        {"character", "Probe1", "Letter", [&] { f.probe->Letter = 'Q'; }, [&] { f.probe->Letter = 'x'; },
         [&] { return f.probe->Letter == 'Q'; }, "Q"},
        {"floating point", "Probe1", "Factor", [&] { f.probe->Factor = 2.5; }, [&] { f.probe->Factor = 9; },
         [&] { return f.probe->Factor == 2.5; }, "2.5"},
        {"named colour", "Probe1", "Shade", [&] { f.probe->Shade = QColor(255, 0, 0); },
         [&] { f.probe->Shade = Qt::black; }, [&] { return f.probe->Shade == QColor(255, 0, 0); }, "clRed"},
        {"other colour", "Probe1", "Shade", [&] { f.probe->Shade = QColor(0x12, 0x34, 0x56); },
         [&] { f.probe->Shade = Qt::black; }, [&] { return f.probe->Shade == QColor(0x12, 0x34, 0x56); },
         QString::number(0x563412)},
        {"cursor", "Edit1", "Cursor", [&] { f.edit->setCursor(Qt::PointingHandCursor); },
         [&] { f.edit->setCursor(Qt::ArrowCursor); }, [&] { return f.edit->cursor().shape() == Qt::PointingHandCursor; },
         "crHandPoint"},
        {"object", "Probe1", "Buddy", [&] { f.probe->Buddy = f.check; }, [&] { f.probe->Buddy = nullptr; },
         [&] { return f.probe->Buddy == f.check; }, "CheckBox1"},
    };
    for (const Row& row : rows) {
        QString value = QStringLiteral("V_") + row.kind;
        f.Line(row.comp, row.prop, QString(), value);
        row.set();
        f.ini.Save();
        QVERIFY2(Stored(value) == row.text, qPrintable(QStringLiteral("%1 stored as %2").arg(row.kind, Stored(value))));
        row.spoil();
        f.ini.Load();
        QVERIFY2(row.check(), row.kind);
    }
}

void IniOutTest::ReadsBooleanTexts()
{
    TAppEnv env;
    TForm f;
    f.Line("CheckBox1", "Checked", "", "B");
    const struct {
        const char* text;
        bool before, after;
    } rows[] = {
        {"0", true, false}, {"1", false, true}, {"yes", false, true}, {"Yes", false, true}, {"no", true, false},
        {"True", false, true}, {"t", false, true}, {"False", true, false}, {"", true, true}, {"", false, false},
    };
    for (const auto& r : rows) {
        WriteText(LOCAL_MACHINE, kKey, "B", QString::fromLatin1(r.text));
        f.check->setChecked(r.before);
        f.ini.Load();
        QVERIFY2(f.check->isChecked() == r.after, r.text);
    }
}

void IniOutTest::ReadsSetTexts()
{
    TAppEnv env;
    TForm f;
    f.Line("LMDListBox1", "ExtendedStyles", "", "S");
    using L = TEntryList;
    const struct {
        const char* text;
        L::TExtendedStyles expected;
    } rows[] = {
        {"[lvxUnderlineHot]", L::lvxUnderlineHot},
        {"[lvxGridLines,lvxFullRowSelect]", L::lvxGridLines | L::lvxFullRowSelect},
        {"[]", {}},
        {"lvxFlatScrollBar and lvxGridLines anywhere", L::lvxFlatScrollBar | L::lvxGridLines},
    };
    for (const auto& r : rows) {
        WriteText(LOCAL_MACHINE, kKey, "S", QString::fromLatin1(r.text));
        f.list->SetExtendedStyles(L::lvxHeaderDragDrop | L::lvxInfoTip);
        f.ini.Load();
        QVERIFY2(f.list->ExtendedStyles() == r.expected, r.text);
    }
}

void IniOutTest::BadTextsLeaveTheProperty()
{
    TAppEnv env;
    TForm f;
    f.spin->setValue(5);
    f.list->SetViewStyle(TEntryList::vsSmallIcon);
    f.ini.SetItems({"SpinEdit1;Value;;" + kKey + ";N;1;0", "LMDListBox1;ViewStyle;;" + kKey + ";E;1;0",
                    "Probe1;Shade;;" + kKey + ";C;1;0"});
    f.probe->Shade = Qt::green;
    for (const char* text : {"", "abc", "12x"}) {
        WriteText(LOCAL_MACHINE, kKey, "N", text);
        WriteText(LOCAL_MACHINE, kKey, "E", text);
        WriteText(LOCAL_MACHINE, kKey, "C", text);
        f.ini.Load();
        QCOMPARE(f.spin->value(), 5);
        QCOMPARE(f.list->ViewStyle(), TEntryList::vsSmallIcon);
        QCOMPARE(f.probe->Shade, QColor(Qt::green));
    }
}

void IniOutTest::FallsBackToDefaults()
{
    TAppEnv env;
    TForm f;
    f.check->setChecked(false);
    f.spin->setValue(3);
    f.edit->setText("keep?");
    f.probe->Lines = {"a"};
    f.list->SetExtendedStyles(TEntryList::lvxGridLines);
    f.list->SetViewStyle(TEntryList::vsIcon);
    f.ini.SetItems({
        "CheckBox1;Checked;True;" + kKey + ";D1;1;0",
        "SpinEdit1;Value;;" + kKey + ";D2;1;0",          // empty default: integer unchanged
        "Edit1;Text;;" + kKey + ";D3;1;0",               // empty default: empty text
        "Probe1;Lines;;" + kKey + ";D4;1;0",             // empty list
        "LMDListBox1;ExtendedStyles;;" + kKey + ";D5;1;0",  // empty set
        "LMDListBox1;ViewStyle;vsReport;" + kKey + ";D6;1;0",
    });
    f.ini.Load();
    QVERIFY(f.check->isChecked());
    QCOMPARE(f.spin->value(), 3);
    QCOMPARE(f.edit->text(), QString());
    QVERIFY(f.probe->Lines.isEmpty());
    QCOMPARE(f.list->ExtendedStyles(), TEntryList::TExtendedStyles());
    QCOMPARE(f.list->ViewStyle(), TEntryList::vsReport);

    // an empty font text leaves name and size and clears the style
    QFont font("DejaVu Sans", 11);
    font.setBold(true);
    f.edit->setFont(font);
    f.ini.SetItems({"Edit1;Font;;" + kKey + ";D7;1;0"});
    f.ini.Load();
    QCOMPARE(f.edit->font().family(), QString("DejaVu Sans"));
    QCOMPARE(f.edit->font().pointSize(), 11);
    QVERIFY(!f.edit->font().bold());
}

void IniOutTest::LoadOnlyLineIsNeverWritten()
{
    TAppEnv env;
    TForm f;
    f.ini.SetItems({"CheckBox1;Checked;True;" + kKey + ";OfficeTb;1;1"});
    f.ini.Load();
    QVERIFY(f.check->isChecked());
    f.ini.Save();
    QVERIFY(!ValueExists(LOCAL_MACHINE, kKey, "OfficeTb"));
    WriteText(LOCAL_MACHINE, kKey, "OfficeTb", "0");
    f.ini.Load();
    QVERIFY(!f.check->isChecked());
}

void IniOutTest::SkipsLinesWithoutComponentOrProperty()
{
    TAppEnv env;
    TForm f;
    f.spin->setValue(9);
    f.ini.SetItems({
        "NoSuchControl;Value;1;" + kKey + ";A;1;0",
        "SpinEdit1;NoSuchProperty;1;" + kKey + ";B;1;0",
        "testform;WindowTitle;x;" + kKey + ";C;1;0",  // the window's own name matches exactly only
        ";;;;;;",
        "spinedit1;VALUE;4;" + kKey + ";D;1;0",       // controls and properties without regard to case
    });
    f.ini.Load();
    QCOMPARE(f.spin->value(), 4);
    f.ini.Save();
    QCOMPARE(Stored("D"), QString("4"));
    for (const char* v : {"A", "B", "C"})
        QVERIFY2(!ValueExists(LOCAL_MACHINE, kKey, v), v);

    f.window.setWindowTitle("before");
    f.ini.SetItems({"TestForm;WindowTitle;after;" + kKey + ";E;1;0"});
    f.ini.Load();
    QCOMPARE(f.window.windowTitle(), QString("after"));
}

void IniOutTest::FieldsAreTrimmed()
{
    QCOMPARE(TIniOut::Field(" a ;\tb\t; c", 2), QString("b"));
    QCOMPARE(TIniOut::Field("a;b", 5), QString());
    QCOMPARE(TIniOut::Field("Toolbar971;Visible;True;SOFTWARE\\Brenhold\\Movrel;OfficeTb;1;1", 7), QString("1"));
}

void IniOutTest::FileNameBecomesIni()
{
    QWidget w;
    TIniOut ini(&w);
    ini.SetFileName("settings.cfg");
    QCOMPARE(ini.FileName(), QString("SETTINGS.INI"));
}

QTEST_MAIN(IniOutTest)
#include "IniOutTest.moc"
