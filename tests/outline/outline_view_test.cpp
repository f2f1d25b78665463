// The outline view on the headless screen with the box face ("Velin Test": a plain cell of 13
// pixels has 7-pixel characters; the large bold style of level-1 branches 20 and 13).
#include <gtest/gtest.h>

#include <string>

#include "outline/outline.h"
#include "outline_records.h"
#include "platform/windows.h"

namespace velin::outline::testing {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 120;

// Bookmarks (one entry), then two parts; part one holds a group of three lessons and a direct
// lesson, part two one lesson.
const Bytes kIndex = Outline({
    Rec(0x8877, 0xC1, 1, "Bookmarks"),                                // rows 0, 1
    Rec(0x5913, 0x81, 2, "First"), Rec(0xBFFE, 0x8C, 1, "Part one"),  // 2
    Rec(0xBFFD, 0x01, 2, "Group"),                                    // 3
    Rec(0x5913, 0x01, 3, "First"),                                    // 4
    Rec(0x5914, 0x01, 3, "Second"),                                   // 5
    Rec(0x5915, 0x01, 3, "Third"),                                    // 6
    Rec(0x5A01, 0x01, 2, "Direct"),                                   // 7
    Rec(0xBFFC, 0x8C, 1, "Part two"),                                 // 8
    Rec(0x5B01, 0x01, 2, "Other"),                                    // 9
});

class OutlineViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetDefaultFaceName(u"Velin Test");
        platform::PlatformOptions options;
        options.headless = true;
        ASSERT_EQ(platform::StartPlatform(options), platform::StartStatus::kOk);
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = u"OutlineTestWindow";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, u"OutlineTestWindow", u"", WS_POPUP | WS_VISIBLE, 0, 40, 240,
                                200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd_, nullptr);
        dc_ = GetDC(hwnd_);
        for (int i = 0; i < 3; ++i) glyphs_[i] = LoadBitmapW(nullptr, MAKEINTRESOURCEW(201 + i));
    }
    void TearDown() override {
        OutlineView::Destroy(view_, OutlineFree::kFreeObject);
        for (HBITMAP g : glyphs_) DeleteObject(g);
        ReleaseDC(hwnd_, dc_);
        FailNextAllocations(0, 0);
        platform::StopPlatform();
    }
    // A view of kWidth x kHeight at (20, 0) holding `outline`.
    OutlineView* Show(const Bytes& outline, int width = kWidth, int height = kHeight) {
        view_ = OutlineView::Create(dc_, RECT{20, 0, 20 + width, height}, FontSpec{}, 100, glyphs_);
        EXPECT_EQ(OutlineView::Build(view_, Data(outline), OutlineReplace::kReplace),
                  kOutlineBuilt);
        return view_;
    }
    // Each row as "label" when visible, "(label)" when hidden, "+" / "-" in front of a
    // collapsed / expanded visible branch's first row.
    std::string Rows() const {
        std::string out;
        const auto* base = reinterpret_cast<const char*>(view_->data.bytes.get());
        for (int r = 0; view_->rows[r].state; ++r) {
            const OutlineRow& row = view_->rows[r];
            std::string label(base + row.textOffset, row.length);
            const bool visible = row.state & kOutlineVisible;
            if (visible && IsBranchKey(row.key) && (r == 0 || view_->rows[r - 1].key != row.key)) {
                label = ((row.state & kOutlineExpanded) ? "-" : "+") + label;
            }
            out += (out.empty() ? "" : " ") + (visible ? label : "(" + label + ")");
        }
        return out;
    }
    // The middle of row r, at x offset dx from its text's left edge.
    int32_t Tap(int row, int dx) {
        const OutlineRow& r = view_->rows[row];
        int y = view_->rect.top;
        for (int i = OutlineView::FirstDrawnRow(view_); i < row; ++i) {
            if (view_->rows[i].state & kOutlineVisible) y += view_->rows[i].height;
        }
        return OutlineView::HitTest(view_, r.x + dx, y + r.height / 2);
    }

    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP glyphs_[3] = {};
    OutlineView* view_ = nullptr;
};

