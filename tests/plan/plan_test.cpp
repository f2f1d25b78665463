#include "tools/plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using plan::Book;
using plan::HebrewDay;
using plan::Lesson;
using plan::Record;
using plan::RecordKind;
using plan::Schedule;

// A synthetic text in the shape of the real one: every book of the Hebrew Bible in the order
// of the English Bible, a title line first and a New Testament book last. Chapters are small
// against a day's share, except Psalm 119 (176 verses) and Numbers 7, which are several days
// long.
std::string SyntheticText() {
    // The English Bible's order, which the plan must rearrange.
    const char* const kEnglishOrder[] = {
        "Ge",   "Exo",   "Lev",  "Num",   "Deu",  "Josh", "Jdgs", "Ruth", "1Sm",  "2Sm",
        "1Ki",  "2Ki",   "1Chr", "2Chr",  "Ezra", "Neh",  "Est",  "Job",  "Psa",  "Prv",
        "Eccl", "SSol",  "Isa",  "Jer",   "Lam",  "Eze",  "Dan",  "Hos",  "Joel", "Amos",
        "Obad", "Jonah", "Mic",  "Nahum", "Hab",  "Zep",  "Hag",  "Zec",  "Mal",  "Mat"};
    std::string text = "Synthetic Scriptures for the plan tests.\n";
    uint32_t seed = 0;
    for (int b = 0; b < 40; ++b) {
        std::string abbreviation = kEnglishOrder[b];
        int chapters = abbreviation == "Psa" ? 150 : 30 + (b % 7) * 3;
        for (int c = 1; c <= chapters; ++c) {
            int verses = 3 + (c * (b + 1)) % 6;
            if (abbreviation == "Psa" && c == 119) verses = 176;
            if (abbreviation == "Num" && c == 7) verses = 80;
            for (int v = 1; v <= verses; ++v) {
                seed = seed * 1103515245u + 12345u;
                int words = 4 + static_cast<int>((seed >> 16) % 12);
                text += abbreviation + std::to_string(c) + ":" + std::to_string(v) + " ";
                text += "And " + abbreviation + " " + std::to_string(c);
                for (int w = 0; w < words; ++w) text += " word";
                text += ".\n";
            }
        }
    }
    return text;
}

const std::vector<Book>& SyntheticBooks() {
    static const std::vector<Book> books = [] {
        std::vector<Book> out;
        std::string error;
        EXPECT_TRUE(plan::ParseVerseText(SyntheticText(), &out, &error)) << error;
        return out;
    }();
    return books;
}

std::string Dump(const Record& r) {
    return std::to_string(static_cast<int>(r.kind)) + "|" + r.label + "|" + r.text;
}

TEST(ParseVerseText, ReadsLinesAndCleansText) {
    std::string text = "Title line\r\nGe1:1 In  the\tbeginning \r\nGe1:2 caf\xC3\xA9\r\n";
    for (const plan::BookInfo& info : plan::kBooks) {
        if (std::string(info.abbreviation) != "Ge")
            text += std::string(info.abbreviation) + "1:1 x\n";
    }
    std::vector<Book> books;
    std::string error;
    ASSERT_TRUE(plan::ParseVerseText(text, &books, &error)) << error;
    ASSERT_EQ(books.size(), 39u);
    const auto& verses = books[0].chapters.at(0).verses;
    ASSERT_EQ(verses.size(), 2u);
    EXPECT_EQ(verses[0].text, "In the beginning");
    EXPECT_EQ(verses[0].bytes, 16u);
    // A Latin-1 letter stays UTF-8 in the source and counts as one stored byte.
    EXPECT_EQ(verses[1].text, "caf\xC3\xA9");
    EXPECT_EQ(verses[1].bytes, 4u);
}

