// The Hebrew and Gregorian date arithmetic. Every public function first brings its arguments
// into the span where its results are exact, where all operands are non-negative, so that
// truncating division and remainder are floor ones, and no intermediate overflows.
#include "calendar/hebrew_date.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace {

// Time of the calendar's conjunctions: an hour has 1080 parts.
constexpr int32_t kPartsPerHour = 1080;
constexpr int32_t kPartsPerDay = 24 * kPartsPerHour;

int32_t Clamp(int32_t value, int32_t low, int32_t high) { return std::clamp(value, low, high); }

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Floored remainder, in 64 bits so 7y + 1 cannot overflow for any int32 year.
bool LeapByCycle(int64_t sevenYearsPlus) {
    int64_t r = sevenYearsPlus % 19;
    if (r < 0) r += 19;
    return r < 7;
}

// Facts of the k-th year of a 19-year cycle (k = 0..18, year y = 19 × cycles + k + 1), in
// tables so that one division by 19 serves all of them.
struct CycleYear {
    int32_t monthsBefore;  // months of the cycle before it: 12 a year, and the leap months
    bool leap;             // (7y + 1) mod 19 < 7
    bool previousLeap;     // the same of y - 1: (7y - 6) mod 19 < 7
};
constexpr std::array<CycleYear, 19> kCycleYears = [] {
    std::array<CycleYear, 19> years{};
    for (int32_t k = 0; k < 19; ++k) {
        years[k] = {12 * k + (7 * k + 1) / 19, (7 * (k + 1) + 1) % 19 < 7,
                    (7 * (k + 1) - 6) % 19 < 7};
    }
    return years;
}();

// y in [1, kMaxHebrewYearArg + 1].
//
// The mean conjunction (molad) of Tishri of year y, in days and parts after the reference:
// the first one at 5 hours 204 parts, then 29 days 12 hours 793 parts per month. Kept as one
// count of parts beyond the whole 29-day months, it needs 32 unsigned bits (2.35e9 at the
// last year); split into hours and parts to stay within signed 32 bits, it would cost a dozen
// divisions more, most of the price of a day conversion. Both give the same day and parts.
int32_t ElapsedDaysUnchecked(int32_t y) {
    const int32_t cycles = (y - 1) / 19;                          // [0, 726]
    const CycleYear& k = kCycleYears[(y - 1) - 19 * cycles];      // (y - 1) mod 19
    const int32_t monthsElapsed = 235 * cycles + k.monthsBefore;  // [0, 170684]
    const uint32_t molad = 5 * kPartsPerHour + 204 + 13753u * static_cast<uint32_t>(monthsElapsed);
    const uint32_t wholeDays = molad / kPartsPerDay;
    const int32_t parts = static_cast<int32_t>(molad - wholeDays * kPartsPerDay);  // [0, 25919]
    const int32_t day = 1 + 29 * monthsElapsed + static_cast<int32_t>(wholeDays);
    const int32_t weekday = day % 7;  // 0 = Sunday, as for a DayNumber
    // Postponed when the conjunction falls at or after noon (the day begins at 6 p.m.), and
    // in the two cases where a common year would otherwise be too long or a year after a
    // leap year too short. Written with & and |, not && and ||: these depend on the year in
    // no pattern a branch predictor could learn, and the tests are cheaper than a miss.
    const int32_t postponed = (parts >= 19440) | ((weekday == 2) & (parts >= 9924) & !k.leap) |
                              ((weekday == 1) & (parts >= 16789) & k.previousLeap);
    // 1 Tishri never falls on Sunday, Wednesday or Friday: weekdays 0, 3 and 5, and 7 for a
    // Saturday conjunction postponed to Sunday.
    const int32_t finalWeekday = weekday + postponed;  // [0, 7]
    return day + postponed + ((0xA9 >> finalWeekday) & 1);
}