TEST_F(OutlineViewTest, BuildShowsWhatTheStylesAskFor) {
    Show(kIndex);
    EXPECT_EQ(
        Rows(),
        "-Bookmarks First +Part one (Group) (First) (Second) (Third) (Direct) +Part two (Other)");
    EXPECT_EQ(view_->visibleRows, 4);
    EXPECT_EQ(view_->rows[0].x, 20 + 13);
    EXPECT_EQ(view_->rows[1].x, 20 + 26);
    EXPECT_EQ(view_->rows[2].height, 20) << "larger bold";
    EXPECT_EQ(view_->rows[1].height, 13);
    EXPECT_EQ(view_->rows[1].width, 5 * 7);
}

TEST_F(OutlineViewTest, BuildStatuses) {
    view_ = OutlineView::Create(dc_, RECT{0, 0, kWidth, kHeight}, FontSpec{}, 100, glyphs_);
    EXPECT_EQ(OutlineView::Build(nullptr, Data(kIndex), OutlineReplace::kReplace), kOutlineMissing);
    EXPECT_EQ(OutlineView::Build(view_, Data(kIndex), OutlineReplace::kReplace), kOutlineBuilt);
    // Refused data leaves the view as it was.
    EXPECT_EQ(OutlineView::Build(view_, Data(Outline({})), OutlineReplace::kReplace),
              kOutlineEmpty);
    EXPECT_EQ(OutlineView::Build(view_, Data(Outline({Rec(0x8001, 0x81, 1, "")})),
                                 OutlineReplace::kReplace),
              kOutlineEmpty);
    EXPECT_EQ(view_->rowCount, 10);
    EXPECT_EQ(OutlineView::Build(view_, OutlineData{}, OutlineReplace::kKeep), kOutlineNoData);
    EXPECT_TRUE(view_->data);
    EXPECT_EQ(OutlineView::Build(view_, OutlineData{}, OutlineReplace::kReplace), kOutlineNoData);
    EXPECT_FALSE(view_->data);
    EXPECT_EQ(OutlineView::Paint(view_, OutlineErase::kYes), kOutlineMissing);
    EXPECT_EQ(OutlineView::HitTest(view_, 10, 10), 0);
}

TEST_F(OutlineViewTest, LabelsWrapAtSpacesOrSplitLongWords) {
    const struct {
        const char* name;
        int width;
        std::string label;
        std::string rows;
    } kCases[] = {
        // 60 - 13 = 47 pixels: six characters a row.
        {"at the last space that fits", 60, "ab cd efgh", "ab cd efgh"},
        // The row ending before a space keeps that space; the others lead the next row and go.
        {"spaces leading a row are dropped", 60, "abcde   fg", "abcde  fg"},
        {"a word wider than the row is split", 60, "abcdefghij", "abcdef ghij"},
        {"a row holds one character even when none fits", 14, "ab", "a b"},
        // 13 is not less than the width 13: no indent, so one character fits.
        {"an indent that leaves no room is dropped", 13, "ab", "a b"},
    };
    for (const auto& c : kCases) {
        OutlineView::Destroy(view_, OutlineFree::kFreeObject);
        Show(Outline({Rec(0x8001, 0x81, 1, c.label)}), c.width);
        EXPECT_EQ(Rows(), "+" + c.rows) << c.name;
    }
    EXPECT_EQ(view_->rows[0].x, 20) << "no indent";
}

TEST_F(OutlineViewTest, TheTableGrowsPastItsCapacity) {
    std::vector<Bytes> records;
    Bytes outline;
    for (int i = 0; i < 300; ++i) {
        const Bytes r =
            Rec(static_cast<uint16_t>(0x4000 + i + 1), 0x81, 1, "e" + std::to_string(i));
        outline.insert(outline.end(), r.begin(), r.end());
    }
    outline.insert(outline.end(), 5, 0);
    Show(outline);
    EXPECT_EQ(view_->rowCount, 300);
    EXPECT_GE(view_->capacity, 300);
    EXPECT_EQ(view_->visibleRows, 300);
    EXPECT_EQ(view_->maxTop, 300 - kHeight / 13);
    // Growth without memory: the rows laid out so far stay, closed by a zero row.
    OutlineView::Destroy(view_, OutlineFree::kFreeObject);
    view_ = OutlineView::Create(dc_, RECT{0, 0, kWidth, kHeight}, FontSpec{}, 100, glyphs_);
    FailNextAllocations(2, 1);  // the data and the style font's cache entry, then the table
    EXPECT_EQ(OutlineView::Build(view_, Data(outline), OutlineReplace::kReplace), kOutlineNoMemory);
    EXPECT_EQ(view_->rows[100].state, 0);
    EXPECT_EQ(OutlineView::Paint(view_, OutlineErase::kYes), 0) << "what was laid out still paints";
}

