#include "calendar/hebrew_date.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

std::string Show(const CalendarDate& d) {
    char text[48];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", d.month, d.day, d.year);
    return text;
}

CalendarDate ToHebrew(DayNumber n) {
    CalendarDate out{};
    DayNumberToHebrew(n, out);
    return out;
}

CalendarDate ToGregorian(DayNumber n) {
    CalendarDate out{};
    DayNumberToGregorian(n, out);
    return out;
}

// Weekday of a Gregorian date by a formula of its own (0 = Sunday), to check the day count
// against something that does not share its arithmetic.
int WeekdayOf(const CalendarDate& g) {
    static constexpr int kMonthOffset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int y = g.month < 3 ? g.year - 1 : g.year;
    return (y + y / 4 - y / 100 + y / 400 + kMonthOffset[g.month - 1] + g.day) % 7;
}

CalendarDate NextGregorianDay(const CalendarDate& g) {
    if (g.day < kGregorianMonthDays[IsGregorianLeapYear(g.year) ? 1 : 0][g.month]) {
        return {g.month, g.day + 1, g.year};
    }
    if (g.month < 12) return {g.month + 1, 1, g.year};
    return {1, 1, g.year + 1};
}

// The year runs Tishri (7) .. Adar or Adar II, then Nisan (1) .. Elul (6).
CalendarDate NextHebrewDay(const CalendarDate& h, int32_t monthLength, bool leap) {
    if (h.day < monthLength) return {h.month, h.day + 1, h.year};
    if (h.month == 6) return {7, 1, h.year + 1};
    return {h.month == (leap ? 13 : 12) ? 1 : h.month + 1, 1, h.year};
}

// The conversion by search: from the Hebrew year that begins in the Gregorian year's autumn,
// forward to the year of n; from the month that overlaps the Gregorian month in the present
// era, back while that month begins after n (the months drift over the millennia), then
// forward to the month that holds n. Slow and plain, built on HebrewToDayNumber alone.
CalendarDate SearchToHebrew(DayNumber n, const CalendarDate& g) {
    int32_t y = g.year + 3760;
    while (n >= HebrewToDayNumber(7, 1, y + 1)) ++y;
    const int32_t months = IsHebrewLeapYear(y) ? 13 : 12;
    int32_t m = kStartMonthTable[g.month];
    while (HebrewToDayNumber(m, 1, y) > n) m = m == 1 ? months : m - 1;
    while (n > HebrewToDayNumber(m, HebrewMonthLength(m, y), y)) m = m % months + 1;
    return {m, n - HebrewToDayNumber(m, 1, y) + 1, y};
}

bool IsRealYearLength(int32_t length, bool leap) {
    return leap ? length >= 383 && length <= 385 : length >= 353 && length <= 355;
}

