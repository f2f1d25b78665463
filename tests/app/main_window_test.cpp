// The main window in this process, on the headless screen with the box face and the fixture
// book: its layout under both bars and with gutters, keys, every scroll-bar code, taps in
// both zone settings, and the scroll bar that exists only when Flags asks for it.
#include <algorithm>

#include "app_test_support.h"
#include "platform/dialog_internal.h"
#include "fixture_book.h"

namespace velin::app::testing {
namespace {

CalendarDate TestToday() { return CalendarDate{11, 29, 2007}; }  // 19 Kislev 5768

class MainWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::string path = TempDir("book") + "/fixture.vbk";
        ASSERT_TRUE(WriteFixtureBook(path));
        std::string error;
        auto book = BookFile::Load(path, &error);
        ASSERT_TRUE(book) << error;
        book_ = new BookFile(std::move(*book));
        SetRcDataSource(book_);
    }
    static void TearDownTestSuite() {
        SetRcDataSource(nullptr);
        delete book_;
        book_ = nullptr;
    }
    void SetUp() override {
        dir_ = TempDir("window");
        velin::platform::SetDefaultFaceName(u"Velin Test");
        SetTodaySource(TestToday);
        SetOsVersion("5.1");
        // No one answers a dialog in these tests: a modal loop that finds nothing to do ends,
        // as if cancelled (the caption box and Alt+F3 open the calendar and the search).
        velin::platform::SetModalIdleHook([] { return false; });
    }
    void TearDown() override {
        velin::platform::SetModalIdleHook(nullptr);
        if (window_ && IsWindow(window_)) DestroyWindow(window_);
        Pump();
        velin::platform::StopPlatform();
        SetTodaySource(nullptr);
        SetOsVersion("5.1");
    }

    // Starts the reader's window as start-up does, with these settings and switches.
    void Open(const std::string& settings, int menuBarOnBottom = 0, int gutter = 0) {
        UseSettings(dir_, settings);
        velin::platform::PlatformOptions options;
        options.headless = true;
        ASSERT_EQ(velin::platform::StartPlatform(options), velin::platform::StartStatus::kOk);
        g_app.instance = GetModuleHandleW(nullptr);
        g_app.MenuBarOnBottom = menuBarOnBottom;
        g_app.SurroundingGutter = gutter;
        LoadSettings();
        SelectDay(0, 0);
        WNDCLASSW wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = MainWindowProc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kMainClassName;
        RegisterClassW(&wc);
        const DWORD style = WS_VISIBLE | ((g_app.Flags & kFlagScrollBarMask) ? WS_VSCROLL : 0);
        window_ = CreateWindowExW(WS_EX_WINDOWEDGE, kMainClassName, kMainTitle, style,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, g_app.instance, nullptr);
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        Pump();
        ASSERT_NE(g_app.textView, nullptr);
    }

    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    TextView* View() { return g_app.textView; }
    int Page() { return View()->rowsPainted; }
    void Key(UINT vk) { SendMessageW(window_, WM_KEYDOWN, vk, 0); }
    void Tap(int x, int y) {
        SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
    }
    void SetTop(int row) {
        View()->topRow = static_cast<uint16_t>(row);
        UpdateScrollBar(window_);
    }
    int ScrollBarPos() {
        SCROLLINFO si{sizeof si, SIF_POS | SIF_RANGE, 0, 0, 0, 0, 0};
        GetScrollInfo(window_, SB_VERT, &si);
        return si.nPos;
    }

    static BookFile* book_;
    std::string dir_;
    HWND window_ = nullptr;
};

BookFile* MainWindowTest::book_ = nullptr;

TEST_F(MainWindowTest, TheFirstLessonIsShownUnderTheCaption) {
    Open("");
    EXPECT_EQ(g_app.Lesson, 0x1913);
    EXPECT_STREQ(g_app.caption, "19 Kislev, 5768");
    EXPECT_GT(View()->lastTopRow, 0) << "the fixture lesson is longer than a page";
    EXPECT_GT(Page(), 2);
    EXPECT_EQ(ScrollBarPos(), 0);
}

