// Fonts: the box face's metrics, text extents and fit counts on it and on a real face, the
// family list, and measuring and drawing without allocation once the glyphs are cached.
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "test_support.h"

// Counts allocations, so that a test can show that a path makes none.
static std::atomic<long> g_allocations{0};
void* operator new(std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace velin::platform::testing {
namespace {

class FontTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        dc_ = GetDC(nullptr);
    }
    void TearDown() override {
        ReleaseDC(nullptr, dc_);
        for (HFONT f : fonts_) DeleteObject(f);
        PlatformTest::TearDown();
    }
    HFONT Make(const char16_t* face, LONG height, LONG weight = FW_NORMAL) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        lf.lfWeight = weight;
        for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
        HFONT f = CreateFontIndirectW(&lf);
        fonts_.push_back(f);
        return f;
    }
    HDC dc_ = nullptr;
    std::vector<HFONT> fonts_;
};

TEST_F(FontTest, BoxFaceMetricsFollowTheRequestedHeight) {
    const struct {
        LONG height;
        LONG weight;
        LONG tmHeight, ascent, advance;
    } kCases[] = {
        {0, FW_NORMAL, 13, 11, 7},   // no size: the 13-pixel default
        {13, FW_NORMAL, 13, 11, 7},  // a cell height
        {-13, FW_NORMAL, 13, 11, 7}, // a character height: the box face has no internal leading
        {20, FW_NORMAL, 20, 16, 12},
        {14, FW_BOLD, 14, 12, 9},    // bold is one pixel wider
    };
    for (const auto& c : kCases) {
        SelectObject(dc_, Make(u"Velin Test", c.height, c.weight));
        TEXTMETRICW tm{};
        ASSERT_TRUE(GetTextMetricsW(dc_, &tm));
        EXPECT_EQ(tm.tmHeight, c.tmHeight) << c.height;
        EXPECT_EQ(tm.tmAscent, c.ascent) << c.height;
        EXPECT_EQ(tm.tmMaxCharWidth, c.advance) << c.height;
        EXPECT_EQ(tm.tmAveCharWidth, c.advance) << c.height;
    }
}

TEST_F(FontTest, FitCountsAndPartialExtentsOnTheBoxFace) {
    SelectObject(dc_, Make(u"velin test", 13));  // the name is matched without case
    const struct {
        int maxExtent;
        int fit;
    } kCases[] = {{0, 0}, {6, 0}, {7, 1}, {13, 1}, {14, 2}, {35, 5}, {1000, 5}};
    for (const auto& c : kCases) {
        int fit = -1;
        int extents[5] = {};
        SIZE size{};
        ASSERT_TRUE(GetTextExtentExPointW(dc_, u"Hello", 5, c.maxExtent, &fit, extents, &size));
        EXPECT_EQ(fit, c.fit) << "max " << c.maxExtent;
        EXPECT_EQ(size.cx, 35) << "the size covers the whole string";
        EXPECT_EQ(size.cy, 13);
        for (int i = 0; i < fit; ++i) EXPECT_EQ(extents[i], 7 * (i + 1));
    }
    SIZE empty{-1, -1};
    EXPECT_TRUE(GetTextExtentExPointW(dc_, u"", 0, 10, nullptr, nullptr, &empty));
    EXPECT_EQ(empty.cx, 0);
}

