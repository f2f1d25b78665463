#include "tools/booksource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "book/book.h"
#include "tests/tools/book_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(VELIN_SOURCE_DIR) + "/tests/tools/fixtures/" + name,
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Joined(const std::vector<std::string>& errors) {
    std::string all;
    for (const std::string& e : errors) all += e + "\n";
    return all;
}

// Parses `text` as t.vsrc, followed by `rest` as book.vsrc.
std::vector<std::string> ErrorsOf(const std::string& text, const std::string& rest = "") {
    BookSource book;
    std::vector<std::string> errors;
    std::vector<SourceFile> files{{"t.vsrc", text}};
    if (!rest.empty()) files.push_back({"book.vsrc", rest});
    EXPECT_FALSE(ParseBookSources(files, &book, &errors));
    return errors;
}

TEST(BookSource, ReportsEachFaultWithItsFileAndLine) {
    const std::string complete = CompleteSchedule(Schedule::kLeap) + kSmallContents;
    const struct {
        std::string source;
        std::string error;
        std::string rest = "";  // a second file, when the fault needs the rest of a book
    } kCases[] = {
        // Characters.
        {"@lesson 1 1\n.p 5 \xE2\x82\xAC\n", "t.vsrc:2: the character U+20AC is outside"},
        {"@lesson 1 1\n.p a\x01"
         "b\n",
         "t.vsrc:2: the control character U+0001"},
        {"@lesson 1 1\n.p a\tb\n", "t.vsrc:2: the control character U+0009"},
        {"@lesson 1 1\n.p a\xC3(\n", "t.vsrc:2: the line is not valid UTF-8"},
        {"@lesson 1 1\n.p \xC0\xA1\n", "t.vsrc:2: the line is not valid UTF-8"},      // overlong
        {"@lesson 1 1\n.p \xED\xA0\x80\n", "t.vsrc:2: the line is not valid UTF-8"},  // surrogate
        // Days.
        {"@lesson 1 1\n.p a\n\n@lesson Nisan 1\n.p b\n",
         "t.vsrc:4: a second lesson for 1 Nisan (leap schedule); the first is at t.vsrc:1"},
        {"", "book.vsrc: the leap schedule has no lesson for 5 Tevet",
         CompleteSchedule(Schedule::kLeap, {{10, 5}}) + kSmallContents},
        {"@lesson Tishri 31\n", "t.vsrc:1: @lesson: the day '31' is not a day of Tishri (1 to 30)"},
        {"@lesson Iyar 30\n", "t.vsrc:1: @lesson: the day '30' is not a day of Iyar"},
        {"@lesson Iyar 0\n", "t.vsrc:1: @lesson: the day '0'"},
        {"@lesson Shebat 3\n", "t.vsrc:1: @lesson: unknown month 'Shebat'"},
        {"@lesson 14 3\n", "t.vsrc:1: @lesson: unknown month '14'"},
        {"@lesson Kislev\n", "t.vsrc:1: @lesson: expected a month and a day"},
        {"@schedule common\n@lesson AdarII 1\n",
         "t.vsrc:2: @lesson: the common schedule has no Adar II"},
        {"@schedule sometimes\n", "t.vsrc:1: @schedule takes 'leap' or 'common'"},
        // Lessons and records.
        {"@lesson 1 1\n\n@lesson 1 2\n.p x\n",
         "t.vsrc:1: the lesson of 1 Nisan (leap schedule) has no records"},
        {"@lesson 1 1\n.p\n.p x\n",
         "t.vsrc:2: the first record of a lesson must have text or be a rule"},
        {".p stray\n", "t.vsrc:1: a record outside a lesson"},
        {"@contents\n.p stray\n", "t.vsrc:2: a record outside a lesson"},
        {"@lesson 1 1\n.para x\n", "t.vsrc:2: unknown record '.para'"},
        {"@lesson 1 1\n.p{huge} x\n", "t.vsrc:2: .p: unknown option 'huge'"},
        {"@lesson 1 1\n.p{small x\n", "t.vsrc:2: the options of .p lack their closing '}'"},
        {"@lesson 1 1\n.p{small}x\n", "t.vsrc:2: expected a space after the options of .p"},
        {"@lesson 1 1\n.p{} x\n", "t.vsrc:2: .p: an empty option"},
        {"@lesson 1 1\n.p{indent=64} x\n", "t.vsrc:2: .p: indent=64: the indent is 0 to 63"},
        {"@lesson 1 1\n.p{label=4} x\n", "t.vsrc:2: .p: label=4: the label class is 0 to 3"},
        {"@lesson 1 1\n.p{bold=1} x\n", "t.vsrc:2: .p: unknown option 'bold=1'"},
        {"@lesson 1 1\n.rule{bold} 10\n",
         "t.vsrc:2: .rule: the option 'bold' does not apply to a rule"},
        {"@lesson 1 1\n.rule 161\n", "t.vsrc:2: .rule '161': the length is 0, 1 to 160 pixels"},
        {"@lesson 1 1\n.rule 3%\n", "t.vsrc:2: .rule 3%: a length in percent is even, 2% to 190%"},
        {"@lesson 1 1\n.rule 192%\n", "t.vsrc:2: .rule 192%"},
        {"@lesson 1 1\n.rule\n", "t.vsrc:2: .rule '': the length is"},
        {"@lesson 1 1\n.note\n", "t.vsrc:2: .note needs a label"},
        {"@lesson 1 1\n.p a\n.cont\n", "t.vsrc:3: .cont needs text"},
        {"@lesson 1 1\n.raw 0x00 0x00 x\n", "t.vsrc:2: .raw: a style of 0 is the end marker"},
        {"@lesson 1 1\n.raw 0x81\n", "t.vsrc:2: .raw needs a style and a parameter in hexadecimal"},
        {"@lesson 1 1\n.raw 0x100 0 x\n", "t.vsrc:2: .raw needs a style and a parameter"},
        {"@lesson 1 1\n.raw 0xC7 0x10 x\n",
         "t.vsrc:2: .raw: a rule record (style & 7 = 7) has no text"},
        {"@lesson 1 1\n.raw{bold} 0x81 0 x\n", "t.vsrc:2: .raw takes no options"},
        {"@lesson 1 1\nplain text\n", "t.vsrc:2: expected a statement"},
        {"@include other.vsrc\n", "t.vsrc:1: unknown statement '@include'"},
        // The table of contents.
        {"* Part\n", "t.vsrc:1: an outline entry outside @contents"},
        {"@contents\n* Part\n**** Deep\n", "t.vsrc:3: level 4: the outline has levels 1 to 3"},
        {"@contents\n** Group\n",
         "t.vsrc:2: a level-2 entry cannot follow the start of the outline"},
        {"@contents\n* Part\n*** Leaf @ Nisan 1\n",
         "t.vsrc:3: a level-3 entry cannot follow a level-1 entry"},
        {"@contents\n*Part\n", "t.vsrc:2: expected a space after the stars"},
        {"@contents\n*\n", "t.vsrc:2: an outline entry needs a label"},
        {"@contents\n* Part\n** @ Nisan 1\n", "t.vsrc:3: an outline entry needs a label"},
        {"@contents\n* Part\n** x @ Nisan 31\n",
         "t.vsrc:3: leaf: the day '31' is not a day of Nisan"},
        {"@contents\n* Part\n** x @ Nisan 1\n",
         "t.vsrc:3: the leaf opens 1 Nisan (leap schedule), which has no lesson"},
        {"@contents x\n", "t.vsrc:1: @contents takes nothing after it"},
        {"@contents\n* Part\n", "a second @contents; the first is at t.vsrc:1", complete},
        {"@schedule leap\n", "the book has no table of contents",
         CompleteSchedule(Schedule::kLeap)},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.source);
        std::string errors = Joined(ErrorsOf(c.source, c.rest));
        EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
    }
}