// The caption box and the text rectangle for both bars, with and without a gutter.
TEST_F(MainWindowTest, LayoutUnderBothBarsAndGutters) {
    const struct {
        const char* os;
        int gutter;
    } kCases[] = {{"5.1", 0}, {"5.1", 6}, {"4.20", 0}, {"4.20", 6}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.os) + " gutter " + std::to_string(c.gutter));
        ASSERT_TRUE(SetOsVersion(c.os));
        Open("", 0, c.gutter);
        const bool bottom = std::string(c.os) == "5.1";
        EXPECT_EQ(g_app.MenuBarOnBottom, bottom ? 1 : 0);
        RECT client;
        GetClientRect(window_, &client);
        const int g = c.gutter;
        const int w = client.right - 2 * g;
        const int h = client.bottom - 2 * g;
        const int H = g_app.captionHeight;
        const int B = g_app.barHeight;
        EXPECT_GT(B, 0);
        EXPECT_EQ(H, 14 + 2) << "the caption font's height and a pixel above and below";
        EXPECT_EQ(g_app.captionLeft, 0);
        EXPECT_EQ(g_app.captionWidth, w + 2 * g);
        EXPECT_EQ(g_app.captionTop, bottom ? 0 : h + 2 * g - H);
        EXPECT_EQ(View()->left, g);
        EXPECT_EQ(View()->top, bottom ? H : B + g);
        EXPECT_EQ(View()->width, w);
        EXPECT_EQ(View()->height, h - H - B);
        DestroyWindow(window_);
        Pump();
        velin::platform::StopPlatform();
    }
}

