// tools/plan: the reading plan behind the built-in book. It reads the Hebrew Scriptures as
// verse-a-line text ("Ge1:1 In the beginning ..."), arranges the books in the order of the
// Hebrew Bible, divides them into one portion for each day of the study year (19 Kislev to
// 18 Kislev), balanced by the size of the lesson text, and writes the whole as a book source
// (resources/book/FORMAT.md) with its table of contents.
//
// The text comes from a file outside the project, so the reader checks every line and names
// the first one it cannot use instead of producing a silently shorter book.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plan {

enum class Section { kTorah, kProphets, kWritings };

struct BookInfo {
    const char* abbreviation;  // as the verse-a-line text writes it ("Ge", "1Sm", "SSol")
    const char* name;          // full English name: titles, headings and contents branches
    const char* shortName;     // contents leaves, which must stay short ("Gen 1", "Ps 119:89")
    Section section;
};
// The 39 books in the order of the Hebrew Bible.
constexpr int kBookCount = 39;
extern const BookInfo kBooks[kBookCount];
const char* SectionName(Section section);

struct Verse {
    int number;
    std::string text;  // UTF-8, every character in U+0020..U+00FF, single spaces, trimmed
    size_t bytes;      // characters, i.e. bytes once stored in the book's 8-bit set
};
struct Chapter {
    int number;
    std::vector<Verse> verses;
};
struct Book {
    const BookInfo* info;
    std::vector<Chapter> chapters;
};

// Reads verse-a-line text. The first line is the file's title and is skipped; books outside
// the 39 (the New Testament) are ignored. Fails with a message naming the line when a line
// is malformed, chapters or verses are out of order, a verse is empty or holds a character
// outside the 8-bit set, or one of the 39 books is missing. `books` comes out in kBooks order.
bool ParseVerseText(std::string_view text, std::vector<Book>* books, std::string* error);

// ---------------------------------------------------------------------------------------------
// Schedules. Months are numbered from Nisan (1) to Adar II (13).

enum class Schedule {
    kLeap,    // 13 months, 385 reading days: the schedule the built-in book carries
    kCommon,  // 12 months, 355 reading days
};
struct HebrewDay {
    int month;
    int day;
    friend bool operator==(const HebrewDay&, const HebrewDay&) = default;
};
// The reading days of a study year in order, from Kislev 19 to Kislev 18, with Cheshvan and
// Kislev at 30 days. The day-31 lessons are not reading days of their own.
std::vector<HebrewDay> StudyYearDays(Schedule schedule);
// The month's name as the book source writes it ("Kislev", "AdarII").
const char* MonthName(int month);

// ---------------------------------------------------------------------------------------------
// The plan.

// A run of verses of one chapter that is never divided between two days: a whole chapter, or
// a part of a chapter too long for one day (Psalm 119 by its stanzas of eight verses).
struct Unit {
    int book;        // index into the books
    int chapter;     // index into the book's chapters
    int firstVerse;  // index into the chapter's verses
    int endVerse;    // one past the last
    size_t bytes;    // its share of the lesson text, records included
};
struct ReadingDay {
    HebrewDay date;
    size_t firstUnit;
    size_t endUnit;  // one past the last
    size_t bytes;
};
struct Plan {
    Schedule schedule;
    std::vector<Unit> units;
    std::vector<ReadingDay> days;
    double meanBytes;  // the ideal day
};

// Cuts the books into units and finds the division into the schedule's days that minimises
// the sum of squared differences between each day's size and the mean. Fails when there is
// too little text to give every day something.
bool MakePlan(const std::vector<Book>& books, Schedule schedule, Plan* plan, std::string* error);

// ---------------------------------------------------------------------------------------------
// Lessons and contents, as the book source states them.

enum class RecordKind { kTitle, kHeading, kNote, kRule };
struct Record {
    RecordKind kind;
    std::string label;  // the verse number of a note
    std::string text;   // UTF-8
};
struct Lesson {
    HebrewDay date;  // day 31 of Cheshvan or Kislev joins the 29th and the 30th
    std::vector<Record> records;
};
// One lesson per reading day, in order, then the day-31 lessons of Cheshvan and Kislev.
std::vector<Lesson> MakeLessons(const std::vector<Book>& books, const Plan& plan);
// Bytes of a lesson once stored: every record with its style, parameter and zero, and the
// three-byte end marker.
size_t LessonBytes(const Lesson& lesson);

struct ContentsEntry {
    int level;          // 1 a part, 2 a book, 3 a leaf
    std::string label;  // UTF-8
    HebrewDay date;     // the day a leaf opens (leaves only)
};
// Parts, books, and under each book a leaf for every day that begins in it; a book that
// begins in the middle of a day has a leaf for that day as well.
std::vector<ContentsEntry> MakeContents(const std::vector<Book>& books, const Plan& plan);

// The book source text: the lessons of each schedule under its @schedule line, then the
// contents unless it is empty. The contents names days of the leap schedule.
struct ScheduleLessons {
    Schedule schedule;
    std::vector<Lesson> lessons;
};
std::string WriteBookSource(const std::vector<ScheduleLessons>& schedules,
                            const std::vector<ContentsEntry>& contents);

}  // namespace plan
