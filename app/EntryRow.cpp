#include "EntryRow.h"

#include "DosDateTime.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QRegularExpression>

#include <cmath>

namespace movrel {

QString StripEncryptedMark(const QString& caption)
{
    if (caption.endsWith(QChar(EncryptedMark)))
        return caption.left(caption.size() - 1);
    return caption;
}

int64_t RatioPercent(int64_t packed, int64_t size)
{
    if (size == 0)
        return 0;
    // the default rounding mode rounds halves to the even neighbour
    return int64_t(std::nearbyint(100.0 - double(packed) * 100.0 / double(size)));
}

QString RatioText(int64_t packed, int64_t size)
{
    return QString::number(RatioPercent(packed, size)) + '%';
}

QString ShortDateText(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

QString LongTimeText(const QTime& time, const QLocale& locale)
{
    // The long format carries the time zone ("t"), which an entry's time
    // does not have.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(zone);
    return locale.toString(time, format.trimmed());
}

TFileType FileTypeOf(const QString& fileName)
{
    static QHash<QString, TFileType> cache;  // by extension: the lookups are the slow part
    static QMimeDatabase db;

    bool folder = fileName.isEmpty() || fileName.endsWith('\\') || fileName.endsWith('/');
    QString suffix = folder ? QString() : QFileInfo(fileName).suffix();
    QString cacheKey = folder ? QStringLiteral("/") : (suffix.isEmpty() ? fileName : "." + suffix.toLower());
    if (auto it = cache.constFind(cacheKey); it != cache.constEnd())
        return *it;

    QMimeType mime = folder ? db.mimeTypeForName(QStringLiteral("inode/directory"))
                            : db.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    TFileType type;
    if (mime.isValid() && !mime.isDefault()) {
        type.Name = mime.comment();
        type.Icon = QIcon::fromTheme(mime.iconName());
        if (type.Icon.isNull())
            type.Icon = QIcon::fromTheme(mime.genericIconName());
    } else {
        type.Name = suffix.isEmpty() ? QStringLiteral("File") : "." + suffix.toUpper() + "-Files";
    }
    if (type.Icon.isNull()) {
        static QFileIconProvider provider;
        type.Icon = provider.icon(folder ? QFileIconProvider::Folder : QFileIconProvider::File);
    }
    cache.insert(cacheKey, type);
    return type;
}

TEntryRow MakeEntryRow(const QString& fileName, const QString& path, const TCalendar& when, int64_t packed,
                       int64_t size, bool encrypted, const QLocale& locale)
{
    TEntryRow row;
    row.DateKey = QDate(when.Year, when.Month, when.Day);
    row.TimeKey = QTime(when.Hour, when.Minute, when.Second);
    row.SizeKey = size;
    row.PackedKey = packed;
    row.RatioKey = RatioPercent(packed, size);

    TFileType type = FileTypeOf(fileName.isEmpty() ? path : fileName);
    row.Icon = type.Icon;
    row.Text[TEntryRow::Filename] = encrypted ? fileName + QChar(EncryptedMark) : fileName;
    row.Text[TEntryRow::Date] = ShortDateText(row.DateKey, locale);
    row.Text[TEntryRow::Time] = LongTimeText(row.TimeKey, locale);
    row.Text[TEntryRow::Type] = type.Name;
    row.Text[TEntryRow::Size] = QString::number(size);
    row.Text[TEntryRow::Packed] = QString::number(packed);
    row.Text[TEntryRow::Path] = path;
    row.Text[TEntryRow::Ratio] = QString::number(row.RatioKey) + '%';
    return row;
}

}  // namespace movrel