TEST(ParseVerseText, RefusesDamagedText) {
    const struct {
        const char* text;
        const char* error;  // a part of the message
    } kCases[] = {
        {"Title\nGe1:1 a\nnonsense\n", "line 3: not a verse line"},
        {"Ge1:1 a\nGe3:1 b\n", "line 2: chapter 3 where chapter 2 belongs"},
        {"Ge1:1 a\nGe1:3 b\n", "line 2: verse 3 where verse 2 belongs"},
        {"Ge1:2 a\n", "line 1: verse 2 where verse 1 belongs"},
        {"Ge1:1   \n", "line 1: empty verse"},
        {"Ge1:1 a\nExo1:1 b\nGe2:1 c\n", "line 3: Ge appears again"},
        // U+20AC, beyond the 8-bit set, and a stray continuation byte
        {"Ge1:1 price \xE2\x82\xAC\n", "line 1: character outside"},
        {"Ge1:1 \x80\n", "line 1: character outside"},
        {"Ge1:1 a\x01 b\n", "line 1: control character"},
        {"Ge1:1 a\nGe1:99999 b\n", "line 2: not a verse line"},
        // everything readable, but only Genesis is there
        {"Ge1:1 a\n", "lacks Exodus"},
    };
    for (const auto& c : kCases) {
        std::vector<Book> books;
        std::string error;
        EXPECT_FALSE(plan::ParseVerseText(c.text, &books, &error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
    }
}

TEST(StudyYearDays, RunFromKislev19ToKislev18) {
    const struct {
        Schedule schedule;
        size_t days;
        HebrewDay lastOfAdar;  // the last day of the year's last Adar
    } kCases[] = {
        {Schedule::kLeap, 385, {13, 29}},
        {Schedule::kCommon, 355, {12, 29}},
    };
    for (const auto& c : kCases) {
        std::vector<HebrewDay> days = plan::StudyYearDays(c.schedule);
        ASSERT_EQ(days.size(), c.days);
        EXPECT_EQ(days.front(), (HebrewDay{9, 19}));
        EXPECT_EQ(days.back(), (HebrewDay{9, 18}));
        std::set<std::pair<int, int>> unique;
        for (const HebrewDay& d : days) unique.insert({d.month, d.day});
        EXPECT_EQ(unique.size(), days.size());
        auto next = std::find(days.begin(), days.end(), c.lastOfAdar) + 1;
        ASSERT_LT(next, days.end());
        EXPECT_EQ(*next, (HebrewDay{1, 1}));  // Nisan follows the last Adar
        // Cheshvan and Kislev are read at 30 days
        EXPECT_EQ(unique.count({8, 30}) + unique.count({9, 30}), 2u);
    }
    // A common year has one Adar of 29 days.
    std::vector<HebrewDay> common = plan::StudyYearDays(Schedule::kCommon);
    EXPECT_EQ(std::count(common.begin(), common.end(), HebrewDay{12, 30}), 0);
    EXPECT_TRUE(std::none_of(common.begin(), common.end(),
                             [](const HebrewDay& d) { return d.month == 13; }));
}

class LeapPlan : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(plan::MakePlan(SyntheticBooks(), Schedule::kLeap, &plan_, &error)) << error;
        lessons_ = plan::MakeLessons(SyntheticBooks(), plan_);
    }
    static plan::Plan plan_;
    static std::vector<Lesson> lessons_;
};
plan::Plan LeapPlan::plan_;
std::vector<Lesson> LeapPlan::lessons_;

TEST_F(LeapPlan, ReadsEveryVerseOnceInHebrewOrder) {
    ASSERT_EQ(plan_.days.size(), 385u);
    ASSERT_EQ(lessons_.size(), 387u);
    // The reading days' notes, one after the other, are the whole text in the plan's order.
    std::vector<std::string> read, expected, titles;
    for (size_t i = 0; i < plan_.days.size(); ++i) {
        EXPECT_EQ(lessons_[i].date, plan_.days[i].date);
        for (const Record& r : lessons_[i].records) {
            if (r.kind == RecordKind::kNote) read.push_back(r.label + " " + r.text);
            if (r.kind == RecordKind::kTitle) titles.push_back(r.text);
        }
    }
    for (const Book& book : SyntheticBooks()) {
        for (const auto& chapter : book.chapters) {
            for (const auto& verse : chapter.verses) {
                expected.push_back(std::to_string(verse.number) + " " + verse.text);
            }
        }
    }
    EXPECT_EQ(read, expected);
    std::vector<std::string> names;
    for (const plan::BookInfo& info : plan::kBooks) names.push_back(info.name);
    EXPECT_EQ(titles, names);
    EXPECT_EQ(names[5], "Joshua");   // Prophets follow the Torah,
    EXPECT_EQ(names[26], "Psalms");  // the Writings follow Malachi
    EXPECT_EQ(names[38], "2 Chronicles");
}