TEST(BookSource, GoesOnAfterAnErrorAndReportsEveryOne) {
    std::vector<std::string> errors =
        ErrorsOf("@lesson 1 1\n.p \xE2\x82\xAC\n.rule 7%\n.zap\n.p fine\n@lesson 1 1\n.p x\n");
    std::string all = Joined(errors);
    for (const char* line : {"t.vsrc:2:", "t.vsrc:3:", "t.vsrc:4:", "t.vsrc:6:"}) {
        EXPECT_NE(all.find(line), std::string::npos) << line << "\n" << all;
    }
}

TEST(BookSource, ALessonMustStayBelow65536Bytes) {
    // One paragraph of n bytes: 2 + n + 1 bytes of record and 3 of end marker.
    for (int n : {65529, 65530}) {
        SCOPED_TRACE(n);
        std::string source = "@lesson Nisan 1\n.p " + std::string(n, 'a') + "\n";
        BookSource book;
        std::vector<std::string> errors;
        ParseBookSources(
            {{"t.vsrc", source},
             {"book.vsrc", CompleteSchedule(Schedule::kLeap, {{1, 1}}) + kSmallContents}},
            &book, &errors);
        std::string all = Joined(errors);
        if (n == 65529) {
            EXPECT_EQ(all, "");
            EXPECT_EQ(book.lessons.at(0x1101).size(), 65535u);
        } else {
            EXPECT_NE(all.find("t.vsrc:1: the lesson of 1 Nisan (leap schedule) is 65,536 bytes"),
                      std::string::npos)
                << all;
        }
    }
}

