// Finding a text in a lesson, case-blind or exact, and the day on which a found lesson is shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/lesson_search.h"

namespace {

// A lesson of records (style 0x81, parameter 0, text) closed by a zero style byte.
std::vector<uint8_t> Lesson(std::initializer_list<std::string> texts) {
    std::vector<uint8_t> bytes;
    for (const std::string& t : texts) {
        bytes.push_back(0x81);
        bytes.push_back(0);
        bytes.insert(bytes.end(), t.begin(), t.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
    return bytes;
}

TEST(FindTextNoCase, FoldsAsciiLettersOnly) {
    const struct {
        std::string text, pattern;
        size_t expected;
    } kCases[] = {
        {"xxABCxx", "abc", 2},
        {"aBc", "abc", 0},
        {"abc", "ABC", 0},
        {"[", "{", kNoMatch},  // 0x5B and 0x7B differ by 32 but [ is no letter
        {"@", "`", kNoMatch},
        {"\xC9", "\xE9", kNoMatch},  // accented letters match only themselves
        {"\xE9t\xE9", "\xE9T", 0},
        {"", "", kNoMatch},  // an empty text holds nothing
        {"a", "", 0},
        {"ab", "abc", kNoMatch},
        {"aaab", "aab", 1},
        // The rarest letter of the pattern comes last: earlier partial matches are passed over.
        {"the thz THZ", "THZ", 4},
        {"Qq", "q", 0},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(FindTextNoCase(c.text, c.pattern), c.expected)
            << "text '" << c.text << "' pattern '" << c.pattern << "'";
    }
}

TEST(SearchLessonText, FindsFromAnOffsetWithinOneRecord) {
    // Record texts start at offsets 2 and 2 + 7 + 2 = 11.
    const std::vector<uint8_t> lesson = Lesson({"abcabc", "xxABC"});
    const struct {
        size_t from;
        const char* pattern;
        MatchCase matchCase;
        size_t expected;
    } kCases[] = {
        {0, "abc", MatchCase::kNo, 2},
        {3, "abc", MatchCase::kNo, 5},  // one byte after the first hit
        {6, "abc", MatchCase::kNo, 13},
        {6, "abc", MatchCase::kYes, 0},
        {6, "ABC", MatchCase::kYes, 13},
        {0, "cx", MatchCase::kNo, 0},  // never across a record boundary
        {0, "", MatchCase::kNo, 0},
        {200, "abc", MatchCase::kNo, 0},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(SearchLessonText(lesson, c.from, c.pattern, c.matchCase), c.expected)
            << "from " << c.from << " pattern " << c.pattern;
    }
}

TEST(SearchLessonText, FindsOverlappingOccurrencesOneByOne) {
    const std::vector<uint8_t> lesson = Lesson({"aaaa"});
    std::vector<size_t> hits;
    for (size_t h = SearchLessonText(lesson, 0, "aa", MatchCase::kYes); h != 0;
         h = SearchLessonText(lesson, h + 1, "aa", MatchCase::kYes)) {
        hits.push_back(h);
    }
    EXPECT_EQ(hits, (std::vector<size_t>{2, 3, 4}));
}

TEST(SearchLessonText, StopsAtTheEndOfATruncatedLesson) {
    const std::vector<uint8_t> cut = {0x81, 0, 'a', 'b', 'c'};  // no zero, no end marker
    EXPECT_EQ(SearchLessonText(cut, 0, "bc", MatchCase::kYes), 3u);
    EXPECT_EQ(SearchLessonText(cut, 0, "bcd", MatchCase::kYes), 0u);
    EXPECT_EQ(SearchLessonText(std::vector<uint8_t>{0, 'a'}, 0, "a", MatchCase::kYes), 0u);
}

TEST(ChooseHitDay, ShowsTheFoundLessonsDay) {
    const struct {
        DayCode found;
        CalendarDate current;
        DayNumber expected;
    } kCases[] = {
        {0x1A14, {10, 5, 5768}, 733039},  // later in the study year
        {0x1A05, {1, 10, 5768}, 734118},  // Tevet seen from Nisan: 5769 and 5770 are common
        {0x1203, {1, 10, 5768}, 733170},
        {0x1105, {1, 10, 5768}, 733142},
        {0x190A, {7, 20, 5769}, 733383},
        {0x1A01, {7, 20, 5769}, 734114},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ChooseHitDay(c.found, c.current), c.expected) << std::hex << c.found;
    }
}

// Whatever the current day, the day chosen keys the found lesson, and lies in the current
// study year when the found lesson comes later in it.
TEST(ChooseHitDay, TheDayChosenAlwaysKeysTheFoundCode) {
    const struct {
        DayCode found;
        CalendarDate current;
        CalendarDate expected;
    } kCases[] = {
        // Tishri to 18 Kislev seen from 19 Kislev to Adar II: the next Hebrew year, in the same
        // study year (the key comparison alone gave a day of the previous study year).
        {0x1705, {10, 5, 5768}, {7, 5, 5769}},
        {0x1812, {13, 1, 5768}, {8, 18, 5769}},
        {0x1910, {9, 20, 5768}, {9, 16, 5769}},
    };
    for (const auto& c : kCases) {
        const DayNumber n = ChooseHitDay(c.found, c.current);
        CalendarDate got;
        DayNumberToHebrew(n, got);
        EXPECT_EQ(got, c.expected) << std::hex << c.found;
        EXPECT_EQ(DayCodeOfDate(got.month, got.day, got.year), c.found) << std::hex << c.found;
    }
    // Every code of a leap study year, seen from a day of each month: the chosen day keys it.
    for (int cm = 1; cm <= 13; ++cm) {
        const CalendarDate current{cm, 10, 5768};
        for (int m = 1; m <= 13; ++m) {
            for (int d : {1, 18, 19, 29, 30, 31}) {
                const DayCode code = static_cast<DayCode>(kLeapScheduleFlag | m << 8 | d);
                if (d == 31 && m != 8 && m != 9) continue;  // only a short month keys day 31
                // These months always have 29 days: no date keys their day 30.
                if (d == 30 && (m == 2 || m == 4 || m == 6 || m == 10 || m == 13)) continue;
                const DayNumber n = ChooseHitDay(code, current);
                ASSERT_NE(n, 0) << std::hex << code;
                CalendarDate got;
                DayNumberToHebrew(n, got);
                EXPECT_EQ(DayCodeOfDate(got.month, got.day, got.year), code)
                    << std::hex << code << std::dec << " from month " << cm;
            }
        }
    }
}

}  // namespace
