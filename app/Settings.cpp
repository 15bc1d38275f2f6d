#include "Settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <cassert>
#include <cstring>

namespace movrel {

const char* const kProductKey = "SOFTWARE\\Brenhold\\Movrel";

namespace {

constexpr const char* kProduct = "SOFTWARE\\Brenhold\\Movrel";
constexpr const char* kColumns = "SOFTWARE\\Brenhold\\Movrel\\Columns";
constexpr const char* kSort = "SOFTWARE\\Brenhold\\Movrel\\Sort";
constexpr const char* kToolbars = "SOFTWARE\\Brenhold\\Movrel\\Toolbars";
constexpr const char* kForms = "SOFTWARE\\Brenhold\\Movrel\\Forms";
constexpr const char* kTextEditor = "SOFTWARE\\Brenhold\\Text Editor";

using T = TSettingType;

// Rows of windows that later work builds carry their value, type and
// default; their control and property are named when the window exists.
const QList<TSetting> kTable = {
    // values read and written directly
    {LOCAL_MACHINE, kProduct, "InitDir", T::String, ""},
    {LOCAL_MACHINE, kProduct, "last1", T::String, ""},
    {LOCAL_MACHINE, kProduct, "last2", T::String, ""},
    {LOCAL_MACHINE, kProduct, "last3", T::String, ""},
    {LOCAL_MACHINE, kProduct, "last4", T::String, ""},
    {LOCAL_MACHINE, kProduct, "last5", T::String, ""},
    {LOCAL_MACHINE, kProduct, "ShowToolbars", T::Bool, "1"},
    {LOCAL_MACHINE, kProduct, "ExpDir", T::String, nullptr},
    {LOCAL_MACHINE, kProduct, "ShowOutput", T::Bool, "1"},
    {LOCAL_MACHINE, kProduct, "AddDocs2StartMenu", T::Bool, "1"},
    {LOCAL_MACHINE, kProduct, "AddDir", T::String, ""},
    {LOCAL_MACHINE, kProduct, "ExtDir", T::String, ""},
    {LOCAL_MACHINE, kProduct, "LastAddDir", T::String, ""},

    // the main window's persisted properties
    {LOCAL_MACHINE, kProduct, "ListFont", T::Item, "", "Mainform", "LMDListBox1", "Font"},
    {LOCAL_MACHINE, kProduct, "NewZipInitDir", T::Item, "", "Mainform", "NewDialog", "InitialDir"},
    {LOCAL_MACHINE, kProduct, "SaveAsInitialDir", T::Item, "", "Mainform", "SaveDialog1", "InitialDir"},
    {LOCAL_MACHINE, kProduct, "Columns", T::Item, "", "Mainform", "LMDListBox1", "Columns"},
    {LOCAL_MACHINE, kProduct, "ViewStyle", T::Item, "vsReport", "Mainform", "LMDListBox1", "ViewStyle"},
    {LOCAL_MACHINE, kProduct, "ExtendedStyles", T::Item, "", "Mainform", "LMDListBox1", "ExtendedStyles"},
    {LOCAL_MACHINE, kProduct, "OfficeTb", T::Item, "True", "Mainform", "Toolbar971", "Visible", true},
    {LOCAL_MACHINE, kProduct, "UseTextures", T::Item, "False", "Mainform", "Mainform", "UseTextures", true},

    // message window, drop dialog, Add Files, Options, text editor
    {LOCAL_MACHINE, kProduct, "MsgFont", T::Item, "", "Msgform", "Memo1", "Font"},
    {LOCAL_MACHINE, kProduct, "DDOpenFirst", T::Item, "True"},
    {LOCAL_MACHINE, kProduct, "DDAddSelected", T::Item, "False"},
    {LOCAL_MACHINE, kProduct, "DDIgnore", T::Item, "False"},
    {LOCAL_MACHINE, kProduct, "Recurse", T::Item, "False", "AddForm", "Recurse", "Checked"},
    {LOCAL_MACHINE, kProduct, "DirName", T::Item, "False", "AddForm", "DirNameCB", "Checked"},
    {LOCAL_MACHINE, kProduct, "CompressValue", T::Item, "6", "AddForm", "LMDSpinEdit1", "Value"},
    {LOCAL_MACHINE, kProduct, "AddZipAction", T::Item, "1", "AddForm", "RadioGroup1", "ItemIndex"},  // "Update"
    {LOCAL_MACHINE, kProduct, "Store83Names", T::Item, "False", "AddForm", "CheckBox1", "Checked"},
    {LOCAL_MACHINE, kProduct, "StoreVolumes", T::Item, "False", "AddForm", "CheckBox2", "Checked"},
    {LOCAL_MACHINE, kProduct, "AntiVirusProgram", T::Item, "", "OptionsForm", "Edit5", "Text"},
    {LOCAL_MACHINE, kProduct, "AntiVirusParam", T::Item, "", "OptionsForm", "Edit6", "Text"},
    {LOCAL_MACHINE, kProduct, "RunAntiVirusMinimized", T::Item, "False", "OptionsForm", "CheckBox3", "Checked"},
    {LOCAL_MACHINE, kProduct, "AddUseLast", T::Item, "True", "OptionsForm", "LMDRadioButton1", "Checked"},
    {LOCAL_MACHINE, kProduct, "AddUseSpecDir", T::Item, "False", "OptionsForm", "LMDRadioButton2", "Checked"},
    {LOCAL_MACHINE, kProduct, "ExtractUseLast", T::Item, "True", "OptionsForm", "LMDRadioButton3", "Checked"},
    {LOCAL_MACHINE, kProduct, "ExtractUseSpecDir", T::Item, "False", "OptionsForm", "LMDRadioButton4", "Checked"},
    // written by Options, read by the main window (its own row above)
    {LOCAL_MACHINE, kProduct, "UseTextures", T::Item, "False", "OptionsForm", "CheckBox9", "Checked"},
    {LOCAL_MACHINE, kProduct, "TextEditorWordWrap", T::Item, "True"},
    {LOCAL_MACHINE, kProduct, "TextEditorFindText", T::Item, ""},
    {LOCAL_MACHINE, kProduct, "TextEditorReplaceFindText", T::Item, ""},
    {LOCAL_MACHINE, kProduct, "TextEditorReplaceReplaceText", T::Item, ""},
    {LOCAL_MACHINE, kProduct, "TextEditorFont", T::Item, ""},
    {LOCAL_MACHINE, kProduct, "TEditToolbar", T::Item, "True"},

    // Extract dialog
    {CURRENT_USER, kProduct, "ExpandZIPDirs", T::Item, "1", "Extract", "RadioGroup1", "ItemIndex"},
    {CURRENT_USER, kProduct, "OverwriteExisting", T::Item, "1", "Extract", "RadioGroup2", "ItemIndex"},
    {CURRENT_USER, kProduct, "FilesToExtract", T::Item, "0", "Extract", "RadioGroup3", "ItemIndex"},
    {CURRENT_USER, kProduct, "RetainAttrib", T::Item, "True", "Extract", "CheckBox1", "Checked"},
    {CURRENT_USER, kProduct, "LastExtractDir", T::Item, "", "Extract", "Edit1", "Text"},
    {CURRENT_USER, kProduct, "RecentFolders", T::Item, "", "Extract", "Edit1", "Items"},

    // association dialog
    {CURRENT_USER, kProduct, "ShowAssocDialog", T::Item, "", "AssocDialog", "CheckBox1", "Checked"},

    // Make-EXE dialog, go-to-line dialog
    {CURRENT_USER, kProduct, "SFXPlatform", T::Item, ""},
    {CURRENT_USER, kProduct, "Win32OverWriteAct", T::Item, ""},
    {CURRENT_USER, kProduct, "AllowAvoidCommandLine", T::Item, ""},
    {CURRENT_USER, kProduct, "AllowModifyList", T::Item, ""},
    {CURRENT_USER, kProduct, "HideOverWriteAction", T::Item, ""},
    {CURRENT_USER, kProduct, "SFXCaption", T::Item, ""},
    {CURRENT_USER, kProduct, "SFXExtractDir", T::Item, ""},
    {CURRENT_USER, kProduct, "SFXCommandLineExec", T::Item, ""},
    {CURRENT_USER, kTextEditor, "GotoLine", T::Item, ""},

    // the entry list's columns and sort state
    {CURRENT_USER, kColumns, "Sizes", T::Ints, ""},
    {CURRENT_USER, kColumns, "Order", T::Ints, ""},
    {CURRENT_USER, kSort, "Ascending", T::Bool, "1"},
    {CURRENT_USER, kSort, "SortCol", T::Integer, "0"},

    // toolbar docks and window placement
    {CURRENT_USER, kToolbars, "State", T::Bytes, ""},
    {CURRENT_USER, kForms, "Mainform", T::Bytes, ""},
    {CURRENT_USER, kForms, "Msgform", T::Bytes, ""},
    {CURRENT_USER, kForms, "AddForm", T::Bytes, ""},
    {CURRENT_USER, kForms, "Extract", T::Bytes, ""},
    {CURRENT_USER, kForms, "ImgView", T::Bytes, ""},
    {CURRENT_USER, kProduct, "TextEdit", T::Bytes, ""},
};

const char* RootName(TRegRoots root)
{
    switch (root) {
    case CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case CURRENT_USER: return "HKEY_CURRENT_USER";
    case LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case USERS: return "HKEY_USERS";
    case PERFORMANCE_DATA: return "HKEY_PERFORMANCE_DATA";
    case CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    case DYN_DATA: return "HKEY_DYN_DATA";
    }
    return "HKEY_CURRENT_USER";
}

// "HKEY_LOCAL_MACHINE/SOFTWARE/Brenhold/Movrel/name". Key paths may be
// written with a trailing separator ("SOFTWARE\Brenhold\Movrel\"): it
// names the same key.
QString StoreKey(TRegRoots root, const QString& key, const QString& name)
{
    QStringList parts{QString::fromLatin1(RootName(root))};
    for (const QString& p : QString(key).replace('/', '\\').split('\\', Qt::SkipEmptyParts))
        parts << p;
    parts << (name.isEmpty() ? QStringLiteral("Default") : name);
    return parts.join('/');
}

QSettings Store()
{
    return QSettings(SettingsFilePath(), QSettings::IniFormat);
}

}  // namespace

const QList<TSetting>& SettingsTable() { return kTable; }

const TSetting& Setting(const char* name)
{
    for (const TSetting& row : kTable)
        if (std::strcmp(row.Name, name) == 0)
            return row;
    assert(!"value name not in the settings table");
    static const TSetting none{CURRENT_USER, kProduct, "", TSettingType::String, ""};
    return none;
}

QString DefaultText(const TSetting& row)
{
    if (row.Default)
        return QString::fromUtf8(row.Default);
    QString temp = QDir::tempPath();  // $TMPDIR, else /tmp
    if (!temp.endsWith('/'))
        temp += '/';
    return temp;
}

QStringList ItemLines(const char* window)
{
    QStringList lines;
    for (const TSetting& row : kTable) {
        if (row.Type != TSettingType::Item || std::strcmp(row.Window, window) != 0)
            continue;
        lines << QStringLiteral("%1;%2;%3;%4;%5;1;%6")
                     .arg(QString::fromUtf8(row.Component), QString::fromUtf8(row.Property), DefaultText(row),
                          QString::fromUtf8(row.Key), QString::fromUtf8(row.Name), row.LoadOnly ? "1" : "0");
    }
    return lines;
}

QString SettingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Brenhold/Movrel.conf";
}

