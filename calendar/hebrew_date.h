// calendar/ (core half): the date arithmetic under the whole reader. Conversions between
// Gregorian dates, Hebrew dates and the running day count (DayNumber), Hebrew year and month
// lengths, leap years, the day codes that key lessons, and the date caption.
//
// Pure integer functions with no state and no allocation. Their results are exact inside the
// supported range below; outside it they never reach undefined behaviour (see each function).
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
constexpr DayNumber kMaxDayNumber = 3652059;  // 31 December 9999
constexpr int32_t kMinGregorianYear = 1;
constexpr int32_t kMaxGregorianYear = 9999;
constexpr int32_t kMinHebrewYear = 3761;
constexpr int32_t kMaxHebrewYear = 13760;

// Hebrew month from which the month search of DayNumberToHebrew starts, by Gregorian month.
constexpr int32_t kStartMonthTable[13] = {0, 9, 10, 11, 12, 1, 2, 3, 4, 7, 7, 7, 8};
constexpr int32_t kGregorianMonthDays[2][13] = {
    {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

bool IsHebrewLeapYear(int32_t year);
int32_t HebrewElapsedDays(int32_t year);
int32_t DaysInHebrewYear(int32_t year);
bool IsLongCheshvan(int32_t year);
bool IsShortKislev(int32_t year);
int32_t HebrewMonthLength(int32_t month, int32_t year);
DayNumber HebrewToDayNumber(int32_t month, int32_t day, int32_t year);
CalendarDate& DayNumberToHebrew(DayNumber n, CalendarDate& out);

bool IsGregorianLeapYear(int32_t year);
int32_t GregorianDayOfYear(int32_t month, int32_t day, int32_t year);
DayNumber GregorianToDayNumber(int32_t month, int32_t day, int32_t year);
CalendarDate& DayNumberToGregorian(DayNumber n, CalendarDate& out);

// Today's local Gregorian date. The reader points this at its platform's clock (which
// --date can fix); by default it reads the C library's local time.
using TodaySource = CalendarDate (*)();
void SetTodaySource(TodaySource source);
CalendarDate TodayDate();

bool StudyYearIsLeap(int32_t month, int32_t day, int32_t year);
DayCode DayCodeOfDate(int32_t month, int32_t day, int32_t year);

// The date caption, e.g. "19 Kislev, 5785": at most kCaptionSize bytes with its zero.
constexpr int kCaptionSize = 20;
// Writes the caption of a Hebrew date into `buffer` (kCaptionSize bytes) and returns its
// length, or returns 0 without writing when the month is out of range for the year.
int FormatDateCaption(const CalendarDate& date, char* buffer);
