// Modal dialogs: results of nested dialogs, EndDialog during initialisation, the keys and the
// caption's OK button, Tab order, the shell's full-screen set-up, and the template text.
#include "dialog_test_support.h"

namespace velin::platform::testing {
namespace {

using DialogTest = UiTest;

DLGTEMPLATE SmallDialog(std::vector<DLGITEMTEMPLATEW> items = {}) {
    DLGTEMPLATE t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT | DS_CENTER;
    t.exStyle = WS_EX_CAPTIONOKBTN;
    t.caption = u"Test";
    t.pointSize = 8;
    t.faceName = u"System";
    t.cx = 120;
    t.cy = 60;
    t.items = std::move(items);
    return t;
}

DLGITEMTEMPLATEW Item(int id, const char16_t* cls, DWORD style, short y, const char16_t* text = u"") {
    DLGITEMTEMPLATEW i;
    i.id = id;
    i.className = cls;
    i.style = style | WS_CHILD | WS_VISIBLE;
    i.x = 4;
    i.y = y;
    i.cx = 80;
    i.cy = 12;
    i.text = text;
    return i;
}

// Ends with the id of any OK or Cancel command.
INT_PTR EndOnOkCancel(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

struct Nested {
    static inline DLGTEMPLATE inner;
    static inline INT_PTR innerResult = 0;
    static inline bool outerEnabledDuringInner = true;
    static INT_PTR Outer(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            innerResult = DialogBoxIndirectParamW(nullptr, &inner, dlg, Inner, 0);
            EndDialog(dlg, 9);
            return TRUE;
        }
        return FALSE;
    }
    static INT_PTR Inner(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
            outerEnabledDuringInner = IsWindowEnabled(GetParent(dlg)) != 0;
            EndDialog(dlg, 7);
            return TRUE;
        }
        return FALSE;
    }
};

TEST_F(DialogTest, NestedDialogsReturnToTheirOwnCallers) {
    HWND owner = MakeOwner();
    DLGTEMPLATE outer = SmallDialog();
    Nested::inner = SmallDialog();
    Nested::inner.caption = u"Inner";
    HWND outerWindow = nullptr;
    bool ownerEnabledDuringOuter = true;
    Steps({[&] {
               outerWindow = GetActiveWindow();
               ownerEnabledDuringOuter = IsWindowEnabled(owner) != 0;
               QueueKey(VK_RETURN);  // opens the inner one
           },
           [&] {
               EXPECT_NE(GetActiveWindow(), outerWindow);
               QueueKey(VK_RETURN);  // ends the inner one with 7
           }});
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &outer, owner, Nested::Outer, 0), 9);
    EXPECT_EQ(Nested::innerResult, 7);
    EXPECT_FALSE(ownerEnabledDuringOuter);
    EXPECT_FALSE(Nested::outerEnabledDuringInner);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(outerWindow));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(DialogTest, EndDialogDuringInitialisation) {
    static LPARAM seen = 0;
    static bool shown = false;
    DLGTEMPLATE t = SmallDialog();
    const INT_PTR r = DialogBoxIndirectParamW(
        nullptr, &t, nullptr,
        [](HWND dlg, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
            if (msg == WM_INITDIALOG) {
                seen = lParam;
                EndDialog(dlg, 42);
            }
            if (msg == WM_SHOWWINDOW) shown = true;
            return FALSE;
        },
        1234);
    EXPECT_EQ(r, 42);
    EXPECT_EQ(seen, 1234);
    EXPECT_FALSE(shown);
}

TEST_F(DialogTest, KeysAndCaptionButtonEndTheDialog) {
    enum How { kEnter, kEscape, kCaptionOk, kClose };
    const struct {
        How how;
        INT_PTR expected;
    } kCases[] = {{kEnter, IDOK}, {kEscape, IDCANCEL}, {kCaptionOk, IDOK}, {kClose, IDCANCEL}};
    DLGTEMPLATE t = SmallDialog({Item(100, u"EDIT", WS_BORDER | WS_TABSTOP, 4)});
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.how);
        Steps({[&] {
            HWND dlg = GetActiveWindow();
            switch (c.how) {
                case kEnter: QueueKey(VK_RETURN); break;
                case kEscape: QueueKey(VK_ESCAPE); break;
                case kCaptionOk: {
                    RECT r;
                    GetWindowRect(dlg, &r);
                    QueueTap(r.right - 16, r.top + 10);
                    break;
                }
                case kClose: PostMessageW(dlg, WM_CLOSE, 0, 0); break;
            }
        }});
        EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &t, nullptr, EndOnOkCancel, 0), c.expected);
    }
}

TEST_F(DialogTest, TabMovesAmongTabStops) {
    DLGTEMPLATE t = SmallDialog({Item(11, u"EDIT", WS_BORDER | WS_TABSTOP, 4), Item(12, u"STATIC", 0, 18, u"Label"),
                                 Item(13, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 30, u"Box"),
                                 Item(14, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 44, u"Off")});
    std::vector<int> focus;
    auto record = [&] { focus.push_back(GetDlgCtrlID(GetFocus())); };
    Steps({[&] { record(); QueueKey(VK_TAB); },
           [&] { record(); QueueKey(VK_TAB); },
           [&] { record(); QueueKey(VK_TAB, /*shift=*/true); },
           [&] { record(); QueueKey(VK_ESCAPE); }});
    DialogBoxIndirectParamW(nullptr, &t, nullptr, EndOnOkCancel, 0);
    // The static and the disabled button are skipped; Tab wraps round.
    EXPECT_EQ(focus, (std::vector<int>{11, 13, 11, 13}));
}

