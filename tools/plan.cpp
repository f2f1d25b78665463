#include "tools/plan.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace plan {

const BookInfo kBooks[kBookCount] = {
    {"Ge", "Genesis", "Gen", Section::kTorah},
    {"Exo", "Exodus", "Exod", Section::kTorah},
    {"Lev", "Leviticus", "Lev", Section::kTorah},
    {"Num", "Numbers", "Num", Section::kTorah},
    {"Deu", "Deuteronomy", "Deut", Section::kTorah},
    {"Josh", "Joshua", "Josh", Section::kProphets},
    {"Jdgs", "Judges", "Judg", Section::kProphets},
    {"1Sm", "1 Samuel", "1 Sam", Section::kProphets},
    {"2Sm", "2 Samuel", "2 Sam", Section::kProphets},
    {"1Ki", "1 Kings", "1 Kgs", Section::kProphets},
    {"2Ki", "2 Kings", "2 Kgs", Section::kProphets},
    {"Isa", "Isaiah", "Isa", Section::kProphets},
    {"Jer", "Jeremiah", "Jer", Section::kProphets},
    {"Eze", "Ezekiel", "Ezek", Section::kProphets},
    {"Hos", "Hosea", "Hos", Section::kProphets},
    {"Joel", "Joel", "Joel", Section::kProphets},
    {"Amos", "Amos", "Amos", Section::kProphets},
    {"Obad", "Obadiah", "Obad", Section::kProphets},
    {"Jonah", "Jonah", "Jonah", Section::kProphets},
    {"Mic", "Micah", "Mic", Section::kProphets},
    {"Nahum", "Nahum", "Nah", Section::kProphets},
    {"Hab", "Habakkuk", "Hab", Section::kProphets},
    {"Zep", "Zephaniah", "Zeph", Section::kProphets},
    {"Hag", "Haggai", "Hag", Section::kProphets},
    {"Zec", "Zechariah", "Zech", Section::kProphets},
    {"Mal", "Malachi", "Mal", Section::kProphets},
    {"Psa", "Psalms", "Ps", Section::kWritings},
    {"Prv", "Proverbs", "Prov", Section::kWritings},
    {"Job", "Job", "Job", Section::kWritings},
    {"SSol", "Song of Songs", "Song", Section::kWritings},
    {"Ruth", "Ruth", "Ruth", Section::kWritings},
    {"Lam", "Lamentations", "Lam", Section::kWritings},
    {"Eccl", "Ecclesiastes", "Eccl", Section::kWritings},
    {"Est", "Esther", "Esth", Section::kWritings},
    {"Dan", "Daniel", "Dan", Section::kWritings},
    {"Ezra", "Ezra", "Ezra", Section::kWritings},
    {"Neh", "Nehemiah", "Neh", Section::kWritings},
    {"1Chr", "1 Chronicles", "1 Chr", Section::kWritings},
    {"2Chr", "2 Chronicles", "2 Chr", Section::kWritings},
};

const char* SectionName(Section section) {
    switch (section) {
        case Section::kTorah:
            return "Torah";
        case Section::kProphets:
            return "Prophets";
        case Section::kWritings:
            return "Writings";
    }
    return "";
}

