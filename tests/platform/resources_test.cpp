#include "platform/resources.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "book/book.h"
#include "platform/shell.h"

namespace {

// A book with two resources, one of which cannot be loaded.
class FakeBook : public RcDataSource {
  public:
    ResourceStatus Find(uint32_t id, std::span<const uint8_t>* out) const override {
        if (id == 1049) {
            *out = pack_;
            return ResourceStatus::kFound;
        }
        if (id == 1050) return ResourceStatus::kUnloadable;
        if (id == 102) {  // a book cannot replace the program's own resources
            *out = pack_;
            return ResourceStatus::kFound;
        }
        return ResourceStatus::kMissing;
    }

  private:
    std::vector<uint8_t> pack_ = {0, 4, 0, 1, 0, 11, 0, 0, 0, 0};
};

class ResourcesTest : public ::testing::Test {
  protected:
    void SetUp() override { SetRcDataSource(&book_); }
    void TearDown() override { SetRcDataSource(nullptr); }
    FakeBook book_;
};

TEST_F(ResourcesTest, RawDataFromTheBookAndFromTheProgram) {
    const HMODULE self = GetModuleHandleW(nullptr);
    HRSRC pack = FindResourceW(self, MAKEINTRESOURCEW(1049), RT_RCDATA);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(SizeofResource(self, pack), 10u);
    auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(self, pack)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[5], 11);

    // The menu-bar record: words of 16 bits, little-endian.
    HRSRC bar = FindResourceW(nullptr, MAKEINTRESOURCEW(102), RT_RCDATA);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(SizeofResource(nullptr, bar), 18u);
    auto* words = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, bar)));
    const uint16_t kExpected[] = {102, 1, 0xFFFE, 40001, 4, 0x18, 302, 0, 0};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(words[2 * i] | (words[2 * i + 1] << 8), kExpected[i]) << "word " << i;
    }
}

TEST_F(ResourcesTest, MissingAndUnloadableResources) {
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1001), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1049), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceW(reinterpret_cast<HMODULE>(8), MAKEINTRESOURCEW(1049), RT_RCDATA),
              nullptr);
    // Found, but it does not load: the lookup's "empty or unloadable" case.
    HRSRC broken = FindResourceW(nullptr, MAKEINTRESOURCEW(1050), RT_RCDATA);
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(LoadResource(nullptr, broken), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, broken), 0u);

    // A handle outlives a change of book without pointing into the old one.
    HRSRC pack = FindResourceW(nullptr, MAKEINTRESOURCEW(1049), RT_RCDATA);
    SetRcDataSource(nullptr);
    EXPECT_EQ(LoadResource(nullptr, pack), nullptr);
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1049), RT_RCDATA), nullptr);
}

TEST(ResourceStringsTest, LoadStringCopiesCutsAndPoints) {
    WCHAR buffer[8];
    EXPECT_EQ(LoadStringW(nullptr, 302, buffer, 8), 2);
    EXPECT_EQ(std::u16string(buffer), u"Go");
    EXPECT_EQ(LoadStringW(nullptr, 302, buffer, 2), 1);  // cut to fit, still terminated
    EXPECT_EQ(std::u16string(buffer), u"G");
    LPCWSTR direct = nullptr;
    EXPECT_EQ(LoadStringW(nullptr, 302, reinterpret_cast<LPWSTR>(&direct), 0), 2);
    EXPECT_EQ(std::u16string(direct, 2), u"Go");
    buffer[0] = u'x';
    EXPECT_EQ(LoadStringW(nullptr, 999, buffer, 8), 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST(ResourceBitmapsTest, EveryPictureHasItsSizeAndColours) {
    const struct {
        int id;
        int width, height;
        bool monochrome;
    } kCases[] = {
        {113, 59, 74, true},    // the About picture
        {114, 112, 16, false},  // seven 16 x 16 tool images
        {201, 9, 9, true},     {202, 9, 9, true}, {203, 9, 9, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.id);
        const BitmapData* bitmap = FindBitmapResource(c.id);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->width, c.width);
        EXPECT_EQ(bitmap->height, c.height);
        EXPECT_EQ(bitmap->monochrome, c.monochrome);
        bool black = false, white = false;
        for (int i = 0; i < c.width * c.height; ++i) {
            uint32_t p = bitmap->pixels[i];
            EXPECT_EQ(p >> 24, 0xFFu) << "pixel " << i << " is not opaque";
            if (c.monochrome) {
                EXPECT_TRUE(p == 0xFF000000 || p == 0xFFFFFFFF) << i;
            }
            black |= p == 0xFF000000;
            white |= p == 0xFFFFFFFF;
        }
        EXPECT_TRUE(black && (white || !c.monochrome)) << "an empty picture";
    }
    EXPECT_EQ(FindBitmapResource(101), nullptr) << "the icon is not a bitmap";
    EXPECT_EQ(FindBitmapResource(200), nullptr);
}

TEST(ResourceBitmapsTest, OutlineGlyphsShowPlusMinusAndPage) {
    auto black = [](int id, int x, int y) {
        return FindBitmapResource(id)->pixels[y * 9 + x] == 0xFF000000;
    };
    // Framed boxes; the plus has its vertical bar, the minus has not.
    for (int id : {201, 202}) {
        EXPECT_TRUE(black(id, 0, 0) && black(id, 8, 8) && black(id, 4, 4)) << id;
    }
    EXPECT_TRUE(black(201, 4, 2));
    EXPECT_FALSE(black(202, 4, 2));
    EXPECT_FALSE(black(203, 8, 0)) << "the page's corner is folded";
}

TEST(ResourceIconTest, TheProgramIconHasATransparentOutside) {
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101));
    ASSERT_NE(icon, nullptr);
    const BitmapData* data = IconBitmap(icon);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->width, 32);
    EXPECT_EQ(data->height, 32);
    EXPECT_EQ(data->pixels[0] >> 24, 0u);
    EXPECT_EQ(data->pixels[16 * 32 + 16] >> 24, 0xFFu);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(102)), nullptr);
    EXPECT_EQ(IconBitmap(reinterpret_cast<HICON>(const_cast<BitmapData*>(data + 1))), nullptr);
}

}  // namespace
