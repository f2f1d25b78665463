// The calendar dialog's logic in this process, on the headless screen with the box face: the
// layout of a 240 x 294 client area, the month strip of common and leap years, the keys and
// taps that move between months and years (the year range's ends included), day 30 carried
// between months, the grid's six and five rows, and a tap on a day.
#include "calendar/calendar_dialog.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

LRESULT PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

struct Shown {
    int32_t month, day, year;
};

class CalendarDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        velin::platform::SetDefaultFaceName(u"Velin Test");
        velin::platform::PlatformOptions options;
        options.headless = true;
        ASSERT_EQ(velin::platform::StartPlatform(options), velin::platform::StartStatus::kOk);
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = u"CalendarTest";
        RegisterClassW(&wc);
        // A popup without a frame: its client area is the 240 x 294 of the layout example.
        window_ = CreateWindowExW(0, u"CalendarTest", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 294,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        CalendarState& s = CurrentCalendarState();
        if (s.boldFont) DeleteObject(s.boldFont);
        s = CalendarState{};
        if (window_) DestroyWindow(window_);
        velin::platform::StopPlatform();
    }

    // What OpenCalendar and the dialog's start do, without the modal loop.
    void Open(DayNumber day) {
        CalendarState& s = CurrentCalendarState();
        if (s.boldFont) DeleteObject(s.boldFont);
        s = CalendarState{};
        s.logFont.lfHeight = 14;
        s.logFont.lfWeight = FW_BOLD;
        s.boldFont = CreateFontIndirectW(&s.logFont);
        SetDisplayedDay(day, true);
        s.dc = GetDC(window_);
        GetClientRect(window_, &s.client);
        LayoutCalendar();
        s.redraw = kRedrawStrip | kRedrawGrid | kRedrawYear;
        PaintCalendar();
    }
    void Key(WPARAM key) { CalendarDialogProc(window_, WM_KEYDOWN, key, 0); }
    void Tap(int x, int y) {
        CalendarDialogProc(window_, WM_LBUTTONDOWN, 0,
                           MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
    }
    static Shown Displayed() {
        const CalendarState& s = CurrentCalendarState();
        return {s.month, s.day, s.year};
    }

    HWND window_ = nullptr;
};

bool operator==(const Shown& a, const Shown& b) {
    return a.month == b.month && a.day == b.day && a.year == b.year;
}
std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << s.day << "/" << s.month << "/" << s.year;
}

TEST_F(CalendarDialogTest, LayoutOfTheExampleClientArea) {
    Open(HebrewToDayNumber(9, 19, 5768));
    const CalendarState& s = CurrentCalendarState();
    ASSERT_EQ(s.textHeight, 14) << "the example assumes a 14-pixel bold font";
    EXPECT_EQ(s.cellWidth, 30);
    EXPECT_EQ(s.gridTop, 98);
    EXPECT_EQ(s.cellHeight, 28);
    EXPECT_EQ(s.gridWidth, 211);
    EXPECT_EQ(s.gridLeft, 15);
    EXPECT_EQ(s.yearTop, 2);
    EXPECT_EQ(s.stripCellWidth, 52);
    EXPECT_EQ(s.stripTop, 20);
    EXPECT_EQ(s.stripRowHeight, 24);
    EXPECT_EQ(s.stripLeft, 16);
    // 5768 is a leap year: "Adar I" ends and "II" starts at s = 211.
    const MonthStripCell* strip = MonthStrip();
    EXPECT_STREQ(strip[11].name, "Adar I");
    EXPECT_EQ(strip[11].left, 16 + 3 * 52);
    EXPECT_EQ(strip[11].right, 211);
    EXPECT_STREQ(strip[12].name, "II");
    EXPECT_EQ(strip[12].left, 211);
    EXPECT_EQ(strip[12].right, 16 + 4 * 52);
    EXPECT_EQ(strip[12].top, 20 + 2 * 24);
    EXPECT_EQ(strip[12].bottom, 20 + 3 * 24);
    // Sivan: row 0, column 2.
    EXPECT_EQ(strip[2].left, 16 + 2 * 52);
    EXPECT_EQ(strip[2].top, 20);
    EXPECT_EQ(strip[2].bottom, 44);
}

