// The controls: list box order, search and notifications; edit box limit, selection and keys;
// check box; owner-drawn button; static bitmap.
#include "dialog_test_support.h"

namespace velin::platform::testing {
namespace {

// A parent that records the notifications (WM_COMMAND) and WM_DRAWITEM it receives.
struct Recorder {
    static inline std::vector<std::pair<int, int>> commands;  // id, code
    static inline DRAWITEMSTRUCT drawn{};
    static inline int draws = 0;
    static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_COMMAND) commands.emplace_back(LOWORD(w), HIWORD(w));
        if (m == WM_DRAWITEM) {
            drawn = *reinterpret_cast<const DRAWITEMSTRUCT*>(l);
            ++draws;
            FillColor(drawn.hDC, drawn.rcItem, RGB(0, 0, 255));
            return TRUE;
        }
        return DefWindowProcW(h, m, w, l);
    }
};

class ControlsTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Recorder::commands.clear();
        Recorder::draws = 0;
        WNDCLASSW wc{};
        wc.lpfnWndProc = Recorder::Proc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = u"Recorder";
        RegisterClassW(&wc);
        RegisterControlClasses();
        parent_ = CreateWindowExW(0, u"Recorder", u"Parent", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        Pump();
    }
    HWND Child(const char16_t* cls, DWORD style, int id, int height = 20, const char16_t* text = u"") {
        HWND h = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 100, height, parent_,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
        Pump();
        return h;
    }
    static std::u16string Text(HWND h) {
        WCHAR buf[256];
        GetWindowTextW(h, buf, 256);
        return buf;
    }
    static std::u16string Item(HWND list, int i) {
        WCHAR buf[64];
        return SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf)) >= 0 ? buf : u"(none)";
    }
    static int Count(int id, int code) {
        return static_cast<int>(std::count(Recorder::commands.begin(), Recorder::commands.end(), std::make_pair(id, code)));
    }
    HWND parent_ = nullptr;
};

TEST_F(ControlsTest, SortedListAndPrefixSearch) {
    HWND list = Child(u"LISTBOX", LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 1001, 60);
    for (const char16_t* name : {u"Tahoma", u"courier", u"Arial", u"arial black", u"Bitstream", u"Ärger"}) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    std::vector<std::u16string> order;
    for (int i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) order.push_back(Item(list, i));
    // Letter case does not count; "Ä" sorts after the ASCII letters.
    EXPECT_EQ(order, (std::vector<std::u16string>{u"Arial", u"arial black", u"Bitstream", u"courier", u"Tahoma", u"Ärger"}));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);

    const struct {
        intptr_t start;
        const char16_t* text;
        LRESULT expected;  // index selected, or LB_ERR (the selection stays)
    } kCases[] = {
        {-1, u"ARIAL", 0},  // the first that begins with it
        {0, u"arial", 1},   // searching after item 0
        {1, u"arial", 0},   // wraps round to the start
        {-1, u"t", 4},
        {-1, u"Tahomas", LB_ERR},
        {-1, u"", 0},  // an empty prefix matches the first item
    };
    for (const auto& c : kCases) {
        const LRESULT before = SendMessageW(list, LB_GETCURSEL, 0, 0);
        const LRESULT r = SendMessageW(list, LB_SELECTSTRING, static_cast<WPARAM>(c.start), reinterpret_cast<LPARAM>(c.text));
        EXPECT_EQ(r, c.expected) << "start " << c.start;
        EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), c.expected == LB_ERR ? before : c.expected);
    }
    EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 1, 0), 11);
    EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 6, 0), LB_ERR);
    // Choosing in code never notifies.
    EXPECT_EQ(Count(1001, LBN_SELCHANGE), 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST_F(ControlsTest, ListNotifiesPenKeysAndFocus) {
    HWND list = Child(u"LISTBOX", LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 1006, 42);
    for (const char16_t* size : {u"10", u"11", u"12", u"14", u"16", u"18", u"20"}) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size));
    }
    SetFocus(list);
    EXPECT_EQ(Count(1006, LBN_SETFOCUS), 1);
    RECT r;
    GetWindowRect(list, &r);
    Tap(r.left + 10, r.top + 2);  // the first row
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Count(1006, LBN_SELCHANGE), 1);
    Tap(r.left + 10, r.top + 2);  // the same row again: no change
    EXPECT_EQ(Count(1006, LBN_SELCHANGE), 1);
    Key(VK_DOWN);
    Key(VK_END);
    EXPECT_EQ(Item(list, static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0))), u"20");
    EXPECT_EQ(Count(1006, LBN_SELCHANGE), 3);
    // The end of the list was brought into view.
    EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0);
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    GetScrollInfo(list, SB_VERT, &si);
    EXPECT_EQ(si.nPos, SendMessageW(list, LB_GETTOPINDEX, 0, 0));
}