// Every day of Gregorian years 1 to 9999. Failures are collected and the first few printed
// with their day, so a fault shows where it starts without flooding the log.
TEST(HebrewDateWalk, EveryDayConvertsBothWaysAndFollowsTheDayBefore) {
    int failures = 0;
    auto fail = [&](DayNumber n, const std::string& what) {
        if (++failures <= 10) ADD_FAILURE() << "day " << n << ": " << what;
    };

    CalendarDate previousG = ToGregorian(kMinDayNumber);
    CalendarDate previousH = ToHebrew(kMinDayNumber);
    EXPECT_EQ(previousG, (CalendarDate{1, 1, 1}));
    EXPECT_EQ(previousH, (CalendarDate{10, 18, 3761}));
    // Looked up on the first of each month only, which keeps the walk quick under sanitizers.
    int32_t monthLength = HebrewMonthLength(previousH.month, previousH.year);
    bool leap = IsHebrewLeapYear(previousH.year);
    int32_t monthDaysSeen = previousH.day - 1;
    int32_t yearDaysSeen = 0;  // the first Hebrew year is entered midway: not counted
    bool yearComplete = false;

    for (DayNumber n = kMinDayNumber; n <= kMaxDayNumber; ++n) {
        const CalendarDate g = ToGregorian(n);
        const CalendarDate h = ToHebrew(n);
        if (GregorianToDayNumber(g.month, g.day, g.year) != n) fail(n, "Gregorian " + Show(g));
        if (HebrewToDayNumber(h.month, h.day, h.year) != n) fail(n, "Hebrew " + Show(h));
        if (WeekdayOf(g) != n % 7) fail(n, "weekday of " + Show(g));
        // The search is slow: compare it near month ends, where a fault would show, and on
        // every fifth day.
        if ((n % 5 == 0 || g.day <= 2 || h.day <= 2 || h.day >= 29) &&
            SearchToHebrew(n, g) != h) {
            fail(n, Show(h) + " but the search gives " + Show(SearchToHebrew(n, g)));
        }
        if (n > kMinDayNumber) {
            if (g != NextGregorianDay(previousG)) fail(n, Show(g) + " after " + Show(previousG));
            if (h != NextHebrewDay(previousH, monthLength, leap)) {
                fail(n, Show(h) + " after " + Show(previousH));
            }
        }
        if (h.day == 1) {
            // The month just finished had as many days as its length says; with the year's
            // length below this covers the Cheshvan and Kislev lengths it implies.
            if (n > kMinDayNumber && monthDaysSeen != monthLength) {
                fail(n, "month before " + Show(h) + " had " + std::to_string(monthDaysSeen));
            }
            monthDaysSeen = 0;
            monthLength = HebrewMonthLength(h.month, h.year);
            leap = IsHebrewLeapYear(h.year);
            if (h.month < 1 || h.month > (leap ? 13 : 12) || monthLength < 29 || monthLength > 30) {
                fail(n, "month out of range " + Show(h));
            }
        }
        if (h.month == 7 && h.day == 1) {
            // 1 Tishri never falls on Sunday, Wednesday or Friday: a consequence of the
            // postponements, checked from outside them.
            if (n % 7 == 0 || n % 7 == 3 || n % 7 == 5) {
                fail(n, "1 Tishri on weekday " + std::to_string(n % 7));
            }
            const int32_t length = DaysInHebrewYear(previousH.year);
            if (yearComplete && yearDaysSeen != length) {
                fail(n, "year " + std::to_string(previousH.year) + " had " +
                            std::to_string(yearDaysSeen) + " days, not " + std::to_string(length));
            }
            if (!IsRealYearLength(length, IsHebrewLeapYear(previousH.year))) {
                fail(n, "year length " + std::to_string(length));
            }
            yearDaysSeen = 0;
            yearComplete = true;
        }
        // Nor does 15 Nisan fall on Monday, Wednesday or Friday.
        if (h.month == 1 && h.day == 15 && (n % 7 == 1 || n % 7 == 3 || n % 7 == 5)) {
            fail(n, "15 Nisan on weekday " + std::to_string(n % 7));
        }
        ++monthDaysSeen;
        ++yearDaysSeen;
        previousG = g;
        previousH = h;
    }
    EXPECT_EQ(previousG, (CalendarDate{12, 31, 9999}));
    EXPECT_EQ(previousH, (CalendarDate{8, 28, 13760}));
    EXPECT_EQ(failures, 0);
}

// Every year the Hebrew-year functions take, including the margins outside the walk.
TEST(HebrewYear, LengthsAreTheSixRealOnesAndMatchTheLeapRule) {
    for (int32_t y = kMinHebrewYearArg; y <= kMaxHebrewYearArg; ++y) {
        const int32_t length = DaysInHebrewYear(y);
        ASSERT_TRUE(IsRealYearLength(length, IsHebrewLeapYear(y))) << y << ": " << length;
        ASSERT_EQ(length, HebrewElapsedDays(y + 1) - HebrewElapsedDays(y)) << y;
        ASSERT_FALSE(IsHebrewLeapYear(y) && IsHebrewLeapYear(y + 1)) << y;
        ASSERT_EQ(IsLongCheshvan(y), length % 10 == 5) << y;
        ASSERT_EQ(IsShortKislev(y), length % 10 == 3) << y;
    }
}