TEST_F(LeapPlan, EveryLessonOpensWithTitleOrHeading) {
    for (const Lesson& lesson : lessons_) {
        ASSERT_FALSE(lesson.records.empty());
        RecordKind first = lesson.records.front().kind;
        EXPECT_TRUE(first == RecordKind::kTitle || first == RecordKind::kHeading)
            << plan::MonthName(lesson.date.month) << " " << lesson.date.day;
    }
}

TEST_F(LeapPlan, DividesOnlyOverlongChaptersAtTheirNaturalPoints) {
    // Headings that name verses mark a chapter divided between days.
    std::map<std::string, std::vector<std::string>> divided;
    for (size_t i = 0; i < plan_.days.size(); ++i) {
        for (const Record& r : lessons_[i].records) {
            size_t colon = r.text.find(':');
            if (r.kind == RecordKind::kHeading && colon != std::string::npos) {
                divided[r.text.substr(0, colon)].push_back(r.text.substr(colon + 1));
            }
        }
    }
    std::set<std::string> chapters;
    for (const auto& [chapter, parts] : divided) chapters.insert(chapter);
    EXPECT_EQ(chapters, (std::set<std::string>{"Numbers 7", "Psalms 119"}));
    // Psalm 119 breaks only between its stanzas of eight verses, and its parts join up.
    int expectedFirst = 1;
    for (const std::string& range : divided["Psalms 119"]) {
        int first = std::stoi(range);
        size_t dash = range.find('-');
        int last = dash == std::string::npos ? first : std::stoi(range.substr(dash + 1));
        EXPECT_EQ(first, expectedFirst) << range;
        EXPECT_EQ(first % 8, 1) << range;
        EXPECT_EQ(last % 8, 0) << range;
        expectedFirst = last + 1;
    }
    EXPECT_EQ(expectedFirst, 177);
}

TEST_F(LeapPlan, BalancesTheDays) {
    size_t least = SIZE_MAX, most = 0;
    for (size_t i = 0; i < plan_.days.size(); ++i) {
        size_t bytes = plan::LessonBytes(lessons_[i]);
        least = std::min(least, bytes);
        most = std::max(most, bytes);
    }
    // Chapters here are at most about a third of a day, so the division can come close.
    EXPECT_LT(static_cast<double>(most), 1.4 * plan_.meanBytes);
    EXPECT_GT(static_cast<double>(least), 0.6 * plan_.meanBytes);
}

TEST_F(LeapPlan, Day31JoinsThe29thAndThe30th) {
    auto find = [&](int month, int day) -> const Lesson& {
        auto it = std::find_if(lessons_.begin(), lessons_.end(), [&](const Lesson& l) {
            return l.date == HebrewDay{month, day};
        });
        EXPECT_NE(it, lessons_.end());
        return *it;
    };
    for (int month : {8, 9}) {
        std::vector<std::string> expected, joined;
        for (int day : {29, 30}) {
            for (const Record& r : find(month, day).records) expected.push_back(Dump(r));
        }
        for (const Record& r : find(month, 31).records) joined.push_back(Dump(r));
        EXPECT_EQ(joined, expected) << "month " << month;
    }
}

TEST_F(LeapPlan, ContentsLeadsToEveryDaysFirstChapter) {
    std::vector<plan::ContentsEntry> contents = plan::MakeContents(SyntheticBooks(), plan_);
    // (book, label, date) of every leaf; parts and books in order.
    std::set<std::tuple<std::string, std::string, int, int>> leaves;
    std::vector<std::string> parts, books;
    std::map<std::string, int> leavesPerBook;
    std::string book;
    for (const auto& e : contents) {
        if (e.level == 1) parts.push_back(e.label);
        if (e.level == 2) books.push_back(book = e.label);
        if (e.level == 3) {
            leaves.insert({book, e.label, e.date.month, e.date.day});
            ++leavesPerBook[book];
            EXPECT_LE(e.label.size(), 13u) << e.label;
        }
    }
    EXPECT_EQ(parts, (std::vector<std::string>{"Torah", "Prophets", "Writings"}));
    ASSERT_EQ(books.size(), 39u);
    EXPECT_EQ(leavesPerBook.size(), 39u);  // every book has a leaf
    for (const plan::ReadingDay& day : plan_.days) {
        const plan::Unit& u = plan_.units[day.firstUnit];
        const Book& b = SyntheticBooks()[u.book];
        std::string label =
            std::string(b.info->shortName) + " " + std::to_string(b.chapters[u.chapter].number);
        if (u.firstVerse > 0) {
            label += ":" + std::to_string(b.chapters[u.chapter].verses[u.firstVerse].number);
        }
        EXPECT_EQ(leaves.count({b.info->name, label, day.date.month, day.date.day}), 1u) << label;
    }
    // A book that begins in the middle of a day leads to that day.
    for (const plan::ReadingDay& day : plan_.days) {
        for (size_t u = day.firstUnit + 1; u < day.endUnit; ++u) {
            const plan::Unit& unit = plan_.units[u];
            if (unit.chapter != 0 || unit.firstVerse != 0) continue;
            const Book& b = SyntheticBooks()[unit.book];
            EXPECT_EQ(leaves.count({b.info->name, std::string(b.info->shortName) + " 1",
                                    day.date.month, day.date.day}),
                      1u)
                << b.info->name;
        }
    }
}

