// The lesson view on screen: painting from the top row, scrolling, the search hit overlay, the
// search caption box, and golden screenshots of a painted lesson.
#include "view_fixture.h"

namespace velin::textview::testing {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kYellow = 0xFFFF00;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;  // what the tests fill the window with beforehand

// An ordinary glyph of the box face at 10 pixels fills columns 0..4 and rows 2..7 of its cell:
// (x + 2, y + 4) is ink, (x, y) is ground.
constexpr int kInkDx = 2;
constexpr int kInkDy = 4;

// One-line paragraphs "a", "b", ... (four bytes each, texts at offsets 2, 6, 10, ...).
Bytes Paragraphs(int count, uint8_t style) {
    Bytes lesson;
    for (int i = 0; i < count; ++i) {
        const Bytes r = Record(style, 0, std::string(1, static_cast<char>('a' + i)));
        lesson.insert(lesson.end(), r.begin(), r.end());
    }
    lesson.insert(lesson.end(), {0, 0, 0});
    return lesson;
}

struct Probe {
    int x, y;
    uint32_t colour;
};

TEST_F(ViewTest, PaintDrawsWholeLinesFromTheTopRow) {
    // Three paragraphs with gaps: rows a, gap, b, gap, c; ten pixels each, view top at 10.
    const struct {
        const char* what;
        int height;
        int topRow;
        int topRowAfter;
        std::vector<int> inkAt;  // y of the painted lines, in order: a's row first
        int rowsPainted;
    } kCases[] = {
        {"from the first row", 100, 0, 0, {10, 30, 50}, 5},
        {"a gap row at the top is a blank row", 100, 1, 1, {-1, 20, 40}, 3},
        {"from the second line", 100, 2, 2, {-1, 10, 30}, 3},
        {"a top row past the end becomes the last top row", 100, 9, 0, {10, 30, 50}, 5},
        {"the same in a short view", 30, 9, 2, {-1, 10, 30}, 3},
        // 45 pixels: c would need 10 more than the 5 left.
        {"a line that does not fit is not drawn", 45, 0, 0, {10, 30, -1}, 4},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView({10, 10, 70, 10 + c.height});
        ASSERT_EQ(Show(view, Paragraphs(3, 0x81)), kLayoutDone);
        FillClient(RGB(0, 255, 0));
        view->topRow = static_cast<uint16_t>(c.topRow);
        EXPECT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
        EXPECT_EQ(view->topRow, c.topRowAfter);
        EXPECT_EQ(view->rowsPainted, c.rowsPainted);
        for (int y = 10; y < 10 + c.height - 9; y += 10) {
            bool ink = false;
            for (int want : c.inkAt) ink = ink || want == y;
            EXPECT_EQ(At(10 + kInkDx, y + kInkDy), ink ? kBlack : kWhite) << "row at y " << y;
        }
        EXPECT_EQ(At(9, 10), kGreen);  // nothing outside the view
        EXPECT_EQ(At(70, 10), kGreen);
    }
}

TEST_F(ViewTest, NothingIsDrawnBelowALineThatDoesNotFit) {
    // "a" (10 high), "B" large (12), "s" small (7): in 20 pixels B does not fit, and the small
    // line that would is not drawn either.
    TextView* view = MakeView({10, 10, 70, 30});
    ASSERT_EQ(
        Show(view, Lesson({Record(0x01, 0, "a"), Record(0x04, 0, "B"), Record(0x02, 0, "s")})),
        kLayoutDone);
    FillClient(RGB(0, 255, 0));
    EXPECT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
    EXPECT_EQ(view->rowsPainted, 1);
    EXPECT_EQ(At(10 + kInkDx, 10 + kInkDy), kBlack);
    for (int y = 20; y < 30; ++y) EXPECT_EQ(At(11, y), kWhite) << y;
}

TEST_F(ViewTest, PaintColoursTitlesAndRulesAndKeepsTheContextsState) {
    // A title (large bold, blue), a centred rule of 44 pixels, ordinary text; view at (10, 10).
    TextView* view = MakeView({10, 10, 70, 110});
    ASSERT_EQ(Show(view, Lesson({Record(0xCC, 0, "T"), Record(0xC7, 0xC5), Record(0x81, 0, "a")})),
              kLayoutDone);
    FillClient(RGB(0, 255, 0));
    SetTextColor(dc_, RGB(1, 2, 3));
    EXPECT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
    EXPECT_EQ(GetTextColor(dc_), RGB(1, 2, 3));
    const Probe kProbes[] = {
        {36 + 3, 10 + 6, kBlue},    // title "T", 8 wide, centred: x 36; glyph rows 2..9 of 12
        {36, 10, kWhite},           // its cell's top row
        {18, 34 + 6, kBlack},       // rule at y 34 (after the title's gap), 12 high: line at 40
        {18 + 43, 34 + 6, kBlack},  // its last pixel
        {18 + 44, 34 + 6, kWhite},
        {18, 34 + 5, kWhite},
        {10 + kInkDx, 58 + kInkDy, kBlack},  // "a" after the rule's gap
    };
    for (const Probe& p : kProbes) EXPECT_EQ(At(p.x, p.y), p.colour) << p.x << "," << p.y;

    // Without clearing, the ground is left as it was.
    FillClient(RGB(0, 255, 0));
    EXPECT_EQ(TextView::Paint(view, PaintBackground::kKeep), 0);
    EXPECT_EQ(At(10, 10), kGreen);
    EXPECT_EQ(At(36 + 3, 10 + 6), kBlue);
    EXPECT_EQ(TextView::Paint(nullptr, PaintBackground::kClear), kViewMissing);
}

TEST_F(ViewTest, ScrollByMovesWithinTheLesson) {
    // Ten one-line paragraphs without gaps in a view of three rows: lastTopRow 7.
    const struct {
        const char* what;
        int from, delta;
        ScrollRepaint repaint;
        ScrollClamp clamp;
        int result, topRow;
        bool repainted;
    } kCases[] = {
        {"down at the last page is refused", 7, 1, ScrollRepaint::kYes, ScrollClamp::kYes, 1, 7,
         false},
        {"up past the top stops at 0", 2, -5, ScrollRepaint::kYes, ScrollClamp::kYes, 0, 0, true},
        {"up at the top does nothing", 0, -1, ScrollRepaint::kYes, ScrollClamp::kYes, 1, 0, false},
        {"a page step may pass the last top row", 5, 4, ScrollRepaint::kYes, ScrollClamp::kYes, 0,
         9, true},
        {"but the next step down is refused", 9, 4, ScrollRepaint::kYes, ScrollClamp::kYes, 1, 9,
         false},
        {"past the end without clamp goes to the last page", 0, 20, ScrollRepaint::kYes,
         ScrollClamp::kNo, 0, 7, true},
        {"without clamp a move within the rows is kept", 8, 1, ScrollRepaint::kNo, ScrollClamp::kNo,
         3, 9, false},
        {"without repaint and no change", 3, 0, ScrollRepaint::kNo, ScrollClamp::kYes, 1, 3, false},
        {"without repaint, moved", 3, -2, ScrollRepaint::kNo, ScrollClamp::kYes, 3, 1, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView({10, 10, 70, 40});
        ASSERT_EQ(Show(view, Paragraphs(10, 0x01)), kLayoutDone);
        ASSERT_EQ(view->lastTopRow, 7);
        view->topRow = static_cast<uint16_t>(c.from);
        FillClient(RGB(0, 255, 0));
        EXPECT_EQ(TextView::ScrollBy(view, c.delta, c.repaint, c.clamp), c.result);
        EXPECT_EQ(view->topRow, c.topRow);
        EXPECT_EQ(At(10, 10), c.repainted ? kWhite : kGreen);
    }
    EXPECT_EQ(TextView::ScrollBy(nullptr, 1, ScrollRepaint::kYes, ScrollClamp::kYes), kViewMissing);
}

TEST_F(ViewTest, ScrollToOffsetBringsTheLineHoldingAnOffsetToTheTop) {
    const Bytes paragraphs = Paragraphs(10, 0x01);  // view of three rows: lastTopRow 7
    const Bytes note = Lesson({Record(0x01, 0, "x"), Record(0x01, 0, "y"), Record(0x01, 0, "z"),
                               Record(0x01, 0xC0, "a) bcdefghij"), Record(0x01, 0, "w"),
                               Record(0x01, 0, "v"), Record(0x01, 0, "u")});
    const struct {
        const char* what;
        const Bytes& lesson;
        int offset;
        int result, topRow;  // topRow starts at 1
    } kCases[] = {
        {"the first character", paragraphs, 2, 1, 0},
        {"a line's first character", paragraphs, 14, 1, 3},
        {"the last line's first character: no lower than lastTopRow", paragraphs, 38, 1, 7},
        {"just after a line's last character", paragraphs, 39, 1, 7},
        {"a style byte before any line", paragraphs, 1, 0, 1},
        {"past the lesson", paragraphs, 500, 0, 1},
        // The labelled line (row 3) starts at 14 with "a) "; its body ends at 26.
        {"the label", note, 15, 1, 3},
        {"the end of a labelled line's body", note, 25, 1, 3},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView({10, 10, 130, 40});
        ASSERT_EQ(Show(view, c.lesson), kLayoutDone);
        view->topRow = 1;
        EXPECT_EQ(TextView::ScrollToOffset(view, c.offset), c.result);
        EXPECT_EQ(view->topRow, c.topRow);
    }
}

TEST_F(ViewTest, TheHighlightMarksTheHitWhereverItIsDrawn) {
    const struct {
        const char* what;
        Bytes lesson;
        int right;  // of the view, which starts at (10, 10)
        int highlightStart, highlightEnd;
        std::vector<Probe> probes;
    } kCases[] = {
        // Lines "abcd" (offsets 2..5) at y 10 and "efghijk" (7..13) at y 20.
        {"a hit spanning two lines",
         Lesson({Record(0x81, 0, "abcd efghijk")}),
         70,
         4,
         8,
         {{10, 10, kWhite},
          {10 + kInkDx, 10 + kInkDy, kBlack},  // a
          {22, 10, kYellow},                   // c
          {22 + kInkDx, 10 + kInkDy, kBlue},
          {28 + kInkDx, 10 + kInkDy, kBlue},  // d
          {34, 10, kWhite},                   // the line ends after d
          {10, 20, kYellow},                  // e
          {10 + kInkDx, 20 + kInkDy, kBlue},
          {16, 20, kWhite},  // f
          {16 + kInkDx, 20 + kInkDy, kBlack}}},
        // Label "a)" in the column at x 10..21, body from x 22: ")" is offset 3.
        {"a hit inside a label",
         Lesson({Record(0x81, 0xC0, "a) bcdefghij")}),
         130,
         3,
         4,
         {{10 + kInkDx, 10 + kInkDy, kBlack},
          {16, 10, kYellow},
          {16 + kInkDx, 10 + kInkDy, kBlue},
          {22, 10, kWhite},
          {22 + kInkDx, 10 + kInkDy, kBlack}}},
        // The body "bcdefghij" runs from offset 5 to 13; "ij" is at x 22 + 42.
        {"a hit at the end of a labelled line",
         Lesson({Record(0x81, 0xC0, "a) bcdefghij")}),
         130,
         12,
         14,
         {{64, 10, kYellow},
          {64 + kInkDx, 10 + kInkDy, kBlue},
          {70 + kInkDx, 10 + kInkDy, kBlue},
          {58 + kInkDx, 10 + kInkDy, kBlack}}},
        // The title is large and bold (8 wide): its hit is blue on yellow, not its own blue.
        // "Tt" centred in 120 from x 62; the hit is the "T".
        {"a hit in a title",
         Lesson({Record(0xCC, 0, "Tt")}),
         130,
         2,
         3,
         {{62, 10, kYellow}, {69, 21, kYellow}, {62 + 3, 10 + 6, kBlue}, {70, 10, kWhite}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView({10, 10, c.right, 110});
        ASSERT_EQ(Show(view, c.lesson), kLayoutDone);
        view->highlightStart = static_cast<uint16_t>(c.highlightStart);
        view->highlightEnd = static_cast<uint16_t>(c.highlightEnd);
        // The main window leaves its context transparent after drawing the date caption.
        SetBkMode(dc_, TRANSPARENT);
        EXPECT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
        EXPECT_EQ(GetBkMode(dc_), TRANSPARENT);
        for (const Probe& p : c.probes) EXPECT_EQ(At(p.x, p.y), p.colour) << p.x << "," << p.y;
        // A new lesson ends the highlight.
        ASSERT_EQ(Show(view, c.lesson), kLayoutDone);
        EXPECT_EQ(view->highlightStart, 0);
        EXPECT_EQ(view->highlightEnd, 0);
    }
}

TEST_F(ViewTest, FindTitleAndHeadingLooksAtTheFirstTwoRecords) {
    const struct {
        const char* what;
        Bytes lesson;
        std::string title, heading;
    } kCases[] = {
        {"title and heading", Lesson({Record(0xCC, 0, "Title"), Record(0xC1, 0, "Head")}), "Title",
         "Head"},
        {"heading first", Lesson({Record(0xC1, 0, "Head"), Record(0x81, 0, "x")}), "", "Head"},
        {"title only", Lesson({Record(0xCC, 0, "Title"), Record(0x81, 0, "x")}), "Title", ""},
        {"a heading later on is not the heading",
         Lesson({Record(0xCC, 0, "T"), Record(0x81, 0, "x"), Record(0xC1, 0, "Head")}), "T", ""},
        {"a title later on is not the title", Lesson({Record(0x81, 0, "x"), Record(0xCC, 0, "T")}),
         "", ""},
        {"the styles must be exact", Lesson({Record(0x4C, 0, "T"), Record(0x41, 0, "H")}), "", ""},
        {"a title at the end of the buffer", Bytes{0xCC, 0, 'T', 'i'}, "Ti", ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        const TitleAndHeading th = FindTitleAndHeading(c.lesson);
        EXPECT_EQ(std::string(th.title ? th.title : "", th.titleLength), c.title);
        EXPECT_EQ(std::string(th.heading ? th.heading : "", th.headingLength), c.heading);
    }
}

TEST_F(ViewTest, DrawFrameDrawsNestedOutlinesAndMovesTheRectangle) {
    FillClient(RGB(0, 255, 0));
    RECT r{10, 10, 30, 30};
    DrawFrame(dc_, &r, RGB(255, 0, 0), 2);
    EXPECT_EQ(r.left, 12);
    EXPECT_EQ(r.top, 12);
    EXPECT_EQ(r.right, 28);
    EXPECT_EQ(r.bottom, 28);
    DrawFrame(dc_, &r, RGB(0, 0, 255), 1);
    const Probe kProbes[] = {{10, 10, kRed},   {11, 20, kRed},  {29, 29, kRed},
                             {30, 30, kGreen}, {12, 12, kBlue}, {27, 20, kBlue}};
    for (const Probe& p : kProbes) EXPECT_EQ(At(p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST_F(ViewTest, TheSearchCaptionNamesTheLessonAtTheBottomOfTheView) {
    // View 120 x 100 at (10, 10). The caption's small font is 7 high with an advance of 4.
    // 30 letters and 10 spaces: centred uncut, the spaces would show where the last letters are.
    const std::string longTitle = std::string(30, 'T') + std::string(10, ' ');
    const struct {
        const char* what;
        Bytes lesson;
        std::vector<Probe> probes;
    } kCases[] = {
        {"an ordinary first paragraph gets no caption",
         Lesson({Record(0x81, 0, "Text")}),
         {{70, 100, kGreen}, {70, 108, kGreen}}},
        // Two lines: box 38 wide (16 + 2 x 7 + 8) from x 51, from y 84 to 108.
        {"title and heading make a two-line box",
         Lesson({Record(0xCC, 0, "Tt"), Record(0xC1, 0, "Head")}),
         {{51, 84, kRed},
          {52, 85, kRed},
          {53, 86, kWhite},
          {54, 87, kBlue},
          {55, 88, kBlue},
          {56, 89, kYellow},
          {88, 107, kRed},  // the box's right and bottom edges are inside it
          {89, 100, kGreen},
          {51, 108, kGreen},
          {50, 100, kGreen},
          {67, 91, kRed},     // the title's first letter, x 66 + (28 - 8) / 2
          {66, 89, kYellow},  // the top row of its cell
          {63, 98, kRed}}},   // the heading, one line lower, from x 62
        // One line, cut to the 30 characters that fit the view: the box is the view's width.
        {"a title wider than the view is cut to what fits",
         Lesson({Record(0xCC, 0, longTitle)}),
         {{10, 91, kRed}, {123, 98, kRed}, {127, 98, kRed}, {131, 98, kGreen}, {9, 98, kGreen}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        TextView* view = MakeView({10, 10, 130, 110});
        ASSERT_EQ(Show(view, c.lesson), kLayoutDone);
        FillClient(RGB(0, 255, 0));
        TextView::DrawSearchCaption(view);
        for (const Probe& p : c.probes) EXPECT_EQ(At(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
    TextView::DrawSearchCaption(nullptr);  // nothing to draw on
}

// A lesson with every kind of record the book uses.
Bytes RichLesson() {
    return Lesson({
        Record(0xCC, 0x00, "The Lesson of the Day"),
        Record(0xC1, 0x00, "Chapter Three"),
        Record(0xC7, 0xC5),
        Record(0x81, 0x00,
               "An ordinary paragraph that runs over several lines, with a "
               "hyphen-ated word near its end."),
        Record(0x81, 0x40, "1. The first note, whose body hangs after its number."),
        Record(0x81, 0x40, " A second paragraph of the same note lines up with its body."),
        Record(0x81, 0x58, "2) A note indented by 24 pixels."),
        Record(0x89, 0x00, "Bold words."),
        Record(0x82, 0x0C, "A small paragraph, indented."),
        Record(0xA2, 0x00, "small, right"),
        Record(0xC7, 0xAC),
        Record(0x41, 0x00, "the end"),
    });
}

TEST_F(ViewTest, GoldenPaintedLesson) {
    TextView* view = MakeView({4, 4, 236, 196});
    ASSERT_EQ(Show(view, RichLesson()), kLayoutDone);
    ASSERT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
    EXPECT_TRUE(MatchesGolden(Shot(), "lesson_top"));
}

TEST_F(ViewTest, GoldenScrolledLessonWithHitAndCaption) {
    TextView* view = MakeView({4, 4, 236, 196});
    const Bytes lesson = RichLesson();
    ASSERT_EQ(Show(view, lesson), kLayoutDone);
    // The search's order of calls: bring the hit to the top, set it, paint, draw the caption.
    const std::string text(lesson.begin(), lesson.end());
    const int hit = static_cast<int>(text.find("several lines"));
    ASSERT_EQ(TextView::ScrollToOffset(view, hit), 1);
    view->highlightStart = static_cast<uint16_t>(hit);
    view->highlightEnd = static_cast<uint16_t>(hit + 13);
    ASSERT_EQ(TextView::Paint(view, PaintBackground::kClear), 0);
    TextView::DrawSearchCaption(view);
    EXPECT_TRUE(MatchesGolden(Shot(), "lesson_hit_caption"));
}

}  // namespace
}  // namespace velin::textview::testing