std::optional<QString> ReadText(TRegRoots root, const QString& key, const QString& name)
{
    QSettings s = Store();
    QVariant v = s.value(StoreKey(root, key, name));
    if (!v.isValid())
        return std::nullopt;
    if (v.typeId() == QMetaType::QStringList)  // a text with commas comes back split
        return v.toStringList().join(',');
    return v.toString();
}

void WriteText(TRegRoots root, const QString& key, const QString& name, const QString& text)
{
    QSettings s = Store();
    s.setValue(StoreKey(root, key, name), text);
}

bool ValueExists(TRegRoots root, const QString& key, const QString& name)
{
    return Store().contains(StoreKey(root, key, name));
}

void RemoveValue(TRegRoots root, const QString& key, const QString& name)
{
    QSettings s = Store();
    s.remove(StoreKey(root, key, name));
}

QString ReadString(const char* name)
{
    const TSetting& row = Setting(name);
    return ReadText(row.Root, row.Key, row.Name).value_or(QString());
}

void WriteString(const char* name, const QString& value)
{
    const TSetting& row = Setting(name);
    WriteText(row.Root, row.Key, row.Name, value);
}

std::optional<bool> ReadBool(const char* name)
{
    std::optional<int> v = ReadInteger(name);
    if (!v)
        return std::nullopt;
    return *v != 0;
}