TEST_F(CalendarDialogTest, TheStripFollowsTheYearsKind) {
    const struct {
        int32_t year;
        int namedCells;
        const char* last;
    } kCases[] = {
        {5768, 13, "II"},    // leap
        {5769, 12, "Adar"},  // common, after a leap year: the wide cell again
        {5771, 13, "II"},
    };
    Open(HebrewToDayNumber(1, 1, 5768));
    for (const auto& c : kCases) {
        SetDisplayedDay(HebrewToDayNumber(1, 1, c.year), false);
        const MonthStripCell* strip = MonthStrip();
        int n = 0;
        while (strip[n].name) ++n;
        EXPECT_EQ(n, c.namedCells) << c.year;
        EXPECT_STREQ(strip[n - 1].name, c.last) << c.year;
        EXPECT_EQ(CurrentCalendarState().isLeap, c.namedCells == 13 ? 1 : 0) << c.year;
    }
}

TEST_F(CalendarDialogTest, KeysMoveBetweenMonthsAndYears) {
    const struct {
        Shown from;
        WPARAM key;
        Shown to;
        const char* why;
    } kCases[] = {
        {{1, 1, 5768}, VK_UP, {13, 1, 5768}, "Up from Nisan: Adar II of the same year"},
        {{1, 1, 5769}, VK_PRIOR, {12, 1, 5769}, "Page Up from Nisan of a common year: Adar"},
        {{7, 1, 5769}, VK_UP, {6, 1, 5768}, "Up from Tishri: Elul of the year before"},
        {{6, 10, 5768}, VK_DOWN, {7, 10, 5769}, "Down from Elul: Tishri of the next year"},
        {{13, 5, 5768}, VK_NEXT, {1, 5, 5768}, "Page Down from Adar II: Nisan, same year"},
        {{12, 5, 5769}, VK_DOWN, {1, 5, 5769}, "Down from Adar of a common year: Nisan"},
        {{13, 5, 5768}, VK_LEFT, {12, 5, 5767}, "Left from Adar II: Adar of a common year"},
        {{13, 5, 5768}, VK_RIGHT, {12, 5, 5769}, "Right from Adar II: Adar of a common year"},
        {{12, 5, 5770}, VK_RIGHT, {12, 5, 5771}, "Right from Adar into a leap year: Adar I"},
        {{3, 7, 5768}, 'A', {3, 7, 5768}, "other keys are ignored"},
        // The ends of the calendar's years: the keys stop there.
        {{7, 1, kCalendarMinYear}, VK_UP, {7, 1, kCalendarMinYear}, "Up from the first Tishri"},
        {{9, 3, kCalendarMinYear}, VK_LEFT, {9, 3, kCalendarMinYear}, "Left in the first year"},
        {{6, 1, kCalendarMaxYear}, VK_DOWN, {6, 1, kCalendarMaxYear}, "Down from the last Elul"},
        {{9, 3, kCalendarMaxYear}, VK_RIGHT, {9, 3, kCalendarMaxYear}, "Right in the last year"},
        {{8, 3, kCalendarMinYear + 1}, VK_LEFT, {8, 3, kCalendarMinYear}, "into the first year"},
    };
    for (const auto& c : kCases) {
        Open(HebrewToDayNumber(c.from.month, c.from.day, c.from.year));
        ASSERT_EQ(Displayed(), c.from) << c.why;
        Key(c.key);
        EXPECT_EQ(Displayed(), c.to) << c.why;
        const CalendarState& s = CurrentCalendarState();
        EXPECT_EQ(s.chosenDay, HebrewToDayNumber(c.to.month, c.to.day, c.to.year)) << c.why;
        EXPECT_EQ(s.monthDays, HebrewMonthLength(c.to.month, c.to.year)) << c.why;
        // The marked day stays the one the dialog opened with.
        EXPECT_EQ(s.markedMonth, c.from.month) << c.why;
        EXPECT_EQ(s.markedDay, c.from.day) << c.why;
        EXPECT_EQ(s.markedYear, c.from.year) << c.why;
    }
}

