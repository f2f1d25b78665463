// The window manager: message order, painting, destruction, focus and activation, input,
// the task bar and the window's scroll bar.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace velin::platform::testing {
namespace {

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Logged> g_log;

LRESULT LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_log.push_back({hwnd, msg, wParam, lParam});
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::vector<UINT> MessagesOf(HWND hwnd) {
    std::vector<UINT> out;
    for (const Logged& l : g_log) {
        if (l.hwnd == hwnd) out.push_back(l.msg);
    }
    return out;
}

class WindowTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        g_log.clear();
        WNDCLASSW wc{0, LoggingProc, 0, 16, nullptr, nullptr, nullptr,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr, u"Logged"};
        ASSERT_NE(RegisterClassW(&wc), 0);
    }
    static HWND Top(DWORD style = WS_VISIBLE, HWND owner = nullptr) {
        return CreateWindowExW(0, u"Logged", u"Top", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
    }
};

TEST_F(WindowTest, CreationSendsCreateThenSizeAndActivatesAVisibleWindow) {
    HWND hwnd = Top(WS_VISIBLE | WS_VSCROLL);
    ASSERT_NE(hwnd, nullptr);
    const std::vector<UINT> expected = {WM_CREATE,           WM_SIZE,     WM_MOVE,     WM_SHOWWINDOW,
                                        WM_WINDOWPOSCHANGED, WM_ACTIVATE, WM_SETFOCUS};
    EXPECT_EQ(MessagesOf(hwnd), expected);
    // CW_USEDEFAULT fills the work area under the 26-pixel task bar; the scroll bar's width
    // comes off the client area, and WM_SIZE carries the client size.
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{0, 26, 240, 320}));
    const Logged& size = g_log[1];
    EXPECT_EQ(LOWORD(size.lParam), 240 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(HIWORD(size.lParam), 294);
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    EXPECT_EQ(GetFocus(), hwnd);
}

TEST_F(WindowTest, CreateReturningMinusOneFailsAndDestroysTheWindow) {
    static HWND seen = nullptr;
    WNDCLASSW wc{0,
                 [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                     if (m == WM_CREATE) {
                         seen = h;
                         return -1;
                     }
                     return DefWindowProcW(h, m, w, l);
                 },
                 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Refuses"};
    RegisterClassW(&wc);
    EXPECT_EQ(CreateWindowExW(0, u"Refuses", u"", WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_FALSE(IsWindow(seen));
}

TEST_F(WindowTest, MoveSendsPositionChangeMoveAndSize) {
    HWND hwnd = Top();
    Pump();
    g_log.clear();
    MoveWindow(hwnd, 0, 0, 240, 320, FALSE);
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
    EXPECT_EQ(HIWORD(g_log.back().lParam), 320);
    // The move repaints the window even without the repaint flag: nothing kept its pixels.
    g_log.clear();
    Pump();
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    // Moving it again to the same place changes nothing.
    g_log.clear();
    MoveWindow(hwnd, 0, 0, 240, 320, TRUE);
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_WINDOWPOSCHANGED}));
}

TEST_F(WindowTest, PaintErasesOnceAndValidates) {
    HWND hwnd = Top();
    Pump();
    HDC dc = GetDC(hwnd);
    RECT all{0, 0, 240, 294};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    g_log.clear();
    RECT part{10, 10, 20, 20};
    InvalidateRect(hwnd, &part, TRUE);
    Pump();
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    // The class brush erased the update rectangle and nothing else.
    EXPECT_EQ(Pixel(10, 26 + 10), 0xFFFFFFu);
    EXPECT_EQ(Pixel(19, 26 + 19), 0xFFFFFFu);
    EXPECT_EQ(Pixel(20, 26 + 19), 0u);
    EXPECT_EQ(Pixel(9, 26 + 10), 0u);
    // Invalidating without erase paints without WM_ERASEBKGND; UpdateWindow paints at once.
    g_log.clear();
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_PAINT}));
    g_log.clear();
    Pump();
    EXPECT_TRUE(MessagesOf(hwnd).empty());
}

