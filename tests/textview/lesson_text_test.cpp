#include "textview/lesson_text.h"

#include <gtest/gtest.h>

#include "tests/textview/records.h"

#include <string>
#include <vector>

namespace {

using velin::textview::testing::Bytes;
using velin::textview::testing::Lesson;
using velin::textview::testing::Record;

TEST(LessonRecordWalker, WalksRecordsAndStopsAtTheEndMarker) {
    Bytes lesson =
        Lesson({Record(0xCC, 0x00, "Title"), Record(0xC7, 0xC5), Record(0x81, 0x40, "1 a")});
    // Bytes after the end marker are not records.
    lesson.insert(lesson.end(), {0x81, 0x00, 'x', 0});
    LessonRecordWalker walker(lesson);
    LessonRecord r;
    std::vector<std::pair<size_t, std::string>> seen;
    while (walker.Next(&r)) seen.push_back({r.offset, std::string(r.text)});
    EXPECT_EQ(seen,
              (std::vector<std::pair<size_t, std::string>>{{0, "Title"}, {8, ""}, {11, "1 a"}}));
    EXPECT_TRUE(walker.AtEndMarker());
    EXPECT_EQ(walker.EndOffset(), 17u);
}

TEST(LessonRecordWalker, EndsWithTheBufferWhenTheEndMarkerIsMissing) {
    const struct {
        const char* what;
        Bytes lesson;
        size_t records;
        std::string lastText;
        bool truncated;
    } kCases[] = {
        {"whole records, no marker", Lesson({Record(0x81, 0, "ab"), Record(0x81, 0, "cd")}, false),
         2, "cd", false},
        {"text without its zero", Bytes{0x81, 0x00, 'a', 'b'}, 1, "ab", true},
        {"only a style byte", Bytes{0x81}, 1, "", true},
        {"style and parameter", Bytes{0x81, 0x40}, 1, "", true},
        {"empty buffer", Bytes{}, 0, "", false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        LessonRecordWalker walker(c.lesson);
        LessonRecord r;
        size_t count = 0;
        std::string last;
        while (walker.Next(&r)) {
            ++count;
            last = r.text;
        }
        EXPECT_EQ(count, c.records);
        EXPECT_EQ(last, c.lastText);
        EXPECT_FALSE(walker.AtEndMarker());
        EXPECT_EQ(walker.EndOffset(), c.lesson.size());
        EXPECT_EQ(walker.Truncated(), c.truncated);
        EXPECT_FALSE(walker.Next(&r));  // stays ended
    }
}

TEST(LessonIsAcceptable, RefusesWhatTheTextViewRefuses) {
    const struct {
        const char* what;
        Bytes lesson;
        bool accepted;
    } kCases[] = {
        {"only the end marker", Bytes{0, 0, 0}, false},
        {"empty buffer", Bytes{}, false},
        {"first record text without text", Lesson({Record(0x81, 0x00), Record(0x81, 0, "x")}),
         false},
        {"first record an empty rule", Lesson({Record(0xC7, 0x00)}), true},
        {"first record has text", Lesson({Record(0x81, 0x00, "x")}), true},
        {"a space is text", Lesson({Record(0x81, 0x00, " ")}), true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LessonIsAcceptable(c.lesson), c.accepted);
    }
}

std::u16string Units(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

TEST(ConvertForExport, WritesOneLinePerRecord) {
    const struct {
        const char* what;
        Bytes lesson;
        std::u16string text;
    } kCases[] = {
        {"paragraph with gap", Lesson({Record(0x81, 0x00, "abc")}), u"abc\r\n\r\n"},
        {"rule 0xC5 is 74 hyphens", Lesson({Record(0xC7, 0xC5)}),
         Units(std::string(74, '-')) + u"\r\n\r\n"},
        {"rule of 160 pixels", Lesson({Record(0x47, 160)}), Units(std::string(160, '-')) + u"\r\n"},
        {"rule 161 is 2 hyphens", Lesson({Record(0x47, 161)}), u"--\r\n"},
        {"rule parameter 0 without gap", Lesson({Record(0x47, 0x00)}), u"\r\n"},
        {"rule parameter 0 with gap", Lesson({Record(0xC7, 0x00)}), u"\r\n\r\n"},
        {"right-aligned without gap", Lesson({Record(0x22, 0x00, "x")}), u"x\r\n"},
        {"byte 0xD5 is U+00D5", Lesson({Record(0x01, 0x00, "\xD5")}), u"\u00D5\r\n"},
        {"labels and indents are dropped",
         Lesson({Record(0x81, 0x58, "3 note"), Record(0x01, 0x40, " more")}),
         u"3 note\r\n\r\n more\r\n"},
        {"empty text record", Lesson({Record(0x81, 0x00, "a"), Record(0x81, 0x00)}),
         u"a\r\n\r\n\r\n\r\n"},
        {"no end marker", Lesson({Record(0x01, 0x00, "a")}, false), u"a\r\n"},
        {"cut inside the text", Bytes{0x01, 0x00, 'a', 'b'}, u"ab\r\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        size_t size = ExportBufferSize(c.lesson);
        std::vector<char16_t> buffer(size / 2, u'#');
        ASSERT_EQ(ConvertForExport(c.lesson, buffer.data(), size), kExportOk);
        std::u16string text(buffer.data());
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(ExportText(c.lesson), c.text);
        // The size rule always leaves room for the zero code unit.
        EXPECT_LE((c.text.size() + 1) * 2, size);
    }
}

TEST(ConvertForExport, ReportsATextThatDoesNotFitAndStaysInsideTheBuffer) {
    Bytes lesson = Lesson({Record(0x81, 0x00, "abc"), Record(0xC7, 0xC5)});
    const size_t exact = (std::u16string(u"abc\r\n\r\n").size() + 74 + 4 + 1) * 2;
    for (size_t size : {size_t{0}, size_t{2}, size_t{10}, size_t{20}, exact - 2, exact - 1}) {
        SCOPED_TRACE(size);
        std::vector<char16_t> buffer(size / 2 + 8, u'#');
        EXPECT_EQ(ConvertForExport(lesson, buffer.data(), size), kExportDidNotFit);
        for (size_t i = size / 2; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], u'#');
    }
    std::vector<char16_t> buffer(exact / 2);
    EXPECT_EQ(ConvertForExport(lesson, buffer.data(), exact), kExportOk);
}

TEST(CountExportSize, GivesTheTermsOfTheSizeRule) {
    // L = 5 + 3 + 3 + 3 = 14, the offset of the end marker.
    Bytes lesson = Lesson(
        {Record(0x81, 0x4C, "ab"), Record(0xC7, 0xC5), Record(0x47, 100), Record(0x01, 0x05)});
    ExportCounts counts;
    EXPECT_EQ(CountExportSize(lesson, &counts), 6u);  // 4 records, 2 with the gap bit
    EXPECT_EQ(counts.lengthAndHalf, 14u + 7u);
    EXPECT_EQ(counts.ruleShort, 100u);
    EXPECT_EQ(counts.ruleLong, 74u);
    EXPECT_EQ(counts.indents, 12u + 5u);
    EXPECT_EQ(ExportBufferSize(lesson), 2u * (21 + 12 + 100 + 74 + 17 + 1));
}

TEST(Utf16ToUtf8, ConvertsLatinOneSurrogatesAndLineEnds) {
    EXPECT_EQ(Utf16ToUtf8(u"a\u00D5\r\nb\r\n", LineEnds::kLf), "a\xC3\x95\nb\n");
    EXPECT_EQ(Utf16ToUtf8(u"a\r\n"), "a\r\n");
    EXPECT_EQ(Utf16ToUtf8(u"\r"), "\r");  // a lone CR is kept
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(BookTextToUtf8("\xFF"
                             "a"),
              "\xC3\xBF"
              "a");
}

}  // namespace