namespace {

std::string LineError(size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

// Reads 1 to 4 decimal digits; chapter and verse numbers are far below that.
bool ParseNumber(std::string_view digits, int* out) {
    if (digits.empty() || digits.size() > 4) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value == 0) return false;
    *out = value;
    return true;
}

struct VerseLine {
    std::string_view abbreviation;
    int chapter;
    int verse;
    std::string_view text;
};

// "1Sm3:10 And the LORD came ..." The abbreviation may begin with a digit; the chapter is
// the run of digits right before the colon.
bool SplitVerseLine(std::string_view line, VerseLine* out) {
    size_t space = line.find(' ');
    std::string_view reference = line.substr(0, space);
    size_t colon = reference.find(':');
    if (colon == std::string_view::npos) return false;
    size_t digits = colon;
    while (digits > 0 && reference[digits - 1] >= '0' && reference[digits - 1] <= '9') --digits;
    if (digits == 0) return false;
    out->abbreviation = reference.substr(0, digits);
    if (!ParseNumber(reference.substr(digits, colon - digits), &out->chapter)) return false;
    if (!ParseNumber(reference.substr(colon + 1), &out->verse)) return false;
    out->text = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    return true;
}

// Decodes UTF-8 and keeps the text in the book's 8-bit set: white space becomes one space,
// runs of spaces collapse, the ends are trimmed. `chars` counts the characters kept.
bool CleanText(std::string_view in, std::string* out, size_t* chars, std::string* what) {
    out->clear();
    *chars = 0;
    bool pendingSpace = false;
    for (size_t i = 0; i < in.size();) {
        auto byte = static_cast<uint8_t>(in[i]);
        uint32_t code;
        size_t length;
        if (byte < 0x80) {
            code = byte;
            length = 1;
        } else if ((byte & 0xE0) == 0xC0 && i + 1 < in.size() &&
                   (static_cast<uint8_t>(in[i + 1]) & 0xC0) == 0x80) {
            code = ((byte & 0x1Fu) << 6) | (static_cast<uint8_t>(in[i + 1]) & 0x3Fu);
            length = 2;
            if (code < 0x80) {
                *what = "overlong UTF-8 sequence";
                return false;
            }
        } else {
            // A lead byte of three or more bytes means a character beyond U+07FF, and a lone
            // continuation byte is not UTF-8 at all: neither fits the 8-bit set.
            *what = "character outside U+0001..U+00FF or invalid UTF-8";
            return false;
        }
        if (code > 0xFF) {
            *what = "character outside U+0001..U+00FF";
            return false;
        }
        i += length;
        if (code == ' ' || code == '\t' || code == '\r' || code == '\n') {
            pendingSpace = true;
            continue;
        }
        if (code < 0x20) {
            *what = "control character in the text";
            return false;
        }
        if (pendingSpace && !out->empty()) {
            out->push_back(' ');
            ++*chars;
        }
        pendingSpace = false;
        out->append(in.substr(i - length, length));
        ++*chars;
    }
    return true;
}

int FindBook(std::string_view abbreviation) {
    for (int i = 0; i < kBookCount; ++i) {
        if (abbreviation == kBooks[i].abbreviation) return i;
    }
    return -1;
}

}  // namespace

bool ParseVerseText(std::string_view text, std::vector<Book>* books, std::string* error) {
    std::vector<Book> found(kBookCount);
    std::vector<size_t> firstLine(kBookCount, 0);
    int current = -1;  // the book whose verses are being read
    size_t lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;

        VerseLine verse;
        if (!SplitVerseLine(line, &verse)) {
            if (lineNumber == 1) continue;  // the file's title line
            *error = LineError(lineNumber, "not a verse line (expected e.g. \"Ge1:1 text\")");
            return false;
        }
        int index = FindBook(verse.abbreviation);
        if (index < 0) {
            current = -1;  // a book we do not read (the New Testament)
            continue;
        }
        Book& book = found[index];
        if (index != current && firstLine[index] != 0) {
            *error = LineError(
                lineNumber, std::string(verse.abbreviation) + " appears again after another book");
            return false;
        }
        if (firstLine[index] == 0) firstLine[index] = lineNumber;
        current = index;

        int expectedChapter = book.chapters.empty() ? 1 : book.chapters.back().number;
        bool newChapter = book.chapters.empty() || verse.chapter != expectedChapter;
        if (newChapter && !book.chapters.empty()) ++expectedChapter;
        if (verse.chapter != expectedChapter) {
            *error = LineError(lineNumber, "chapter " + std::to_string(verse.chapter) +
                                               " where chapter " + std::to_string(expectedChapter) +
                                               " belongs");
            return false;
        }
        if (newChapter) book.chapters.push_back(Chapter{verse.chapter, {}});
        Chapter& chapter = book.chapters.back();
        int expectedVerse = chapter.verses.empty() ? 1 : chapter.verses.back().number + 1;
        if (verse.verse != expectedVerse) {
            *error =
                LineError(lineNumber, "verse " + std::to_string(verse.verse) + " where verse " +
                                          std::to_string(expectedVerse) + " belongs");
            return false;
        }
        Verse cleaned{verse.verse, {}, 0};
        std::string what;
        if (!CleanText(verse.text, &cleaned.text, &cleaned.bytes, &what)) {
            *error = LineError(lineNumber, what);
            return false;
        }
        if (cleaned.text.empty()) {
            *error = LineError(lineNumber, "empty verse");
            return false;
        }
        chapter.verses.push_back(std::move(cleaned));
    }
    for (int i = 0; i < kBookCount; ++i) {
        if (found[i].chapters.empty()) {
            *error = std::string("the text lacks ") + kBooks[i].name + " (\"" +
                     kBooks[i].abbreviation + "\")";
            return false;
        }
        found[i].info = &kBooks[i];
    }
    *books = std::move(found);
    return true;
}

