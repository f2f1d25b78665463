// The text routines (widening, measuring, drawing cells) and the fonts per style.
#include "view_fixture.h"

namespace velin::textview::testing {
namespace {

TEST(WidenText, MapsEachByteToTheCodeUnitOfTheSameValue) {
    WidenBuffer buffer;
    const char text[] = "\x41\x95\xD5\xFF";
    const char16_t* wide = WidenText(text, 4, &buffer);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::u16string(wide), (std::u16string{0x41, 0x95, 0xD5, 0xFF}));
    // A count past the string stops at its zero byte; a count of 0 gives an empty string.
    EXPECT_EQ(std::u16string(WidenText("ab\0cd", 5, &buffer)), u"ab");
    EXPECT_EQ(std::u16string(WidenText("ab", 0, &buffer)), u"");
    std::free(buffer.storage);
}

TEST(WidenText, TheSharedBufferOnlyGrows) {
    WidenBuffer buffer;
    const std::string long500(500, 'x');
    const char16_t* first = WidenText(long500.c_str(), 500, &buffer);
    EXPECT_EQ(buffer.capacity, 500u);
    EXPECT_EQ(WidenText("twenty", 20, &buffer), first);  // reused
    EXPECT_EQ(buffer.capacity, 500u);
    const std::string long600(600, 'y');
    const char16_t* third = WidenText(long600.c_str(), 600, &buffer);
    EXPECT_EQ(buffer.capacity, 600u);
    EXPECT_EQ(std::u16string(third).size(), 600u);
    // Without memory the buffer keeps what it had, and the caller hears of it.
    FailNextAllocations(0, 1);
    EXPECT_EQ(WidenText(long600.c_str(), 700, &buffer), nullptr);
    EXPECT_EQ(buffer.capacity, 600u);
    EXPECT_EQ(buffer.storage, third);
    std::free(buffer.storage);

    // The form without a buffer gives storage of the caller's own.
    WideText own = WidenText("\xE0-z", 3);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(std::u16string(own.get()), (std::u16string{0xE0, u'-', u'z'}));
}

class TextRoutinesTest : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        LOGFONTW lf{};
        std::u16string_view face = u"Velin Test";
        std::copy(face.begin(), face.end(), lf.lfFaceName);
        lf.lfHeight = 10;  // advance 6
        font_ = CreateFontIndirectW(&lf);
        old_ = SelectObject(dc_, font_);
    }
    void TearDown() override {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        ViewTest::TearDown();
    }
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(TextRoutinesTest, MeasureFitCountsWhatFitsAndItsWidth) {
    const struct {
        const char* text;
        int width, count;
        int fitWidth, fitCount;
    } kCases[] = {
        {"abcdef", 100, 6, 36, 6}, {"abcdef", 20, 6, 18, 3}, {"abcdef", 18, 6, 18, 3},  // exactly
        {"abcdef", 5, 6, 0, 0},  // not even the first character
        {"abcdef", -3, 6, 0, 0},   {"abcdef", 100, 0, 0, 0}, {"ab", 100, 2, 12, 2},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.text << " " << c.width << " " << c.count);
        int width = c.width;
        int count = c.count;
        MeasureFit(dc_, c.text, &width, &count);
        EXPECT_EQ(width, c.fitWidth);
        EXPECT_EQ(count, c.fitCount);
    }
    // Without memory for the conversion nothing fits.
    WidenBuffer* shared = SharedWidenBuffer();
    const std::string longer(shared->capacity + 10, 'a');
    int width = 10000;
    int count = static_cast<int>(longer.size());
    FailNextAllocations(0, 1);
    MeasureFit(dc_, longer.c_str(), &width, &count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(width, 0);
}

TEST_F(TextRoutinesTest, DrawTextCellsAndFills) {
    FillClient(RGB(0, 255, 0));
    FillRectStock(dc_, 10, 10, 100, 20, WHITE_BRUSH);
    EXPECT_EQ(At(10, 10), 0xFFFFFFu);
    EXPECT_EQ(At(109, 29), 0xFFFFFFu);
    EXPECT_EQ(At(110, 29), 0x00FF00u);
    EXPECT_EQ(At(109, 30), 0x00FF00u);

    // Counted characters only, from x (the cell is as wide as they are), centred vertically.
    SetTextColor(dc_, RGB(0, 0, 0));
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, RGB(255, 255, 255));
    DrawTextCell(dc_, "ab&c", 3, 20, 12, 18, 14);  // no prefix: "&" is a character
    EXPECT_EQ(At(22, 16), 0x000000u);              // a, its cell from y 14
    EXPECT_EQ(At(32 + 2, 16), 0x000000u);          // "&" drawn as itself
    EXPECT_EQ(At(38 + 2, 16), 0xFFFFFFu);          // c is not drawn

    SetTextColor(dc_, RGB(1, 2, 3));
    SetBkColor(dc_, RGB(4, 5, 6));
    DrawTextCellColored(dc_, "x", 1, 60, 12, 6, 10, RGB(255, 0, 0), RGB(255, 255, 0));
    EXPECT_EQ(At(62, 16), 0xFF0000u);
    EXPECT_EQ(At(60, 12), 0xFFFF00u);
    EXPECT_EQ(GetTextColor(dc_), RGB(1, 2, 3));
    EXPECT_EQ(GetBkColor(dc_), RGB(4, 5, 6));
}

