// The persisted text of a property, by its kind, and back.
//
//   kind                 written                          read back
//   integer              "6"                              the number; empty: unchanged
//   colour (QColor)      "clRed", else the number         identifier or number ($00BBGGRR)
//   cursor (QCursor)     "crIBeam", else the number       identifier or number
//   character (QChar)    the character                    the first character; empty: unchanged
//   boolean              "1" / "0"                        first character 1 T Y t y: true;
//                                                         others: false; empty: unchanged
//   enumeration          the value's name ("vsReport");   that name; unknown: unchanged
//                        out of range: the lowest name
//   floating point       the locale's general format      the number
//   string               the text                         the text
//   set (flags)          "[a,b]" ascending, "[]"          every element whose name occurs
//                                                         in the text
//   string list          lines joined by "|"              "|" splits lines
//   font                 Charset|Color|Height|Name|       field by field; an empty field
//                        Pitch|Size|Style                 leaves that part unchanged
//                        e.g. 1|clWindowText|-11|MS Sans Serif|fpDefault|8|[]
//   object (QObject*)    its objectName                   the window's object of that name
//   anything else        empty                            ignored
#pragma once

#include <QColor>
#include <QMetaProperty>
#include <QString>

#include <optional>

class QFont;
class QObject;
class QWidget;

namespace movrel {

// The property of obj whose name equals name without regard to case,
// taking properties in order of their names; invalid when there is none.
QMetaProperty FindProperty(const QObject* obj, const QString& name);

// The persisted text of p's current value on obj.
QString PropertyText(const QObject* obj, const QMetaProperty& p);

// Sets p on obj from a persisted text; window resolves object names.
// A text that does not convert leaves the property unchanged.
void ApplyPropertyText(QObject* obj, const QMetaProperty& p, const QString& text, QWidget* window);

// Colours: "clRed", "clWindowText" ... or the decimal $00BBGGRR number.
QString ColorText(const QColor& color);
std::optional<QColor> ColorFromText(const QString& text);

// A font with its text colour, and back. color may be null.
QString FontText(const QFont& font, const QColor& color);
void ApplyFontText(QFont& font, QColor* color, const QString& text);

}  // namespace movrel