TEST_F(WindowTest, OwnContextKeepsItsStateBetweenGetDCCalls) {
    HWND hwnd = Top();
    HDC dc = GetDC(hwnd);
    LOGFONTW lf{};
    lf.lfHeight = 20;
    HFONT font = CreateFontIndirectW(&lf);
    SelectObject(dc, font);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, TRANSPARENT);
    ReleaseDC(hwnd, dc);
    HDC again = GetDC(hwnd);
    EXPECT_EQ(again, dc);
    EXPECT_EQ(GetTextColor(again), RGB(1, 2, 3));
    EXPECT_EQ(GetBkMode(again), TRANSPARENT);
    TEXTMETRICW tm;
    GetTextMetricsW(again, &tm);
    EXPECT_EQ(tm.tmHeight, 20);
    // BeginPaint hands out the same context.
    InvalidateRect(hwnd, nullptr, FALSE);
    PAINTSTRUCT ps;
    EXPECT_EQ(BeginPaint(hwnd, &ps), dc);
    EndPaint(hwnd, &ps);
    // Deleting the selected font leaves the context with the default one, not a dangling one.
    DeleteObject(font);
    GetTextMetricsW(again, &tm);
    EXPECT_EQ(tm.tmHeight, 13);
}

TEST_F(WindowTest, DestructionGoesToOwnedWindowsAndChildrenFirst) {
    HWND main = Top();
    HWND child = CreateWindowExW(0, u"Logged", u"child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, main,
                                 reinterpret_cast<HMENU>(7), nullptr, nullptr);
    HWND grandchild = CreateWindowExW(0, u"Logged", u"g", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, child,
                                      nullptr, nullptr, nullptr);
    HWND popup = Top(WS_POPUP | WS_VISIBLE, main);
    EXPECT_EQ(GetParent(child), main);
    EXPECT_EQ(GetParent(popup), main);
    EXPECT_EQ(GetDlgCtrlID(child), 7);
    PostMessageW(main, WM_USER, 0, 0);
    g_log.clear();
    EXPECT_TRUE(DestroyWindow(main));
    std::vector<std::pair<HWND, UINT>> destroys;
    for (const Logged& l : g_log) {
        if (l.msg == WM_DESTROY) destroys.emplace_back(l.hwnd, l.msg);
    }
    const std::vector<std::pair<HWND, UINT>> expected = {
        {popup, WM_DESTROY}, {grandchild, WM_DESTROY}, {child, WM_DESTROY}, {main, WM_DESTROY}};
    EXPECT_EQ(destroys, expected);
    for (HWND h : {main, child, grandchild, popup}) EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(main));
    // The message posted to the dead window is dropped.
    g_log.clear();
    Pump();
    EXPECT_TRUE(MessagesOf(main).empty());
    EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(WindowTest, CloseRequestDestroysTheWindowAndPaintsWhatWasUnder) {
    HWND under = Top();
    HWND over = CreateWindowExW(0, u"Logged", u"Over", WS_POPUP | WS_VISIBLE, 20, 60, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
    Pump();
    EXPECT_EQ(GetForegroundWindow(), over);
    g_log.clear();
    SendMessageW(over, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(over));
    EXPECT_EQ(GetForegroundWindow(), under);
    Pump();
    EXPECT_EQ(MessagesOf(under), (std::vector<UINT>{WM_ACTIVATE, WM_SETFOCUS, WM_PAINT, WM_ERASEBKGND}));
    for (const Logged& l : g_log) {
        if (l.hwnd == under && l.msg == WM_ACTIVATE) {
            EXPECT_EQ(LOWORD(l.wParam), WA_ACTIVE);
        }
    }
}

TEST_F(WindowTest, ActivationAndFocusFollowTheFrontWindow) {
    HWND first = Top();
    HWND second = Top();
    EXPECT_EQ(GetForegroundWindow(), second);
    g_log.clear();
    SetForegroundWindow(first);
    ASSERT_EQ(g_log.size(), 4u);
    EXPECT_EQ(g_log[0].hwnd, second);
    EXPECT_EQ(g_log[0].msg, WM_ACTIVATE);
    EXPECT_EQ(LOWORD(g_log[0].wParam), WA_INACTIVE);
    EXPECT_EQ(g_log[1].hwnd, first);
    EXPECT_EQ(LOWORD(g_log[1].wParam), WA_ACTIVE);
    EXPECT_EQ(g_log[2].msg, WM_KILLFOCUS);
    EXPECT_EQ(g_log[3].msg, WM_SETFOCUS);
    EXPECT_EQ(GetFocus(), first);
    // A disabled window brings its enabled pop-up forward with it.
    HWND dialog = Top(WS_POPUP | WS_VISIBLE, first);
    EnableWindow(first, FALSE);
    SetForegroundWindow(second);
    SetForegroundWindow(first);
    EXPECT_EQ(GetForegroundWindow(), dialog);
}

TEST_F(WindowTest, KeysGoToTheFocusAndTranslateIntoCharacters) {
    HWND hwnd = Top();
    Pump();
    const struct {
        UINT vk;
        bool ctrl, alt, shift;
        UINT down;
        int ch;  // -1: no character
        UINT charMsg;
    } kCases[] = {
        {'A', false, false, false, WM_KEYDOWN, 'a', WM_CHAR},
        {'A', false, false, true, WM_KEYDOWN, 'A', WM_CHAR},
        {'F', true, false, false, WM_KEYDOWN, 6, WM_CHAR},  // Ctrl+F is the control character
        {VK_RETURN, false, false, false, WM_KEYDOWN, '\r', WM_CHAR},
        {VK_F3, false, true, false, WM_SYSKEYDOWN, -1, 0},  // Alt+F3 is a system key
        {'X', false, true, false, WM_SYSKEYDOWN, 'x', WM_SYSCHAR},
        {VK_LEFT, false, false, false, WM_KEYDOWN, -1, 0},
        {VK_F1, false, false, false, WM_KEYDOWN, -1, WM_HELP},  // F1 asks for help
    };
    for (const auto& c : kCases) {
        g_log.clear();
        Key(c.vk, c.ctrl, c.alt, c.shift);
        std::vector<UINT> expected = {c.down};
        if (c.ch >= 0 || c.charMsg == WM_HELP) expected.push_back(c.charMsg);
        expected.push_back(c.down == WM_KEYDOWN ? WM_KEYUP : WM_SYSKEYUP);
        EXPECT_EQ(MessagesOf(hwnd), expected) << "key " << c.vk;
        ASSERT_FALSE(g_log.empty());
        EXPECT_EQ(g_log[0].wParam, c.vk);
        if (c.ch >= 0) {
            EXPECT_EQ(g_log[1].wParam, static_cast<WPARAM>(c.ch)) << "key " << c.vk;
        }
    }
}

TEST_F(WindowTest, TheWheelTurnsForTheWindowThatTakesTheKeys) {
    HWND hwnd = Top();
    Pump();
    for (int notches : {1, -2}) {
        g_log.clear();
        S().input.push_back(InputEvent{InputEvent::kWheel, static_cast<UINT>(notches * WHEEL_DELTA),
                                       30, 40, false, false, false});
        Pump();
        ASSERT_EQ(MessagesOf(hwnd), std::vector<UINT>{WM_MOUSEWHEEL}) << notches;
        // The delta is the signed high word: away from the user is positive.
        EXPECT_EQ(static_cast<int16_t>(HIWORD(g_log[0].wParam)), notches * WHEEL_DELTA);
    }
}

TEST_F(WindowTest, TapsReachTheWindowUnderThePenUnlessItIsDisabled) {
    HWND main = Top();
    HWND child = CreateWindowExW(0, u"Logged", u"c", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, main, nullptr,
                                 nullptr, nullptr);
    Pump();
    g_log.clear();
    Tap(15, 26 + 15);
    EXPECT_EQ(MessagesOf(child), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(LOWORD(g_log[0].lParam), 5);
    EXPECT_EQ(HIWORD(g_log[0].lParam), 5);
    g_log.clear();
    Tap(100, 100);
    EXPECT_EQ(MessagesOf(main), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    // A disabled child passes the pen to its parent; a disabled window takes nothing.
    EnableWindow(child, FALSE);
    g_log.clear();
    Tap(15, 26 + 15);
    EXPECT_EQ(MessagesOf(main), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EnableWindow(main, FALSE);
    g_log.clear();
    Tap(100, 100);
    EXPECT_TRUE(MessagesOf(main).empty());
}

TEST_F(WindowTest, TapsOnTheCaptionReportTheirPlaceInsteadOfAClientPosition) {
    HWND hwnd = CreateWindowExW(0, u"Logged", u"Framed", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 40, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
    Pump();
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.bottom, 100 - 2 - GetSystemMetrics(SM_CYCAPTION));
    const struct {
        int x, y;
        UINT down;
        WPARAM hit;
    } kCases[] = {
        {50, 45, WM_NCLBUTTONDOWN, HTCAPTION},
        {20, 80, WM_NCLBUTTONDOWN, HTBORDER},
        {50, 80, WM_LBUTTONDOWN, MK_LBUTTON},
    };
    for (const auto& c : kCases) {
        g_log.clear();
        Tap(c.x, c.y);
        ASSERT_EQ(MessagesOf(hwnd).size(), 2u) << c.x << "," << c.y;
        EXPECT_EQ(g_log[0].msg, c.down) << c.x << "," << c.y;
        EXPECT_EQ(g_log[0].wParam, c.hit) << c.x << "," << c.y;
        EXPECT_EQ(g_log[1].msg, c.down == WM_LBUTTONDOWN ? WM_LBUTTONUP : WM_NCLBUTTONUP);
    }
}

TEST_F(WindowTest, FindWindowMatchesClassAndTitleWithoutCase) {
    HWND hwnd = Top();
    EXPECT_EQ(FindWindowW(u"logged", u"TOP"), hwnd);
    EXPECT_EQ(FindWindowW(u"Logged", nullptr), hwnd);
    EXPECT_EQ(FindWindowW(u"Logged", u"Other"), nullptr);
    EXPECT_EQ(FindWindowW(u"Nothing", nullptr), nullptr);
}

TEST_F(WindowTest, FullScreenHidesTheTaskBarAndFreesTheWorkArea) {
    HWND bar = FindWindowW(u"HHTaskBar", u"");
    ASSERT_NE(bar, nullptr);
    RECT r;
    GetWindowRect(bar, &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{0, 0, 240, 26}));
    HWND hwnd = Top();
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(GetForegroundWindow(), hwnd);  // the task bar never takes the front
    SHFullScreen(hwnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
    EXPECT_FALSE(IsWindowVisible(bar));
    HWND second = Top();
    GetWindowRect(second, &r);
    EXPECT_EQ(r.top, 0);
    SHFullScreen(hwnd, SHFS_SHOWTASKBAR);
    EXPECT_TRUE(IsWindowVisible(bar));
    Pump();
    // The task bar is drawn in front, black with the title in white.
    EXPECT_EQ(Pixel(239, 1), 0u);
}

TEST_F(WindowTest, ResizingTheScreenStretchesWindowsAtItsEdgesAndTellsThem) {
    HWND full = Top();
    HWND small = CreateWindowExW(0, u"Logged", u"small", WS_POPUP | WS_VISIBLE, 10, 40, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    Pump();
    g_log.clear();
    ResizeScreen(480, 640);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 480);
    RECT r;
    GetWindowRect(full, &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{0, 26, 480, 640}));
    GetWindowRect(small, &r);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}), (std::vector<LONG>{10, 40, 60, 90}));
    GetWindowRect(FindWindowW(u"HHTaskBar", u""), &r);
    EXPECT_EQ(r.right, 480);
    const std::vector<UINT> fullGot = MessagesOf(full);
    EXPECT_NE(std::find(fullGot.begin(), fullGot.end(), WM_SIZE), fullGot.end());
    EXPECT_NE(std::find(fullGot.begin(), fullGot.end(), WM_SETTINGCHANGE), fullGot.end());
    const std::vector<UINT> smallGot = MessagesOf(small);
    EXPECT_EQ(std::find(smallGot.begin(), smallGot.end(), WM_SIZE), smallGot.end());
    EXPECT_NE(std::find(smallGot.begin(), smallGot.end(), WM_SETTINGCHANGE), smallGot.end());
    Pump();
    EXPECT_EQ(Pixel(479, 639), 0xFFFFFFu);  // the stretched window painted its new part
}