TEST(CommonPlan, Has355ReadingDays) {
    plan::Plan common;
    std::string error;
    ASSERT_TRUE(plan::MakePlan(SyntheticBooks(), Schedule::kCommon, &common, &error)) << error;
    EXPECT_EQ(common.days.size(), 355u);
    EXPECT_EQ(common.days.back().endUnit, common.units.size());
    std::vector<Lesson> lessons = plan::MakeLessons(SyntheticBooks(), common);
    EXPECT_EQ(lessons.size(), 357u);
    EXPECT_TRUE(std::none_of(lessons.begin(), lessons.end(),
                             [](const Lesson& l) { return l.date.month == 13; }));
}

TEST(MakePlan, RefusesTooLittleText) {
    std::string text;
    for (const plan::BookInfo& info : plan::kBooks)
        text += std::string(info.abbreviation) + "1:1 x\n";
    std::vector<Book> books;
    std::string error;
    ASSERT_TRUE(plan::ParseVerseText(text, &books, &error)) << error;
    plan::Plan p;
    EXPECT_FALSE(plan::MakePlan(books, Schedule::kLeap, &p, &error));
    EXPECT_NE(error.find("fewer than the 385 days"), std::string::npos) << error;
}

TEST(WriteBookSource, WritesTheMarkup) {
    std::vector<Lesson> lessons = {
        {{9, 19},
         {{RecordKind::kTitle, "", "Genesis"},
          {RecordKind::kHeading, "", "Genesis 1"},
          {RecordKind::kNote, "1", "In the beginning"}}},
        {{13, 3}, {{RecordKind::kHeading, "", "Psalms 119:89-96"}, {RecordKind::kRule, "", ""}}},
    };
    std::vector<plan::ContentsEntry> contents = {
        {1, "Torah", {}}, {2, "Genesis", {}}, {3, "Gen 1", {9, 19}}, {3, "Ps 119:89", {13, 3}}};
    std::vector<plan::ScheduleLessons> schedules = {{Schedule::kLeap, lessons},
                                                    {Schedule::kCommon, {lessons[0]}}};
    std::string source = plan::WriteBookSource(schedules, contents);
    const char* kExpected =
        "@schedule leap\n"
        "\n@lesson Kislev 19\n"
        ".title Genesis\n"
        ".heading Genesis 1\n"
        ".note 1 In the beginning\n"
        "\n@lesson AdarII 3\n"
        ".heading Psalms 119:89-96\n"
        ".rule 74%\n"
        "\n@schedule common\n"
        "\n@lesson Kislev 19\n"
        ".title Genesis\n"
        ".heading Genesis 1\n"
        ".note 1 In the beginning\n"
        "\n@contents\n"
        "* Torah\n"
        "** Genesis\n"
        "*** Gen 1 @ Kislev 19\n"
        "*** Ps 119:89 @ AdarII 3\n";
    // The comment lines at the top are free.
    EXPECT_EQ(source.substr(source.find("@schedule")), kExpected);
    // Each record adds its style, parameter and zero; the lesson ends in three zero bytes.
    EXPECT_EQ(plan::LessonBytes(lessons[0]), 10u + 12u + 21u + 3u);
}

}  // namespace