TEST_F(CalendarDialogTest, DayThirtyBecomesTwentyNineAndStaysSo) {
    // Kislev 5769 has 30 days, Tevet 29, Shevat 30.
    ASSERT_EQ(HebrewMonthLength(9, 5769), 30);
    ASSERT_EQ(HebrewMonthLength(10, 5769), 29);
    Open(HebrewToDayNumber(9, 30, 5769));
    Key(VK_DOWN);
    EXPECT_EQ(Displayed(), (Shown{10, 29, 5769}));
    Key(VK_DOWN);
    EXPECT_EQ(Displayed(), (Shown{11, 29, 5769}));

    // By year: Cheshvan 5768 has 29 days; find a year around it whose Cheshvan has 30.
    int32_t full = 5769;
    while (HebrewMonthLength(8, full) != 30) ++full;
    Open(HebrewToDayNumber(8, 30, full));
    int32_t shortYear = full + 1;
    while (HebrewMonthLength(8, shortYear) != 29) ++shortYear;
    for (int32_t y = full; y < shortYear; ++y) Key(VK_RIGHT);
    EXPECT_EQ(Displayed(), (Shown{8, 29, shortYear}));
}

TEST_F(CalendarDialogTest, SixRowMonthThenFiveRowsClearsTheLastRow) {
    // The first 30-day month from Nisan 5768 on that starts on a Saturday.
    Open(HebrewToDayNumber(1, 1, 5768));
    int guard = 0;
    while (!(CurrentCalendarState().firstWeekday == 6 && CurrentCalendarState().monthDays == 30)) {
        Key(VK_DOWN);
        ASSERT_LT(++guard, 200);
    }
    const CalendarState& s = CurrentCalendarState();
    EXPECT_EQ(s.weekRows, 6);
    const int sixthRowY = s.gridTop + 6 * s.cellHeight + s.cellHeight / 2;
    const int x = s.gridLeft + s.cellWidth / 2;
    EXPECT_EQ(GetPixel(s.dc, x + s.cellWidth / 2, s.gridTop + 6 * s.cellHeight), RGB(0, 0, 0))
        << "the sixth row's top frame line";
    Key(VK_DOWN);
    ASSERT_NE(s.firstWeekday, 6) << "the next month starts on a Sunday";
    EXPECT_EQ(s.weekRows, 5);
    // The former sixth row is the background again, up to the fifth row's bottom line.
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(GetPixel(s.dc, x, sixthRowY), background);
    EXPECT_EQ(GetPixel(s.dc, x, s.gridTop + 6 * s.cellHeight + 1), background);
    EXPECT_EQ(GetPixel(s.dc, x, s.gridTop + 6 * s.cellHeight), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(s.dc, s.gridLeft + s.gridWidth - 1, sixthRowY), background);
}

TEST_F(CalendarDialogTest, StripTaps) {
    Open(HebrewToDayNumber(9, 19, 5768));
    const MonthStripCell* strip = MonthStrip();
    const int y = (strip[0].top + strip[0].bottom) / 2;
    // The boundary shared by Nisan and Iyyar belongs to the earlier month.
    ASSERT_EQ(strip[0].right, strip[1].left);
    Tap(strip[0].right, y);
    EXPECT_EQ(CurrentCalendarState().month, 1);
    // The boundary shared by the first and second rows belongs to the upper one.
    Tap(strip[4].left + 3, strip[4].top);
    EXPECT_EQ(CurrentCalendarState().month, 1) << "the row boundary belongs to the upper row";
    Tap(strip[4].left + 3, strip[4].top + 1);
    EXPECT_EQ(CurrentCalendarState().month, 5);
    // "II" of the leap year, and the boundary between "Adar I" and "II".
    Tap(strip[12].right - 2, strip[12].top + 2);
    EXPECT_EQ(Displayed(), (Shown{13, 19, 5768}));
    Tap(strip[12].left, strip[12].top + 2);
    EXPECT_EQ(CurrentCalendarState().month, 12);
    EXPECT_EQ(CurrentCalendarState().chosenDay, HebrewToDayNumber(12, 19, 5768));
}

