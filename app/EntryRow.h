// One row of the entry list: the eight column texts of an archive entry,
// its icon and the keys the list sorts by.
#pragma once

#include <QDate>
#include <QIcon>
#include <QLocale>
#include <QString>
#include <QTime>

#include <cstdint>

namespace movrel {

struct TCalendar;

// Ends the caption of an encrypted entry.
inline constexpr char16_t EncryptedMark = u'#';

// A caption as an entry name again: one trailing EncryptedMark removed.
QString StripEncryptedMark(const QString& caption);

// 100 - packed * 100 / size in floating point, rounded half to even; 0 when
// size is 0. Right for any pair of 32-bit sizes.
int64_t RatioPercent(int64_t packed, int64_t size);
QString RatioText(int64_t packed, int64_t size);  // "70%"

// The user's short date format; the long time format (with seconds) without
// the time zone.
QString ShortDateText(const QDate& date, const QLocale& locale = QLocale());
QString LongTimeText(const QTime& time, const QLocale& locale = QLocale());

// The desktop's type name and icon for a file of that name (from the MIME
// database and the icon theme); ".XYZ-Files" when the database knows no
// type for the extension. A name ending in "\" or "/" is a folder.
struct TFileType {
    QString Name;
    QIcon Icon;
};
TFileType FileTypeOf(const QString& fileName);

struct TEntryRow {
    enum TColumn { Filename, Date, Time, Type, Size, Packed, Path, Ratio, ColumnCount };

    QString Text[ColumnCount];
    QIcon Icon;
    // sort keys
    QDate DateKey;
    QTime TimeKey;
    int64_t SizeKey = 0;
    int64_t PackedKey = 0;
    int64_t RatioKey = 0;
};

// fileName, path: as the engine gives them (UTF-8 converted, "\" separators).
TEntryRow MakeEntryRow(const QString& fileName, const QString& path, const TCalendar& when, int64_t packed,
                       int64_t size, bool encrypted, const QLocale& locale = QLocale());

}  // namespace movrel
