// The reader's later features end to end: clipboard export, the About box and the update
// check, the Index and the font dialog, driven by scripts on the headless reader.
#include "app/about.h"
#include "e2e_support.h"
#include "index_book.h"
#include "platform/shell.h"

namespace velin::app::testing {
namespace {

// 20 Kislev 5768: the fixture's short lesson "Day 9 20".
constexpr const char* kShortDay = "2007-11-30";

TEST_F(FeatureTest, CopyAndAppendPutTheLessonOnTheClipboard) {
    const ReaderRun run = RunReader(dir_, kShortDay,
                                    "print clipboard\nkey Ctrl+E\nprint clipboard\n"
                                    "key Ctrl+C\nprint clipboard\ncommand 40009\nprint clipboard\n"
                                    "command 40007\nprint clipboard\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    const std::string lesson = "Day 9 20\\r\\n\\r\\nLesson of 9 20.\\r\\n\\r\\n";
    EXPECT_EQ(lines[0], "clipboard none");
    EXPECT_EQ(lines[1], "clipboard " + lesson) << "append to an empty clipboard copies";
    EXPECT_EQ(lines[2], "clipboard " + lesson);
    EXPECT_EQ(lines[3], "clipboard " + lesson + lesson) << "append after a copy";
    EXPECT_EQ(lines[4], "clipboard " + lesson);
}

TEST_F(FeatureTest, AboutBoxLinksToTheSiteAndStaysOpen) {
    // The link is the underlined line at the bottom.
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    "print url\ncommand 40004\nshot " + dir_ +
                                        "/about.png\ntap 60 210\nprint url\nprint windows\n"
                                        "key Enter\nprint windows\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 10u) << run.out;
    EXPECT_EQ(lines[0], "url none");
    EXPECT_EQ(lines[1], "url " + ::Utf16ToUtf8(MakerSiteAddress(), LineEnds::kKeep));
    EXPECT_EQ(lines[3], "window class=Dialog title=Velin rect=21,103,218,242")
        << "the box stays open while the browser starts";
    EXPECT_EQ(lines[6], "window class=HHTaskBar title= rect=0,0,240,26") << "OK closed it";
    EXPECT_TRUE(MatchesGolden(dir_ + "/about.png", "about_box"));
}

TEST_F(FeatureTest, CheckForUpdatesOpensTheUpdateRequest) {
    const ReaderRun run = RunReader(dir_, kFirstDay, "command 129\nprint url\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, "url " + ::Utf16ToUtf8(MakerSiteAddress(), LineEnds::kKeep) +
                           "/cgi-bin/upgrade?p=arm/Ostrelle/Velin%2DEnglish&v=1.84a\n");
}

// ---- The font dialog ----------------------------------------------------------------------------

// fontconfig is given a configuration without font folders, so that the family list holds the
// test face alone and the screenshot is the same on every machine.
class FontTest : public FeatureTest {
  protected:
    void SetUp() override {
        FeatureTest::SetUp();
        const std::string conf = dir_ + "/fonts.conf";
        std::ofstream(conf, std::ios::trunc)
            << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
        setenv("FONTCONFIG_FILE", conf.c_str(), 1);
    }
    void TearDown() override { unsetenv("FONTCONFIG_FILE"); }
};

TEST_F(FontTest, OkTakesTheFaceAndItPersists) {
    // The empty face name selects the first family; OK stores it and redraws in it.
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    "key Ctrl+F\nshot " + dir_ +
                                        "/font.png\nprint windows\n"
                                        "key Enter\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[1], "window class=Dialog title=\"Choose Font\" rect=0,26,240,320");
    EXPECT_EQ(Field(lines[4], "FontName"), "\"Velin Test\"");
    EXPECT_EQ(Field(lines[4], "FontSize"), "0") << "no size was picked";
    EXPECT_TRUE(MatchesGolden(dir_ + "/font.png", "font_dialog"));
    const auto stored = Stored(u"FontName");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->data.size(), 22u) << "\"Velin Test\" and its terminator, in UTF-16";
}

TEST_F(FontTest, CancelKeepsTheFont) {
    Settings("", "\"FontName\"=\"Velin Test\"\n\"FontSize\"=dword:00000008");
    const ReaderRun run = RunReader(dir_, kFirstDay, "command 40006\nkey Escape\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "FontName"), "\"Velin Test\"") << run.out;
    EXPECT_EQ(Field(run.out, "FontSize"), "8");
}

// ---- The Index ------------------------------------------------------------------------------
// On the 240 x 320 screen the dialog's client area starts at y = 46. Level-1 rows are 20 pixels
// high, the others 13; the first part's label takes two rows.

class IndexTest : public FeatureTest {
  protected:
    static void SetUpTestSuite() {
        FeatureTest::SetUpTestSuite();
        g_indexBook = TempDir("e2e-index-book") + "/index.vbk";
        ASSERT_TRUE(WriteIndexBook(g_indexBook));
    }
    ReaderRun Run(const std::string& date, const std::string& script) {
        return RunReader(dir_, date, script, "--book " + g_indexBook);
    }
    static inline std::string g_indexBook;
};

// 20 Kislev 5768 (0x1914) has the entry "The second day".
TEST_F(IndexTest, OpensOnTheLessonOnShowWithItsGroupCollapsed) {
    // Shown: the part (two rows), Kislev with a plus, the lesson and the entry after it, Adar.
    const ReaderRun run = Run("2007-11-30", "command 119\nshot " + dir_ +
                                                "/index.png\nprint windows\ntap 40 118\n"
                                                "print state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[1], "window class=Dialog title=\"Choose Section\" rect=0,26,240,320");
    EXPECT_EQ(Field(lines[4], "Lesson"), "0x1915") << "the tap on \"The third day\"";
    EXPECT_TRUE(MatchesGolden(dir_ + "/index.png", "index_collapsed"));
}

TEST_F(IndexTest, ExpandingShowsDirectEntriesAndNestedGroupsComeBackCollapsed) {
    // Expand the part by its label's second row, then Kislev; collapse and expand the part
    // again: Kislev comes back collapsed (its lessons hidden), so "A direct day" is the third
    // row under the part, at 112-125.
    const ReaderRun run = Run("2007-11-30", "command 119\ntap 30 80\nshot " + dir_ +
                                                "/expanded.png\ntap 30 92\ntap 30 56\ntap 30 56\n"
                                                "tap 40 118\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "Lesson"), "0x1B01") << run.out;
    EXPECT_TRUE(MatchesGolden(dir_ + "/expanded.png", "index_expanded"));
}

TEST_F(IndexTest, BookmarksComeFirstAndOnlyWithAnEntry) {
    // 25 Kislev has no entry: only the level-1 rows and the bookmarks are shown. Of the two
    // bookmarks, Tevet 5 has no entry and is left out.
    Settings("", "\"Bookmarks\"=hex:14,19,05,1a,00,00");
    const ReaderRun run =
        Run("2007-12-05", "command 119\nshot " + dir_ + "/marks.png\ntap 40 72\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "Lesson"), "0x1914") << run.out;
    EXPECT_EQ(Field(run.out, "bookmarks"), "0x1914,0x1A05") << "the list itself is kept";
    EXPECT_TRUE(MatchesGolden(dir_ + "/marks.png", "index_bookmarks"));
}

TEST_F(IndexTest, KeysAndThePageAreaScrollTheList) {
    // Expanding Adar makes the list longer than the screen (the scroll bar appears; the furthest
    // it goes is 3 rows). The page area below the thumb moves a page, held at the end; the keys
    // move one row each, Page Up and Page Down included. At 3, "Adar day 1" is the top row.
    const ReaderRun run =
        Run("2007-12-05", "command 119\ntap 30 96\ntap 233 200\nshot " + dir_ +
                              "/scrolled.png\nkey Up\nkey PageUp\nkey Up\nkey Up\n"
                              "key PageDown\nkey Down\nkey PageDown\ntap 40 52\n"
                              "print state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "Lesson"), "0x1C01") << run.out;
    EXPECT_TRUE(MatchesGolden(dir_ + "/scrolled.png", "index_scrolled"));
}

TEST_F(IndexTest, DraggingTheThumbScrollsTheList) {
    // As above, Adar expanded: the thumb dragged from the top of the track to the bottom takes
    // the list to its furthest row, 3, where "Adar day 1" is the top row.
    const ReaderRun run = Run("2007-12-05",
                              "command 119\ntap 30 96\ndrag 233 64 233 318\ntap 40 52\n"
                              "print state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "Lesson"), "0x1C01") << run.out;
}

TEST_F(IndexTest, OkAndCancelNavigateNowhere) {
    const ReaderRun run = Run("2007-11-30",
                              "command 119\nkey Enter\nprint state\ncommand 119\nkey Escape\n"
                              "print state\ncommand 119\ntap 40 105\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    for (const auto& line : lines) EXPECT_EQ(Field(line, "Lesson"), "0x1914") << line;
}

// 1 June 2007 lies in a common study year; a chapter tapped there opens in the next leap one.
TEST_F(IndexTest, AChapterTappedInACommonYearOpensInTheNextLeapYear) {
    const ReaderRun run =
        Run("2007-06-01", "key Enter\ncommand 119\ntap 30 96\ntap 40 112\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "Lesson"), "0x1C01") << run.out;
    EXPECT_EQ(Field(run.out, "caption"), "\"1 Adar I, 5768\"") << run.out;
}

}  // namespace
}  // namespace velin::app::testing