// What a conversion needs to know of one Hebrew year, computed once: two elapsed-day counts
// instead of the two per Cheshvan or Kislev length that summing month by month would cost.
struct HebrewYear {
    DayNumber tishri1;     // DayNumber of 1 Tishri
    int32_t leap;          // 1 in a leap year: Adar I has 30 days and Adar II follows
    int32_t longCheshvan;  // 1 when Cheshvan has 30 days (a year of 355 or 385 days)
    int32_t longKislev;    // 0 when Kislev has 29 days (a year of 353 or 383 days)
};

// y in [1, kMaxHebrewYearArg].
HebrewYear MakeHebrewYear(int32_t y, int32_t elapsed, int32_t elapsedNext) {
    const int32_t length = elapsedNext - elapsed;  // 353..355 or 383..385
    return {elapsed - kHebrewEpochOffset + 1, (7 * y + 1) % 19 < 7, length % 10 == 5,
            length % 10 != 3};
}

// Lengths with Cheshvan, Kislev and Adar (I) at 29 days, by month 1..13.
constexpr int32_t kShortestMonthLength[14] = {0,  30, 29, 30, 29, 30, 29,
                                              30, 29, 29, 29, 30, 29, 29};

int32_t MonthLength(int32_t month, const HebrewYear& y) {
    return kShortestMonthLength[month] + (month == 8 ? y.longCheshvan : 0) +
           (month == 9 ? y.longKislev : 0) + (month == 12 ? y.leap : 0);
}

// Days from 1 Tishri to the first of `month` (1..13), summing the lengths of the months in
// between as the year runs: Tishri to the last Adar, then Nisan onwards.
int32_t DaysBeforeMonth(int32_t month, const HebrewYear& y) {
    // Sums of the shortest lengths: before month 7..14 counted from Tishri, before 1..7
    // counted from Nisan.
    static constexpr int32_t kFromTishri[15] = {0,  0,  0,  0,   0,   0,   0,  0,
                                                30, 59, 88, 117, 147, 176, 205};
    static constexpr int32_t kFromNisan[8] = {0, 0, 30, 59, 89, 118, 148, 177};
    if (month >= 7) {
        return kFromTishri[month] + (month > 8 ? y.longCheshvan : 0) +
               (month > 9 ? y.longKislev : 0) + (month > 12 ? y.leap : 0);
    }
    // The whole run from Tishri to the last Adar, then Nisan onwards.
    return kFromTishri[13 + y.leap] + y.longCheshvan + y.longKislev + y.leap + kFromNisan[month];
}

DayNumber FirstOfMonth(int32_t month, const HebrewYear& y) {
    return y.tishri1 + DaysBeforeMonth(month, y);
}

int32_t NextMonth(int32_t month, const HebrewYear& y) { return month % (12 + y.leap) + 1; }

// n in [kMinDayNumber, kMaxDayNumber].
void GregorianOf(DayNumber n, CalendarDate& out) {
    const int32_t d0 = n - 1;          // [0, 3652058]
    const int32_t c400 = d0 / 146097;  // [0, 24]
    const int32_t d1 = d0 % 146097;
    const int32_t c100 = d1 / 36524;  // [0, 4]
    const int32_t d2 = d1 % 36524;
    const int32_t c4 = d2 / 1461;  // [0, 24]
    const int32_t d3 = d2 % 1461;
    const int32_t c1 = d3 / 365;       // [0, 4]
    int32_t dayOfYear = d3 % 365 + 1;  // [1, 365]
    int32_t year = 400 * c400 + 100 * c100 + 4 * c4 + c1;
    if (c100 == 4 || c1 == 4) {
        // The 366th day of a leap year, which the 365-day remainder cannot express.
        out = {12, 31, year};
        return;
    }
    ++year;
    const int32_t* monthDays = kGregorianMonthDays[IsGregorianLeapYear(year) ? 1 : 0];
    int32_t month = 1;
    while (monthDays[month] < dayOfYear) {
        dayOfYear -= monthDays[month];
        ++month;
    }
    out = {month, dayOfYear, year};
}