TEST_F(DialogTest, FullScreenSetUpAndDoneButton) {
    static RECT rect{};
    static bool okButton = false;
    DLGTEMPLATE t = SmallDialog();
    t.exStyle = 0;
    Steps({[] { QueueKey(VK_ESCAPE); }});
    DialogBoxIndirectParamW(
        nullptr, &t, nullptr,
        [](HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
            if (msg == WM_INITDIALOG) {
                SHINITDLGINFO info{SHIDIM_FLAGS, dlg, 0x1E | SHIDIF_DONEBUTTON};
                SHInitDialog(&info);
                GetWindowRect(dlg, &rect);
                const RECT ok = CaptionOkRect(LookupWindow(dlg));
                okButton = !IsRectEmpty(&ok);
                return TRUE;
            }
            return EndOnOkCancel(dlg, msg, wParam, lParam);
        },
        0);
    // Under the task bar, to the bottom of the screen.
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 26);
    EXPECT_EQ(rect.right, 240);
    EXPECT_EQ(rect.bottom, 320);
    EXPECT_TRUE(okButton);
}

TEST_F(DialogTest, SearchDialogPicture) {
    HWND owner = MakeOwner();
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(115), RT_DIALOG);
    ASSERT_NE(res, nullptr);
    const auto* t = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(nullptr, res)));
    ASSERT_NE(t, nullptr);
    Steps({[] { QueueText(u"Kislev"); QueueKey(VK_TAB); QueueKey(VK_SPACE); },
           [&] {
               EXPECT_TRUE(MatchesGolden(Screen(), "dialog_search"));
               QueueKey(VK_RETURN);
           }});
    static std::u16string text;
    static UINT checked = 0;
    const INT_PTR r = DialogBoxIndirectParamW(
        nullptr, t, owner,
        [](HWND dlg, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
            if (msg == WM_INITDIALOG) {
                SendDlgItemMessageW(dlg, 1013, EM_LIMITTEXT, 33, 0);
                return TRUE;
            }
            if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
                WCHAR buf[40];
                GetDlgItemTextW(dlg, 1013, buf, 40);
                text = buf;
                checked = IsDlgButtonChecked(dlg, 1014);
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            return FALSE;
        },
        0);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(text, u"Kislev");
    EXPECT_EQ(checked, BST_CHECKED);
}

TEST_F(DialogTest, BuiltInTemplates) {
    const struct {
        int id;
        const char16_t* caption;
        short cx, cy;
        std::vector<int> controls;
    } kCases[] = {
        {103, u"Velin", 130, 85, {-1, -1, -1, -1, 1025}},
        {105, u"Choose Font", 152, 167, {1001, 1006, 1002}},
        {106, u"Hebrew Calendar", 160, 160, {}},
        {115, u"Velin", 126, 58, {-1, 1013, 1014}},
        {118, u"Choose Section", 160, 160, {}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.id);
        const DLGTEMPLATE* t = FindDialogTemplate(c.id);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->caption, c.caption);
        EXPECT_EQ(t->cx, c.cx);
        EXPECT_EQ(t->cy, c.cy);
        EXPECT_EQ(t->exStyle, WS_EX_CAPTIONOKBTN);
        EXPECT_EQ(t->style, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT);
        std::vector<int> ids;
        for (const DLGITEMTEMPLATEW& i : t->items) ids.push_back(i.id);
        EXPECT_EQ(ids, c.controls);
    }
    // The styles that the dialogs' code depends on.
    EXPECT_EQ(FindDialogTemplate(105)->items[0].style & (LBS_SORT | LBS_NOTIFY | WS_VSCROLL), LBS_SORT | LBS_NOTIFY | WS_VSCROLL);
    EXPECT_EQ(FindDialogTemplate(105)->items[1].style & LBS_SORT, 0u);
    EXPECT_EQ(FindDialogTemplate(115)->items[2].style & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(FindDialogTemplate(103)->items[4].style & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(104), RT_DIALOG), nullptr);
}

TEST_F(DialogTest, TemplateTextErrorsNameTheLine) {
    const struct {
        const char* text;
        const char* error;
    } kCases[] = {
        {"DIALOG 1 0 0 10 10\nSTYLE WS_POPUP | WS_NOPE\nEND\n", "line 2: unknown style WS_NOPE"},
        {"DIALOG 1 0 0 10\n", "line 1: DIALOG needs an id, x, y, width and height"},
        {"DIALOG 1 0 0 10 10\nCAPTION \"open\n", "line 2: unterminated string"},
        {"DIALOG 1 0 0 10 10\nCONTROL 5 EDIT WS_BORDER 1 2 3 \"x\"\nEND\n",
         "line 2: CONTROL needs x, y, width, height and a text"},
        {"MENU 2\nPOPUP \"&Go\"\nITEM 5 \"A\"\nEND\n", "line 5: END is missing"},
        {"WINDOW 3\n", "line 1: expected DIALOG or MENU, not WINDOW"},
    };
    for (const auto& c : kCases) {
        TemplateSet set;
        std::string error;
        EXPECT_FALSE(ParseTemplates(c.text, &set, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

}  // namespace
}  // namespace velin::platform::testing