TEST_F(MainWindowTest, KeysScrollByLinesPagesAndToTheEnds) {
    const struct {
        uint32_t flags;
        UINT key;
        int from;   // -1: lastTopRow
        int delta;  // rows moved; kPage: P - 1, kHalf: P / 2, kToEnd: to lastTopRow
        const char* why;
    } kCases[] = {
        {kFlagsDefault, VK_NEXT, 0, 1000, "Page Down: a page less one line"},
        {kFlagsDefault, VK_PRIOR, 30, -1000, "Page Up"},
        {(kFlagsDefault & ~kFlagKeyPageMask) | 0x00200000, VK_NEXT, 0, 2000, "field 2: half"},
        {(kFlagsDefault & ~kFlagKeyPageMask) | 0x00400000, VK_NEXT, 0, 2000, "field 4: half"},
        {(kFlagsDefault & ~kFlagKeyPageMask) | 0x00300000, VK_NEXT, 0, 1000, "field 3: P - 1"},
        {kFlagsDefault, VK_DOWN, 4, 1, "Down: one line"},
        {kFlagsDefault, VK_UP, 4, -1, "Up: one line"},
        {kFlagsDefault, VK_UP, 0, 0, "Up at the top"},
        {kFlagsDefault, VK_HOME, 9, -9, "Home: to the first row"},
        {kFlagsDefault, VK_HOME, 0, 0, "Home at the top changes nothing"},
        {kFlagsDefault, VK_END, 0, 3000, "End: to the last page"},
        {kFlagsDefault, VK_END, 9, 3000, "End from further down: to the last page too"},
        {kFlagsDefault, VK_END, -1, 0, "End on the last page changes nothing"},
        {kFlagsDefault, VK_DOWN, -1, 0, "Down on the last page changes nothing"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        char flags[40];
        std::snprintf(flags, sizeof flags, "\"Flags\"=dword:%08x", c.flags);
        Open(flags);
        const int from = c.from < 0 ? View()->lastTopRow : c.from;
        SetTop(from);
        RepaintNow(window_, kPaintAll);
        const int P = Page();
        int expected = from + c.delta;
        if (c.delta == 1000) expected = from + P - 1;
        if (c.delta == -1000) expected = from - (P - 1);
        if (c.delta == 2000) expected = from + P / 2;
        if (c.delta == 3000) expected = View()->lastTopRow;
        Key(c.key);
        EXPECT_EQ(View()->topRow, std::max(expected, 0));
        EXPECT_EQ(ScrollBarPos(), View()->topRow);
        DestroyWindow(window_);
        Pump();
        velin::platform::StopPlatform();
    }
}

TEST_F(MainWindowTest, EveryScrollBarCode) {
    Open("");
    const int P = Page();
    const struct {
        WORD code;
        int16_t thumb;
        int from;
        int expected;
        const char* why;
    } kCases[] = {
        {SB_LINEUP, 0, 10, 9, "line up"},
        {SB_LINEDOWN, 0, 10, 11, "line down"},
        {SB_PAGEUP, 0, 30, 30 - (P - 1), "page up"},
        {SB_PAGEDOWN, 0, 10, 10 + P - 1, "page down"},
        {SB_THUMBPOSITION, 25, 10, 25, "thumb position"},
        {SB_THUMBTRACK, 3, 10, 3, "thumb track"},
        {SB_TOP, 0, 10, 0, "top"},
        {SB_BOTTOM, 0, 10, 11, "bottom moves one line, not to the end"},
        {SB_ENDSCROLL, 0, 10, 10, "end of scrolling: no move"},
    };
    for (const auto& c : kCases) {
        SetTop(c.from);
        const LRESULT result =
            SendMessageW(window_, WM_VSCROLL, MAKELONG(c.code, static_cast<WORD>(c.thumb)), 0);
        EXPECT_EQ(result, 1) << c.why;
        EXPECT_EQ(View()->topRow, c.expected) << c.why;
        EXPECT_EQ(ScrollBarPos(), c.expected) << c.why;
    }
}

TEST_F(MainWindowTest, TapsPageInHalvesOfEitherZone) {
    const uint32_t byWidth = kFlagsDefault & ~kFlagTapZonesByHeight;
    const uint32_t halfPage = (kFlagsDefault & ~kFlagTapPageMask) | 0x02000000;
    const uint32_t noPaging = kFlagsDefault & ~kFlagTapPaging;
    enum Where { kUpper, kLower, kLeft, kRight, kTopGutter, kCaption };
    const struct {
        uint32_t flags;
        int gutter;
        Where where;
        int sign;  // -1 back, +1 forward, 0 nothing
        bool half;
        const char* why;
    } kCases[] = {
        {kFlagsDefault, 0, kUpper, -1, false, "zones by height: upper half pages back"},
        {kFlagsDefault, 0, kLower, +1, false, "lower half pages forward"},
        {kFlagsDefault, 0, kLeft, +1, false, "left of the middle, but in the lower half"},
        {byWidth, 0, kLeft, -1, false, "zones by width: left half pages back"},
        {byWidth, 0, kRight, +1, false, "right half pages forward"},
        {halfPage, 0, kLower, +1, true, "tap page field 2: half a page"},
        {noPaging, 0, kLower, 0, false, "tap paging off"},
        {kFlagsDefault, 6, kTopGutter, -1, false, "the gutter band above the text is text"},
        {kFlagsDefault, 6, kCaption, 0, false, "the caption box opens the calendar, no paging"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.why);
        char flags[40];
        std::snprintf(flags, sizeof flags, "\"Flags\"=dword:%08x", c.flags);
        ASSERT_TRUE(SetOsVersion("4.20"));  // command bar: the caption box is at the bottom
        Open(flags, 0, c.gutter);
        SetTop(20);
        RepaintNow(window_, kPaintAll);
        const TextView& v = *View();
        const int midX = v.left + v.width / 2;
        const int midY = v.top + v.height / 2;
        int x = midX, y = midY;
        switch (c.where) {
            case kUpper:
                y = midY - 5;
                break;
            case kLower:
                y = midY;
                break;  // the middle itself counts as the second half
            case kLeft:
                x = v.left + 1;
                break;
            case kRight:
                x = midX;
                break;
            case kTopGutter:
                y = v.top - c.gutter;
                break;
            case kCaption:
                y = g_app.captionTop + g_app.captionHeight / 2;
                break;
        }
        const int step = c.half ? Page() / 2 : Page() - 1;
        Tap(x, y);
        EXPECT_EQ(View()->topRow, 20 + c.sign * step);
        EXPECT_EQ(ScrollBarPos(), View()->topRow);
        DestroyWindow(window_);
        Pump();
        velin::platform::StopPlatform();
    }
}

TEST_F(MainWindowTest, TheBandBetweenTextAndCaptionIsNeither) {
    ASSERT_TRUE(SetOsVersion("4.20"));
    Open("", 0, 6);
    SetTop(20);
    const int below = View()->top + View()->height + 3;
    ASSERT_LT(below, g_app.captionTop);
    Tap(View()->left + 5, below);
    EXPECT_EQ(View()->topRow, 20);
}

TEST_F(MainWindowTest, AScrollBarExactlyWhenFlagsAskForIt) {
    const struct {
        uint32_t flags;
        bool bar;
    } kCases[] = {{0xD1140040, true}, {0xD1140080, true}, {0xD11400C0, true}, {0xD1140000, false}};
    for (const auto& c : kCases) {
        char flags[40];
        std::snprintf(flags, sizeof flags, "\"Flags\"=dword:%08x", c.flags);
        Open(flags);
        EXPECT_EQ((GetWindowLongW(window_, GWL_STYLE) & WS_VSCROLL) != 0, c.bar) << flags;
        // Changing the bits later neither adds nor removes it.
        g_app.Flags ^= kFlagScrollBarMask;
        Key(VK_NEXT);
        EXPECT_EQ((GetWindowLongW(window_, GWL_STYLE) & WS_VSCROLL) != 0, c.bar) << flags;
        DestroyWindow(window_);
        Pump();
        velin::platform::StopPlatform();
    }
}

TEST_F(MainWindowTest, ASavedPositionPastTheEndShowsTheLastPage) {
    // Day 733009 is today, so the stored position is kept.
    Open("\"Day\"=dword:000b2f51\n\"Lesson\"=dword:00001913\n\"LastPosition\"=dword:00002000\n");
    EXPECT_EQ(View()->topRow, View()->lastTopRow);
}

TEST_F(MainWindowTest, NavigationMovesDaysAndTodayReloadsFromTheTop) {
    Open("");
    const DayNumber today = g_app.Day;
    Key(VK_RIGHT);
    EXPECT_EQ(g_app.Day, today + 1);
    EXPECT_EQ(g_app.Lesson, 0x1914);
    EXPECT_NE(g_app.Flags & kFlagPinnedDay, 0u);
    Key(VK_LEFT);
    EXPECT_EQ(g_app.Day, today);
    EXPECT_EQ(g_app.Lesson, 0x1913);
    Key(VK_NEXT);
    ASSERT_GT(View()->topRow, 0);
    SendMessageW(window_, WM_COMMAND, kCmdToday, 0);
    EXPECT_EQ(View()->topRow, 0) << "Today while today is shown reloads from the first line";
    EXPECT_EQ(g_app.Flags & kFlagPinnedDay, 0u);
    // Index picks go to the nearest study year of the code's kind: 1 Nisan of the leap
    // schedule from 19 Kislev 5768 is in the same study year, later in the year.
    EXPECT_EQ(ShowDayCode(window_, 0x1101), 0);
    EXPECT_EQ(g_app.date, (CalendarDate{1, 1, 5768}));
    EXPECT_EQ(g_app.Lesson, 0x1101);
}

TEST_F(MainWindowTest, AcceleratorsBecomeCommands) {
    Open("");
    const struct {
        UINT message;
        UINT key;
        bool ctrl;
        bool handled;
    } kCases[] = {
        {WM_KEYDOWN, VK_F3, false, true},    {WM_SYSKEYDOWN, VK_F3, false, true},
        {WM_KEYDOWN, 'Q', false, false},     {WM_KEYDOWN, VK_HOME, false, false},
        {WM_KEYDOWN, VK_NEXT, false, false},
    };
    for (const auto& c : kCases) {
        MSG msg{window_, c.message, c.key, 0, 0, {0, 0}};
        EXPECT_EQ(TranslateAppAccelerator(window_, &msg), c.handled) << c.key;
    }
}

}  // namespace
}  // namespace velin::app::testing

