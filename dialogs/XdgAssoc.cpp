#include "XdgAssoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

static void InitAssocResources()
{
    Q_INIT_RESOURCE(movrel_assoc);
}

namespace movrel {

const char* const kDesktopId = "movrel.desktop";

namespace {

const char* const kDefaultGroup = "[Default Applications]";

// Characters that make an Exec argument need quotes.
bool NeedsQuotes(const QString& arg)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (QChar c : arg)
        if (reserved.contains(c))
            return true;
    return arg.isEmpty();
}

// Desktop-file string escapes: \s \n \t \r \\.
QString EscapeString(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c == '\\')
            out += QStringLiteral("\\\\");
        else if (c == '\n')
            out += QStringLiteral("\\n");
        else if (c == '\t')
            out += QStringLiteral("\\t");
        else if (c == '\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString UnescapeString(const QString& text)
{
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        QChar n = text[++i];
        if (n == 's')
            out += ' ';
        else if (n == 'n')
            out += '\n';
        else if (n == 't')
            out += '\t';
        else if (n == 'r')
            out += '\r';
        else
            out += n;
    }
    return out;
}

QString ReadTextFile(const QString& path, bool* ok = nullptr)
{
    QFile f(path);
    bool opened = f.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? QString::fromUtf8(f.readAll()) : QString();
}

bool WriteTextFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(bytes);
    return f.commit();
}

bool IsGroupHeader(const QString& line)
{
    QString t = line.trimmed();
    return t.startsWith('[') && t.endsWith(']');
}

}  // namespace

QString DesktopFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/applications/" + kDesktopId;
}

QString MimeAppsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/mimeapps.list";
}

QString MimeTypeOfExtension(const QString& extension)
{
    return QMimeDatabase().mimeTypeForFile("file." + extension.toLower(), QMimeDatabase::MatchExtension).name();
}

QString ExecCommand(const QString& programPath)
{
    QString arg = programPath;
    if (NeedsQuotes(arg)) {
        QString quoted;
        for (QChar c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        arg = '"' + quoted + '"';
    }
    arg.replace('%', QStringLiteral("%%"));
    return arg + QStringLiteral(" %f");
}

QString ReadDesktopExec()
{
    bool inEntry = false;
    for (const QString& line : ReadTextFile(DesktopFilePath()).split('\n')) {
        if (IsGroupHeader(line)) {
            inEntry = line.trimmed() == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        int eq = line.indexOf('=');
        if (eq > 0 && line.left(eq).trimmed() == QLatin1String("Exec"))
            return UnescapeString(line.mid(eq + 1).trimmed());
    }
    return {};
}

QString ReadDefaultApp(const QString& mimeType)
{
    bool inDefaults = false;
    for (const QString& line : ReadTextFile(MimeAppsPath()).split('\n')) {
        if (IsGroupHeader(line)) {
            inDefaults = line.trimmed() == QLatin1String(kDefaultGroup);
            continue;
        }
        if (!inDefaults)
            continue;
        int eq = line.indexOf('=');
        if (eq > 0 && line.left(eq).trimmed() == mimeType)
            return line.mid(eq + 1).split(';').value(0).trimmed();
    }
    return {};
}

bool WriteDesktopFile(const QString& programPath, const QString& mimeType)
{
    InitAssocResources();
    QString text = ReadTextFile(QStringLiteral(":/movrel/movrel.desktop"));
    if (text.isEmpty())
        return false;
    text.replace(QStringLiteral("@EXEC@"), EscapeString(ExecCommand(programPath)));
    text.replace(QStringLiteral("@MIMETYPE@"), mimeType);
    if (!WriteTextFile(DesktopFilePath(), text.toUtf8()))
        return false;
    QString icon = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   "/icons/hicolor/scalable/apps/movrel.svg";
    QFile svg(QStringLiteral(":/movrel/movrel.svg"));
    if (svg.open(QIODevice::ReadOnly))
        WriteTextFile(icon, svg.readAll());  // without it the desktop shows a generic icon
    return true;
}

bool SetDefaultApp(const QString& mimeType, const QString& desktopId)
{
    bool existed = false;
    QString text = ReadTextFile(MimeAppsPath(), &existed);
    QStringList lines = text.isEmpty() ? QStringList() : text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString entry = mimeType + '=' + desktopId + ';';

    int group = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].trimmed() == QLatin1String(kDefaultGroup)) {
            group = i;
            break;
        }
    if (group < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << QString::fromLatin1(kDefaultGroup) << entry;
    } else {
        int end = group + 1;
        bool replaced = false;
        for (; end < lines.size() && !IsGroupHeader(lines[end]); ++end) {
            int eq = lines[end].indexOf('=');
            if (eq > 0 && lines[end].left(eq).trimmed() == mimeType) {
                lines[end] = entry;
                replaced = true;
            }
        }
        if (!replaced)
            lines.insert(group + 1, entry);
    }
    return WriteTextFile(MimeAppsPath(), (lines.join('\n') + '\n').toUtf8());
}

}  // namespace movrel
