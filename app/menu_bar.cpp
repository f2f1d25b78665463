// The one bar of the main window: the Go menu and seven tool buttons, either as the shell's
// menu bar at the bottom of the screen (newer platforms, or when the switch asks for it) or as
// a command bar at the top of the window.
#include "app/app.h"

namespace {

constexpr int kToolButtonCount = 7;
constexpr int kToolBitmap = 114;
constexpr int kMenuResource = 102;
constexpr int kMenuBarResource = 102;

struct ToolButton {
    int image;
    UINT command;
};
constexpr ToolButton kToolButtons[kToolButtonCount] = {
    {0, kCmdPreviousDay}, {1, kCmdToday},       {2, kCmdNextDay}, {3, kCmdFont},
    {4, kCmdSearch},      {5, kCmdSearchAgain}, {6, kCmdIndex},
};

// One tooltip per bar position; the first is the menu's.
const char16_t* const kToolTips[kToolButtonCount + 1] = {
    u"",       u"Previous Day", u"Today",      u"Next Day", u"Choose Font",
    u"Search", u"Search Again", u"Choose Day",
};

}  // namespace

void BuildMenuBar() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExW(&version) && (version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 &&
                                                                   version.dwMinorVersion >= 21))) {
        g_app.MenuBarOnBottom = 1;
    }
    HWND bar = nullptr;
    if (g_app.MenuBarOnBottom) {
        SHMENUBARINFO info{};
        info.cbSize = sizeof info;
        info.hwndParent = g_app.mainWindow;
        info.dwFlags = SHCMBF_HIDESIPBUTTON;
        info.nToolBarId = kMenuBarResource;
        info.hInstRes = g_app.instance;
        info.nBmpId = 0;
        info.cBmpImages = 0;
        if (!SHCreateMenuBar(&info) || !info.hwndMB) {
            g_app.barWindow = nullptr;
            g_app.barHeight = 0;
            return;
        }
        bar = info.hwndMB;
        RECT r{};
        GetWindowRect(bar, &r);
        g_app.barHeight = r.bottom - r.top;
        // Leaves the strip under the window's scroll bar free.
        MoveWindow(bar, r.left, r.top, r.right - r.left - GetSystemMetrics(SM_CXVSCROLL),
                   r.bottom - r.top, TRUE);
    } else {
        bar = CommandBar_Create(g_app.instance, g_app.mainWindow, 1);
        if (!bar) {
            g_app.barWindow = nullptr;
            g_app.barHeight = 0;
            return;
        }
        g_app.barHeight = CommandBar_Height(bar);
        CommandBar_InsertMenubar(bar, g_app.instance, kMenuResource, 0);
    }
    g_app.barWindow = bar;

    LPWSTR tips[kToolButtonCount + 1];
    for (int i = 0; i <= kToolButtonCount; ++i) tips[i] = const_cast<LPWSTR>(kToolTips[i]);
    CommandBar_AddToolTips(bar, kToolButtonCount + 1, tips);
    CommandBar_AddBitmap(bar, g_app.instance, kToolBitmap, kToolButtonCount, 16, 16);
    TBBUTTON buttons[kToolButtonCount]{};
    for (int i = 0; i < kToolButtonCount; ++i) {
        buttons[i].iBitmap = kToolButtons[i].image;
        buttons[i].idCommand = static_cast<int>(kToolButtons[i].command);
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = TBSTYLE_BUTTON;
    }
    CommandBar_AddButtons(bar, kToolButtonCount, buttons);
    if (g_switches.FullScreen && !g_app.MenuBarOnBottom) CommandBar_AddAdornments(bar, 0, 0);
    CommandBar_Show(bar, TRUE);
}

HMENU GoMenu() {
    if (!g_app.barWindow) return nullptr;
    if (g_app.MenuBarOnBottom) {
        return reinterpret_cast<HMENU>(
            SendMessageW(g_app.barWindow, SHCMBM_GETSUBMENU, 0, kCmdGoMenu));
    }
    return CommandBar_GetMenu(g_app.barWindow, 0);
}