TEST_F(OutlineViewTest, RevealShowsTheLessonItsNeighbourAndItsAncestors) {
    const struct {
        const char* name;
        Bytes outline;
        uint16_t lesson;
        std::string rows;
    } kCases[] = {
        {"inside a group: the group stays collapsed", kIndex, 0x1914,
         "-Bookmarks First +Part one +Group (First) Second Third (Direct) +Part two (Other)"},
        {"a bookmarked lesson is found in the bookmarks, already visible", kIndex, 0x1913,
         "-Bookmarks First +Part one (Group) (First) (Second) (Third) (Direct) +Part two (Other)"},
        {"a day without an entry", kIndex, 0x1916,
         "-Bookmarks First +Part one (Group) (First) (Second) (Third) (Direct) +Part two (Other)"},
        {"the last lesson of a part shows the next part's branch", kIndex, 0x1A01,
         "-Bookmarks First +Part one (Group) (First) (Second) (Third) Direct +Part two (Other)"},
        {"a branch key never matches", kIndex, 0x3FFE,
         "-Bookmarks First +Part one (Group) (First) (Second) (Third) (Direct) +Part two (Other)"},
    };
    for (const auto& c : kCases) {
        OutlineView::Destroy(view_, OutlineFree::kFreeObject);
        Show(c.outline);
        OutlineView::Reveal(view_, c.lesson);
        EXPECT_EQ(Rows(), c.rows) << c.name;
        EXPECT_EQ(view_->top, 0) << c.name << ": the reveal does not scroll";
    }
}

TEST_F(OutlineViewTest, TapsToggleBranchesAndChooseLessons) {
    Show(kIndex);
    // Expanding a part shows its direct entries only.
    EXPECT_LT(Tap(2, 2), 0);
    EXPECT_EQ(
        Rows(),
        "-Bookmarks First -Part one +Group (First) (Second) (Third) Direct +Part two (Other)");
    EXPECT_LT(Tap(3, 2), 0);
    EXPECT_EQ(Rows(),
              "-Bookmarks First -Part one -Group First Second Third Direct +Part two (Other)");
    // Collapsed with its part, the group comes back collapsed.
    EXPECT_LT(Tap(2, 2), 0);
    EXPECT_LT(Tap(2, 2), 0);
    EXPECT_EQ(
        Rows(),
        "-Bookmarks First -Part one +Group (First) (Second) (Third) Direct +Part two (Other)");
    const struct {
        const char* name;
        int row;
        int dx;  // from the text's left edge
        int32_t code;
    } kTaps[] = {
        {"a bookmark entry's text", 1, 2, 0x1913},
        {"a lesson's glyph", 7, -10, 0x1A01},
        {"left of a lesson's glyph", 7, -15, 0},
        {"right of a lesson's text", 7, 6 * 7 + 2, 0},
        {"right of a branch's text", 3, 5 * 7 + 2, 0},
    };
    for (const auto& t : kTaps) EXPECT_EQ(Tap(t.row, t.dx), t.code) << t.name;
    // Left of a branch's glyph toggles it.
    EXPECT_LT(Tap(3, -15), 0);
    EXPECT_EQ(Rows(),
              "-Bookmarks First -Part one -Group First Second Third Direct +Part two (Other)");
    // Outside the view, and below the last row.
    EXPECT_EQ(OutlineView::HitTest(view_, 5, 5), 0);
    EXPECT_EQ(OutlineView::HitTest(view_, 60, kHeight - 1), kOutlineNoRow);
}