TEST(BookSource, ReportsAPackOverTheLengthLimitByName) {
    // Eleven lessons of text that does not compress fill pack 1049 past its 16-bit length.
    std::string heavy;
    uint32_t seed = 12345;
    for (int d = 1; d <= 11; ++d) {
        heavy += "@lesson Nisan " + std::to_string(d) + "\n.p ";
        for (int i = 0; i < 6500; ++i) {
            seed = seed * 1103515245 + 12345;
            unsigned cp = 0x21 + (seed >> 16) % (0x100 - 0x21);  // printable, book's 8-bit set
            if (cp < 0x80) {
                heavy.push_back(static_cast<char>(cp));
            } else {
                heavy.push_back(static_cast<char>(0xC0 | (cp >> 6)));
                heavy.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
            }
        }
        heavy += "\n";
    }
    std::set<std::pair<int, int>> skip;
    for (int d = 1; d <= 11; ++d) skip.insert({1, d});
    BookSource book;
    std::vector<std::string> errors;
    ASSERT_TRUE(
        ParseBookSources({{"heavy.vsrc", heavy},
                          {"book.vsrc", CompleteSchedule(Schedule::kLeap, skip) + kSmallContents}},
                         &book, &errors))
        << Joined(errors);
    std::map<uint32_t, Bytes> resources;
    EXPECT_FALSE(BuildBookResources(book, &resources, &errors));
    ASSERT_EQ(errors.size(), 1u) << Joined(errors);
    EXPECT_NE(errors[0].find("heavy.vsrc:1: pack 1049 (Nisan 1-11, leap schedule)"),
              std::string::npos)
        << errors[0];
}

// The records of the fixture's lesson, in order: style, parameter, text.
struct ExpectedRecord {
    uint8_t style, parameter;
    std::string text;
};

TEST(BookSource, BuildsEveryRecordKindAndTheOutline) {
    BookSource book;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseBookSources({{"every_record.vsrc", ReadFixture("every_record.vsrc")},
                                  {"rest.vsrc", CompleteSchedule(Schedule::kLeap, {{9, 19}})}},
                                 &book, &errors))
        << Joined(errors);
    const ExpectedRecord kRecords[] = {
        {0xCC, 0x00, "The title"},
        {0xC1, 0x00, "A heading"},
        {0x81, 0x00, "An ordinary paragraph."},
        {0x81, 0x40, "1 A numbered note."},
        {0x81, 0x40, " Its second paragraph."},
        {0x81, 0x58, "2 An indented note."},
        {0x81, 0x0C, "An indented paragraph."},
        {0x82, 0x0C, "A small indented paragraph."},
        {0x82, 0x4C, " A small continuation."},
        {0x89, 0x00, "A bold paragraph."},
        {0xA2, 0x00, "Small, right-aligned, with gap."},
        {0x22, 0x00, "Small, right-aligned, no gap."},
        {0x41, 0x00, "A centred line."},
        {0xC7, 0xC5, ""},
        {0xC7, 0xAC, ""},
        {0xC7, 0xA0, ""},
        {0xC7, 0x00, ""},
        {0x07, 0x0A, ""},
        {0x84, 0x85, "Large with label class 2."},
        {0x22, 0x00, " two spaces kept"},
        {0xC7, 0xA0, ""},
        {0x81, 0x00, "Caf\xE9 is one byte."},
    };
    Bytes expected;
    for (const auto& r : kRecords) {
        expected.push_back(r.style);
        expected.push_back(r.parameter);
        expected.insert(expected.end(), r.text.begin(), r.text.end());
        expected.push_back(0);
    }
    expected.insert(expected.end(), {0, 0, 0});
    EXPECT_EQ(book.lessons.at(0x1913), expected);
    EXPECT_EQ(book.lessons.size(), 387u);

    const Bytes kOutline = {
        0xFE, 0xBF, 0x8C, 1,    'P', 'a', 'r', 't', ' ', 'o', 'n',  'e',  0,    0xFD,
        0xBF, 0x01, 2,    'F',  'i', 'r', 's', 't', ' ', 'g', 'r',  'o',  'u',  'p',
        0,    0x13, 0x59, 0x01, 3,   'O', 'p', 'e', 'n', 'i', 'n',  'g',  0,    0x1F,
        0x58, 0x01, 3,    'D',  'a', 'y', ' ', '3', '1', 0,   0xFC, 0xBF, 0x01, 2,
        'S',  'e',  'c',  'o',  'n', 'd', ' ', 'g', 'r', 'o', 'u',  'p',  0,    0x01,
        0x5A, 0x81, 1,    'A',  ' ', 'l', 'e', 'a', 'f', ' ', 'a',  't',  ' ',  'l',
        'e',  'v',  'e',  'l',  ' ', 'o', 'n', 'e', 0,   0,   0,    0,    0,    0,
    };
    EXPECT_EQ(book.contents, kOutline);
}