CalendarDate LocalClockDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return {1, 1, 1970};
    return {local.tm_mon + 1, local.tm_mday, local.tm_year + 1900};
}

TodaySource todaySource = LocalClockDate;

constexpr const char* kCommonMonthNames[14] = {
    nullptr,   "Nisan",    "Iyyar",  "Sivan", "Tamuz",  "Av",   "Elul",
    "Tishrei", "Cheshvan", "Kislev", "Tevet", "Shevat", "Adar", nullptr,
};
constexpr const char* kLeapMonthNames[14] = {
    nullptr,   "Nisan",    "Iyyar",  "Sivan", "Tamuz",  "Av",     "Elul",
    "Tishrei", "Cheshvan", "Kislev", "Tevet", "Shevat", "Adar I", "Adar II",
};

}  // namespace

bool IsHebrewLeapYear(int32_t year) { return LeapByCycle(7 * int64_t{year} + 1); }

int32_t HebrewElapsedDays(int32_t year) {
    return ElapsedDaysUnchecked(Clamp(year, kMinHebrewYearArg, kMaxHebrewYearArg + 1));
}

int32_t DaysInHebrewYear(int32_t year) {
    const int32_t y = Clamp(year, kMinHebrewYearArg, kMaxHebrewYearArg);
    return ElapsedDaysUnchecked(y + 1) - ElapsedDaysUnchecked(y);
}

bool IsLongCheshvan(int32_t year) { return DaysInHebrewYear(year) % 10 == 5; }

bool IsShortKislev(int32_t year) { return DaysInHebrewYear(year) % 10 == 3; }

int32_t HebrewMonthLength(int32_t month, int32_t year) {
    switch (month) {
        case 2:
        case 4:
        case 6:
        case 10:
        case 13:
            return 29;
        case 12:
            return IsHebrewLeapYear(year) ? 30 : 29;
        case 8:
            return IsLongCheshvan(year) ? 30 : 29;
        case 9:
            return IsShortKislev(year) ? 29 : 30;
        default:
            return 30;
    }
}

DayNumber HebrewToDayNumber(int32_t month, int32_t day, int32_t year) {
    const int32_t y = Clamp(year, kMinHebrewYearArg, kMaxHebrewYearArg);
    const HebrewYear info = MakeHebrewYear(y, ElapsedDaysUnchecked(y), ElapsedDaysUnchecked(y + 1));
    // [-1373428, about 4.9 million] before the day is added.
    const int32_t beforeFirst = FirstOfMonth(Clamp(month, 1, 13), info) - 1;
    return Saturate(int64_t{beforeFirst} + day);
}

CalendarDate& DayNumberToHebrew(DayNumber n, CalendarDate& out) {
    n = Clamp(n, kMinDayNumber, kMaxDayNumber);
    // The year from the mean year of 35975351 / 98496 days (235 months of 29 days 12 hours
    // 793 parts per 19 years), counted from the day before 1 Tishri of year 1. Postponements
    // move a year's start by at most two days and the mean drifts less than that from the
    // real starts, so the estimate is off by one year at most and a step each way mends it.
    // This gives the same date as starting from the Gregorian year and a month table, at
    // half the cost: no Gregorian conversion, and no month search past its two steps.
    const int64_t sinceEpoch = int64_t{n} + kHebrewEpochOffset - 2;  // [1373428, 5025487]
    int32_t y = static_cast<int32_t>(sinceEpoch * 98496 / 35975351) + 1;
    int32_t elapsed = ElapsedDaysUnchecked(y);
    if (n < elapsed - kHebrewEpochOffset + 1) {
        --y;
        elapsed = ElapsedDaysUnchecked(y);
    }
    int32_t elapsedNext = ElapsedDaysUnchecked(y + 1);
    if (n >= elapsedNext - kHebrewEpochOffset + 1) {
        ++y;
        elapsed = elapsedNext;
        elapsedNext = ElapsedDaysUnchecked(y + 1);
    }
    const HebrewYear info = MakeHebrewYear(y, elapsed, elapsedNext);

    // Months in the order the year runs them: Tishri (7) to the last Adar, then Nisan to Elul.
    // Every month has 29 or 30 days, so the day of the year divided by 30 is the month's place
    // or the one before it.
    const int32_t dayOfYear = n - info.tishri1;  // [0, 384]
    const int32_t months = 12 + info.leap;
    int32_t place = dayOfYear / 30;  // [0, 12]
    int32_t month = place < months - 6 ? place + 7 : place - (months - 6) + 1;
    DayNumber first = FirstOfMonth(month, info);
    if (n >= first + MonthLength(month, info)) {
        first += MonthLength(month, info);
        month = NextMonth(month, info);
    }
    out = {month, n - first + 1, y};
    return out;
}