// ---- the scroll bar --------------------------------------------------------------------------

class ScrollBarTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        hwnd_ = Top(WS_VISIBLE | WS_VSCROLL);
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS, 0, 100, 0, 50, 0};
        SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
        Pump();
        g_log.clear();
    }
    // The codes (and positions) of the WM_VSCROLL messages logged so far.
    static std::vector<std::pair<int, int>> Codes() {
        std::vector<std::pair<int, int>> out;
        for (const Logged& l : g_log) {
            if (l.msg == WM_VSCROLL) out.emplace_back(LOWORD(l.wParam), static_cast<short>(HIWORD(l.wParam)));
        }
        return out;
    }
    HWND hwnd_ = nullptr;
};

TEST_F(ScrollBarTest, TapsOnArrowsAndPageAreasGiveTheirCodes) {
    // Bar: x 227..239; arrows 13 pixels at each end of y 26..319; a 13-pixel thumb at the
    // middle of the track for position 50 of 0..100.
    const int x = 233;
    const struct {
        int y;
        int code;
    } kCases[] = {
        {27, SB_LINEUP}, {38, SB_LINEUP},          // the up arrow's box, top and bottom rows
        {39, SB_PAGEUP}, {319, SB_LINEDOWN},       // just below the up arrow; the down arrow
        {306, SB_PAGEDOWN}, {307, SB_LINEDOWN},    // just above the down arrow; its first row
    };
    for (const auto& c : kCases) {
        g_log.clear();
        Tap(x, c.y);
        EXPECT_EQ(Codes(), (std::vector<std::pair<int, int>>{{c.code, 0}, {SB_ENDSCROLL, 0}})) << "y " << c.y;
    }
    EXPECT_TRUE(MessagesOf(hwnd_).size() == Codes().size());  // no pen messages reach the client
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
    // Track 39..306 (267 pixels), thumb 13: position p of 0..100 puts its top at 39 + p * 254 / 100.
    const int thumbTop = 39 + 50 * 254 / 100;
    PenDown(233, thumbTop + 5);
    EXPECT_TRUE(Codes().empty());
    PenMove(233, thumbTop + 5 + 127);  // half the room further down: the end of the range
    PenMove(233, 500);                 // beyond the bar: stays at the end
    PenUp(233, 500);
    EXPECT_EQ(Codes(), (std::vector<std::pair<int, int>>{
                           {SB_THUMBTRACK, 100}, {SB_THUMBPOSITION, 100}, {SB_ENDSCROLL, 0}}));
    // The window decides the position; the bar only reports where the thumb went.
    EXPECT_EQ(GetScrollPos(hwnd_, SB_VERT), 50);
    g_log.clear();
    PenDown(233, thumbTop + 5);
    PenUp(233, thumbTop + 5);
    EXPECT_EQ(Codes(), (std::vector<std::pair<int, int>>{{SB_THUMBPOSITION, 50}, {SB_ENDSCROLL, 0}}));
}

TEST_F(ScrollBarTest, PositionIsClampedToTheRangeAndAnEmptyRangeIgnoresTheBar) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 500, 0};
    EXPECT_EQ(SetScrollInfo(hwnd_, SB_VERT, &si, TRUE), 100);
    si = {sizeof si, SIF_RANGE | SIF_POS, 0, 0, 0, 0, 0};
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    g_log.clear();
    Tap(233, 30);
    Tap(233, 150);
    EXPECT_TRUE(Codes().empty());
}

}  // namespace
}  // namespace velin::platform::testing
