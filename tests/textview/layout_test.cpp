// The lesson view's layout: line breaking, labels and continuations, rules, gap rows, the scroll
// limit, the table's growth, refused lessons and lessons cut short.
#include <sstream>

#include "view_fixture.h"

namespace velin::textview::testing {
namespace {

// A view 60 pixels wide (ten ordinary characters) whose left edge is at x 4.
constexpr RECT kNarrow{4, 0, 64, 100};

struct Line {
    int start, length, x, labelWidth, width, height, style;
    bool operator==(const Line&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Line& l) {
    return os << "{" << l.start << "," << l.length << "," << l.x << "," << l.labelWidth << ","
              << l.width << "," << l.height << ",0x" << std::hex << l.style << std::dec << "}";
}
std::vector<Line> Lines(const TextView* view) {
    std::vector<Line> out;
    for (int i = 0; i < view->lineCount; ++i) {
        const LineEntry& e = view->lines[i];
        out.push_back({e.start, e.length, e.x, e.labelWidth, e.width, e.height, e.style});
    }
    return out;
}

TEST_F(ViewTest, LaysRecordsOutIntoLines) {
    const struct {
        const char* what;
        Bytes lesson;
        RECT rect;
        std::vector<Line> lines;  // {start, length, x, labelWidth, width, height, style}
        int totalRows;
    } kCases[] = {
        {"two one-line paragraphs: the last line loses its gap",
         Lesson({Record(0x81, 0, "abc"), Record(0x81, 0, "de")}),
         kNarrow,
         {{2, 3, 4, 0, 18, 10, 0x81}, {8, 2, 4, 0, 12, 10, 0x01}},
         3},
        {"a word longer than the width is split where the width ends",
         Lesson({Record(0x81, 0, "abcdefghijklm")}),
         kNarrow,
         {{2, 10, 4, 0, 60, 10, 0x01}, {12, 3, 4, 0, 18, 10, 0x01}},
         2},
        {"the break moves back to a space, which starts no line",
         Lesson({Record(0x81, 0, "abcd efghijk")}),
         kNarrow,
         {{2, 4, 4, 0, 24, 10, 0x01}, {7, 7, 4, 0, 42, 10, 0x01}},
         2},
        {"a break inside a hyphenated word ends after the hyphen",
         Lesson({Record(0x81, 0, "abc-defghijk")}),
         kNarrow,
         {{2, 4, 4, 0, 24, 10, 0x01}, {6, 8, 4, 0, 48, 10, 0x01}},
         2},
        {"a hyphen as the last character that fits stays on the line",
         Lesson({Record(0x81, 0, "abcdefghi-jk")}),
         kNarrow,
         {{2, 10, 4, 0, 60, 10, 0x01}, {12, 2, 4, 0, 12, 10, 0x01}},
         2},
        // Label class 3: a column of (4 x 6) / 2 = 12 pixels. The body's lines start after it.
        {"a labelled note and its body lines",
         Lesson({Record(0x81, 0xC0, "a) bcdefghijklm")}),
         kNarrow,
         {{2, 8, 16, 12, 48, 10, 0x01}, {13, 4, 16, 0, 24, 10, 0x01}},
         2},
        // Label class 2: (3 x 6) / 2 = 9, truncated.
        {"label class 2",
         Lesson({Record(0x81, 0x85, "a) bc")}),
         kNarrow,
         {{2, 2, 18, 9, 12, 10, 0x01}},
         1},
        {"a label with nothing after it",
         Lesson({Record(0x81, 0x40, "7.")}),
         kNarrow,
         {{2, 0, 10, 6, 0, 10, 0x01}},
         1},
        {"a continuation keeps the note's body indent",
         Lesson({Record(0x81, 0xC0, "a) bc"), Record(0x81, 0xC0, " de")}),
         kNarrow,
         {{2, 2, 16, 12, 12, 10, 0x81}, {11, 2, 16, 0, 12, 10, 0x01}},
         3},
        {"a continuation moves by the difference of the indents",
         Lesson({Record(0x81, 0xC0, "a) bc"), Record(0x81, 0xC4, " de")}),
         kNarrow,
         {{2, 2, 16, 12, 12, 10, 0x81}, {11, 2, 20, 0, 12, 10, 0x01}},
         3},
        {"before any line, a leading space does not make a continuation",
         Lesson({Record(0x81, 0xC0, "  a) bc")}),
         kNarrow,
         {{4, 2, 16, 12, 12, 10, 0x01}},
         1},
        {"centred", Lesson({Record(0x41, 0, "abc")}), kNarrow, {{2, 3, 25, 0, 18, 10, 0x41}}, 1},
        {"right-aligned text leaves its indent free on the right",
         Lesson({Record(0x21, 0x05, "abc")}),
         kNarrow,
         {{2, 3, 41, 0, 18, 10, 0x21}},
         1},
        {"an indent as wide as the view is dropped",
         Lesson({Record(0x01, 60, "ab")}),
         kNarrow,
         {{2, 2, 4, 0, 12, 10, 0x01}},
         1},
        {"an empty record and one of spaces make no line and no gap",
         Lesson({Record(0x81, 0, "ab"), Record(0x81, 0, ""), Record(0x81, 0, "   "),
                 Record(0x81, 0, "cd")}),
         kNarrow,
         {{2, 2, 4, 0, 12, 10, 0x81}, {16, 2, 4, 0, 12, 10, 0x01}},
         3},
        {"trailing spaces that do not fit keep the paragraph's gap",
         Lesson({Record(0x81, 0, "abcdefghij   "), Record(0x81, 0, "x")}),
         kNarrow,
         {{2, 10, 4, 0, 60, 10, 0x81}, {18, 1, 4, 0, 6, 10, 0x01}},
         3},
        {"a title: large and bold, centred",
         Lesson({Record(0xCC, 0, "Ti"), Record(0x82, 0, "s")}),
         kNarrow,
         {{2, 2, 26, 0, 16, 12, 0xCC}, {7, 1, 4, 0, 4, 7, 0x02}},
         3},
        {"a rule takes the height of the font in use",
         Lesson({Record(0xCC, 0, "T"), Record(0xC7, 0xC5), Record(0x81, 0, "a")}),
         kNarrow,
         {{2, 1, 30, 0, 8, 12, 0xCC}, {6, 0, 12, 0, 44, 12, 0xC7}, {9, 1, 4, 0, 6, 10, 0x01}},
         5},
        // Not even one character fits: every line still takes one.
        {"a view narrower than a character",
         Lesson({Record(0x81, 0, "abc")}),
         {4, 0, 8, 100},
         {{2, 1, 4, 0, 6, 10, 0x01}, {3, 1, 4, 0, 6, 10, 0x01}, {4, 1, 4, 0, 6, 10, 0x01}},
         3},
        {"a label column wider than the view",
         Lesson({Record(0x81, 0xC0, "a) bc")}),
         {4, 0, 14, 100},
         {{2, 1, 16, 12, 6, 10, 0x01}, {6, 1, 16, 0, 6, 10, 0x01}},
         2},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView(c.rect);
        ASSERT_EQ(Show(view, c.lesson), kLayoutDone);
        EXPECT_EQ(Lines(view), c.lines);
        EXPECT_EQ(view->totalRows, c.totalRows);
        EXPECT_EQ(view->lines[view->lineCount].style, 0);  // the end entry
    }
}

TEST_F(ViewTest, RulesOfEveryLengthForm) {
    const struct {
        uint8_t style, parameter;
        int length, x;  // in the 60-pixel view at x 4
    } kCases[] = {
        {0xC7, 10, 10, 29},    // pixels, centred
        {0xC7, 160, 60, 4},    // 160 pixels, cut to the view width
        {0xC7, 161, 1, 33},    // 2 percent of 60, truncated
        {0xC7, 0xC5, 44, 12},  // 74 percent
        {0xC7, 0xAC, 14, 27},  // 24 percent
        {0xC7, 255, 60, 4},    // 190 percent, cut to the width
        {0xA7, 10, 10, 54},    // right-aligned
        {0x87, 10, 10, 4},     // left
        {0xE7, 10, 10, 4},     // alignment 0x60 is left too
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message()
                     << std::hex << int(c.style) << "/" << std::dec << int(c.parameter));
        TextView* view = MakeView(kNarrow);
        ASSERT_EQ(Show(view, Lesson({Record(0x81, 0, "a"), Record(c.style, c.parameter)})),
                  kLayoutDone);
        ASSERT_EQ(view->lineCount, 2);
        EXPECT_EQ(view->lines[1].width, c.length);
        EXPECT_EQ(view->lines[1].x, c.x);
        EXPECT_EQ(view->lines[1].start, 6);
        EXPECT_EQ(view->lines[1].style, c.style & 0x7F);  // the last line has no gap
    }
    // A rule of parameter 0 is nothing at all; a lesson of only that is accepted and empty.
    TextView* view = MakeView(kNarrow);
    ASSERT_EQ(Show(view, Lesson({Record(0x81, 0, "a"), Record(0xC7, 0), Record(0x81, 0, "b")})),
              kLayoutDone);
    EXPECT_EQ(Lines(view),
              (std::vector<Line>{{2, 1, 4, 0, 6, 10, 0x81}, {9, 1, 4, 0, 6, 10, 0x01}}));
    ASSERT_EQ(Show(view, Lesson({Record(0xC7, 0)})), kLayoutDone);
    EXPECT_EQ(view->lineCount, 0);
    EXPECT_EQ(view->totalRows, 0);
    EXPECT_EQ(view->lastTopRow, 0);
}

TEST_F(ViewTest, LastTopRowIsTheTopOfTheLastPage) {
    // Three one-line paragraphs with gaps: rows L1 G1 L2 G2 L3, ten pixels each.
    const Bytes lesson = Lesson({Record(0x81, 0, "a"), Record(0x81, 0, "b"), Record(0x81, 0, "c")});
    const struct {
        int height;
        int lastTopRow;
    } kCases[] = {
        {100, 0},  // everything in view
        {50, 0},   // exactly
        {30, 2},   // L2 G2 L3
        {35, 2},   // the spare 5 pixels do not hold L1
        {25, 3},   // G2 L3: the page starts on a gap row
        {10, 4},   // L3 alone
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.height);
        TextView* view = MakeView({0, 0, 60, c.height});
        ASSERT_EQ(Show(view, lesson), kLayoutDone);
        EXPECT_EQ(view->totalRows, 5);
        EXPECT_EQ(view->lastTopRow, c.lastTopRow);
    }
}

Bytes OneLineRecords(int count) {
    Bytes lesson;
    for (int i = 0; i < count; ++i) {
        const Bytes r = Record(0x01, 0, "a");
        lesson.insert(lesson.end(), r.begin(), r.end());
    }
    lesson.insert(lesson.end(), {0, 0, 0});
    return lesson;
}

TEST_F(ViewTest, TheLineTableGrowsBy128) {
    const struct {
        int initialCapacity, lines, capacity;
    } kCases[] = {
        {100, 100, 100},  // the main window's table holds 100 lines without growing
        {100, 101, 228},
        {0, 1, 128},  // a view created without a table gets one at its first layout
        {0, 129, 256},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.initialCapacity << " " << c.lines);
        TextView* view = MakeView(kNarrow, c.initialCapacity);
        ASSERT_EQ(Show(view, OneLineRecords(c.lines)), kLayoutDone);
        EXPECT_EQ(view->lineCount, c.lines);
        EXPECT_EQ(view->capacity, c.capacity);
        EXPECT_EQ(view->lines[c.lines - 1].start, 4 * (c.lines - 1) + 2);
    }
}