// ---------------------------------------------------------------------------------------------

std::vector<HebrewDay> StudyYearDays(Schedule schedule) {
    // Cheshvan and Kislev are read at 30 days; in a year where one has 29, the day-31 lesson
    // stands for its 29th.
    auto length = [schedule](int month) {
        switch (month) {
            case 2:
            case 4:
            case 6:
            case 10:
            case 13:
                return 29;
            case 12:
                return schedule == Schedule::kLeap ? 30 : 29;
            default:
                return 30;
        }
    };
    std::vector<int> months = {9, 10, 11, 12};
    if (schedule == Schedule::kLeap) months.push_back(13);
    for (int m : {1, 2, 3, 4, 5, 6, 7, 8, 9}) months.push_back(m);
    std::vector<HebrewDay> days;
    for (size_t i = 0; i < months.size(); ++i) {
        int month = months[i];
        int first = i == 0 ? 19 : 1;
        int last = i + 1 == months.size() ? 18 : length(month);
        for (int d = first; d <= last; ++d) days.push_back({month, d});
    }
    return days;
}

const char* MonthName(int month) {
    static const char* const kNames[14] = {"",      "Nisan",  "Iyar",   "Sivan",    "Tammuz",
                                           "Av",    "Elul",   "Tishri", "Cheshvan", "Kislev",
                                           "Tevet", "Shevat", "Adar",   "AdarII"};
    return month >= 1 && month <= 13 ? kNames[month] : "";
}

// ---------------------------------------------------------------------------------------------

