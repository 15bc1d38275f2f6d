#include "DosDateTime.h"

#include <sys/stat.h>

namespace movrel {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

uint32_t NormalizeDosDateTime(uint32_t value)
{
    unsigned hour = (value >> 11) & 0x1F, minute = (value >> 5) & 0x3F, second = (value & 0x1F) * 2;
    unsigned year = 1980 + ((value >> 25) & 0x7F), month = (value >> 21) & 0x0F, day = (value >> 16) & 0x1F;
    bool clamped = false;
    auto clamp = [&clamped](unsigned& v, unsigned lo, unsigned hi) {
        if (v > hi) { v = hi; clamped = true; }
        if (v < lo) { v = lo; clamped = true; }
    };
    clamp(hour, 0, 23);
    clamp(minute, 0, 59);
    clamp(second, 0, 59);
    clamp(year, 1980, 2099);
    clamp(month, 1, 12);
    clamp(day, 1, 31);
    if (!clamped)
        return value;
    return ((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) | (minute << 5) | (second / 2);
}

bool DosToCalendar(uint32_t value, TCalendar& out)
{
    TCalendar c;
    c.Year = 1980 + int((value >> 25) & 0x7F);
    c.Month = int((value >> 21) & 0x0F);
    c.Day = int((value >> 16) & 0x1F);
    c.Hour = int((value >> 11) & 0x1F);
    c.Minute = int((value >> 5) & 0x3F);
    c.Second = int(value & 0x1F) * 2;
    if (c.Month < 1 || c.Month > 12 || c.Day < 1 || c.Day > DaysInMonth(c.Year, c.Month) || c.Hour > 23 ||
        c.Minute > 59 || c.Second > 59)
        return false;
    out = c;
    return true;
}

uint32_t CalendarToDos(const TCalendar& c)
{
    int year = c.Year < 1980 ? 1980 : (c.Year > 2107 ? 2107 : c.Year);
    return (uint32_t(year - 1980) << 25) | (uint32_t(c.Month) << 21) | (uint32_t(c.Day) << 16) |
           (uint32_t(c.Hour) << 11) | (uint32_t(c.Minute) << 5) | uint32_t(c.Second / 2);
}

std::time_t DosToTime(uint32_t value)
{
    TCalendar c;
    if (!DosToCalendar(value, c))
        return -1;
    std::tm tm{};
    tm.tm_year = c.Year - 1900;
    tm.tm_mon = c.Month - 1;
    tm.tm_mday = c.Day;
    tm.tm_hour = c.Hour;
    tm.tm_min = c.Minute;
    tm.tm_sec = c.Second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

uint32_t TimeToDos(std::time_t t)
{
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return (1u << 21) | (1u << 16);
    if (tm.tm_year < 80)  // before 1980: the earliest value the format holds
        return (1u << 21) | (1u << 16);
    TCalendar c{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec};
    return CalendarToDos(c);
}

TCalendar CalendarNow()
{
    TCalendar c;
    DosToCalendar(NormalizeDosDateTime(TimeToDos(std::time(nullptr))), c);
    return c;
}

TCalendar FileDateTime(const char* path)
{
    struct stat st;
    TCalendar c;
    if (::stat(path, &st) != 0 || !DosToCalendar(NormalizeDosDateTime(TimeToDos(st.st_mtime)), c))
        return CalendarNow();
    return c;
}

}  // namespace movrel