TEST_F(ControlsTest, EditLimitAndSelection) {
    HWND edit = Child(u"EDIT", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 1013);
    SetFocus(edit);
    SendMessageW(edit, EM_LIMITTEXT, 5, 0);
    for (char16_t c : std::u16string(u"abcdefg")) SendMessageW(edit, WM_CHAR, c, 0);
    EXPECT_EQ(Text(edit), u"abcde");
    EXPECT_EQ(Count(1013, EN_MAXTEXT), 2);  // "f" and "g" did not fit

    DWORD a = 0, b = 0;
    SendMessageW(edit, EM_SETSEL, 1, 3);
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 3u);
    SendMessageW(edit, WM_CHAR, u'X', 0);  // replaces "bc"
    EXPECT_EQ(Text(edit), u"aXde");

    SendMessageW(edit, EM_SETSEL, 0, -1);  // all
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 4u);
    SendMessageW(edit, WM_CHAR, 0x08, 0);  // backspace clears the selection
    EXPECT_EQ(Text(edit), u"");

    // Setting the text is not typing: it may pass the limit.
    SetWindowTextW(edit, u"Kislev 19");
    EXPECT_EQ(Text(edit), u"Kislev 19");
    Key(VK_END);
    Key(VK_LEFT, false, false, /*shift=*/true);
    Key(VK_LEFT, false, false, /*shift=*/true);
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 7u);
    EXPECT_EQ(b, 9u);
    Key(VK_DELETE);
    EXPECT_EQ(Text(edit), u"Kislev ");
    Key(VK_HOME);
    Key(VK_DELETE);
    EXPECT_EQ(Text(edit), u"islev ");
}

TEST_F(ControlsTest, EditSelectsWithThePen) {
    HWND edit = Child(u"EDIT", WS_BORDER | ES_AUTOHSCROLL, 1013);
    SetWindowTextW(edit, u"abcdefgh");
    TEXTMETRICW tm{};
    HDC dc = GetDC(edit);
    SelectObject(dc, ControlFont(edit));
    GetTextMetricsW(dc, &tm);
    RECT r;
    GetWindowRect(edit, &r);
    // The box face's characters have one advance; the text starts one pixel inside the client.
    const int left = r.left + 1 + 1;
    const int y = (r.top + r.bottom) / 2;
    PenDown(left + 2 * tm.tmAveCharWidth, y);
    PenMove(left + 5 * tm.tmAveCharWidth, y);
    PenUp(left + 5 * tm.tmAveCharWidth, y);
    DWORD a = 0, b = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 2u);
    EXPECT_EQ(b, 5u);
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(ControlsTest, SingleLineEditScrollsToTheCaret) {
    HWND edit = Child(u"EDIT", WS_BORDER | ES_AUTOHSCROLL, 1013);
    SetFocus(edit);
    const std::u16string text(40, u'w');  // far wider than the box
    for (char16_t c : text) SendMessageW(edit, WM_CHAR, c, 0);
    RECT r;
    GetWindowRect(edit, &r);
    const int y = (r.top + r.bottom) / 2;
    // The start has scrolled out of sight: a tap at the left edge lands well inside the text.
    Tap(r.left + 2, y);
    DWORD a = 0, b = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_GT(a, 20u);
    EXPECT_EQ(a, b);
    // Home brings the start back.
    Key(VK_HOME);
    Tap(r.left + 2, y);
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a, 0u);
}

