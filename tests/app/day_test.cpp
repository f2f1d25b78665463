// Choosing the day on show: today, a picked day, a pinned day of an earlier run, and the
// lesson key and caption of each.
#include <cstring>

#include "app_test_support.h"

namespace velin::app::testing {
namespace {

CalendarDate g_today{11, 29, 2007};  // 19 Kislev 5768
int g_clockReads = 0;
CalendarDate TestToday() {
    ++g_clockReads;
    return g_today;
}

class DayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearAppState();
        SetTodaySource(TestToday);
        g_today = CalendarDate{11, 29, 2007};
        g_clockReads = 0;
    }
    void TearDown() override { SetTodaySource(nullptr); }
};

DayNumber Gregorian(int m, int d, int y) { return GregorianToDayNumber(m, d, y); }

TEST_F(DayTest, AStartWithoutAPinnedDayShowsToday) {
    g_app.Flags = kFlagsDefault;
    g_app.LastPosition = 12;
    SelectDay(0, 0);
    EXPECT_EQ(g_app.Day, Gregorian(11, 29, 2007));
    EXPECT_EQ(g_app.date, (CalendarDate{9, 19, 5768}));
    EXPECT_STREQ(g_app.caption, "19 Kislev, 5768");
    EXPECT_EQ(g_app.captionLength, 15);
    EXPECT_EQ(g_app.Lesson, 0x1913);
    EXPECT_EQ(g_app.Flags & kFlagPinnedDay, 0u);
    EXPECT_EQ(g_app.LastPosition, 0) << "a new day opens at its start";
}

TEST_F(DayTest, APinnedDayStaysWithoutReadingTheClock) {
    g_app.Flags = kFlagsDefault | kFlagPinnedDay;
    g_app.Day = 5;  // long past
    g_app.LastPosition = 12;
    SelectDay(0, 0);
    EXPECT_EQ(g_app.Day, 5);
    EXPECT_EQ(g_app.Flags, kFlagsDefault | kFlagPinnedDay);
    EXPECT_EQ(g_app.LastPosition, 12);
    EXPECT_EQ(g_clockReads, 0);
}

TEST_F(DayTest, TodayRequestedOverridesAPinAndKeepsThePosition) {
    g_app.Flags = kFlagsDefault | kFlagPinnedDay;
    g_app.Day = 5;
    g_app.LastPosition = 12;
    SelectDay(0, 1);
    EXPECT_EQ(g_app.Day, Gregorian(11, 29, 2007));
    EXPECT_EQ(g_app.Flags, kFlagsDefault);
    EXPECT_EQ(g_app.LastPosition, 12) << "force keeps the stored reading position";
}

// Selecting the day already on show only changes the pin: nothing is recomputed.
TEST_F(DayTest, TheSameDayOnlyChangesThePin) {
    const DayNumber today = Gregorian(11, 29, 2007);
    const struct {
        DayNumber day;
        uint32_t flagsBefore;
        uint32_t flagsAfter;
    } kCases[] = {
        {0, kFlagPinnedDay, 0},      // Today while today is on show: unpinned
        {today, 0, kFlagPinnedDay},  // the same day picked explicitly: pinned
    };
    for (const auto& c : kCases) {
        ClearAppState();
        g_app.Day = today;
        g_app.Flags = c.flagsBefore;
        std::strcpy(g_app.caption, "marker");
        g_app.Lesson = 0x4242;
        g_app.LastPosition = 3;
        SelectDay(c.day, 1);
        EXPECT_EQ(g_app.Flags, c.flagsAfter) << c.day;
        EXPECT_STREQ(g_app.caption, "marker") << c.day;
        EXPECT_EQ(g_app.Lesson, 0x4242) << c.day;
        EXPECT_EQ(g_app.LastPosition, 3) << c.day;
    }
}

TEST_F(DayTest, LessonKeysAndCaptions) {
    // A year whose Cheshvan has 29 days: its 29th is keyed as day 31.
    int shortCheshvan = 5760;
    while (IsLongCheshvan(shortCheshvan)) ++shortCheshvan;
    const std::string shortCaption = "29 Cheshvan, " + std::to_string(shortCheshvan);
    const struct {
        DayNumber day;
        const char* caption;
        DayCode lesson;
        int leapSchedule;
    } kCases[] = {
        // 18 Kislev closes the study year that began in the common year 5767.
        {Gregorian(11, 28, 2007), "18 Kislev, 5768", 0x0912, 0},
        {Gregorian(11, 29, 2007), "19 Kislev, 5768", 0x1913, 1},
        {HebrewToDayNumber(12, 20, 5768), "20 Adar I, 5768", 0x1C14, 1},
        {HebrewToDayNumber(13, 29, 5768), "29 Adar II, 5768", 0x1D1D, 1},
        {HebrewToDayNumber(12, 5, 5767), "5 Adar, 5767", 0x0C05, 0},
        {HebrewToDayNumber(8, 29, shortCheshvan), shortCaption.c_str(),
         static_cast<DayCode>(0x081F | (StudyYearIsLeap(8, 29, shortCheshvan) ? 0x1000 : 0)),
         StudyYearIsLeap(8, 29, shortCheshvan) ? 1 : 0},
    };
    for (const auto& c : kCases) {
        ClearAppState();
        SelectDay(c.day, 1);
        EXPECT_EQ(g_app.Day, c.day);
        EXPECT_STREQ(g_app.caption, c.caption);
        EXPECT_EQ(g_app.captionLength, static_cast<int>(std::strlen(c.caption)));
        EXPECT_EQ(g_app.Lesson, c.lesson) << c.caption;
        EXPECT_EQ(IsLeapScheduleYear(), c.leapSchedule) << c.caption;
        EXPECT_NE(g_app.Flags & kFlagPinnedDay, 0u);
    }
}

}  // namespace
}  // namespace velin::app::testing