TEST_F(OutlineViewTest, EdgeItemsToggle) {
    // A branch with nothing under it changes only its own bit; a two-row label keeps both rows.
    Show(Outline({Rec(0x8877, 0xC1, 1, "Bookmarks"), Rec(0xBFFE, 0x8C, 1, "Long part name"),
                  Rec(0x5A01, 0x01, 2, "Lesson")}),
         120);
    EXPECT_EQ(Rows(), "-Bookmarks +Long part name (Lesson)");
    EXPECT_LT(Tap(0, 2), 0);
    EXPECT_EQ(Rows(), "+Bookmarks +Long part name (Lesson)");
    EXPECT_LT(Tap(2, 2), 0) << "the label's second row";
    EXPECT_EQ(Rows(), "+Bookmarks -Long part name Lesson");
    EXPECT_LT(Tap(1, 2), 0);
    EXPECT_EQ(Rows(), "+Bookmarks +Long part name (Lesson)");
}

// A style of only the visible and expanded bits: collapsing it must not turn its row into the
// end of the table (the rows after it would drop out of the outline).
TEST_F(OutlineViewTest, AStyleWithoutFontBitsSurvivesBeingToggled) {
    Show(Outline({Rec(0x8001, 0xC0, 1, "Branch"), Rec(0x5A01, 0x80, 2, "Lesson"),
                  Rec(0x8002, 0x81, 1, "After")}));
    EXPECT_LT(Tap(0, 2), 0);
    EXPECT_EQ(Rows(), "+Branch (Lesson) +After");
    EXPECT_EQ(view_->visibleRows, 2);
    EXPECT_LT(Tap(0, 2), 0);
    EXPECT_EQ(Rows(), "-Branch Lesson +After");
}

TEST_F(OutlineViewTest, ScrollingStaysWithinMaxTopAndPartialRowsAreNotHit) {
    // Part rows are 20 pixels, entries 13: with height 50, two parts fit and a third is cut.
    Show(Outline({Rec(0xBFFE, 0x8C, 1, "One"), Rec(0xBFFD, 0x8C, 1, "Two"),
                  Rec(0xBFFC, 0x8C, 1, "Three"), Rec(0xBFFB, 0x8C, 1, "Four")}),
         kWidth, 50);
    EXPECT_EQ(view_->maxTop, 2);
    OutlineView::Paint(view_, OutlineErase::kYes);
    EXPECT_EQ(view_->drawnRows, 2);
    EXPECT_EQ(OutlineView::HitTest(view_, 60, 45), kOutlineNoRow) << "the cut third row";
    OutlineView::Scroll(view_, 10);
    EXPECT_EQ(view_->top, 2);
    EXPECT_EQ(view_->drawnRows, 2) << "the last row fully in view";
    OutlineView::Scroll(view_, -1);
    EXPECT_EQ(view_->top, 1);
    OutlineView::Scroll(view_, -5);
    EXPECT_EQ(view_->top, 0);
}

TEST_F(OutlineViewTest, ExpansionSurvivesASizeChange) {
    Show(kIndex);
    Tap(2, 2);  // expand part one
    Tap(3, 2);  // and its group
    Tap(0, 2);  // collapse the bookmarks
    EXPECT_EQ(Rows(),
              "+Bookmarks (First) -Part one -Group First Second Third Direct +Part two (Other)");
    ExpansionList saved = OutlineView::SaveExpansion(view_);
    ASSERT_TRUE(saved);
    EXPECT_EQ(OutlineView::Resize(view_, 150, 100), kOutlineBuilt);
    EXPECT_EQ(OutlineView::RestoreExpansion(view_, saved.get()), 0);
    // The bookmarks start expanded, and nothing is ever collapsed by a restore.
    EXPECT_EQ(Rows(),
              "-Bookmarks First -Part one -Group First Second Third Direct +Part two (Other)");
    EXPECT_EQ(view_->visibleRows, 9);
    EXPECT_EQ(OutlineView::RestoreExpansion(view_, nullptr), kOutlineMissing);
}

}  // namespace
}  // namespace velin::outline::testing
