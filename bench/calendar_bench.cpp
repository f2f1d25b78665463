// The calendar conversions, ns per call, over fixed spreads of days: the present era (Gregorian
// years 1900 to 2100, where the reader spends its days) and the whole supported range (years
// 1 to 9999). The Gregorian conversions are the baseline. When the benchmark was built with
// libhdate or ICU, their conversions of the same days run beside ours. All use one thread.
#include <benchmark/benchmark.h>

#include <vector>

#include "calendar/hebrew_date.h"

#ifdef VELIN_BENCH_HDATE
#include <hdate.h>
#endif
#ifdef VELIN_BENCH_ICU
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>
#endif

namespace {

struct Spread {
    std::vector<DayNumber> days;
    std::vector<CalendarDate> gregorian;
    std::vector<CalendarDate> hebrew;
};

// 4096 days spread evenly over [first, last] by a fixed pseudo-random walk, so that the
// branches of the month searches are not learnt from a regular pattern.
Spread MakeSpread(DayNumber first, DayNumber last) {
    Spread s;
    uint32_t state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1664525u + 1013904223u;
        const DayNumber n = first + static_cast<DayNumber>(state % uint32_t(last - first + 1));
        CalendarDate g, h;
        s.days.push_back(n);
        s.gregorian.push_back(DayNumberToGregorian(n, g));
        s.hebrew.push_back(DayNumberToHebrew(n, h));
    }
    return s;
}

const Spread& SpreadFor(const benchmark::State& state) {
    static const Spread present =
        MakeSpread(GregorianToDayNumber(1, 1, 1900), GregorianToDayNumber(12, 31, 2100));
    static const Spread whole = MakeSpread(kMinDayNumber, kMaxDayNumber);
    return state.range(0) == 0 ? present : whole;
}

void Label(benchmark::State& state) {
    state.SetLabel(state.range(0) == 0 ? "days of 1900-2100" : "days of 1-9999");
    state.SetItemsProcessed(state.iterations());
}

void BM_DayNumberToGregorian(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    size_t i = 0;
    for (auto _ : state) {
        CalendarDate out;
        benchmark::DoNotOptimize(DayNumberToGregorian(s.days[i++ & 4095], out));
    }
    Label(state);
}

void BM_DayNumberToHebrew(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    size_t i = 0;
    for (auto _ : state) {
        CalendarDate out;
        benchmark::DoNotOptimize(DayNumberToHebrew(s.days[i++ & 4095], out));
    }
    Label(state);
}

void BM_GregorianToDayNumber(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    size_t i = 0;
    for (auto _ : state) {
        const CalendarDate& g = s.gregorian[i++ & 4095];
        benchmark::DoNotOptimize(GregorianToDayNumber(g.month, g.day, g.year));
    }
    Label(state);
}

void BM_HebrewToDayNumber(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    size_t i = 0;
    for (auto _ : state) {
        const CalendarDate& h = s.hebrew[i++ & 4095];
        benchmark::DoNotOptimize(HebrewToDayNumber(h.month, h.day, h.year));
    }
    Label(state);
}

BENCHMARK(BM_DayNumberToGregorian)->Arg(0)->Arg(1);
BENCHMARK(BM_DayNumberToHebrew)->Arg(0)->Arg(1);
BENCHMARK(BM_GregorianToDayNumber)->Arg(0)->Arg(1);
BENCHMARK(BM_HebrewToDayNumber)->Arg(0)->Arg(1);

#ifdef VELIN_BENCH_HDATE
// libhdate counts Julian days (ours + 1721425) and numbers months from Tishri, with 13 and 14
// for Adar I and II. Its results drift from the calendar's after about 4359 CE; only its speed
// is of interest here.
constexpr int kJulianDayOfDayZero = 1721425;

