// calendar/ (core half): the date arithmetic under the whole reader. Conversions between
// Gregorian dates, Hebrew dates and the running day count (DayNumber), Hebrew year and month
// lengths, leap years, the day codes that key lessons, and the date caption.
//
// Pure integer functions with no state and no allocation (only the source of today's date can
// be set). Their results are exact inside the supported range below; outside it they never
// reach undefined behaviour: each function says what it does with arguments beyond the range
// (mostly it clamps them into it, so a calendar paged past an edge stays on that edge).
// No platform dependency: the book tool, the benchmarks and the fuzzers link this.
#pragma once

#include <cstdint>

// Day 1 is Monday 1 January of year 1 (proleptic Gregorian). Weekday = n mod 7, 0 = Sunday.
using DayNumber = int32_t;
// Month, day, year: a Gregorian date (1..12, 1..31, CE) or a Hebrew one (1..13 from Nisan,
// 1..30, years of the creation era).
struct CalendarDate {
    int32_t month;
    int32_t day;
    int32_t year;
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};
// Lesson key: day in bits 0-7 (31 = the 29th of a 29-day Cheshvan or Kislev), Hebrew month in
// bits 8-11, 0x1000 when the study year (19 Kislev to 18 Kislev) has 13 months.
using DayCode = uint16_t;
constexpr DayCode kLeapScheduleFlag = 0x1000;

constexpr int32_t kHebrewEpochOffset = 1373429;

// The supported range: every day of Gregorian years 1 to 9999.
constexpr DayNumber kMinDayNumber = 1;        // 1 January 1 = 18 Tevet 3761
constexpr DayNumber kMaxDayNumber = 3652059;  // 31 December 9999 = 28 Cheshvan 13760
constexpr int32_t kMinGregorianYear = 1;
constexpr int32_t kMaxGregorianYear = 9999;
// The Hebrew years those days fall in.
constexpr int32_t kMinHebrewYear = 3761;
constexpr int32_t kMaxHebrewYear = 13760;
// Functions of a Hebrew year are exact over a wider span: from year 1 (whose 1 Tishri is day
// -1373427) to a margin past kMaxHebrewYear, because converting a day asks for the start of
// the following year and a year's length needs the start of the next. Year arguments outside
// [kMinHebrewYearArg, kMaxHebrewYearArg] are clamped into it.
constexpr int32_t kMinHebrewYearArg = 1;
constexpr int32_t kMaxHebrewYearArg = kMaxHebrewYear + 40;

// By Gregorian month, a Hebrew month that overlaps it in the present era: where a month search
// that starts from a date's Gregorian month begins. DayNumberToHebrew finds the month from the
// day of the Hebrew year instead (the same result, without the search); the tests convert with
// the search too, as an independent check.
constexpr int32_t kStartMonthTable[13] = {0, 9, 10, 11, 12, 1, 2, 3, 4, 7, 7, 7, 8};
constexpr int32_t kGregorianMonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

// (7y + 1) mod 19 < 7. Exact for every int32 year (the 19-year cycle repeats both ways).
bool IsHebrewLeapYear(int32_t year);
// Days from the calendar's reference to 1 Tishri of `year` (year 1 gives 1). The year is
// clamped into [kMinHebrewYearArg, kMaxHebrewYearArg + 1].
int32_t HebrewElapsedDays(int32_t year);
// 353, 354, 355, 383, 384 or 385. The year is clamped into the Hebrew-year argument span, so
// the answer is always one of these. IsLongCheshvan and IsShortKislev clamp the same way.
int32_t DaysInHebrewYear(int32_t year);
bool IsLongCheshvan(int32_t year);
bool IsShortKislev(int32_t year);
// 29 or 30; 30 for a month outside 1..13. For Cheshvan and Kislev the year is clamped as by
// DaysInHebrewYear.
int32_t HebrewMonthLength(int32_t month, int32_t year);
// A day past the month's end counts on into the following months (and a day below 1 counts
// back). The year is clamped into the Hebrew-year argument span and the month into 1..13
// (below 1 the rules already give what 1 gives); a result beyond int32 saturates.
DayNumber HebrewToDayNumber(int32_t month, int32_t day, int32_t year);
// n is clamped into [kMinDayNumber, kMaxDayNumber], so the result is always a real date.
CalendarDate& DayNumberToHebrew(DayNumber n, CalendarDate& out);

// Exact for every int32 year.
bool IsGregorianLeapYear(int32_t year);
// 1..366 for a real date. The month is clamped into 1..12; the day counts on or back from the
// month's start as given; a result beyond int32 saturates.
int32_t GregorianDayOfYear(int32_t month, int32_t day, int32_t year);
// The year is clamped into [kMinGregorianYear, kMaxGregorianYear] and the month into 1..12;
// the day counts on or back; a result beyond int32 saturates.
DayNumber GregorianToDayNumber(int32_t month, int32_t day, int32_t year);
// n is clamped into [kMinDayNumber, kMaxDayNumber], so the result is always a real date.
CalendarDate& DayNumberToGregorian(DayNumber n, CalendarDate& out);

// Today's local Gregorian date. The reader points this at its platform's clock (which
// --date can fix); by default, or after SetTodaySource(nullptr), it reads the C library's
// local time. The source's answer is passed on unchecked; the functions above clamp it.
using TodaySource = CalendarDate (*)();
void SetTodaySource(TodaySource source);
CalendarDate TodayDate();

// The leap flag of the study year holding the date: from 19 Kislev on, that of `year`;
// in Tishri, Cheshvan and Kislev 1 to 18 (and for a month outside 1..13), that of the year
// before. Exact for every int32 year.
bool StudyYearIsLeap(int32_t month, int32_t day, int32_t year);
// The lesson key of a Hebrew date. A month outside 1..13 or a day outside 1..30 is no date and
// gives 0, which keys no lesson (such fields would spill into the month bits or the leap flag).
DayCode DayCodeOfDate(int32_t month, int32_t day, int32_t year);

// The date caption, e.g. "19 Kislev, 5785": at most kCaptionSize bytes with its zero.
constexpr int kCaptionSize = 20;
// Writes the caption of a Hebrew date into `buffer` (kCaptionSize bytes) and returns its
// length, or returns 0 without writing when the month is out of range for the year (13 only
// in a leap year). Every caption of the supported range fits (the longest has 18 characters,
// "30 Cheshvan, 10000"); a longer one, from a day or year far outside it, is cut to fit, and
// the length returned is what was stored.
int FormatDateCaption(const CalendarDate& date, char* buffer);