namespace {

// A chapter longer than this many ideal days is divided at verse boundaries; a shorter one
// stays whole, so a day may run to about this size.
constexpr double kSplitFactor = 1.25;
// The stanzas of Psalm 119 have eight verses each (one for every letter of the alphabet).
constexpr int kStanzaVerses = 8;
constexpr int kPsalms = 26;

// Stored size of a record: style, parameter, text, zero.
size_t RecordBytes(size_t textBytes) { return 3 + textBytes; }

size_t NoteBytes(const Verse& verse) {
    return RecordBytes(std::to_string(verse.number).size() + 1 + verse.bytes);
}

std::string HeadingText(const Book& book, int chapter, int firstVerse, int endVerse) {
    const Chapter& c = book.chapters[chapter];
    std::string text = std::string(book.info->name) + " " + std::to_string(c.number);
    if (firstVerse > 0 || endVerse < static_cast<int>(c.verses.size())) {
        text += ":" + std::to_string(c.verses[firstVerse].number);
        if (endVerse - firstVerse > 1) text += "-" + std::to_string(c.verses[endVerse - 1].number);
    }
    return text;
}

bool StartsBook(const Unit& u) { return u.chapter == 0 && u.firstVerse == 0; }
bool EndsBook(const std::vector<Book>& books, const Unit& u) {
    const Book& book = books[u.book];
    return u.chapter + 1 == static_cast<int>(book.chapters.size()) &&
           u.endVerse == static_cast<int>(book.chapters[u.chapter].verses.size());
}

// The unit's bytes as they will be stored when it opens a segment: title, heading, verses,
// rule. Units that share a day with the rest of their chapter share one heading, so this
// slightly overcounts them; the balance does not need more precision.
size_t UnitBytes(const std::vector<Book>& books, const Unit& u) {
    const Book& book = books[u.book];
    size_t bytes = RecordBytes(HeadingText(book, u.chapter, u.firstVerse, u.endVerse).size());
    if (StartsBook(u)) bytes += RecordBytes(std::string_view(book.info->name).size());
    if (EndsBook(books, u)) bytes += RecordBytes(0);
    for (int v = u.firstVerse; v < u.endVerse; ++v) {
        bytes += NoteBytes(book.chapters[u.chapter].verses[v]);
    }
    return bytes;
}

// Boundaries (verse indexes) that divide a chapter into `parts` runs of nearly equal size.
std::vector<int> EvenBreaks(const Chapter& chapter, int parts) {
    std::vector<size_t> prefix(chapter.verses.size() + 1, 0);
    for (size_t v = 0; v < chapter.verses.size(); ++v) {
        prefix[v + 1] = prefix[v] + NoteBytes(chapter.verses[v]);
    }
    const int verses = static_cast<int>(chapter.verses.size());
    std::vector<int> breaks = {0};
    for (int p = 1; p < parts; ++p) {
        double target = static_cast<double>(prefix.back()) * p / parts;
        // Leave at least one verse for each remaining part.
        int lo = breaks.back() + 1;
        int hi = verses - (parts - p);
        int best = lo;
        for (int b = lo; b <= hi; ++b) {
            if (std::fabs(static_cast<double>(prefix[b]) - target) <
                std::fabs(static_cast<double>(prefix[best]) - target)) {
                best = b;
            }
        }
        breaks.push_back(best);
    }
    breaks.push_back(verses);
    return breaks;
}

std::vector<Unit> MakeUnits(const std::vector<Book>& books, double mean) {
    std::vector<Unit> units;
    auto add = [&](int b, int c, int first, int end) {
        Unit u{b, c, first, end, 0};
        u.bytes = UnitBytes(books, u);
        units.push_back(u);
    };
    for (int b = 0; b < static_cast<int>(books.size()); ++b) {
        const Book& book = books[b];
        for (int c = 0; c < static_cast<int>(book.chapters.size()); ++c) {
            const Chapter& chapter = book.chapters[c];
            const int verses = static_cast<int>(chapter.verses.size());
            Unit whole{b, c, 0, verses, 0};
            size_t bytes = UnitBytes(books, whole);
            if (b == kPsalms && chapter.number == 119 && verses % kStanzaVerses == 0 &&
                bytes > mean) {
                for (int v = 0; v < verses; v += kStanzaVerses) add(b, c, v, v + kStanzaVerses);
            } else if (bytes > kSplitFactor * mean && verses > 1) {
                int parts = std::min(verses, static_cast<int>(std::ceil(bytes / mean)));
                std::vector<int> breaks = EvenBreaks(chapter, parts);
                for (size_t i = 0; i + 1 < breaks.size(); ++i) add(b, c, breaks[i], breaks[i + 1]);
            } else {
                add(b, c, 0, verses);
            }
        }
    }
    return units;
}

}  // namespace