int HdateMonth(const CalendarDate& h) {
    if (h.month >= 7 && h.month <= 11) return h.month - 6;
    if (h.month == 12) return IsHebrewLeapYear(h.year) ? 13 : 6;
    if (h.month == 13) return 14;
    return h.month + 6;
}

void BM_HdateDayToHebrew(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    size_t i = 0;
    for (auto _ : state) {
        int d, m, y, tishri1, tishri1Next;
        hdate_jd_to_hdate(s.days[i++ & 4095] + kJulianDayOfDayZero, &d, &m, &y, &tishri1,
                          &tishri1Next);
        benchmark::DoNotOptimize(d + m + y);
    }
    Label(state);
}

void BM_HdateHebrewToDay(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    std::vector<int> months;
    for (const CalendarDate& h : s.hebrew) months.push_back(HdateMonth(h));
    size_t i = 0;
    for (auto _ : state) {
        const size_t k = i++ & 4095;
        int tishri1, tishri1Next;
        benchmark::DoNotOptimize(hdate_hdate_to_jd(s.hebrew[k].day, months[k], s.hebrew[k].year,
                                                   &tishri1, &tishri1Next));
    }
    Label(state);
}

BENCHMARK(BM_HdateDayToHebrew)->Arg(0)->Arg(1);
BENCHMARK(BM_HdateHebrewToDay)->Arg(0)->Arg(1);
#endif

#ifdef VELIN_BENCH_ICU
// ICU's Hebrew calendar through its public interface: time in ms since 1970 (day 719163)
// in UTC, months from Tishri with Adar I at 5 (leap years only) and Adar or Adar II at 6.
// ICU (72) puts 53 of the range's new years a day away from ours, each the year after a
// 384-day leap year; only its speed is of interest here.
constexpr double kMsPerDay = 86400000.0;
constexpr DayNumber kDayOf1970 = 719163;

std::unique_ptr<icu::Calendar> MakeIcuHebrewCalendar() {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(
        icu::TimeZone::createTimeZone("UTC"), icu::Locale("en@calendar=hebrew"), status));
    if (U_FAILURE(status)) return nullptr;
    return calendar;
}

int IcuMonth(const CalendarDate& h) {
    if (h.month >= 7 && h.month <= 11) return h.month - 7;
    if (h.month == 12) return IsHebrewLeapYear(h.year) ? 5 : 6;
    if (h.month == 13) return 6;
    return h.month + 6;
}

void BM_IcuDayToHebrew(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    auto calendar = MakeIcuHebrewCalendar();
    if (!calendar) {
        state.SkipWithError("no ICU Hebrew calendar");
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        UErrorCode status = U_ZERO_ERROR;
        calendar->setTime((s.days[i++ & 4095] - kDayOf1970) * kMsPerDay, status);
        benchmark::DoNotOptimize(calendar->get(UCAL_YEAR, status) +
                                 calendar->get(UCAL_MONTH, status) +
                                 calendar->get(UCAL_DATE, status));
    }
    Label(state);
}

void BM_IcuHebrewToDay(benchmark::State& state) {
    const Spread& s = SpreadFor(state);
    auto calendar = MakeIcuHebrewCalendar();
    if (!calendar) {
        state.SkipWithError("no ICU Hebrew calendar");
        return;
    }
    std::vector<int> months;
    for (const CalendarDate& h : s.hebrew) months.push_back(IcuMonth(h));
    size_t i = 0;
    for (auto _ : state) {
        const size_t k = i++ & 4095;
        UErrorCode status = U_ZERO_ERROR;
        calendar->clear();
        calendar->set(s.hebrew[k].year, months[k], s.hebrew[k].day);
        benchmark::DoNotOptimize(calendar->getTime(status));
    }
    Label(state);
}

BENCHMARK(BM_IcuDayToHebrew)->Arg(0)->Arg(1);
BENCHMARK(BM_IcuHebrewToDay)->Arg(0)->Arg(1);
#endif

}  // namespace

BENCHMARK_MAIN();