// The start of a year step by step in signed 32-bit arithmetic, splitting the conjunction into
// hours and parts so nothing overflows: the slow, plain form the fast one must equal.
int32_t ElapsedDaysStepByStep(int32_t y) {
    const int32_t monthsElapsed =
        235 * ((y - 1) / 19) + 12 * ((y - 1) % 19) + (7 * ((y - 1) % 19) + 1) / 19;
    const int32_t partsElapsed = 204 + 793 * (monthsElapsed % 1080);
    const int32_t hoursElapsed =
        5 + 12 * monthsElapsed + 793 * (monthsElapsed / 1080) + partsElapsed / 1080;
    int32_t day = 1 + 29 * monthsElapsed + hoursElapsed / 24;
    const int32_t parts = 1080 * (hoursElapsed % 24) + partsElapsed % 1080;
    if (parts >= 19440 || (day % 7 == 2 && parts >= 9924 && !IsHebrewLeapYear(y)) ||
        (day % 7 == 1 && parts >= 16789 && (7 * y - 6) % 19 < 7)) {
        ++day;
    }
    if (day % 7 == 0 || day % 7 == 3 || day % 7 == 5) ++day;
    return day;
}

TEST(HebrewYear, StartsMatchTheStepByStepReckoning) {
    for (int32_t y = kMinHebrewYearArg; y <= kMaxHebrewYearArg + 1; ++y) {
        ASSERT_EQ(HebrewElapsedDays(y), ElapsedDaysStepByStep(y)) << y;
    }
}

TEST(HebrewYear, KnownValues) {
    const struct {
        int32_t year;
        int32_t elapsedDays;
        int32_t length;
        int32_t cheshvan, kislev;
    } kCases[] = {
        {1, 1, 355, 30, 30},
        {5784, 2112207, 383, 29, 29},
        {5785, 2112590, 355, 30, 30},
        {5786, 2112945, 354, 29, 30},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(HebrewElapsedDays(c.year), c.elapsedDays);
        EXPECT_EQ(DaysInHebrewYear(c.year), c.length);
        EXPECT_EQ(HebrewMonthLength(8, c.year), c.cheshvan);
        EXPECT_EQ(HebrewMonthLength(9, c.year), c.kislev);
    }
    // 1 Tishri of year 1.
    EXPECT_EQ(HebrewToDayNumber(7, 1, 1), -1373427);
}

TEST(HebrewDate, KnownDays) {
    const struct {
        CalendarDate gregorian;
        DayNumber n;
        int weekday;
        CalendarDate hebrew;
        DayCode code;
    } kCases[] = {
        {{1, 1, 1}, 1, 1, {10, 18, 3761}, 0x0A12},
        {{7, 3, 2007}, 732860, 2, {4, 17, 5767}, 0x0411},
        {{11, 28, 2007}, 733008, 3, {9, 18, 5768}, 0x0912},  // closes the common study year
        {{11, 29, 2007}, 733009, 4, {9, 19, 5768}, 0x1913},  // opens the leap one
        {{11, 13, 2023}, 738837, 1, {8, 29, 5784}, 0x081F},  // 29-day Cheshvan: day 31
        {{12, 12, 2023}, 738866, 2, {9, 29, 5784}, 0x191F},  // 29-day Kislev: day 31
        {{2, 29, 2024}, 738945, 4, {12, 20, 5784}, 0x1C14},  // Adar I
        {{4, 8, 2024}, 738984, 1, {13, 29, 5784}, 0x1D1D},   // Adar II keeps 29
        {{10, 2, 2024}, 739161, 3, {6, 29, 5784}, 0x161D},   // last day of Elul
        {{10, 3, 2024}, 739162, 4, {7, 1, 5785}, 0x1701},    // 1 Tishri, study year of 5784
        {{11, 30, 2024}, 739220, 6, {8, 29, 5785}, 0x181D},  // 30-day Cheshvan keeps 29
        {{12, 20, 2024}, 739240, 5, {9, 19, 5785}, 0x0913},
        {{3, 14, 2025}, 739324, 5, {12, 14, 5785}, 0x0C0E},   // Adar of a common year
        {{12, 19, 2025}, 739604, 5, {9, 29, 5786}, 0x091D},   // 30-day Kislev keeps 29
        {{12, 31, 2000}, 730485, 0, {10, 5, 5761}, 0x0A05},   // day 366: c1 = 4
        {{12, 31, 2400}, 876582, 0, {10, 13, 6161}, 0x0A0D},  // day 366: c100 = 4
        {{12, 31, 9999}, kMaxDayNumber, 5, {8, 28, 13760}, 0x181C},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Show(c.gregorian));
        EXPECT_EQ(GregorianToDayNumber(c.gregorian.month, c.gregorian.day, c.gregorian.year), c.n);
        EXPECT_EQ(ToGregorian(c.n), c.gregorian);
        EXPECT_EQ(c.n % 7, c.weekday);
        EXPECT_EQ(ToHebrew(c.n), c.hebrew);
        EXPECT_EQ(HebrewToDayNumber(c.hebrew.month, c.hebrew.day, c.hebrew.year), c.n);
        EXPECT_EQ(DayCodeOfDate(c.hebrew.month, c.hebrew.day, c.hebrew.year), c.code);
    }
}