void WriteBool(const char* name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

std::optional<int> ReadInteger(const char* name)
{
    const TSetting& row = Setting(name);
    std::optional<QString> text = ReadText(row.Root, row.Key, row.Name);
    if (!text)
        return std::nullopt;
    bool ok = false;
    int v = text->trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

void WriteInteger(const char* name, int value)
{
    const TSetting& row = Setting(name);
    WriteText(row.Root, row.Key, row.Name, QString::number(value));
}

QList<int> ReadInts(const char* name)
{
    QList<int> values;
    for (const QString& part : ReadString(name).split(',', Qt::SkipEmptyParts)) {
        bool ok = false;
        int v = part.trimmed().toInt(&ok);
        if (!ok)
            return {};
        values << v;
    }
    return values;
}

void WriteInts(const char* name, const QList<int>& values)
{
    QStringList parts;
    for (int v : values)
        parts << QString::number(v);
    WriteString(name, parts.join(','));
}

QByteArray ReadBytes(const char* name)
{
    const TSetting& row = Setting(name);
    QSettings s = Store();
    return s.value(StoreKey(row.Root, row.Key, row.Name)).toByteArray();
}

void WriteBytes(const char* name, const QByteArray& value)
{
    const TSetting& row = Setting(name);
    QSettings s = Store();
    s.setValue(StoreKey(row.Root, row.Key, row.Name), value);
}

}  // namespace movrel
