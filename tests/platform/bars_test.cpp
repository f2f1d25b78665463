// The shell menu bar and the command bar, built as the program builds them: the Go menu,
// the tool buttons with pressed feedback and tooltips, the close button, and their pictures.
#include "dialog_test_support.h"

namespace velin::platform::testing {
namespace {

const TBBUTTON kButtons[] = {
    {0, 110, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0}, {1, 108, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
    {2, 109, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0}, {3, 40006, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
    {4, 116, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0}, {5, 117, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
    {6, 119, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
};
const char16_t* const kTips[] = {u"", u"Previous Day", u"Today", u"Next Day", u"Choose Font",
                                 u"Search", u"Search Again", u"Choose Day"};

class BarsTest : public UiTest {
protected:
    static void Decorate(HWND bar) {
        std::vector<LPWSTR> tips;
        for (const char16_t* t : kTips) tips.push_back(const_cast<LPWSTR>(t));
        ASSERT_TRUE(CommandBar_AddToolTips(bar, static_cast<UINT>(tips.size()), tips.data()));
        ASSERT_EQ(CommandBar_AddBitmap(bar, nullptr, 114, 7, 16, 16), 0);
        ASSERT_TRUE(CommandBar_AddButtons(bar, 7, kButtons));
    }
    HWND MakeMenuBar(HWND owner) {
        SHMENUBARINFO info{sizeof info, owner, SHCMBF_HIDESIPBUTTON, 102, nullptr, 0, 0, nullptr, 0};
        EXPECT_TRUE(SHCreateMenuBar(&info));
        Decorate(info.hwndMB);
        Pump();
        return info.hwndMB;
    }
};

TEST_F(BarsTest, MenuBarAtTheBottomOpensGo) {
    HWND owner = MakeOwner();
    HWND bar = MakeMenuBar(owner);
    ASSERT_NE(bar, nullptr);
    RECT r;
    GetWindowRect(bar, &r);
    EXPECT_EQ(r.top, 320 - 26);
    EXPECT_EQ(r.bottom, 320);
    auto go = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 40001));
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(GetMenuItemID(go, 0), 40004u);
    // The program's check mark goes through the menu the bar hands out.
    CheckMenuItem(go, 123, MF_BYCOMMAND | MF_CHECKED);

    // The program narrows the bar by a scroll bar's width.
    MoveWindow(bar, r.left, r.top, (r.right - r.left) - GetSystemMetrics(SM_CXVSCROLL), r.bottom - r.top, TRUE);
    Pump();

    // A tap on "Go" opens the pop-up above the bar; a tap on an item sends its command.
    bool popupAbove = false;
    Steps({[&] {
        HWND popup = FindWindowW(u"MenuPopup", nullptr);
        RECT p{};
        GetWindowRect(popup, &p);
        popupAbove = popup && p.bottom <= 320 - 26;
        EXPECT_TRUE(MatchesGolden(Screen(), "bars_menubar_go"));
        QueueTap(p.left + 20, p.top + 5);
    }});
    Tap(r.left + 8, r.top + 13);
    Pump();
    EXPECT_TRUE(popupAbove);
    EXPECT_EQ(commands_, std::vector<UINT>{40004});
}

TEST_F(BarsTest, ToolButtonsPressTipAndCommand) {
    HWND owner = MakeOwner();
    HWND bar = MakeMenuBar(owner);
    RECT r;
    GetWindowRect(bar, &r);
    // Find the tool buttons by their commands: tap each from the right end leftwards until
    // "Choose Day" (119) comes, then check the held pen's feedback on it.
    const int y = r.top + 13;
    int x = r.left + 40;
    std::vector<UINT> seen;
    for (; x < r.right && seen.size() < 7; x += 23) {
        commands_.clear();
        Tap(x, y);
        if (!commands_.empty()) seen.push_back(commands_[0]);
    }
    EXPECT_EQ(seen, (std::vector<UINT>{110, 108, 109, 40006, 116, 117, 119}));

    const int lastX = x - 23;
    commands_.clear();
    PenDown(lastX, y);
    HWND tip = FindWindowW(u"ToolTip", nullptr);
    ASSERT_NE(tip, nullptr);
    WCHAR text[32];
    GetWindowTextW(tip, text, 32);
    EXPECT_EQ(std::u16string(text), u"Choose Day");
    RECT t;
    GetWindowRect(tip, &t);
    EXPECT_LE(t.bottom, r.top);  // above the bottom bar
    EXPECT_TRUE(MatchesGolden(Screen(), "bars_menubar_held"));
    // Sliding off the button and lifting the pen sends nothing.
    PenMove(lastX, r.top - 40);
    PenUp(lastX, r.top - 40);
    EXPECT_EQ(FindWindowW(u"ToolTip", nullptr), nullptr);
    EXPECT_TRUE(commands_.empty());
}

TEST_F(BarsTest, MenuBarIgnoresThePenUnderAModalDialog) {
    HWND owner = MakeOwner();
    HWND bar = MakeMenuBar(owner);
    RECT r;
    GetWindowRect(bar, &r);
    EnableWindow(owner, FALSE);
    Tap(r.left + 8, r.top + 13);  // would open Go
    Tap(r.left + 40, r.top + 13);
    EXPECT_EQ(FindWindowW(u"MenuPopup", nullptr), nullptr);
    Pump();
    EXPECT_TRUE(commands_.empty());
    EnableWindow(owner, TRUE);
}

TEST_F(BarsTest, CommandBarWithMenuButtonsAndClose) {
    HWND owner = MakeOwner();
    InitCommonControls();
    HWND bar = CommandBar_Create(nullptr, owner, 1);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetDlgCtrlID(bar), 1);
    EXPECT_EQ(CommandBar_Height(bar), 26);
    ASSERT_TRUE(CommandBar_InsertMenubar(bar, nullptr, 102, 0));
    Decorate(bar);
    CommandBar_AddAdornments(bar, 0, 0);
    CommandBar_Show(bar, TRUE);
    Pump();
    HMENU menu = CommandBar_GetMenu(bar, 0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(CheckMenuItem(menu, 123, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(MatchesGolden(Screen(), "bars_commandbar"));

    RECT r;
    GetWindowRect(bar, &r);
    // The Go menu opens below the bar; Escape closes it with no command.
    bool popupBelow = false;
    Steps({[&] {
        RECT p{};
        GetWindowRect(FindWindowW(u"MenuPopup", nullptr), &p);
        popupBelow = p.top >= r.bottom;
        QueueKey(VK_ESCAPE);
    }});
    Tap(r.left + 8, r.top + 13);
    Pump();
    EXPECT_TRUE(popupBelow);
    EXPECT_TRUE(commands_.empty());

    // The close button closes the window it serves.
    Tap(r.right - 10, r.top + 13);
    Pump();
    EXPECT_FALSE(IsWindow(owner));
}

}  // namespace
}  // namespace velin::platform::testing