// Far from the present the Hebrew months sit days away from where they sit today: a search
// for the month that starts from today's overlapping month must look back as well.
TEST(HebrewDate, MonthsDriftedFromTheirPresentGregorianPlace) {
    const struct {
        CalendarDate gregorian;
        CalendarDate hebrew;
    } kCases[] = {
        {{8, 30, 7}, {7, 1, 3768}},       // 1 Tishri in August: not the Tammuz to come
        {{8, 31, 873}, {7, 1, 4634}},     // the last time it does
        {{5, 1, 6774}, {13, 29, 10534}},  // the first 1 May still in Adar II
        {{12, 2, 9225}, {7, 29, 12986}},  // December still in Tishri
        {{1, 3, 9853}, {8, 29, 13613}},   // January still in Cheshvan
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Show(c.gregorian));
        const DayNumber n =
            GregorianToDayNumber(c.gregorian.month, c.gregorian.day, c.gregorian.year);
        EXPECT_EQ(ToHebrew(n), c.hebrew);
        EXPECT_EQ(HebrewToDayNumber(c.hebrew.month, c.hebrew.day, c.hebrew.year), n);
    }
}

TEST(HebrewDate, DaysPastTheMonthCountOn) {
    const struct {
        CalendarDate given;
        CalendarDate normalised;
    } kCases[] = {
        {{8, 30, 5784}, {9, 1, 5784}},   // 29-day Cheshvan
        {{8, 31, 5784}, {9, 2, 5784}},   // a day code's 31 lands on the 2nd
        {{8, 31, 5785}, {9, 1, 5785}},   // 30-day Cheshvan: on the 1st
        {{12, 30, 5785}, {1, 1, 5785}},  // common Adar runs into Nisan
        {{13, 30, 5784}, {1, 1, 5784}},  // Adar II runs into Nisan
        {{6, 30, 5784}, {7, 1, 5785}},   // Elul runs into the next year
        {{7, 0, 5785}, {6, 29, 5784}},   // day 0 is the last of the month before
        {{7, 386, 5784}, {7, 3, 5785}},  // a whole (383-day) year on
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Show(c.given));
        EXPECT_EQ(ToHebrew(HebrewToDayNumber(c.given.month, c.given.day, c.given.year)),
                  c.normalised);
    }
}

TEST(HebrewDate, StudyYearTurnsOn19Kislev) {
    const struct {
        CalendarDate date;
        bool leap;
    } kCases[] = {
        {{9, 18, 5768}, false},  // study year begun in 5767, common
        {{9, 19, 5768}, true},   // study year of 5768, leap
        {{7, 1, 5785}, true},    // Tishri belongs to the year before
        {{8, 30, 5785}, true},  {{9, 19, 5785}, false},
        {{6, 29, 5784}, true},  // Elul closes the Hebrew year, not the study year
        {{13, 1, 5784}, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Show(c.date));
        EXPECT_EQ(StudyYearIsLeap(c.date.month, c.date.day, c.date.year), c.leap);
        EXPECT_EQ((DayCodeOfDate(c.date.month, c.date.day, c.date.year) & kLeapScheduleFlag) != 0,
                  c.leap);
    }
}