TEST_F(ControlsTest, MultiLineEditTakesEnterAndWraps) {
    HWND edit = Child(u"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | WS_BORDER, 1002, 40);
    SetWindowTextW(edit, u"abcdefghijklmnopqrstuvwxyz");
    EXPECT_GT(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 1);  // 26 box glyphs do not fit in 98 pixels
    EXPECT_TRUE(SendMessageW(edit, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
    SendMessageW(edit, EM_SETSEL, 26, 26);
    SendMessageW(edit, WM_CHAR, u'\r', 0);
    SendMessageW(edit, WM_CHAR, u'!', 0);
    EXPECT_EQ(Text(edit), u"abcdefghijklmnopqrstuvwxyz\r\n!");
    // Backspace takes the line end as one.
    SendMessageW(edit, WM_CHAR, 0x08, 0);
    SendMessageW(edit, WM_CHAR, 0x08, 0);
    EXPECT_EQ(Text(edit), u"abcdefghijklmnopqrstuvwxyz");
}

TEST_F(ControlsTest, CheckBoxAndOwnerDrawnButton) {
    HWND box = Child(u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 1014, 14, u"Match Case");
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    Tap(15, 26 + 17);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Count(1014, BN_CLICKED), 1);
    SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Count(1014, BN_CLICKED), 1);  // setting it in code does not notify
    DestroyWindow(box);
    Pump();

    HWND link = Child(u"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 1025, 14, u"www.ostrelle.example");
    ASSERT_GE(Recorder::draws, 1);
    EXPECT_EQ(Recorder::drawn.CtlType, ODT_BUTTON);
    EXPECT_EQ(Recorder::drawn.CtlID, 1025u);
    EXPECT_EQ(Recorder::drawn.hwndItem, link);
    EXPECT_EQ(Recorder::drawn.rcItem.right, 100);
    EXPECT_EQ(Recorder::drawn.rcItem.bottom, 14);
    // The item's context draws into the button: its corners are blue, just outside is not.
    RECT r;
    GetWindowRect(link, &r);
    EXPECT_EQ(Pixel(r.left, r.top), 0x0000FFu);
    EXPECT_EQ(Pixel(r.right - 1, r.bottom - 1), 0x0000FFu);
    EXPECT_NE(Pixel(r.right, r.bottom), 0x0000FFu);
    // A pressed button is drawn selected; a tap on it is a click.
    PenDown(r.left + 3, r.top + 3);
    EXPECT_TRUE(Recorder::drawn.itemState & ODS_SELECTED);
    PenUp(r.left + 3, r.top + 3);
    EXPECT_FALSE(Recorder::drawn.itemState & ODS_SELECTED);
    EXPECT_EQ(Count(1025, BN_CLICKED), 1);
}

TEST_F(ControlsTest, StaticBitmapTakesItsSize) {
    HWND picture = Child(u"STATIC", SS_BITMAP, -1, 20, u"#113");
    RECT r;
    GetWindowRect(picture, &r);
    EXPECT_EQ(r.right - r.left, 59);
    EXPECT_EQ(r.bottom - r.top, 74);
    EXPECT_NE(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
}

TEST_F(ControlsTest, FontsComeAndGo) {
    LOGFONTW lf{};
    lf.lfHeight = 20;
    HFONT font = CreateFontIndirectW(&lf);
    for (const char16_t* cls : {u"STATIC", u"BUTTON", u"EDIT", u"LISTBOX"}) {
        HWND h = Child(cls, 0, 5);
        EXPECT_EQ(SendMessageW(h, WM_GETFONT, 0, 0), 0) << static_cast<char>(cls[0]);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), font);
        DestroyWindow(h);
    }
    DeleteObject(font);
}

}  // namespace
}  // namespace velin::platform::testing