namespace velin::app::testing {
namespace {

// The Go menu's Bookmark item follows the lesson on show, under either bar.
TEST_F(MainWindowTest, TheBookmarkCheckMarkFollowsTheDay) {
    for (const char* os : {"5.1", "4.20"}) {
        SCOPED_TRACE(os);
        ASSERT_TRUE(SetOsVersion(os));
        Open("\"Bookmarks\"=hex:13,19,00,00");
        HMENU menu = GoMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_NE(GetMenuState(menu, kCmdBookmark, MF_BYCOMMAND) & MF_CHECKED, 0u);
        Key(VK_RIGHT);
        EXPECT_EQ(GetMenuState(menu, kCmdBookmark, MF_BYCOMMAND) & MF_CHECKED, 0u);
        Key(VK_LEFT);
        EXPECT_NE(GetMenuState(menu, kCmdBookmark, MF_BYCOMMAND) & MF_CHECKED, 0u);
        DestroyWindow(window_);
        Pump();
        velin::platform::StopPlatform();
    }
}

}  // namespace
}  // namespace velin::app::testing

namespace velin::app::testing {
namespace {

TEST_F(MainWindowTest, TheWheelScrollsThreeLinesANotch) {
    Open("");
    SetTop(10);
    const struct {
        int16_t delta;
        int expected;
    } kCases[] = {{-120, 13}, {-240, 19}, {120, 16}, {60, 16}};
    for (const auto& c : kCases) {
        SendMessageW(window_, 0x020A, MAKELONG(0, static_cast<WORD>(c.delta)), 0);
        EXPECT_EQ(View()->topRow, c.expected) << c.delta;
    }
}

// Full-screen dialogs are moved up to the top of the screen, over where the task bar was.
TEST_F(MainWindowTest, DialogsReachTheTopOfTheScreenInFullScreenMode) {
    Open("");
    WNDCLASSW wc{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Dlg"};
    RegisterClassW(&wc);
    for (int fullScreen : {0, 1}) {
        g_switches.FullScreen = fullScreen;
        HWND dialog = CreateWindowExW(0, u"Dlg", u"", WS_POPUP | WS_VISIBLE, 0, 40, 200, 200,
                                      window_, nullptr, nullptr, nullptr);
        ASSERT_NE(dialog, nullptr);
        SetUpDialog(dialog, SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN);
        RECT r;
        GetWindowRect(dialog, &r);
        if (fullScreen) {
            EXPECT_EQ(r.top, 0);
        } else {
            EXPECT_GT(r.top, 0);
        }
        DestroyWindow(dialog);
    }
}

}  // namespace
}  // namespace velin::app::testing