TEST_F(FontTest, RealFaceMeasuresConsistently) {
    SelectObject(dc_, Make(u"DejaVu Sans", 16));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    if (tm.tmAveCharWidth == 7 && tm.tmMaxCharWidth == tm.tmAveCharWidth) {
        GTEST_SKIP() << "no real face installed (fonts-dejavu-core)";
    }
    EXPECT_EQ(tm.tmHeight, 16);  // a positive height is the cell
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, 16);
    const std::u16string text = u"Velin reads \u00e9t\u00e9 daily";
    const int n = static_cast<int>(text.size());
    std::vector<int> extents(n);
    int fit = 0;
    SIZE size{};
    ASSERT_TRUE(GetTextExtentExPointW(dc_, text.c_str(), n, 100000, &fit, extents.data(), &size));
    EXPECT_EQ(fit, n);
    EXPECT_EQ(extents.back(), size.cx);
    for (int i = 1; i < n; ++i) EXPECT_GT(extents[i], extents[i - 1]) << i;
    // The fit count for any limit is the number of partial extents within it.
    for (int limit : {0, extents[0], extents[0] - 1, extents[5], extents[5] + 1, size.cx - 1}) {
        int f = 0;
        GetTextExtentExPointW(dc_, text.c_str(), n, limit, &f, nullptr, nullptr);
        int expected = 0;
        while (expected < n && extents[expected] <= limit) ++expected;
        EXPECT_EQ(f, expected) << "limit " << limit;
    }
    // A negative height is the em: the cell is taller. Bold is wider. An unknown face still
    // gives a real one.
    SelectObject(dc_, Make(u"DejaVu Sans", -16));
    GetTextMetricsW(dc_, &tm);
    EXPECT_GT(tm.tmHeight, 16);
    SIZE regular{}, bold{};
    SelectObject(dc_, Make(u"DejaVu Sans", 16));
    GetTextExtentPoint32W(dc_, u"Bookmark", 8, &regular);
    SelectObject(dc_, Make(u"DejaVu Sans", 16, FW_BOLD));
    GetTextExtentPoint32W(dc_, u"Bookmark", 8, &bold);
    EXPECT_GT(bold.cx, regular.cx);
    SelectObject(dc_, Make(u"No Such Face", 16));
    GetTextMetricsW(dc_, &tm);
    EXPECT_EQ(tm.tmHeight, 16);
}

int CollectFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto* names = reinterpret_cast<std::vector<std::u16string>*>(param);
    names->push_back(lf->lfFaceName);
    return names->size() < 1000 ? 1 : 0;
}

TEST_F(FontTest, FamiliesAreListedOnceEachWithTheBoxFace) {
    std::vector<std::u16string> names;
    EnumFontFamiliesW(dc_, nullptr, CollectFamily, reinterpret_cast<LPARAM>(&names));
    EXPECT_NE(std::find(names.begin(), names.end(), u"Velin Test"), names.end());
    std::vector<std::u16string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    // The procedure's zero stops the enumeration.
    std::vector<std::u16string> one;
    EnumFontFamiliesW(dc_, nullptr,
                      [](const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
                          reinterpret_cast<std::vector<std::u16string>*>(p)->push_back(lf->lfFaceName);
                          return 0;
                      },
                      reinterpret_cast<LPARAM>(&one));
    EXPECT_EQ(one.size(), 1u);
}

TEST_F(FontTest, MeasuringAndDrawingAllocateNothingOnceGlyphsAreCached) {
    WNDCLASSW wc{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Page"};
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, u"Page", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    Pump();
    HDC dc = GetDC(hwnd);
    for (const char16_t* face : {u"Velin Test", u"DejaVu Sans"}) {
        SelectObject(dc, Make(face, 13));
        const std::u16string line = u"Lesson \u00e9 text \u00d5 and more words";
        const int n = static_cast<int>(line.size());
        int extents[64];
        auto page = [&] {
            for (int row = 0; row < 20; ++row) {
                int fit = 0;
                SIZE size{};
                GetTextExtentExPointW(dc, line.c_str(), n, 200, &fit, extents, &size);
                RECT r{0, row * 14, 220, row * 14 + 14};
                DrawTextW(dc, line.c_str(), fit, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
                ExtTextOutW(dc, 0, row * 14, ETO_OPAQUE, &r, line.c_str(), static_cast<UINT>(fit), nullptr);
                FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            }
        };
        page();  // the first page caches the glyphs
        const long before = g_allocations.load();
        page();
        EXPECT_EQ(g_allocations.load() - before, 0) << Utf16ToUtf8(face);
    }
}

}  // namespace
}  // namespace velin::platform::testing
