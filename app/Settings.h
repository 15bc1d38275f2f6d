// Movrel's settings: the one table of every value the program keeps (root,
// key path, value name, type, default, and for persisted control properties
// the window, control and property), and the one place that reads and
// writes the store. The registry of the original design becomes one INI
// file through QSettings, $XDG_CONFIG_HOME/Brenhold/Movrel.conf, with one
// group per registry root and key path ("HKEY_LOCAL_MACHINE/SOFTWARE/
// Brenhold/Movrel"). The ".zip" association does not live here: it is a
// desktop file and the XDG MIME defaults (dialogs/XdgAssoc.h).
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace movrel {

Q_NAMESPACE

// The registry roots, in the order TIniOut's RegistryRoot names them.
enum TRegRoots { CLASSES_ROOT, CURRENT_USER, LOCAL_MACHINE, USERS, PERFORMANCE_DATA, CURRENT_CONFIG, DYN_DATA };
Q_ENUM_NS(TRegRoots)

// "SOFTWARE\Brenhold\Movrel"
extern const char* const kProductKey;

enum class TSettingType {
    String,   // REG_SZ
    Bool,     // REG_DWORD 0 or 1
    Integer,  // a whole number
    Ints,     // REG_SZ, comma-separated integers
    Bytes,    // the toolkit's own format (window placement, toolbar docks)
    Item,     // a persisted control property: TIniOut text
};

struct TSetting {
    TRegRoots Root;
    const char* Key;      // key path below the root, "\" separated
    const char* Name;     // value name; unique but for one value that two windows keep ("UseTextures")
    TSettingType Type;
    const char* Default;  // text form; nullptr: computed (see DefaultText)
    // Item rows: the window whose TIniOut holds the line, the control
    // (or the window itself) and its property; LoadOnly lines are never
    // written back. Empty for windows that are not built yet.
    const char* Window = "";
    const char* Component = "";
    const char* Property = "";
    bool LoadOnly = false;
};

// Every row of the table.
const QList<TSetting>& SettingsTable();

// The row of a value name; a name that is not in the table is a
// programming error (asserted) and answers an empty String row.
const TSetting& Setting(const char* name);

// The default text of a row ("ExpDir": the temporary folder with a
// trailing "/").
QString DefaultText(const TSetting& row);

// TIniOut item lines of one window, in table order:
// "component;property;default;key;value;1;loadOnly".
QStringList ItemLines(const char* window);

// The settings file: $XDG_CONFIG_HOME/Brenhold/Movrel.conf (looked up
// each time, so that tests can move it).
QString SettingsFilePath();

// ---- raw access by root, key path and value name (TIniOut's store) ----

std::optional<QString> ReadText(TRegRoots root, const QString& key, const QString& name);
void WriteText(TRegRoots root, const QString& key, const QString& name, const QString& text);
bool ValueExists(TRegRoots root, const QString& key, const QString& name);
void RemoveValue(TRegRoots root, const QString& key, const QString& name);

// ---- typed access by value name (the row gives root and key) ----

// A missing string reads as empty.
QString ReadString(const char* name);
void WriteString(const char* name, const QString& value);
// A missing boolean or integer reads as nothing.
std::optional<bool> ReadBool(const char* name);
void WriteBool(const char* name, bool value);
std::optional<int> ReadInteger(const char* name);
void WriteInteger(const char* name, int value);
// Comma-separated integers; missing or malformed reads as empty.
QList<int> ReadInts(const char* name);
void WriteInts(const char* name, const QList<int>& values);
QByteArray ReadBytes(const char* name);
void WriteBytes(const char* name, const QByteArray& value);

}  // namespace movrel