bool IsGregorianLeapYear(int32_t year) {
    // Remainders of negative years are negative or zero, so the tests against 0 still hold.
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int32_t GregorianDayOfYear(int32_t month, int32_t day, int32_t year) {
    const int32_t m = Clamp(month, 1, 12);
    int32_t beforeMonth = 31 * (m - 1);  // [0, 341]
    if (m > 2) beforeMonth += (IsGregorianLeapYear(year) ? 1 : 0) - (4 * m + 23) / 10;
    return Saturate(int64_t{beforeMonth} + day);
}

DayNumber GregorianToDayNumber(int32_t month, int32_t day, int32_t year) {
    const int32_t y = Clamp(year, kMinGregorianYear, kMaxGregorianYear);
    const int32_t m = Clamp(month, 1, 12);
    // Days before the month in [0, 335]; before the year in [0, 3651694].
    const int32_t beforeMonth = GregorianDayOfYear(m, 0, y);
    const int32_t beforeYear = 365 * (y - 1) + (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400;
    return Saturate(int64_t{beforeYear} + beforeMonth + day);
}

CalendarDate& DayNumberToGregorian(DayNumber n, CalendarDate& out) {
    GregorianOf(Clamp(n, kMinDayNumber, kMaxDayNumber), out);
    return out;
}

void SetTodaySource(TodaySource source) { todaySource = source ? source : LocalClockDate; }

CalendarDate TodayDate() { return todaySource(); }

bool StudyYearIsLeap(int32_t month, int32_t day, int32_t year) {
    const bool fromItsOwnYear =
        (month >= 10 && month <= 13) || (month >= 1 && month <= 6) || (month == 9 && day >= 19);
    // 7y - 6 is 7(y - 1) + 1: the year before, without forming y - 1.
    return fromItsOwnYear ? IsHebrewLeapYear(year) : LeapByCycle(7 * int64_t{year} - 6);
}

DayCode DayCodeOfDate(int32_t month, int32_t day, int32_t year) {
    if (month < 1 || month > 13 || day < 1 || day > 30) return 0;
    int32_t dayField = day;
    // The 29th of a 29-day Cheshvan or Kislev keys the lesson that stands for the 29th and the
    // 30th, filed under day 31.
    if (day == 29 && (month == 8 || month == 9) && HebrewMonthLength(month, year) == 29) {
        dayField = 31;
    }
    DayCode code = static_cast<DayCode>(month << 8 | dayField);
    if (StudyYearIsLeap(month, day, year)) code |= kLeapScheduleFlag;
    return code;
}

int FormatDateCaption(const CalendarDate& date, char* buffer) {
    const bool leap = IsHebrewLeapYear(date.year);
    if (date.month < 1 || date.month > (leap ? 13 : 12)) return 0;
    const char* name = (leap ? kLeapMonthNames : kCommonMonthNames)[date.month];
    const int written = std::snprintf(buffer, kCaptionSize, "%d %s, %d", date.day, name, date.year);
    if (written < 0) {
        buffer[0] = '\0';
        return 0;
    }
    // snprintf answers with the length it would have liked; a cut caption is shorter.
    return std::min(written, kCaptionSize - 1);
}
