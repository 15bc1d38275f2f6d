// MS-DOS date and time: one 32-bit value, time in the low 16 bits
// (hour<<11 | minute<<5 | second/2), date in the high 16 bits
// ((year-1980)<<9 | month<<5 | day). Local time, as the format has no zone.
#pragma once

#include <cstdint>
#include <ctime>

namespace movrel {

struct TCalendar {
    int Year = 1980, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
    // Comparable key: later moments give larger values.
    int64_t Key() const
    {
        return ((((int64_t(Year) * 13 + Month) * 32 + Day) * 24 + Hour) * 60 + Minute) * 60 + Second;
    }
};

// Clamp out-of-range fields (hour 23, minute and second 59, year 2099,
// month 1..12, day 1..31). A value that needs no clamping comes back bit
// for bit. Day 31 of a 30-day month is left for the conversion to reject.
uint32_t NormalizeDosDateTime(uint32_t value);

// Calendar fields of a value; false for an impossible date or time.
bool DosToCalendar(uint32_t value, TCalendar& out);

// The value of calendar fields (seconds rounded down to even).
uint32_t CalendarToDos(const TCalendar& c);

// Local-time conversions; DosToTime answers -1 for an impossible value.
std::time_t DosToTime(uint32_t value);
uint32_t TimeToDos(std::time_t t);

// Now, as calendar fields.
TCalendar CalendarNow();

// A file's modification time as calendar fields (MS-DOS precision,
// normalised); now when the file is missing or the time cannot be converted.
TCalendar FileDateTime(const char* path);

}  // namespace movrel
