// The calendar dialog end to end: opened by Ctrl+D and by a tap on the caption box, moved by
// keys, strip taps and the year buttons, and left by a tap on a day, OK or Cancel.
#include "e2e_support.h"

namespace velin::app::testing {
namespace {

// The dialog fills the screen below the task bar, (0,26)-(240,320); its client area starts at
// (1,47) and is 238 x 272 pixels. With the 14-pixel bold face the layout puts there: grid cells
// of 29 x 25 from (17,91), strip cells of 52 x 22 from (15,20), the year buttons on row 2.
constexpr int kClientX = 1, kClientY = 47;
constexpr int kGridLeft = 17, kGridTop = 91, kCellWidth = 29, kCellHeight = 25;
constexpr int kStripLeft = 15, kStripTop = 20, kStripCell = 52, kStripRow = 22;
const std::string kPrevYear = "tap 78 56\n";
const std::string kNextYear = "tap 166 56\n";

std::string Tap(int x, int y) {
    return "tap " + std::to_string(kClientX + x) + " " + std::to_string(kClientY + y) + "\n";
}

// The middle of the grid cell of a day of the displayed month.
std::string TapDay(int month, int day, int year) {
    const int p = static_cast<int>(HebrewToDayNumber(month, 1, year) % 7) + day - 1;
    return Tap(kGridLeft + (p % 7) * kCellWidth + kCellWidth / 2,
               kGridTop + (p / 7 + 1) * kCellHeight + kCellHeight / 2);
}

// The middle of a month's strip cell; 13 is "II" at the right of the third row.
std::string TapMonth(int month) {
    if (month == 13) return Tap(kStripLeft + 4 * kStripCell - 6, kStripTop + 2 * kStripRow + 11);
    const int c = (month - 1) % 4, r = (month - 1) / 4;
    return Tap(kStripLeft + c * kStripCell + kStripCell / 2, kStripTop + r * kStripRow + 11);
}

std::string DayOf(int month, int day, int year) {
    return std::to_string(HebrewToDayNumber(month, day, year));
}

class CalendarTest : public FeatureTest {};

TEST_F(CalendarTest, OpensFromCtrlDAndTheCaptionBoxOnTheCurrentDay) {
    // Opened on 19 Kislev 5768 (a leap year): that day is marked. A tap on 25 Kislev shows it;
    // the caption box opens the calendar again, where 19 Kislev is a tap away.
    const ReaderRun run =
        RunReader(dir_, kFirstDay,
                  "key Ctrl+D\nprint windows\nshot " + dir_ + "/leap.png\n" + TapDay(9, 25, 5768) +
                      "print state\nprint windows\ntap 100 30\n" + "print windows\n" +
                      TapDay(9, 19, 5768) + "print state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 13u) << run.out;
    EXPECT_EQ(lines[1], "window class=Dialog title=\"Hebrew Calendar\" rect=0,26,240,320");
    EXPECT_EQ(Field(lines[4], "Day"), DayOf(9, 25, 5768));
    EXPECT_EQ(Field(lines[4], "caption"), "\"25 Kislev, 5768\"");
    EXPECT_EQ(lines[5].find("Hebrew Calendar"), std::string::npos) << "the tap closed it";
    EXPECT_EQ(lines[9], "window class=Dialog title=\"Hebrew Calendar\" rect=0,26,240,320");
    EXPECT_EQ(Field(lines[12], "Day"), DayOf(9, 19, 5768));
    EXPECT_TRUE(MatchesGolden(dir_ + "/leap.png", "calendar_leap_year"));
}

TEST_F(CalendarTest, MonthsAndYearsChangeByKeysStripAndButtons) {
    // Every target lies in a leap study year: the fixture book has lessons only for those.
    const struct {
        const char* date;      // the day the reader starts on
        int month, day, year;  // ... as a Hebrew date, checked
        std::string moves;
        int toMonth, toDay, toYear;  // the day tapped afterwards
        const char* why;
    } kCases[] = {
        {"2008-04-06", 1, 1, 5768, "key Up\n", 13, 10, 5768, "Up from Nisan: Adar II"},
        {"2008-09-30", 7, 1, 5769, "key Up\n", 6, 29, 5768, "Up from Tishri: Elul, year before"},
        {"2008-09-01", 6, 1, 5768, "key Down\n", 7, 3, 5769, "Down from Elul: next Tishri"},
        {kFirstDay, 9, 19, 5768, Tap(kStripLeft + kStripCell, kStripTop + 11), 1, 2, 5768,
         "the boundary shared by Nissan and Iyyar is Nissan's"},
        {kFirstDay, 9, 19, 5768, TapMonth(13), 13, 1, 5768, "II of a leap year"},
        {kFirstDay, 9, 19, 5768, TapMonth(1) + TapMonth(12), 12, 7, 5768, "Adar I"},
        {"2008-03-20", 13, 13, 5768, kNextYear + kNextYear + kNextYear, 12, 14, 5771,
         "the next-year button from Adar II: Adar, also in the next leap year"},
        {"2008-03-20", 13, 13, 5768, kPrevYear + kPrevYear + kPrevYear, 12, 14, 5765,
         "the previous-year button from Adar II"},
        {"2008-03-20", 13, 13, 5768, "key Left\nkey Left\nkey Left\n", 12, 14, 5765,
         "Left from Adar II"},
        {"2008-03-20", 13, 13, 5768, "tap 120 56\n", 13, 2, 5768,
         "the year label between the buttons is no button"},
        {kFirstDay, 9, 19, 5768, TapMonth(5), 5, 30, 5768,
         "Av 5768 has 30 days from a Saturday: day 30 in the sixth week row"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        Settings("");  // a fresh start: no day pinned by the previous run
        const ReaderRun run =
            RunReader(dir_, c.date,
                      "key Ctrl+D\n" + c.moves + TapDay(c.toMonth, c.toDay, c.toYear) +
                          "print messagebox\nprint state\n");
        ASSERT_EQ(run.exitCode, 0) << run.out;
        const auto lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 2u) << run.out;
        EXPECT_EQ(lines[0], "messagebox none");
        EXPECT_EQ(Field(lines[1], "Day"), DayOf(c.toMonth, c.toDay, c.toYear)) << run.out;
        EXPECT_NE(Field(lines[1], "Day"), DayOf(c.month, c.day, c.year));
    }
}

TEST_F(CalendarTest, AFiveRowMonthAfterASixRowOneClearsTheLastRow) {
    // Av 5768 (six rows), then Av 5767: a common year, five rows, the strip with one Adar.
    const ReaderRun run = RunReader(
        dir_, kFirstDay, "key Ctrl+D\n" + TapMonth(5) + "key Left\nshot " + dir_ + "/common.png\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_TRUE(MatchesGolden(dir_ + "/common.png", "calendar_common_year"));
}

TEST_F(CalendarTest, OkAndCancelChooseNothingAfterMoving) {
    const struct {
        const char* close;
        const char* why;
    } kCases[] = {
        {"key Enter\n", "OK by its key"},
        {"tap 228 36\n", "the caption's OK button"},
        {"key Escape\n", "Cancel"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        Settings("");
        const ReaderRun run = RunReader(dir_, kFirstDay,
                                        std::string("key Ctrl+D\nkey Down\nkey Right\n") +
                                            TapMonth(3) + c.close + "print windows\nprint state\n");
        ASSERT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out.find("Hebrew Calendar"), std::string::npos) << run.out;
        EXPECT_EQ(Field(Lines(run.out).back(), "Day"), DayOf(9, 19, 5768));
    }
}

}  // namespace
}  // namespace velin::app::testing