TEST(FormatDateCaption, WritesTheCaptionOrNothing) {
    const struct {
        CalendarDate date;
        const char* caption;  // nullptr: refused, buffer untouched
    } kCases[] = {
        {{9, 19, 5785}, "19 Kislev, 5785"},
        {{12, 20, 5784}, "20 Adar I, 5784"},
        {{13, 29, 5784}, "29 Adar II, 5784"},
        {{12, 14, 5785}, "14 Adar, 5785"},  // common year: plain Adar
        {{10, 5, 5761}, "5 Tevet, 5761"},
        {{1, 1, 5785}, "1 Nisan, 5785"},
        {{2, 1, 5785}, "1 Iyyar, 5785"},
        {{4, 1, 5785}, "1 Tamuz, 5785"},
        {{7, 1, 5785}, "1 Tishrei, 5785"},
        {{8, 30, 5785}, "30 Cheshvan, 5785"},    // longest of a four-digit year: 17
        {{8, 30, 10000}, "30 Cheshvan, 10000"},  // longest of the supported range: 18
        // Far outside any real date the caption is cut to the buffer, never past it.
        {{8, INT32_MIN, INT32_MIN}, "-2147483648 Cheshva"},
        {{13, 1, 5785}, nullptr},  // no Adar II in a common year
        {{0, 1, 5785}, nullptr},
        {{14, 1, 5784}, nullptr},
        {{-1, 1, 5784}, nullptr},
        {{INT32_MIN, 1, 5784}, nullptr},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Show(c.date));
        char buffer[kCaptionSize + 8];
        std::memset(buffer, '#', sizeof buffer);
        const int length = FormatDateCaption(c.date, buffer);
        if (c.caption == nullptr) {
            EXPECT_EQ(length, 0);
            EXPECT_EQ(buffer[0], '#');
            continue;
        }
        EXPECT_EQ(std::string(buffer), c.caption);
        EXPECT_EQ(length, static_cast<int>(std::strlen(c.caption)));
        for (int i = kCaptionSize; i < static_cast<int>(sizeof buffer); ++i) {
            EXPECT_EQ(buffer[i], '#') << "written past the caption buffer at " << i;
        }
    }
}

TEST(DayCodeOfDate, FieldsThatAreNoDateGiveNoCode) {
    const struct {
        CalendarDate date;
    } kCases[] = {
        {{0, 1, 5785}},
        {{14, 1, 5785}},
        {{16, 1, 5785}},  // 16 would reach the leap flag
        {{1, 0, 5785}},
        {{1, 31, 5785}},
        {{1, 256, 5785}},  // 256 would reach the month bits
        {{INT32_MIN, INT32_MIN, INT32_MIN}},
        {{INT32_MAX, INT32_MAX, INT32_MAX}},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(DayCodeOfDate(c.date.month, c.date.day, c.date.year), 0) << Show(c.date);
    }
}