TEST_F(ViewTest, WithoutMemoryToGrowTheLinesMadeStandWithTheirText) {
    TextView* view = MakeView(kNarrow);
    // The font of the style and the shared conversion buffer are made first, so that the one
    // allocation that fails is the table's growth.
    ASSERT_EQ(Show(view, OneLineRecords(1)), kLayoutDone);
    WidenText("abc", 64, SharedWidenBuffer());
    ByteBuffer text = Buffer(OneLineRecords(101));
    FailNextAllocations(0, 1);
    EXPECT_EQ(TextView::SetText(view, std::move(text), 4 * 101 + 3), kLayoutNoMemory);
    FailNextAllocations(0, 0);
    // The view holds the text its 100 lines point into, and its counters agree with them.
    ASSERT_NE(view->text, nullptr);
    EXPECT_EQ(view->lineCount, 100);
    EXPECT_EQ(view->totalRows, 100);
    EXPECT_EQ(view->lines[100].style, 0);
    EXPECT_EQ(view->lastTopRow, 90);
    EXPECT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
}

TEST_F(ViewTest, RefusedLessonsLeaveTheViewAsItWas) {
    const Bytes good = Lesson({Record(0x81, 0, "abc"), Record(0x81, 0, "de")});
    Bytes tooLong = Lesson({Record(0x81, 0, "a")});
    tooLong.resize(0x10000, 0);  // offsets are 16-bit: 65536 bytes cannot be described
    const struct {
        const char* what;
        Bytes lesson;
    } kCases[] = {
        {"only the end marker", Lesson({})},
        {"a first text record with empty text", Lesson({Record(0x81, 0), Record(0x81, 0, "a")})},
        {"an empty buffer", Bytes{}},
        {"65536 bytes", tooLong},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView(kNarrow);
        ASSERT_EQ(Show(view, good), kLayoutDone);
        view->highlightStart = 2;
        view->highlightEnd = 4;
        const uint8_t* before = view->text.get();
        EXPECT_EQ(Show(view, c.lesson), kLayoutRefused);
        EXPECT_EQ(view->text.get(), before);
        EXPECT_EQ(view->lineCount, 2);
        EXPECT_EQ(view->totalRows, 3);
        EXPECT_EQ(view->highlightEnd, 4);
    }
    // No text releases the old one.
    TextView* view = MakeView(kNarrow);
    ASSERT_EQ(Show(view, good), kLayoutDone);
    EXPECT_EQ(TextView::SetText(view, nullptr, 0), kLayoutNoText);
    EXPECT_EQ(view->text, nullptr);
    EXPECT_EQ(TextView::Paint(view, PaintBackground::kClear), kViewMissing);
    EXPECT_EQ(TextView::SetText(nullptr, Buffer(good), good.size()), kViewMissing);
}

