#include "IniOutValues.h"

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QLocale>
#include <QMetaEnum>
#include <QPalette>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace movrel {

namespace {

enum class TKind { Integer, Color, Cursor, Char, Bool, Enum, Set, Float, String, StringList, Font, Object, Unknown };

TKind KindOf(const QMetaProperty& p)
{
    if (p.isEnumType())
        return p.isFlagType() ? TKind::Set : TKind::Enum;
    QMetaType t = p.metaType();
    switch (t.id()) {
    case QMetaType::Bool: return TKind::Bool;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: return TKind::Integer;
    case QMetaType::QChar:
    case QMetaType::Char: return TKind::Char;
    case QMetaType::Double:
    case QMetaType::Float: return TKind::Float;
    case QMetaType::QString:
    case QMetaType::QByteArray: return TKind::String;
    case QMetaType::QStringList: return TKind::StringList;
    case QMetaType::QFont: return TKind::Font;
    case QMetaType::QColor: return TKind::Color;
    case QMetaType::QCursor: return TKind::Cursor;
    default: break;
    }
    if (t.flags() & QMetaType::PointerToQObject)
        return TKind::Object;
    return TKind::Unknown;
}

struct TNamed {
    const char* Name;
    qint64 Value;
};

// Colour constants, $00BBGGRR.
const TNamed kColors[] = {
    {"clBlack", 0x000000},   {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000},    {"clPurple", 0x800080}, {"clTeal", 0x808000},  {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},  {"clRed", 0x0000FF},    {"clLime", 0x00FF00},  {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},    {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
};

// System colours: the desktop palette's role stands in for each.
struct TSystemColor {
    const char* Name;
    qint64 Value;
    QPalette::ColorRole Role;
};
const TSystemColor kSystemColors[] = {
    {"clWindowText", 0x80000008, QPalette::Text},
    {"clWindow", 0x80000005, QPalette::Base},
    {"clBtnFace", 0x8000000F, QPalette::Button},
    {"clBtnText", 0x80000012, QPalette::ButtonText},
    {"clHighlight", 0x8000000D, QPalette::Highlight},
    {"clHighlightText", 0x8000000E, QPalette::HighlightedText},
    {"clMenu", 0x80000004, QPalette::Window},
    {"clMenuText", 0x80000007, QPalette::WindowText},
    {"clInfoBk", 0x80000018, QPalette::ToolTipBase},
    {"clInfoText", 0x80000017, QPalette::ToolTipText},
    {"clBtnShadow", 0x80000010, QPalette::Dark},
    {"clBtnHighlight", 0x80000014, QPalette::Light},
};

// Cursor identifiers and their numbers; the first row of a shape is the
// one written.
struct TCursorName {
    const char* Name;
    int Value;
    Qt::CursorShape Shape;
};
const TCursorName kCursors[] = {
    {"crDefault", 0, Qt::ArrowCursor},          {"crNone", -1, Qt::BlankCursor},
    {"crArrow", -2, Qt::ArrowCursor},           {"crCross", -3, Qt::CrossCursor},
    {"crIBeam", -4, Qt::IBeamCursor},           {"crSizeNESW", -6, Qt::SizeBDiagCursor},
    {"crSizeNS", -7, Qt::SizeVerCursor},        {"crSizeNWSE", -8, Qt::SizeFDiagCursor},
    {"crSizeWE", -9, Qt::SizeHorCursor},        {"crUpArrow", -10, Qt::UpArrowCursor},
    {"crHourGlass", -11, Qt::WaitCursor},       {"crDrag", -12, Qt::DragMoveCursor},
    {"crNoDrop", -13, Qt::ForbiddenCursor},     {"crHSplit", -14, Qt::SplitHCursor},
    {"crVSplit", -15, Qt::SplitVCursor},        {"crMultiDrag", -16, Qt::DragCopyCursor},
    {"crNo", -18, Qt::ForbiddenCursor},         {"crAppStart", -19, Qt::BusyCursor},
    {"crHelp", -20, Qt::WhatsThisCursor},       {"crHandPoint", -21, Qt::PointingHandCursor},
    {"crSizeAll", -22, Qt::SizeAllCursor},
};

const char* const kFontStyles[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

qint64 ToBgr(const QColor& c)
{
    return (qint64(c.blue()) << 16) | (c.green() << 8) | c.red();
}

QColor FromBgr(qint64 v)
{
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QPalette AppPalette()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::palette() : QPalette();
}

std::optional<qint64> ToInteger(const QString& text)
{
    bool ok = false;
    qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

// First character 1, T, Y, t or y.
bool TextIsTrue(const QString& text)
{
    QChar c = text[0];
    return c == '1' || c == 'T' || c == 'Y' || c == 't' || c == 'y';
}

// The single-bit keys of a flags enumeration, in ascending order.
QList<std::pair<QString, int>> SetElements(const QMetaEnum& e)
{
    QList<std::pair<QString, int>> out;
    for (int i = 0; i < e.keyCount(); ++i) {
        int v = e.value(i);
        if (v != 0 && (v & (v - 1)) == 0)
            out.append({QString::fromLatin1(e.key(i)), v});
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return unsigned(a.second) < unsigned(b.second); });
    return out;
}

QString SetText(const QStringList& names)
{
    return "[" + names.join(',') + "]";
}

QString EnumText(const QMetaEnum& e, int value)
{
    if (const char* key = e.valueToKey(value))
        return QString::fromLatin1(key);
    if (e.keyCount() == 0)
        return {};
    int lowest = 0;
    for (int i = 1; i < e.keyCount(); ++i)
        if (e.value(i) < e.value(lowest))
            lowest = i;
    return QString::fromLatin1(e.key(lowest));
}

std::optional<int> EnumValue(const QMetaEnum& e, const QString& text)
{
    for (int i = 0; i < e.keyCount(); ++i)
        if (text.compare(QLatin1String(e.key(i)), Qt::CaseInsensitive) == 0)
            return e.value(i);
    return std::nullopt;
}

QString CursorText(const QCursor& cursor)
{
    for (const TCursorName& c : kCursors)
        if (c.Shape == cursor.shape())
            return QString::fromLatin1(c.Name);
    return QString::number(int(cursor.shape()));
}

std::optional<Qt::CursorShape> CursorFromText(const QString& text)
{
    for (const TCursorName& c : kCursors)
        if (text.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0)
            return c.Shape;
    std::optional<qint64> n = ToInteger(text);
    if (!n)
        return std::nullopt;
    for (const TCursorName& c : kCursors)
        if (c.Value == *n)
            return c.Shape;
    return std::nullopt;
}

QString StringListText(const QStringList& lines)
{
    // the lines' text, every line break made "|", the final "|" removed
    QString text;
    for (const QString& line : lines)
        text += line + '|';
    text.chop(1);
    return text;
}

QStringList StringListFromText(const QString& text)
{
    if (text.isEmpty())
        return {};
    QStringList lines = text.split('|');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();  // a final line break ends the last line
    return lines;
}

// The text colour that a widget's font is drawn in.
QColor WidgetTextColor(const QObject* obj)
{
    if (auto* w = qobject_cast<const QWidget*>(obj))
        return w->palette().color(QPalette::Text);
    return AppPalette().color(QPalette::Text);
}

}  // namespace

QMetaProperty FindProperty(const QObject* obj, const QString& name)
{
    const QMetaObject* mo = obj->metaObject();
    QList<QMetaProperty> props;
    for (int i = 0; i < mo->propertyCount(); ++i)
        props << mo->property(i);
    std::stable_sort(props.begin(), props.end(),
                     [](const QMetaProperty& a, const QMetaProperty& b) { return qstrcmp(a.name(), b.name()) < 0; });
    QString wanted = name.toUpper();
    for (const QMetaProperty& p : props)
        if (QString::fromLatin1(p.name()).toUpper() == wanted)
            return p;
    return {};
}

QString ColorText(const QColor& color)
{
    qint64 bgr = ToBgr(color);
    for (const TNamed& c : kColors)
        if (c.Value == bgr)
            return QString::fromLatin1(c.Name);
    return QString::number(bgr);
}

std::optional<QColor> ColorFromText(const QString& text)
{
    for (const TNamed& c : kColors)
        if (text.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0)
            return FromBgr(c.Value);
    for (const TSystemColor& c : kSystemColors)
        if (text.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0)
            return AppPalette().color(c.Role);
    std::optional<qint64> n = ToInteger(text);
    if (!n)
        return std::nullopt;
    qint64 v = *n & 0xFFFFFFFF;
    if (v & 0x80000000) {  // a system colour by its number
        for (const TSystemColor& c : kSystemColors)
            if (c.Value == v)
                return AppPalette().color(c.Role);
        return std::nullopt;
    }
    return FromBgr(v);
}

QString FontText(const QFont& font, const QColor& color)
{
    int size = font.pointSize() > 0 ? font.pointSize() : int(std::lround(font.pixelSize() * 72.0 / 96.0));
    int height = font.pointSize() > 0 ? -int(std::lround(font.pointSizeF() * 96.0 / 72.0)) : -font.pixelSize();
    QString colorText = color == AppPalette().color(QPalette::Text) ? QStringLiteral("clWindowText") : ColorText(color);
    QStringList style;
    const bool on[] = {font.bold(), font.italic(), font.underline(), font.strikeOut()};
    for (int i = 0; i < 4; ++i)
        if (on[i])
            style << kFontStyles[i];
    // the font's properties in order of their names, each followed by "|"
    QStringList fields{QStringLiteral("1"),  // Charset: the default; Qt fonts carry none
                       colorText,
                       QString::number(height),
                       font.family(),
                       font.fixedPitch() ? QStringLiteral("fpFixed") : QStringLiteral("fpDefault"),
                       QString::number(size),
                       SetText(style)};
    return fields.join('|');
}

void ApplyFontText(QFont& font, QColor* color, const QString& text)
{
    QStringList raw = text.split('|');
    auto field = [&](int k) {
        QString f = k < raw.size() ? raw[k] : QString();
        int a = 0, b = int(f.size());
        while (a < b && f[a].unicode() <= 32)
            ++a;
        while (b > a && f[b - 1].unicode() <= 32)
            --b;
        return f.mid(a, b - a);
    };
    // 0 Charset: nothing to set
    if (QString c = field(1); !c.isEmpty() && color)
        if (std::optional<QColor> v = ColorFromText(c))
            *color = *v;
    if (std::optional<qint64> h = ToInteger(field(2)); h && *h != 0)
        font.setPixelSize(int(std::llabs(*h)));
    if (QString name = field(3); !name.isEmpty())
        font.setFamily(name);
    if (QString pitch = field(4); !pitch.isEmpty()) {
        if (pitch.compare("fpFixed", Qt::CaseInsensitive) == 0)
            font.setFixedPitch(true);
        else if (pitch.compare("fpDefault", Qt::CaseInsensitive) == 0 || pitch.compare("fpVariable", Qt::CaseInsensitive) == 0)
            font.setFixedPitch(false);
    }
    if (std::optional<qint64> s = ToInteger(field(5)); s && *s > 0)
        font.setPointSize(int(*s));
    QString style = field(6);
    font.setBold(style.contains(QLatin1String(kFontStyles[0])));
    font.setItalic(style.contains(QLatin1String(kFontStyles[1])));
    font.setUnderline(style.contains(QLatin1String(kFontStyles[2])));
    font.setStrikeOut(style.contains(QLatin1String(kFontStyles[3])));
}

QString PropertyText(const QObject* obj, const QMetaProperty& p)
{
    QVariant v = p.read(obj);
    switch (KindOf(p)) {
    case TKind::Integer: return QString::number(v.toLongLong());
    case TKind::Color: return ColorText(v.value<QColor>());
    case TKind::Cursor: return CursorText(v.value<QCursor>());
    case TKind::Char: {
        QChar c = v.typeId() == QMetaType::Char ? QChar(char(v.toInt())) : v.toChar();
        return c.isNull() ? QString() : QString(c);
    }
    case TKind::Bool: return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case TKind::Enum: return EnumText(p.enumerator(), v.toInt());
    case TKind::Set: {
        int bits = v.toInt();
        QStringList names;
        for (const auto& [name, value] : SetElements(p.enumerator()))
            if (bits & value)
                names << name;
        return SetText(names);
    }
    case TKind::Float: return QLocale().toString(v.toDouble(), 'g', 15);
    case TKind::String: return v.toString();
    case TKind::StringList: return StringListText(v.toStringList());
    case TKind::Font: return FontText(v.value<QFont>(), WidgetTextColor(obj));
    case TKind::Object: {
        QObject* o = v.value<QObject*>();
        return o ? o->objectName() : QString();
    }
    case TKind::Unknown: return {};
    }
    return {};
}

void ApplyPropertyText(QObject* obj, const QMetaProperty& p, const QString& text, QWidget* window)
{
    switch (KindOf(p)) {
    case TKind::Integer:
        if (std::optional<qint64> n = ToInteger(text))
            p.write(obj, QVariant::fromValue(*n));
        return;
    case TKind::Color:
        if (std::optional<QColor> c = ColorFromText(text))
            p.write(obj, *c);
        return;
    case TKind::Cursor:
        if (std::optional<Qt::CursorShape> s = CursorFromText(text))
            p.write(obj, QCursor(*s));
        return;
    case TKind::Char:
        if (!text.isEmpty())
            p.write(obj, p.metaType().id() == QMetaType::Char ? QVariant::fromValue(char(text[0].toLatin1())) : QVariant(text[0]));
        return;
    case TKind::Bool:
        if (!text.isEmpty())
            p.write(obj, TextIsTrue(text));
        return;
    case TKind::Enum:
        if (std::optional<int> v = EnumValue(p.enumerator(), text))
            p.write(obj, *v);
        return;
    case TKind::Set: {
        int bits = 0;
        for (const auto& [name, value] : SetElements(p.enumerator()))
            if (text.contains(name))
                bits |= value;
        p.write(obj, bits);
        return;
    }
    case TKind::Float: {
        bool ok = false;
        double d = QLocale().toDouble(text.trimmed(), &ok);
        if (!ok)
            d = QLocale::c().toDouble(text.trimmed(), &ok);
        if (ok)
            p.write(obj, d);
        return;
    }
    case TKind::String:
        p.write(obj, text);
        return;
    case TKind::StringList:
        p.write(obj, StringListFromText(text));
        return;
    case TKind::Font: {
        QFont font = p.read(obj).value<QFont>();
        QColor color = WidgetTextColor(obj);
        QColor before = color;
        ApplyFontText(font, &color, text);
        p.write(obj, font);
        auto* w = qobject_cast<QWidget*>(obj);
        if (w && color != before) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Text, color);
            pal.setColor(QPalette::WindowText, color);
            w->setPalette(pal);
        }
        return;
    }
    case TKind::Object: {
        if (!window || text.isEmpty())
            return;
        for (QObject* o : window->findChildren<QObject*>())
            if (o->objectName().compare(text, Qt::CaseInsensitive) == 0) {
                p.write(obj, QVariant::fromValue(o));
                return;
            }
        return;
    }
    case TKind::Unknown: return;
    }
}

}  // namespace movrel