bool MakePlan(const std::vector<Book>& books, Schedule schedule, Plan* plan, std::string* error) {
    std::vector<HebrewDay> dates = StudyYearDays(schedule);
    const size_t days = dates.size();

    // The mean of whole chapters decides which chapters are divided; the balance then aims at
    // the mean of the units actually made.
    size_t total = 0;
    for (int b = 0; b < static_cast<int>(books.size()); ++b) {
        for (int c = 0; c < static_cast<int>(books[b].chapters.size()); ++c) {
            Unit whole{b, c, 0, static_cast<int>(books[b].chapters[c].verses.size()), 0};
            total += UnitBytes(books, whole);
        }
    }
    std::vector<Unit> units = MakeUnits(books, static_cast<double>(total) / days);
    const size_t n = units.size();
    if (n < days) {
        *error = "the text has " + std::to_string(n) + " chapters and parts, fewer than the " +
                 std::to_string(days) + " days of the study year";
        return false;
    }
    std::vector<double> prefix(n + 1, 0);
    double largest = 0;
    for (size_t i = 0; i < n; ++i) {
        prefix[i + 1] = prefix[i] + static_cast<double>(units[i].bytes);
        largest = std::max(largest, static_cast<double>(units[i].bytes));
    }
    const double mean = prefix[n] / days;
    // No day of a good division comes near three ideal days, so longer days are not tried;
    // this keeps each step's search to a few dozen units.
    const double span = std::max(3 * mean, largest);

    // cost[i]: least sum of squared deviations for the first i units in d days;
    // from[d][i]: where the last of those d days begins.
    constexpr double kNone = std::numeric_limits<double>::infinity();
    std::vector<double> cost(n + 1, kNone), next(n + 1, kNone);
    std::vector<uint32_t> from((days + 1) * (n + 1), 0);
    cost[0] = 0;
    for (size_t d = 1; d <= days; ++d) {
        std::fill(next.begin(), next.end(), kNone);
        for (size_t i = d; i + (days - d) <= n; ++i) {
            for (size_t j = i; j-- > d - 1;) {
                double size = prefix[i] - prefix[j];
                if (size > span && j + 1 < i) break;
                if (cost[j] == kNone) continue;
                double c = cost[j] + (size - mean) * (size - mean);
                if (c < next[i]) {
                    next[i] = c;
                    from[d * (n + 1) + i] = static_cast<uint32_t>(j);
                }
            }
        }
        std::swap(cost, next);
    }
    if (cost[n] == kNone) {
        *error = "no division of the text into " + std::to_string(days) + " days was found";
        return false;
    }

    plan->schedule = schedule;
    plan->meanBytes = mean;
    plan->days.assign(days, ReadingDay{});
    size_t end = n;
    for (size_t d = days; d >= 1; --d) {
        size_t begin = from[d * (n + 1) + end];
        ReadingDay& day = plan->days[d - 1];
        day.date = dates[d - 1];
        day.firstUnit = begin;
        day.endUnit = end;
        day.bytes = static_cast<size_t>(prefix[end] - prefix[begin]);
        end = begin;
    }
    plan->units = std::move(units);
    return true;
}

// ---------------------------------------------------------------------------------------------

std::vector<Lesson> MakeLessons(const std::vector<Book>& books, const Plan& plan) {
    std::vector<Lesson> lessons;
    for (const ReadingDay& day : plan.days) {
        Lesson lesson{day.date, {}};
        size_t u = day.firstUnit;
        while (u < day.endUnit) {
            // A segment: the day's units of one chapter, under one heading.
            const Unit& first = plan.units[u];
            size_t last = u;
            while (last + 1 < day.endUnit && plan.units[last + 1].book == first.book &&
                   plan.units[last + 1].chapter == first.chapter) {
                ++last;
            }
            const Book& book = books[first.book];
            const Chapter& chapter = book.chapters[first.chapter];
            int endVerse = plan.units[last].endVerse;
            if (StartsBook(first)) {
                lesson.records.push_back({RecordKind::kTitle, "", book.info->name});
            }
            lesson.records.push_back(
                {RecordKind::kHeading, "",
                 HeadingText(book, first.chapter, first.firstVerse, endVerse)});
            for (int v = first.firstVerse; v < endVerse; ++v) {
                const Verse& verse = chapter.verses[v];
                lesson.records.push_back(
                    {RecordKind::kNote, std::to_string(verse.number), verse.text});
            }
            if (EndsBook(books, plan.units[last])) {
                lesson.records.push_back({RecordKind::kRule, "", ""});
            }
            u = last + 1;
        }
        lessons.push_back(std::move(lesson));
    }
    // The lesson keyed at day 31 is read on the 29th of a 29-day Cheshvan or Kislev: that
    // day's reading and the 30th's, so nothing of the plan is skipped in such a year.
    for (int month : {8, 9}) {
        Lesson joined{{month, 31}, {}};
        for (int day : {29, 30}) {
            for (size_t i = 0; i < plan.days.size(); ++i) {
                if (plan.days[i].date == HebrewDay{month, day}) {
                    const auto& records = lessons[i].records;
                    joined.records.insert(joined.records.end(), records.begin(), records.end());
                }
            }
        }
        lessons.push_back(std::move(joined));
    }
    return lessons;
}