TEST_F(CalendarDialogTest, YearButtonsFromAdarTwo) {
    Open(HebrewToDayNumber(13, 14, 5768));
    const CalendarState& s = CurrentCalendarState();
    ASSERT_GT(s.buttonWidth, 0) << "placed by the first paint";
    ASSERT_LT(s.prevButtonLeft + s.buttonWidth, s.nextButtonLeft);
    const int y = s.yearTop + s.textHeight / 2;
    Tap(s.prevButtonLeft + 1, y);
    EXPECT_EQ(Displayed(), (Shown{12, 14, 5767}));
    Tap((s.prevButtonLeft + s.buttonWidth + s.nextButtonLeft) / 2, y);
    EXPECT_EQ(Displayed(), (Shown{12, 14, 5767})) << "the year label is no button";
    Tap(s.nextButtonLeft + s.buttonWidth, y);
    EXPECT_EQ(Displayed(), (Shown{12, 14, 5768})) << "Adar stays Adar I in the leap year";
    Tap(s.nextButtonLeft, s.yearTop + s.textHeight);
    EXPECT_EQ(Displayed(), (Shown{12, 14, 5769}));
    Tap(s.nextButtonLeft, s.yearTop + s.textHeight + 1);
    EXPECT_EQ(Displayed(), (Shown{12, 14, 5769})) << "below the buttons";
    EXPECT_STREQ(s.scratchText, " 5769 ");
}

TEST_F(CalendarDialogTest, YearButtonsStopAtTheRangeEnds) {
    Open(HebrewToDayNumber(2, 1, kCalendarMaxYear));
    const CalendarState& s = CurrentCalendarState();
    const int y = s.yearTop + 1;
    Tap(s.nextButtonLeft + 1, y);
    EXPECT_EQ(s.year, kCalendarMaxYear);
    Open(HebrewToDayNumber(2, 1, kCalendarMinYear));
    Tap(s.prevButtonLeft + 1, y);
    EXPECT_EQ(s.year, kCalendarMinYear);
    EXPECT_STREQ(s.scratchText, " 3762 ");
    // Days outside the range open on the nearest day inside it.
    Open(1);
    EXPECT_EQ(Displayed(), (Shown{7, 1, kCalendarMinYear}));
}

TEST_F(CalendarDialogTest, DayZeroShowsAndMarksToday) {
    SetTodaySource([] { return CalendarDate{11, 29, 2007}; });  // 19 Kislev 5768
    Open(0);
    SetTodaySource(nullptr);
    const CalendarState& s = CurrentCalendarState();
    EXPECT_EQ(Displayed(), (Shown{9, 19, 5768}));
    EXPECT_EQ(s.chosenDay, HebrewToDayNumber(9, 19, 5768));
    EXPECT_EQ(s.markedMonth, 9);
    EXPECT_EQ(s.markedDay, 19);
    EXPECT_EQ(s.markedYear, 5768);
    EXPECT_STREQ(MonthStrip()[12].name, "II");
}

TEST_F(CalendarDialogTest, DayTaps) {
    // Opened on 19 Kislev 5768 and moved on to Tevet; cells are placed from the state.
    Open(HebrewToDayNumber(9, 19, 5768));
    Key(VK_DOWN);
    const CalendarState& s = CurrentCalendarState();
    const auto cellOf = [&s](int d, int* x, int* y) {
        const int p = s.firstWeekday + d - 1;
        *x = s.gridLeft + (p % 7) * s.cellWidth;
        *y = s.gridTop + (p / 7 + 1) * s.cellHeight;
    };
    int x, y;
    // Left of day 1 in the first week row: no day there unless the month starts on Sunday.
    if (s.firstWeekday > 0) {
        cellOf(1, &x, &y);
        Tap(x - s.cellWidth / 2, y + 2);
        EXPECT_EQ(s.markedDay, 19) << "a blank cell chooses nothing";
    }
    // The grid's right border line is outside it.
    Tap(s.gridLeft + 7 * s.cellWidth, s.gridTop + s.cellHeight + 2);
    EXPECT_EQ(s.markedMonth, 9);
    // The header row is not a day.
    Tap(s.gridLeft + 2, s.gridTop + 2);
    EXPECT_EQ(s.markedMonth, 9);

    cellOf(5, &x, &y);
    Tap(x + 1, y + 1);
    EXPECT_EQ(s.chosenDay, HebrewToDayNumber(10, 5, 5768)) << "the tapped day, not the marked";
    EXPECT_EQ(Displayed(), (Shown{10, 5, 5768}));
    EXPECT_EQ(s.markedMonth, 10);
    EXPECT_EQ(s.markedDay, 5);
    EXPECT_EQ(GetPixel(s.dc, x + 2, y + 2), RGB(0, 0, 0)) << "the tapped cell is highlighted";
}

}  // namespace
