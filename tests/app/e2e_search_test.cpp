// Search end to end: the Search dialog and Search Again (F3, Enter) on the fixture book and on
// a second one whose lessons hold overlapping occurrences, a 33-character text and a hit that
// spans two lines; hits in the lesson on screen, later and earlier in the study year, in the
// next leap study year, in the combined lesson of a short Kislev, and "Not Found!".
#include "e2e_support.h"

namespace velin::app::testing {
namespace {

constexpr const char* kThirtyThree = "abcdefghijklmnopqrstuvwxyz0123456";  // 33 characters

// The fixture book's source with three lessons of 21 to 23 Kislev rewritten.
std::string SearchBookSource() {
    std::string text = FixtureBookSource();
    const auto replace = [&text](const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        if (at != std::string::npos) text.replace(at, from.size(), to);
    };
    replace(".p Lesson of 9 21.\n", ".p Four in a row: xxxx, and no more.\n");
    replace(".p Lesson of 9 22.\n", std::string(".p The key is ") + kThirtyThree + ".\n");
    // Enough lines ahead of the hit for the view to bring it to the top, under the caption box.
    std::string filler;
    for (int i = 1; i <= 12; ++i) filler += ".p Filler line " + std::to_string(i) + ".\n";
    replace(".heading Day 9 23\n.p Lesson of 9 23.\n",
            ".title Across\n.heading Day 9 23\n" + filler +
                ".p A paragraph whose words run on for long enough that the phrase we look for "
                "falls across the end of a line and goes on below it.\n" +
                filler);
    return text;
}

std::string g_searchBook;

class SearchTest : public FeatureTest {
  protected:
    static void SetUpTestSuite() {
        FeatureTest::SetUpTestSuite();
        g_searchBook = TempDir("e2e-search-book") + "/search.vbk";
        BookSource book;
        std::vector<std::string> errors;
        std::map<uint32_t, std::vector<uint8_t>> resources;
        ASSERT_TRUE(ParseBookSources({{"search.vsrc", SearchBookSource()}}, &book, &errors) &&
                    BuildBookResources(book, &resources, &errors))
            << (errors.empty() ? "" : errors.front());
        const std::vector<uint8_t> image = WriteBookFile(resources);
        std::ofstream out(g_searchBook, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
        ASSERT_TRUE(out.good());
    }
    ReaderRun RunOnSearchBook(const std::string& date, const std::string& script) {
        return RunReader(dir_, date, script, "--book " + g_searchBook);
    }
};

// The Search dialog: the text typed over what it holds, Match Case ticked or not, then OK.
std::string Search(const std::string& text, bool matchCase = false) {
    return "key Alt+F3\n" + std::string(matchCase ? "key Tab\nkey Space\nkey Shift+Tab\n" : "") +
           "type " + text + "\nkey Enter\n";
}

std::string DayOf(int month, int day, int year) {
    return std::to_string(HebrewToDayNumber(month, day, year));
}

TEST_F(SearchTest, HitsAcrossTheBook) {
    const struct {
        const char* date;
        std::string script;
        std::string day;  // of the hit
        const char* lesson;
        const char* why;
    } kCases[] = {
        {kFirstDay, Search("paragraph 30 of"), DayOf(9, 19, 5768), "0x1913",
         "in the lesson on screen, case-blind"},
        {kFirstDay, Search("lesson of 9 25"), DayOf(9, 25, 5768), "0x1919", "a later lesson"},
        {"2007-12-05", Search("Lesson of 9 20."), DayOf(9, 20, 5768), "0x1914",
         "an earlier lesson: the walk wraps through the study year"},
        {"2008-04-15", Search("Lesson of 10 5."), DayOf(10, 5, 5771), "0x1A05",
         "Tevet seen from Nisan: the next leap study year"},
        {"2007-12-05", Search("Lesson of 8 10."), DayOf(8, 10, 5769), "0x180A",
         "Cheshvan seen from Kislev: later in this study year, in the next Hebrew year"},
        {kFirstDay, Search("Lesson of 9 31."), DayOf(9, 29, 5768), "0x191F",
         "the combined lesson of a 29-day Kislev is shown on its 29th"},
        {kFirstDay, Search("Day 13 2", true), DayOf(13, 2, 5768), "0x1D02", "Match Case on"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        Settings("");  // a fresh start: no day pinned by the previous run
        const ReaderRun run = RunReader(dir_, c.date, c.script + "print messagebox\nprint state\n");
        ASSERT_EQ(run.exitCode, 0) << run.out;
        const auto lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 2u) << run.out;
        EXPECT_EQ(lines[0], "messagebox none");
        EXPECT_EQ(Field(lines[1], "Day"), c.day);
        EXPECT_EQ(Field(lines[1], "Lesson"), c.lesson);
        EXPECT_NE(Field(lines[1], "highlightStart"), "0");
    }
}

TEST_F(SearchTest, NotFoundKeepsTheDialogWithItsTextSelected) {
    // With Match Case the lower-case text is nowhere; the text typed next replaces it whole.
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    Search("day 13 2", true) +
                                        "print messagebox\nkey Enter\nprint windows\n"
                                        "type Day 9 22\nkey Enter\nprint windows\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_GE(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], "messagebox caption=Velin text=\"Not Found!\"");
    EXPECT_NE(run.out.find("window class=Dialog title=Velin"), std::string::npos)
        << "the dialog stays open after the message";
    const std::string state = lines.back();
    EXPECT_EQ(Field(state, "SearchString"), "\"Day 9 22\"");
    EXPECT_EQ(Field(state, "Day"), DayOf(9, 22, 5768));
}

TEST_F(SearchTest, SearchAgainGoesOnAndComesBackToTheOnlyHit) {
    // "Paragraph 1" starts "Paragraph 1 ", "Paragraph 10" ... "Paragraph 19" of 19 Kislev.
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    Search("Paragraph 1") +
                                        "print state\nkey Enter\nprint state\n"
                                        "key F3\nprint state\n" +
                                        Search("Paragraph 30 of") +
                                        "print state\nkey F3\n"
                                        "print messagebox\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    const int first = std::stoi(Field(lines[0], "highlightStart"));
    const int second = std::stoi(Field(lines[1], "highlightStart"));
    const int third = std::stoi(Field(lines[2], "highlightStart"));
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first) << "Enter goes on";
    EXPECT_GT(third, second) << "F3 goes on";
    EXPECT_EQ(lines[4], "messagebox none") << "the only occurrence is found again";
    EXPECT_EQ(lines[5], lines[3]);
    EXPECT_NE(Field(lines[5], "topRow"), "0") << "the hit is brought to the top";
}

TEST_F(SearchTest, OverlappingOccurrencesAndALongText) {
    // 21 Kislev holds "xxxx": "xxx" is found at its first and its second x. The text typed is
    // 36 characters long; the dialog keeps 33, which 22 Kislev holds.
    const ReaderRun run = RunOnSearchBook(
        kFirstDay, Search("xxx") + "print state\nkey F3\nprint state\nkey F3\nprint state\n" +
                       Search(std::string(kThirtyThree) + "789") + "print state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(Field(lines[0], "Day"), DayOf(9, 21, 5768));
    const int first = std::stoi(Field(lines[0], "highlightStart"));
    EXPECT_EQ(Field(lines[1], "highlightStart"), std::to_string(first + 1));
    EXPECT_EQ(Field(lines[1], "highlightEnd"), std::to_string(first + 4));
    EXPECT_EQ(Field(lines[2], "highlightStart"), std::to_string(first))
        << "the only lesson with the text, searched again from its beginning";
    EXPECT_EQ(Field(lines[3], "SearchString"), kThirtyThree);
    EXPECT_EQ(Field(lines[3], "Day"), DayOf(9, 22, 5768));
}

// The hit is shot after Search Again (the only occurrence, found again): closing the dialog
// repaints the whole main window on this platform, which wipes the caption box.
TEST_F(SearchTest, GoldenShots) {
    const ReaderRun run = RunOnSearchBook(
        kFirstDay, "key Alt+F3\ntype phrase we look\nshot " + dir_ +
                       "/dialog.png\nkey Enter\nkey F3\nshot " + dir_ + "/hit.png\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Field(run.out, "Day"), DayOf(9, 23, 5768));
    EXPECT_TRUE(MatchesGolden(dir_ + "/dialog.png", "search_dialog"));
    EXPECT_TRUE(MatchesGolden(dir_ + "/hit.png", "search_hit_on_two_lines"));
}

}  // namespace
}  // namespace velin::app::testing
