#include "search/lesson_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "textview/lesson_text.h"

namespace {

// Bytes compare as signed 8-bit values, so only 'A'..'Z' and 'a'..'z' fold into each other.
bool SameNoCase(char a, char b) {
    const int x = static_cast<signed char>(a);
    const int y = static_cast<signed char>(b);
    if (x == y) return true;
    const int lo = std::min(x, y);
    const int hi = std::max(x, y);
    return lo >= 'A' && lo <= 'Z' && hi == lo + 32;
}

// The place of a date in the study year, which runs from 19 Kislev (key 19) to 18 Kislev of
// the next Hebrew year (key 408).
int StudyYearKey(int month, int day) {
    return 30 * ((month + 4) % 13) + day + ((month == 9 && day < 19) ? 390 : 0);
}

// A rough rank of how often a byte occurs in English text (higher: more often). The search
// scans for the pattern's rarest character and compares the rest around it, so that a text
// beginning with "the" does not stop at every t of the book.
constexpr std::array<uint8_t, 256> MakeCommonness() {
    constexpr std::string_view kLetters = "zqxjkvbpygfwmucldrhsnioate";  // rising
    std::array<uint8_t, 256> rank{};
    for (size_t i = 0; i < kLetters.size(); ++i) {
        rank[static_cast<uint8_t>(kLetters[i])] = static_cast<uint8_t>(i + 10);
        rank[static_cast<uint8_t>(kLetters[i] - 32)] = static_cast<uint8_t>(i + 10);
    }
    rank[' '] = 40;
    return rank;
}
constexpr std::array<uint8_t, 256> kCommonness = MakeCommonness();

int Commonness(char c) { return kCommonness[static_cast<uint8_t>(c)]; }

bool Same(char a, char b, MatchCase matchCase) {
    return matchCase == MatchCase::kYes ? a == b : SameNoCase(a, b);
}

// The position of the pattern's (not empty) rarest character.
size_t AnchorOf(std::string_view pattern) {
    size_t k = 0;
    for (size_t i = 1; i < pattern.size(); ++i) {
        if (Commonness(pattern[i]) < Commonness(pattern[k])) k = i;
    }
    return k;
}

// The first occurrence of `pattern` (not empty) in `text`, exact or with ASCII letters folded;
// k is AnchorOf(pattern).
size_t FindText(std::string_view text, std::string_view pattern, size_t k, MatchCase matchCase) {
    if (pattern.size() > text.size()) return kNoMatch;
    const size_t last = text.size() - pattern.size();  // the last start that fits
    // The next start at or after `from` whose anchor position holds `c`, or kNoMatch.
    const auto next = [&text, last, k](char c, size_t from) {
        if (from > last) return kNoMatch;
        const void* found = std::memchr(text.data() + from + k, c, last - from + 1);
        return found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) - k
                     : kNoMatch;
    };
    // A letter compared case-blind has two forms; each is found by memchr and kept until the
    // scan passes it.
    const char anchor = pattern[k];
    const bool twoForms = matchCase == MatchCase::kNo &&
                          ((anchor >= 'A' && anchor <= 'Z') || (anchor >= 'a' && anchor <= 'z'));
    const char other = static_cast<char>(anchor ^ 0x20);
    size_t nextAnchor = next(anchor, 0);
    size_t nextOther = twoForms ? next(other, 0) : kNoMatch;
    for (;;) {
        const size_t at = std::min(nextAnchor, nextOther);
        if (at == kNoMatch) return kNoMatch;
        size_t i = 0;
        while (i < pattern.size() && (i == k || Same(text[at + i], pattern[i], matchCase))) ++i;
        if (i == pattern.size()) return at;
        if (at == nextAnchor) {
            nextAnchor = next(anchor, at + 1);
        } else {
            nextOther = next(other, at + 1);
        }
    }
}

}  // namespace

size_t FindTextNoCase(std::string_view text, std::string_view pattern) {
    if (text.empty()) return kNoMatch;
    if (pattern.empty()) return 0;
    return FindText(text, pattern, AnchorOf(pattern), MatchCase::kNo);
}

size_t SearchLessonText(std::span<const uint8_t> lesson, size_t from, std::string_view pattern,
                        MatchCase matchCase) {
    if (pattern.empty()) return 0;
    const size_t anchor = AnchorOf(pattern);
    LessonRecordWalker walker(lesson);
    LessonRecord record;
    while (walker.Next(&record)) {
        const size_t textStart = record.offset + 2;
        const size_t textEnd = textStart + record.text.size();
        if (from >= textEnd) continue;
        const size_t skip = from > textStart ? from - textStart : 0;
        const std::string_view rest = record.text.substr(skip);
        const size_t at = FindText(rest, pattern, anchor, matchCase);
        if (at != kNoMatch) return textStart + skip + at;
    }
    return 0;
}

DayCode NextWalkCode(DayCode code) {
    code = static_cast<DayCode>(code + 1);
    if ((code & 0xFF) > 31) {
        int month = ((code >> 8) & 0x0F) + 1;
        if (month > 13) month = 1;
        code = static_cast<DayCode>((code & kLeapScheduleFlag) | month << 8 | 1);
    }
    return code;
}

DayNumber ChooseHitDay(DayCode found, const CalendarDate& current) {
    const int hm = (found >> 8) & 0x0F;
    const int hd = found & 0x7F;
    // Day 31 keys the lesson of the 29th of a 29-day Cheshvan or Kislev (it stands for the 29th
    // and the 30th); placed in the year as the 29th.
    const int dayOfMonth = hd == 31 ? 29 : hd;
    const int cm = current.month;
    const int cd = current.day;
    const int y = current.year;
    int32_t year;
    if (hm >= 7 && cm < 7) {
        // Tishri to Adar II, seen from Nisan to Elul: the Hebrew year after this one.
        year = y + 1;
    } else if (StudyYearKey(hm, dayOfMonth) >= StudyYearKey(cm, cd)) {
        // Later in the current study year. Its Tishri to 18 Kislev lies in the next Hebrew year
        // when the current day is still in 19 Kislev to Adar II.
        const bool foundInTail = hm == 7 || hm == 8 || (hm == 9 && dayOfMonth < 19);
        const bool currentInHead = (cm >= 10 && cm <= 13) || (cm == 9 && cd >= 19);
        year = foundInTail && currentInHead ? y + 1 : y;
    } else {
        year = y;
    }
    // From that year on, the first whose date keys the found lesson: a study year of the
    // code's kind, with a 30th for day 30, with a short month for day 31. Leap years come at
    // most three years apart and each kind of year within a few decades, so the bound is loose.
    for (int32_t candidate = std::max(year, kMinHebrewYear);
         candidate <= kMaxHebrewYear && candidate < year + 200; ++candidate) {
        if (dayOfMonth > HebrewMonthLength(hm, candidate)) continue;
        if (hm == 13 && !IsHebrewLeapYear(candidate)) continue;
        if (DayCodeOfDate(hm, dayOfMonth, candidate) != found) continue;
        const DayNumber n = HebrewToDayNumber(hm, dayOfMonth, candidate);
        if (n < kMinDayNumber || n > kMaxDayNumber) return 0;
        return n;
    }
    return 0;
}
