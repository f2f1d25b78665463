// The Bookmark command on the list in memory (the question is answered in the end-to-end
// scripts): order of setting, no duplicates, a failed allocation that sets nothing, removal in
// place, and what is stored afterwards.
#include "app_test_support.h"
#include "book/book.h"

namespace velin::app::testing {
namespace {

std::vector<uint16_t> List() {
    std::vector<uint16_t> list;
    if (!g_app.bookmarks) return list;
    for (int i = 0; i <= g_app.bookmarkCount; ++i) list.push_back(g_app.bookmarks[i]);
    return list;  // the closing 0 included
}

TEST(BookmarksTest, SetInOrderRemovedInPlaceAndStored) {
    const std::string dir = TempDir("bookmarks");
    UseSettings(dir, "");
    g_app.Lesson = 0x1913;
    ToggleBookmark(nullptr);
    EXPECT_EQ(List(), (std::vector<uint16_t>{0x1913, 0}));
    g_app.Lesson = 0x1A05;
    ToggleBookmark(nullptr);
    g_app.Lesson = 0x1102;
    ToggleBookmark(nullptr);
    EXPECT_EQ(List(), (std::vector<uint16_t>{0x1913, 0x1A05, 0x1102, 0}));

    // Out of memory: nothing set, the list as it was.
    g_app.Lesson = 0x1C01;
    FailNextAllocations(0, 1);
    ToggleBookmark(nullptr);
    FailNextAllocations(0, 0);
    EXPECT_FALSE(IsBookmarked());
    EXPECT_EQ(List(), (std::vector<uint16_t>{0x1913, 0x1A05, 0x1102, 0}));

    // With "don't ask again" in force, removal needs no question; the array keeps its size.
    g_app.bookmarkFlags = 0x0001;
    uint16_t* const array = g_app.bookmarks;
    g_app.Lesson = 0x1A05;
    ASSERT_TRUE(IsBookmarked());
    ToggleBookmark(nullptr);
    EXPECT_EQ(g_app.bookmarks, array);
    EXPECT_EQ(List(), (std::vector<uint16_t>{0x1913, 0x1102, 0}));

    SaveBookmarks();
    const auto stored = Stored(u"Bookmarks");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored->data, (std::vector<uint8_t>{0x13, 0x19, 0x02, 0x11, 0x00, 0x00}));
    EXPECT_EQ(g_app.bookmarks, nullptr) << "freed after saving";
}

}  // namespace
}  // namespace velin::app::testing