namespace {

// Characters of UTF-8 text (every one is a byte once stored).
size_t StoredLength(const std::string& text) {
    size_t n = 0;
    for (char c : text) {
        if ((static_cast<uint8_t>(c) & 0xC0) != 0x80) ++n;
    }
    return n;
}

}  // namespace

size_t LessonBytes(const Lesson& lesson) {
    size_t bytes = 3;  // end marker
    for (const Record& r : lesson.records) {
        switch (r.kind) {
            case RecordKind::kNote:
                bytes += RecordBytes(StoredLength(r.label) + 1 + StoredLength(r.text));
                break;
            case RecordKind::kRule:
                bytes += RecordBytes(0);
                break;
            default:
                bytes += RecordBytes(StoredLength(r.text));
                break;
        }
    }
    return bytes;
}

std::vector<ContentsEntry> MakeContents(const std::vector<Book>& books, const Plan& plan) {
    std::vector<std::vector<ContentsEntry>> leaves(books.size());
    for (const ReadingDay& day : plan.days) {
        for (size_t u = day.firstUnit; u < day.endUnit; ++u) {
            const Unit& unit = plan.units[u];
            if (u != day.firstUnit && !StartsBook(unit)) continue;
            const Book& book = books[unit.book];
            const Chapter& chapter = book.chapters[unit.chapter];
            std::string label =
                std::string(book.info->shortName) + " " + std::to_string(chapter.number);
            if (unit.firstVerse > 0) {
                label += ":" + std::to_string(chapter.verses[unit.firstVerse].number);
            }
            leaves[unit.book].push_back({3, std::move(label), day.date});
        }
    }
    std::vector<ContentsEntry> contents;
    for (size_t b = 0; b < books.size(); ++b) {
        const BookInfo& info = *books[b].info;
        if (b == 0 || books[b - 1].info->section != info.section) {
            contents.push_back({1, SectionName(info.section), {}});
        }
        contents.push_back({2, info.name, {}});
        contents.insert(contents.end(), leaves[b].begin(), leaves[b].end());
    }
    return contents;
}

std::string WriteBookSource(const std::vector<ScheduleLessons>& schedules,
                            const std::vector<ContentsEntry>& contents) {
    std::string out =
        "# The Hebrew Scriptures, one portion for every day of the study year.\n"
        "# Written by velin-plan from verse-a-line text; edit the plan, not this file.\n";
    for (const ScheduleLessons& part : schedules) {
        out += part.schedule == Schedule::kLeap ? "\n@schedule leap\n" : "\n@schedule common\n";
        for (const Lesson& lesson : part.lessons) {
            out += "\n@lesson ";
            out += MonthName(lesson.date.month);
            out += " " + std::to_string(lesson.date.day) + "\n";
            for (const Record& r : lesson.records) {
                switch (r.kind) {
                    case RecordKind::kTitle:
                        out += ".title " + r.text + "\n";
                        break;
                    case RecordKind::kHeading:
                        out += ".heading " + r.text + "\n";
                        break;
                    case RecordKind::kNote:
                        out += ".note " + r.label + " " + r.text + "\n";
                        break;
                    case RecordKind::kRule:
                        out += ".rule 74%\n";
                        break;
                }
            }
        }
    }
    if (!contents.empty()) {
        out += "\n@contents\n";
        for (const ContentsEntry& e : contents) {
            out += std::string(e.level, '*') + " " + e.label;
            if (e.level == 3) {
                out += " @ ";
                out += MonthName(e.date.month);
                out += " " + std::to_string(e.date.day);
            }
            out += "\n";
        }
    }
    return out;
}

}  // namespace plan