// Arguments no real date produces. None may crash or trip the sanitizers; each result is
// what the clamping documented in the header promises.
TEST(HebrewDate, ArgumentsFarOutsideTheRange) {
    const int32_t kValues[] = {INT32_MIN, INT32_MIN + 1,     -1373428,      -1,       0, 1, 13, 14,
                               255,       kMaxDayNumber + 1, INT32_MAX - 1, INT32_MAX};
    for (int32_t a : kValues) {
        SCOPED_TRACE(a);
        // Days clamp to the first or last supported day.
        const DayNumber clampedDay = a < kMinDayNumber   ? kMinDayNumber
                                     : a > kMaxDayNumber ? kMaxDayNumber
                                                         : a;
        EXPECT_EQ(ToHebrew(a), ToHebrew(clampedDay));
        EXPECT_EQ(ToGregorian(a), ToGregorian(clampedDay));

        // Hebrew years clamp into their argument span; leap years follow the cycle anywhere.
        const int32_t clampedYear = a < kMinHebrewYearArg   ? kMinHebrewYearArg
                                    : a > kMaxHebrewYearArg ? kMaxHebrewYearArg
                                                            : a;
        EXPECT_EQ(DaysInHebrewYear(a), DaysInHebrewYear(clampedYear));
        EXPECT_EQ(HebrewToDayNumber(7, 1, a), HebrewToDayNumber(7, 1, clampedYear));
        EXPECT_GT(HebrewElapsedDays(a), 0);
        EXPECT_EQ(IsHebrewLeapYear(a), IsHebrewLeapYear(a + (a > 0 ? -19 : 19)));
        EXPECT_EQ(StudyYearIsLeap(7, 1, a), IsHebrewLeapYear(a + (a > 0 ? -1 : 1) * 19 - 1));
        EXPECT_EQ(IsGregorianLeapYear(a), IsGregorianLeapYear(a + (a > 0 ? -400 : 400)));

        // Months: a month outside 1..13 has 30 days, and HebrewToDayNumber takes it as 1 or 13.
        const int32_t length = HebrewMonthLength(a, 5784);
        EXPECT_TRUE(length == 29 || length == 30);
        if (a < 1) {
            EXPECT_EQ(HebrewToDayNumber(a, 1, 5784), HebrewToDayNumber(1, 1, 5784));
        }
        if (a > 13) {
            EXPECT_EQ(HebrewToDayNumber(a, 1, 5784), HebrewToDayNumber(13, 1, 5784));
        }
        const int32_t dayOfYear = GregorianDayOfYear(a, 1, 2024);
        EXPECT_TRUE(dayOfYear >= 1 && dayOfYear <= 336) << dayOfYear;

        // Days count on exactly while the result fits, then saturate.
        const DayNumber tishri = HebrewToDayNumber(7, 1, 5785);
        const int64_t expected = int64_t{tishri} - 1 + a;
        EXPECT_EQ(HebrewToDayNumber(7, a, 5785), expected > INT32_MAX   ? INT32_MAX
                                                 : expected < INT32_MIN ? INT32_MIN
                                                                        : expected);
        const DayNumber january = GregorianToDayNumber(1, 1, 2024);
        const int64_t expectedG = int64_t{january} - 1 + a;
        EXPECT_EQ(GregorianToDayNumber(1, a, 2024), expectedG > INT32_MAX   ? INT32_MAX
                                                    : expectedG < INT32_MIN ? INT32_MIN
                                                                            : expectedG);

        // Gregorian years clamp to 1..9999.
        const int32_t clampedG = a < kMinGregorianYear   ? kMinGregorianYear
                                 : a > kMaxGregorianYear ? kMaxGregorianYear
                                                         : a;
        EXPECT_EQ(GregorianToDayNumber(1, 1, a), GregorianToDayNumber(1, 1, clampedG));
        const int32_t clampedMonth = a < 1 ? 1 : a > 12 ? 12 : a;
        EXPECT_EQ(GregorianToDayNumber(a, 1, 2024), GregorianToDayNumber(clampedMonth, 1, 2024));

        // Nothing at all may crash.
        (void)HebrewToDayNumber(a, a, a);
        (void)GregorianToDayNumber(a, a, a);
        (void)GregorianDayOfYear(a, a, a);
        (void)DayCodeOfDate(a, a, a);
        (void)StudyYearIsLeap(a, a, a);
        char buffer[kCaptionSize];
        (void)FormatDateCaption(CalendarDate{a, a, a}, buffer);
    }
}

CalendarDate FixedToday() { return {2, 29, 2024}; }

TEST(TodayDate, ComesFromTheSourceSetOrTheLocalClock) {
    SetTodaySource(FixedToday);
    EXPECT_EQ(TodayDate(), (CalendarDate{2, 29, 2024}));

    SetTodaySource(nullptr);
    auto clock = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return CalendarDate{local.tm_mon + 1, local.tm_mday, local.tm_year + 1900};
    };
    const CalendarDate before = clock();
    const CalendarDate today = TodayDate();
    const CalendarDate after = clock();
    // Midnight may pass between the readings.
    EXPECT_TRUE(today == before || today == after) << Show(today);
}

}  // namespace
