// Menus: menu 102 as the resources hold it, check marks by command, and the pop-up answered
// by taps and keys.
#include "dialog_test_support.h"

namespace velin::platform::testing {
namespace {

using MenuTest = UiTest;

TEST_F(MenuTest, GoMenuAsTheResourcesHoldIt) {
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(102));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(MenuItemText(menu, 0), u"&Go");
    HMENU go = GetSubMenu(menu, 0);
    ASSERT_NE(go, nullptr);
    const struct {
        UINT id;  // 0: a separator
        const char16_t* text;
    } kItems[] = {
        {40004, u"&About"}, {129, u"Check For &Updates"}, {40006, u"F&ont\bCtrl+F"}, {0, u""},
        {119, u"&Index\bCtrl+I"}, {123, u"&Bookmark"}, {107, u"&Calendar\bCtrl+D"}, {0, u""},
        {108, u"&Today\bCtrl+Home"}, {110, u"&Previous day"}, {109, u"&Next day"}, {0, u""},
        {116, u"&Search\bAlt+F3"}, {117, u"Search A&gain\bF3"}, {0, u""},
        {40007, u"&Copy\bCtrl+C"}, {40009, u"&Append to ClipBoard\bCtrl+E"}, {0, u""},
        {40005, u"E&xit\bCtrl+Q"},
    };
    ASSERT_EQ(GetMenuItemCount(go), static_cast<int>(std::size(kItems)));
    for (int i = 0; i < GetMenuItemCount(go); ++i) {
        SCOPED_TRACE(i);
        const auto& want = kItems[i];
        const bool separator = (GetMenuState(go, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0;
        EXPECT_EQ(separator, want.id == 0);
        if (want.id) {
            EXPECT_EQ(GetMenuItemID(go, i), want.id);
        }
        EXPECT_EQ(MenuItemText(go, i), want.text);
    }
    DestroyMenu(menu);
}

TEST_F(MenuTest, CheckMarkFollowsCheckMenuItem) {
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(102));
    // By command, from the menu bar down into its pop-up.
    EXPECT_EQ(CheckMenuItem(menu, 123, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(GetMenuState(menu, 123, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 123, MF_BYCOMMAND | MF_CHECKED), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 123, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, 123, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 999, MF_BYCOMMAND | MF_CHECKED), 0xFFFFFFFFu);
    DestroyMenu(menu);
    EXPECT_EQ(CheckMenuItem(menu, 123, MF_BYCOMMAND | MF_CHECKED), 0xFFFFFFFFu);  // a dead menu
}

TEST_F(MenuTest, PopUpIsAnsweredByTapsAndKeys) {
    HWND owner = MakeOwner();
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(102));
    HMENU go = GetSubMenu(menu, 0);
    enum How { kTapFirst, kTapSeparatorThenFirst, kDownDownEnter, kAccessKey, kEscape, kTapOutside };
    const struct {
        How how;
        UINT expected;  // the command posted, 0 for none
    } kCases[] = {
        {kTapFirst, 40004},
        {kTapSeparatorThenFirst, 40004},  // a separator is no choice; the menu stays open
        {kDownDownEnter, 129},
        {kAccessKey, 119},  // "&Index"
        {kEscape, 0},
        {kTapOutside, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.how);
        commands_.clear();
        auto tapRow = [](int row) {
            HWND popup = FindWindowW(u"MenuPopup", nullptr);
            RECT r;
            GetWindowRect(popup, &r);
            QueueTap(r.left + 20, r.top + 1 + row);
        };
        std::deque<std::function<void()>> steps;
        switch (c.how) {
            case kTapFirst: steps = {[&] { tapRow(5); }}; break;
            case kTapSeparatorThenFirst: {
                steps = {[&] {
                             HWND popup = FindWindowW(u"MenuPopup", nullptr);
                             RECT r;
                             GetWindowRect(popup, &r);
                             // Three items of the face's height + 3, then the separator.
                             TEXTMETRICW tm{};
                             HDC dc = GetDC(nullptr);
                             SelectObject(dc, UiFont());
                             GetTextMetricsW(dc, &tm);
                             ReleaseDC(nullptr, dc);
                             QueueTap(r.left + 20, r.top + 1 + 3 * (tm.tmHeight + 3) + 2);
                         },
                         [&] {
                             EXPECT_NE(FindWindowW(u"MenuPopup", nullptr), nullptr);
                             tapRow(5);
                         }};
                break;
            }
            case kDownDownEnter: steps = {[] { QueueKey(VK_DOWN); QueueKey(VK_DOWN); QueueKey(VK_RETURN); }}; break;
            case kAccessKey: steps = {[] { QueueKey('I'); }}; break;
            case kEscape: steps = {[] { QueueKey(VK_ESCAPE); }}; break;
            case kTapOutside: steps = {[] { QueueTap(235, 315); }}; break;
        }
        Steps(std::move(steps));
        TrackPopupMenuEx(go, 0, 10, 40, owner, nullptr);
        EXPECT_EQ(FindWindowW(u"MenuPopup", nullptr), nullptr);
        Pump();
        EXPECT_EQ(commands_, c.expected ? std::vector<UINT>{c.expected} : std::vector<UINT>{});
    }
    // With TPM_RETURNCMD the choice comes back and nothing is posted.
    commands_.clear();
    Steps({[] { QueueKey('X'); }});
    EXPECT_EQ(TrackPopupMenuEx(go, TPM_RETURNCMD, 10, 40, owner, nullptr), 40005);
    Pump();
    EXPECT_TRUE(commands_.empty());
    DestroyMenu(menu);
}

TEST_F(MenuTest, PopUpPicture) {
    HWND owner = MakeOwner();
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(102));
    CheckMenuItem(menu, 123, MF_BYCOMMAND | MF_CHECKED);
    Steps({[] { QueueKey(VK_DOWN); },
           [] {
               EXPECT_TRUE(MatchesGolden(Screen(), "menu_go_checked"));
               QueueKey(VK_ESCAPE);
           }});
    TrackPopupMenuEx(GetSubMenu(menu, 0), 0, 0, 52, owner, nullptr);
    DestroyMenu(menu);
}

}  // namespace
}  // namespace velin::platform::testing