TEST_F(ViewTest, StyleFontsFollowTheReadingFont) {
    const struct {
        int size;
        int key;
        int height, weight;
    } kCases[] = {
        {0, 0x01, 13, FW_NORMAL},  // the platform's default height
        {0, 0x04, 20, FW_NORMAL},  {0, 0x02, 14, FW_NORMAL},
        {0, 0x06, 20, FW_NORMAL},  // large wins over small
        {13, 0x04, 16, FW_NORMAL}, {13, 0x02, 9, FW_NORMAL},
        {13, 0x08, 13, FW_BOLD},   {13, 0x0C, 16, FW_BOLD},
        {13, 0x11, 13, FW_NORMAL},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.size << " key " << c.key);
        TextView* view = MakeView({0, 0, 100, 100}, 100, TestFont(c.size));
        const HFONT before = TextView::SelectStyleFont(view, c.key);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc_, &tm);
        EXPECT_EQ(tm.tmHeight, c.height);
        EXPECT_EQ(tm.tmWeight, c.weight);
        SelectObject(dc_, before);
    }
}

TEST_F(ViewTest, TheFontCacheHasOneEntryPerKey) {
    TextView* view = MakeView({0, 0, 100, 100});
    TextView::SelectStyleFont(view, 0x81);
    TextView::SelectStyleFont(view, 0x01);  // same key, from the cache
    TextView::SelectStyleFont(view, 0x11);  // same font, a key of its own
    std::vector<int> keys;
    for (FontCacheEntry* e = view->fonts; e; e = e->next) keys.push_back(e->key);
    EXPECT_EQ(keys, (std::vector<int>{0x11, 0x01}));  // new entries at the head

    // The colour flag: blue for large bold, black otherwise.
    const struct {
        int style;
        COLORREF colour;
    } kCases[] = {{0xCC | kStyleSetColour, RGB(0, 0, 255)},
                  {0x0C | kStyleSetColour, RGB(0, 0, 255)},
                  {0x08 | kStyleSetColour, RGB(0, 0, 0)},
                  {0x04 | kStyleSetColour, RGB(0, 0, 0)}};
    for (const auto& c : kCases) {
        SetTextColor(dc_, RGB(9, 9, 9));
        TextView::SelectStyleFont(view, c.style);
        EXPECT_EQ(GetTextColor(dc_), c.colour) << std::hex << c.style;
    }
    SetTextColor(dc_, RGB(9, 9, 9));
    TextView::SelectStyleFont(view, 0xCC);  // without the flag the colour stays
    EXPECT_EQ(GetTextColor(dc_), RGB(9, 9, 9));

    // Releasing the fonts keeps the entries; a later selection makes the font again.
    EXPECT_EQ(TextView::SetFont(view, nullptr), 0);
    for (FontCacheEntry* e = view->fonts; e; e = e->next) EXPECT_EQ(e->font, nullptr);
    TextView::SelectStyleFont(view, 0x01);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    EXPECT_EQ(tm.tmHeight, 10);
}

TEST_F(ViewTest, CreationAndItsFailures) {
    const RECT rect{5, 6, 105, 86};
    EXPECT_EQ(TextView::Create(nullptr, &rect, TestFont(), 100), nullptr);
    FailNextAllocations(0, 1);
    EXPECT_EQ(TextView::Create(dc_, &rect, TestFont(), 100), nullptr);
    FailNextAllocations(1, 1);  // the view, then not its table
    TextView* bare = MakeView(rect, 100);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->lines, nullptr);
    EXPECT_EQ(bare->capacity, 0);
    EXPECT_EQ(bare->left, 5);
    EXPECT_EQ(bare->top, 6);
    EXPECT_EQ(bare->width, 100);
    EXPECT_EQ(bare->height, 80);
    // It gets its table at the first layout.
    EXPECT_EQ(Show(bare, Lesson({Record(0x81, 0, "a")})), kLayoutDone);
    EXPECT_EQ(bare->capacity, 128);

    TextView* none = TextView::Create(dc_, nullptr, TestFont(), 0);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->width, 0);
    EXPECT_EQ(none->lines, nullptr);
    // Destroying without freeing the object leaves an empty view; the sanitizer build checks
    // that nothing (text, table, fonts, cache entries) is left behind.
    TextView::Destroy(none, DestroyView::kKeepObject);
    EXPECT_EQ(none->text, nullptr);
    EXPECT_EQ(none->fonts, nullptr);
    TextView::Destroy(none, DestroyView::kFreeObject);
}

}  // namespace
}  // namespace velin::textview::testing