// A whole book of both schedules, built and read back through the lesson lookup.
TEST(BookSource, BuildsABookThatTheLookupReads) {
    BookSource book;
    std::vector<std::string> errors;
    ASSERT_TRUE(ParseBookSources({{"leap.vsrc", CompleteSchedule(Schedule::kLeap) + kSmallContents},
                                  {"common.vsrc", CompleteSchedule(Schedule::kCommon)}},
                                 &book, &errors))
        << Joined(errors);
    std::map<uint32_t, Bytes> resources;
    ASSERT_TRUE(BuildBookResources(book, &resources, &errors)) << Joined(errors);
    EXPECT_EQ(resources.size(), 39u + 36u + 1u);
    std::vector<uint8_t> image = WriteBookFile(resources);
    std::string error;
    std::optional<BookFile> file = BookFile::Parse(image, &error);
    ASSERT_TRUE(file) << error;
    SetRcDataSource(&*file);

    // Pack headers: the day fields, and the number of chunks.
    const struct {
        uint32_t id;
        uint16_t firstDay, lastDay;
        size_t chunks;
    } kPacks[] = {
        {1049, 1, 11, 11},
        {1050, 12, 22, 11},
        {1051, 23, 30, 8},  // Nisan
        {1054, 23, 29, 7},  // Iyar
        {1072, 23, 30, 9},
        {1075, 23, 30, 9},  // Cheshvan, Kislev
        {1084, 23, 30, 8},
        {1087, 23, 29, 7},  // Adar I, Adar II
        {1036, 23, 29, 7},
        {1024, 23, 30, 9},  // common Adar, Cheshvan
        {kContentsResourceId, 1, 255, 1},
    };
    for (const auto& p : kPacks) {
        SCOPED_TRACE(p.id);
        ASSERT_TRUE(resources.count(p.id));
        std::optional<PackInfo> info = WalkPack(resources.at(p.id));
        ASSERT_TRUE(info);
        EXPECT_EQ(info->firstDay, p.firstDay);
        EXPECT_EQ(info->lastDay, p.lastDay);
        EXPECT_EQ(info->chunks.size(), p.chunks);
        EXPECT_TRUE(info->endMarker);
    }
    EXPECT_FALSE(resources.count(1037));  // the common schedule has no Adar II

    const struct {
        int key;
        int month, day;
    } kDays[] = {
        {0x1101, 1, 1},   {0x1B16, 11, 22}, {0x181F, 8, 31}, {0x191F, 9, 31},
        {0x1D1D, 13, 29}, {0x0C1D, 12, 29}, {0x081F, 8, 31},
    };
    for (const auto& d : kDays) {
        SCOPED_TRACE(d.key);
        int reason = 0;
        ByteBuffer lesson = LoadLesson(d.key, &reason);
        ASSERT_TRUE(lesson) << reason;
        std::string text;
        for (const uint8_t* p = lesson.get(); *p;) {
            p += 2;  // style, parameter
            std::string record(reinterpret_cast<const char*>(p));
            text += (text.empty() ? "" : "|") + record;
            p += record.size() + 1;
        }
        EXPECT_EQ(text, LessonText(d.month, d.day));
    }
    int reason = 0;
    EXPECT_FALSE(LoadLesson(0x171F, &reason));  // Tishri has no day 31
    EXPECT_EQ(reason, kReasonNoChunk);

    ByteBuffer contents = LoadLesson(kContentsKey, &reason);
    ASSERT_TRUE(contents);
    EXPECT_EQ(Bytes(contents.get(), contents.get() + book.contents.size()), book.contents);
    SetRcDataSource(nullptr);
}

}  // namespace
