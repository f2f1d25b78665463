// tools/ (book source half): reads the book source (the .vsrc markup of resources/book/FORMAT.md)
// and builds a book file from it. The parser turns each lesson into its record bytes and the
// table of contents into outline data; the builder compresses them into lesson packs under the
// resource ids the lesson lookup expects and writes the .vbk image.
//
// Source files are written by people, so every fault is reported with its file and line and the
// parser goes on to find the next one; nothing is built while any error stands.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The two lesson schedules: 13-month study years (leap flag 0x1000 in the day code) and
// 12-month ones.
enum class Schedule { kLeap, kCommon };

constexpr uint16_t kLeapDayCodeFlag = 0x1000;
constexpr int kMaxLessonBytes = 65535;   // offsets into a lesson are 16 bits
constexpr int kFirstBranchKey = 0xBFFE;  // branch keys count down from here
constexpr int kLeafKeyFlag = 0x4000;     // a leaf's key is this bit over the day code
constexpr uint16_t kContentsFirstDay = 1;
constexpr uint16_t kContentsLastDay = 255;

// Month numbers run from Nisan (1) to Adar II (13). Days 1 to this length exist in the
// schedule; Cheshvan (8) and Kislev (9) also have day 31, the lesson a 29-day month reads on
// its 29th. Returns 0 for a month the schedule does not have.
int ScheduleMonthLength(Schedule schedule, int month);
// The last lesson day of a month in the schedule (31 for Cheshvan and Kislev).
int ScheduleLastLessonDay(Schedule schedule, int month);
int ScheduleMonthCount(Schedule schedule);
uint16_t ScheduleDayCode(Schedule schedule, int month, int day);
// "Kislev", "Adar II", ... for messages; "month N" for a number out of range.
std::string MonthName(int month);

// A parsed book: every lesson as record bytes (end marker included) under its day code, and
// the table of contents as outline data (closed by five zero bytes).
struct BookSource {
    std::map<uint16_t, std::vector<uint8_t>> lessons;
    std::map<uint16_t, std::string> lessonPlaces;  // "FILE:LINE" of each lesson, for messages
    std::vector<uint8_t> contents;
    bool hasContents = false;
};

class BookSourceParser {
  public:
    // Parses one source file. `fileName` is used in messages only.
    void Parse(std::string_view fileName, std::string_view text);
    // Runs the checks that need every file (each schedule complete, every leaf on a lesson)
    // and hands the result over. False when any error was found, here or in Parse.
    // Days::kAllowMissing skips the completeness check (for a look at part of a book).
    enum class Days { kRequireAll, kAllowMissing };
    bool Finish(BookSource* out, Days days = Days::kRequireAll);
    // "FILE:LINE: message" (or "FILE: message" for faults that belong to no line).
    const std::vector<std::string>& Errors() const { return errors_; }

  private:
    struct Place {
        std::string file;
        int line = 0;
    };
    struct Lesson {
        std::vector<uint8_t> bytes;
        Place place;
        int recordCount = 0;
        bool firstIsRuleOrHasText = false;
    };
    struct Leaf {
        uint16_t dayCode;
        Place place;
    };

    void Error(const Place& place, const std::string& message);
    void ParseLine(const Place& place, std::string_view line);
    void ParseDirective(const Place& place, std::string_view line);
    void ParseRecord(const Place& place, std::string_view line);
    void ParseOutline(const Place& place, std::string_view line);
    void CloseLesson();

    std::vector<std::string> errors_;
    Schedule schedule_ = Schedule::kLeap;
    enum class Section { kNone, kLesson, kContents } section_ = Section::kNone;
    bool haveLesson_ = false;
    uint16_t lessonCode_ = 0;
    Lesson lesson_;
    std::map<uint16_t, Lesson> lessons_;
    std::map<Schedule, Place> scheduleFirstUse_;
    bool contentsSeen_ = false;
    Place contentsPlace_;
    int previousLevel_ = 0;
    int nextBranchKey_ = kFirstBranchKey;
    std::vector<uint8_t> contents_;
    std::vector<Leaf> leaves_;
};

// Parses the sources with one parser. Errors are appended to `errors`.
struct SourceFile {
    std::string name;
    std::string text;
};
bool ParseBookSources(const std::vector<SourceFile>& files, BookSource* out,
                      std::vector<std::string>* errors);

// Compresses every lesson and the contents and lays them out in packs: for each month of a
// schedule that has lessons, days 1-11, 12-22 and 23 to the month's last lesson day, under
// resource ids 1046 + 3m (leap) or 998 + 3m (common) onward; the contents as resource 32767.
// A pack over the 16-bit length limit is an error naming the pack.
bool BuildBookResources(const BookSource& book, std::map<uint32_t, std::vector<uint8_t>>* out,
                        std::vector<std::string>* errors);

// The resource id of pack `pack` (0, 1 or 2) of a month in a schedule.
uint32_t PackResourceId(Schedule schedule, int month, int pack);
// First and last lesson day of pack `pack` of a month.
int PackFirstDay(int pack);
int PackLastLessonDay(Schedule schedule, int month, int pack);
// The last-day field stored in a pack's header (the month's length for the third pack).
int PackLastDayField(Schedule schedule, int month, int pack);
