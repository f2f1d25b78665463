// Bookmarks end to end: setting one, the removal question (Yes, No, Cancel and "don't ask
// again"), the stored value, and the Go menu's check mark after a day change.
#include "e2e_support.h"

namespace velin::app::testing {
namespace {

class BookmarksTest : public FeatureTest {};

std::vector<uint8_t> StoredBookmarks() {
    const auto v = Stored(u"Bookmarks");
    if (!v) return {0xEE};  // no value at all
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_BINARY));
    return v->data;
}

TEST_F(BookmarksTest, TheFirstBookmarkIsStoredAsFourBytes) {
    Settings("");
    const ReaderRun run = RunReader(dir_, kFirstDay, "command 123\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "bookmarks"), "0x1913");
    EXPECT_EQ(StoredBookmarks(), (std::vector<uint8_t>{0x13, 0x19, 0x00, 0x00}));
}

TEST_F(BookmarksTest, TheRemovalQuestion) {
    // 20 Kislev is bookmarked after 19 Kislev, so the order of setting shows.
    Settings("", "\"Bookmarks\"=hex:13,19,14,19,00,00");
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    "command 123\nprint messagebox\n"
                                    "key Tab\nkey Enter\nprint state\n"      // No: kept
                                    "command 123\nkey Enter\nprint state\n"  // Yes: removed
                                    "command 123\nprint state\n"  // set again, at the end
                                    "command 123\nkey Escape\nprint state\n"  // Cancel: removed
                                    "key Right\ncommand 123\nprint messagebox\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 7u) << run.out;
    EXPECT_EQ(
        lines[0],
        "messagebox caption=Bookmark text=\"Remove Bookmark?\\n\\nCancel - Don't ask again\"");
    EXPECT_EQ(Field(lines[1], "bookmarks"), "0x1913,0x1914") << "No keeps it";
    EXPECT_EQ(Field(lines[2], "bookmarks"), "0x1914") << "Yes removes it";
    EXPECT_EQ(Field(lines[3], "bookmarks"), "0x1914,0x1913") << "set again, after the other";
    EXPECT_EQ(Field(lines[4], "bookmarks"), "0x1914") << "Cancel removes it";
    EXPECT_EQ(lines[5], "messagebox none") << "after Cancel, no more questions";
    EXPECT_EQ(Field(lines[6], "bookmarks"), "") << "the last one removed";
    EXPECT_EQ(StoredBookmarks(), (std::vector<uint8_t>{0x00, 0x00})) << "an empty list";
}

TEST_F(BookmarksTest, TheCheckMarkFollowsTheDay) {
    // The Go menu opened on 19 Kislev (bookmarked), on 20 Kislev (not) and on 19 Kislev again.
    // With the box face both captions draw alike, so left of the scroll bar's column (only the
    // long lesson of 19 Kislev has a scroll bar) the check mark is all that differs.
    Settings("", "\"Bookmarks\"=hex:13,19,00,00");
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    "tap 12 307\nshot " + dir_ +
                                        "/marked.png\nkey Escape\n"
                                        "key Right\ntap 12 307\nshot " +
                                        dir_ +
                                        "/plain.png\n"
                                        "key Escape\nkey Left\ntap 12 307\nshot " +
                                        dir_ + "/again.png\nkey Escape\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    Image marked, plain, again;
    ASSERT_TRUE(velin::platform::ReadPng(dir_ + "/marked.png", &marked));
    ASSERT_TRUE(velin::platform::ReadPng(dir_ + "/plain.png", &plain));
    ASSERT_TRUE(velin::platform::ReadPng(dir_ + "/again.png", &again));
    ASSERT_EQ(marked.pixels.size(), plain.pixels.size());
    EXPECT_EQ(marked.pixels, again.pixels) << "the mark comes back with the bookmarked day";
    int differing = 0;
    for (size_t i = 0; i < marked.pixels.size(); ++i) {
        const int x = static_cast<int>(i % static_cast<size_t>(marked.width));
        if (marked.pixels[i] == plain.pixels[i] || x >= 227) continue;
        ++differing;
        EXPECT_LT(x, 16) << "a difference outside the menu's check column, at y "
                         << i / static_cast<size_t>(marked.width);
        if (x >= 16) break;
    }
    EXPECT_GT(differing, 0) << "no check mark on the bookmarked day";
}

}  // namespace
}  // namespace velin::app::testing