TEST_F(ViewTest, NeverReadsPastTheLessonItWasGiven) {
    // Buffers of exactly the lesson's size, without the end marker: the walk ends with the
    // buffer (the sanitizer build catches any read beyond it).
    const struct {
        const char* what;
        Bytes lesson;
        std::vector<Line> lines;
    } kCases[] = {
        {"whole records, no end marker",
         Lesson({Record(0x81, 0, "ab"), Record(0x81, 0, "cd")}, false),
         {{2, 2, 4, 0, 12, 10, 0x81}, {7, 2, 4, 0, 12, 10, 0x01}}},
        {"text without its zero byte", Bytes{0x81, 0x00, 'a', 'b'}, {{2, 2, 4, 0, 12, 10, 0x01}}},
        {"a label without its zero byte",
         Bytes{0x81, 0xC0, 'a', ')'},
         {{2, 0, 16, 12, 0, 10, 0x01}}},
        {"a break search at the buffer's end",
         Bytes{0x81, 0, 'a', 'b', 'c', 'd', ' ', 'e', 'f', 'g', 'h', 'i', 'j', 'k'},
         {{2, 4, 4, 0, 24, 10, 0x01}, {7, 7, 4, 0, 42, 10, 0x01}}},
        {"a rule without its zero byte",
         Bytes{0x81, 0, 'a', 0, 0xC7, 10},
         {{2, 1, 4, 0, 6, 10, 0x81}, {6, 0, 29, 0, 10, 10, 0x47}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView(kNarrow);
        ASSERT_EQ(Show(view, c.lesson), kLayoutDone);
        EXPECT_EQ(Lines(view), c.lines);
        view->highlightStart = 0;
        view->highlightEnd = static_cast<uint16_t>(c.lesson.size());
        EXPECT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
        TextView::DrawSearchCaption(view);
        EXPECT_EQ(TextView::ScrollToOffset(view, static_cast<int>(c.lesson.size()) + 5), 0);
    }
}

TEST_F(ViewTest, ResizeAndNewFontLayTheSameTextOutAgain) {
    TextView* view = MakeView(kNarrow);
    ASSERT_EQ(Show(view, Lesson({Record(0x81, 0, "abcd efghijk"), Record(0x81, 0, "x")})),
              kLayoutDone);
    EXPECT_EQ(view->lineCount, 3);
    EXPECT_EQ(TextView::Resize(view, 0, 50), kBadSize);
    EXPECT_EQ(TextView::Resize(view, 50, -1), kBadSize);
    EXPECT_EQ(view->width, 60);
    EXPECT_EQ(TextView::Resize(view, 120, 100), kLayoutDone);
    EXPECT_EQ(view->lineCount, 2);
    EXPECT_EQ(view->left, 4);

    // A larger font: the top row stays, lines, rows and the limit are computed again.
    view->topRow = 1;
    const FontSpec big = TestFont(20);
    EXPECT_EQ(TextView::SetFont(view, &big), 0);
    EXPECT_EQ(view->topRow, 1);
    EXPECT_EQ(view->lineCount, 3);  // 12 characters of 12 pixels no longer fit in 120
    EXPECT_EQ(view->lines[0].height, 20);
    EXPECT_EQ(view->totalRows, 4);
    EXPECT_EQ(view->lastTopRow, 0);
    EXPECT_EQ(TextView::Resize(view, 120, 30), kLayoutDone);
    EXPECT_EQ(view->lastTopRow, 3);

    EXPECT_EQ(TextView::Resize(nullptr, 10, 10), kViewMissing);
    EXPECT_EQ(TextView::SetFont(nullptr, &big), kViewMissing);
    TextView* empty = MakeView(kNarrow);
    EXPECT_EQ(TextView::Resize(empty, 10, 10), kLayoutNoText);
    EXPECT_EQ(TextView::SetFont(empty, &big), 1);  // nothing to lay out
}

}  // namespace
}  // namespace velin::textview::testing
