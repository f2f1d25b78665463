// The two bars: the command bar (a child strip at the top of its window) and the shell menu bar
// (a window of its own at the bottom of the screen). Both hold menu buttons that open their
// pop-up, bitmap tool buttons that send their command to the bar's window, tooltips shown
// while the pen is held on a button, and (the command bar) the close button.
#include <algorithm>
#include <cstring>

#include "platform/dialog_internal.h"

namespace velin::platform {

namespace {

constexpr char16_t kCommandBarClass[] = u"CommandBar";
constexpr char16_t kMenuBarClass[] = u"MenuBar";
constexpr char16_t kToolTipClass[] = u"ToolTip";
constexpr int kBarHeight = 26;
constexpr int kCloseWidth = 22;

struct BarButton {
    bool isMenu = false;
    int image = -1;
    int command = 0;
    BYTE state = TBSTATE_ENABLED;
    BYTE style = TBSTYLE_BUTTON;
    std::u16string label;  // menu buttons
    HMENU popup = nullptr;
    RECT rect{};
};

struct Bar {
    bool shell = false;
    HWND owner = nullptr;  // receives the commands
    HMENU menu = nullptr;  // owned
    std::vector<BarButton> buttons;
    HBITMAP images = nullptr;
    int imageWidth = 16;
    int imageHeight = 16;
    std::vector<std::u16string> tips;
    bool closeButton = false;
    int pressed = -1;  // button index; -2 the close button
    bool inside = false;
    HWND tip = nullptr;
};

Bar* BarOf(HWND hwnd) {
    Window* w = LookupWindow(hwnd);
    if (!w) return nullptr;
    const std::u16string cls = Lower(w->cls->name);
    if (cls != Lower(kCommandBarClass) && cls != Lower(kMenuBarClass)) return nullptr;
    return reinterpret_cast<Bar*>(GetWindowLongPtrW(hwnd, 0));
}

void Layout(HWND hwnd, Bar* bar) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, UiFont());
    RECT client;
    GetClientRect(hwnd, &client);
    int x = 0;
    for (BarButton& b : bar->buttons) {
        int w;
        if (b.isMenu) {
            RECT r{0, 0, 0, 0};
            DrawTextW(dc, b.label.c_str(), static_cast<int>(b.label.size()), &r, DT_SINGLELINE | DT_CALCRECT);
            w = r.right + 14;
        } else if (b.style & TBSTYLE_SEP) {
            w = 6;
        } else {
            w = bar->imageWidth + 7;
        }
        b.rect = RECT{x, 1, x + w, client.bottom - 1};
        x += w;
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    InvalidateRect(hwnd, nullptr, TRUE);
}

RECT CloseRect(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    return RECT{client.right - kCloseWidth - 2, 2, client.right - 2, client.bottom - 2};
}

void PaintBar(HWND hwnd, HDC dc, Bar* bar) {
    RECT client;
    GetClientRect(hwnd, &client);
    FillColor(dc, client, GetSysColor(COLOR_BTNFACE));
    // A line on the side that meets the window's content.
    if (bar->shell) {
        FillColor(dc, RECT{0, 0, client.right, 1}, RGB(0, 0, 0));
    } else {
        FillColor(dc, RECT{0, client.bottom - 1, client.right, client.bottom}, RGB(0, 0, 0));
    }
    HGDIOBJ oldFont = SelectObject(dc, UiFont());
    SetBkMode(dc, TRANSPARENT);
    HDC mem = bar->images ? CreateCompatibleDC(dc) : nullptr;
    HGDIOBJ oldBitmap = mem ? SelectObject(mem, bar->images) : nullptr;
    for (size_t k = 0; k < bar->buttons.size(); ++k) {
        const BarButton& b = bar->buttons[k];
        if ((b.style & TBSTYLE_SEP) || (b.state & TBSTATE_HIDDEN)) continue;
        const bool down = bar->pressed == static_cast<int>(k) && bar->inside;
        if (b.isMenu) {
            if (down) FillColor(dc, b.rect, RGB(0, 0, 0));
            SetTextColor(dc, down ? RGB(255, 255, 255) : RGB(0, 0, 0));
            RECT text = b.rect;
            DrawTextW(dc, b.label.c_str(), static_cast<int>(b.label.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
            continue;
        }
        const int ix = b.rect.left + (b.rect.right - b.rect.left - bar->imageWidth) / 2 + (down ? 1 : 0);
        const int iy = b.rect.top + (b.rect.bottom - b.rect.top - bar->imageHeight) / 2 + (down ? 1 : 0);
        if (down) FrameRect1(dc, b.rect, RGB(0, 0, 0));
        if (mem && b.image >= 0) {
            BitBlt(dc, ix, iy, bar->imageWidth, bar->imageHeight, mem, b.image * bar->imageWidth, 0, SRCCOPY);
        }
    }
    if (mem) {
        SelectObject(mem, oldBitmap);
        DeleteDC(mem);
    }
    if (bar->closeButton) {
        const RECT r = CloseRect(hwnd);
        const bool down = bar->pressed == -2 && bar->inside;
        FillColor(dc, r, down ? RGB(0, 0, 0) : RGB(255, 255, 255));
        FrameRect1(dc, r, RGB(0, 0, 0));
        const COLORREF ink = down ? RGB(255, 255, 255) : RGB(0, 0, 0);
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        for (int i = -4; i <= 4; ++i) {
            FillColor(dc, RECT{cx + i, cy + i, cx + i + 2, cy + i + 1}, ink);
            FillColor(dc, RECT{cx - i, cy + i, cx - i + 2, cy + i + 1}, ink);
        }
    }
    SelectObject(dc, oldFont);
}

int HitButton(HWND hwnd, Bar* bar, POINT p) {
    if (bar->closeButton) {
        const RECT r = CloseRect(hwnd);
        if (PtInRect(&r, p)) return -2;
    }
    for (size_t k = 0; k < bar->buttons.size(); ++k) {
        const BarButton& b = bar->buttons[k];
        if (!(b.style & TBSTYLE_SEP) && (b.state & TBSTATE_ENABLED) && PtInRect(&b.rect, p)) return static_cast<int>(k);
    }
    return -1;
}

LRESULT ToolTipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    FillColor(dc, r, GetSysColor(COLOR_INFOBK));
    FrameRect1(dc, r, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, UiFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    const Window* w = LookupWindow(hwnd);
    DrawTextW(dc, w->title.c_str(), static_cast<int>(w->title.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
    return 0;
}

void ShowTip(HWND hwnd, Bar* bar, int index) {
    if (index < 0 || static_cast<size_t>(index) >= bar->tips.size() || bar->tips[static_cast<size_t>(index)].empty()) return;
    const std::u16string& text = bar->tips[static_cast<size_t>(index)];
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, UiFont());
    RECT size{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &size, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int width = size.right + 8, height = size.bottom + 4;
    RECT button = bar->buttons[static_cast<size_t>(index)].rect;
    POINT at{button.left, bar->shell ? button.top - height - 2 : button.bottom + 2};
    ClientToScreen(hwnd, &at);
    at.x = std::clamp<LONG>(at.x, 0, std::max(0, S().screen.width - width));
    at.y = std::clamp<LONG>(at.y, 0, std::max(0, S().screen.height - height));
    bar->tip = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kToolTipClass, text.c_str(), WS_POPUP | WS_VISIBLE,
                               at.x, at.y, width, height, nullptr, nullptr, nullptr, nullptr);
}

void HideTip(Bar* bar) {
    if (bar->tip && IsWindow(bar->tip)) DestroyWindow(bar->tip);
    bar->tip = nullptr;
}

void OpenMenu(HWND hwnd, Bar* bar, int index) {
    BarButton& b = bar->buttons[static_cast<size_t>(index)];
    bar->pressed = index;
    bar->inside = true;
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    POINT at{b.rect.left, bar->shell ? 0 : b.rect.bottom + 1};
    ClientToScreen(hwnd, &at);
    TrackPopupMenuEx(b.popup, bar->shell ? TPM_BOTTOMALIGN : 0, at.x, at.y, bar->owner, nullptr);
    if (IsWindow(hwnd)) {
        bar->pressed = -1;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

LRESULT BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Bar* bar = reinterpret_cast<Bar*>(GetWindowLongPtrW(hwnd, 0));
    if (!bar) return DefWindowProcW(hwnd, msg, wParam, lParam);
    const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (msg) {
        case WM_NCDESTROY:
            HideTip(bar);
            if (bar->menu) DestroyMenu(bar->menu);
            if (bar->images) DeleteObject(bar->images);
            delete bar;
            SetWindowLongPtrW(hwnd, 0, 0);
            return 0;
        case WM_SIZE: Layout(hwnd, bar); return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintBar(hwnd, dc, bar);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_LBUTTONDOWN: {
            // Nothing on the bar works while the window it serves waits for a modal dialog.
            if (bar->owner && !IsWindowEnabled(bar->owner)) return 0;
            const int hit = HitButton(hwnd, bar, p);
            if (hit == -1) return 0;
            if (hit >= 0 && bar->buttons[static_cast<size_t>(hit)].isMenu) {
                OpenMenu(hwnd, bar, hit);
                return 0;
            }
            bar->pressed = hit;
            bar->inside = true;
            SetCapture(hwnd);
            InvalidateRect(hwnd, nullptr, FALSE);
            if (hit >= 0) ShowTip(hwnd, bar, hit);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (bar->pressed != -1) {
                const bool inside = HitButton(hwnd, bar, p) == bar->pressed;
                if (inside != bar->inside) {
                    bar->inside = inside;
                    InvalidateRect(hwnd, nullptr, FALSE);
                }
            }
            return 0;
        case WM_LBUTTONUP: {
            if (bar->pressed == -1) return 0;
            const int pressed = bar->pressed;
            const bool inside = HitButton(hwnd, bar, p) == pressed;
            bar->pressed = -1;
            bar->inside = false;
            HideTip(bar);
            if (GetCapture() == hwnd) ReleaseCapture();
            InvalidateRect(hwnd, nullptr, FALSE);
            if (!inside) return 0;
            if (pressed == -2) {
                PostMessageW(bar->owner, WM_CLOSE, 0, 0);
            } else {
                PostMessageW(bar->owner, WM_COMMAND, static_cast<WPARAM>(bar->buttons[static_cast<size_t>(pressed)].command), 0);
            }
            return 0;
        }
        case SHCMBM_GETSUBMENU:
            for (const BarButton& b : bar->buttons) {
                if (b.command == static_cast<int>(lParam) && b.popup) return reinterpret_cast<LRESULT>(b.popup);
            }
            return 0;
        case SHCMBM_GETMENU: return reinterpret_cast<LRESULT>(bar->menu);
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void RegisterBarClasses() {
    const std::pair<const char16_t*, WNDPROC> kClasses[] = {
        {kCommandBarClass, BarProc}, {kMenuBarClass, BarProc}, {kToolTipClass, ToolTipProc}};
    for (const auto& [name, proc] : kClasses) {
        WNDCLASSW existing;
        if (GetClassInfoW(nullptr, name, &existing)) continue;
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.lpszClassName = name;
        RegisterClassW(&wc);
    }
}

HWND MakeBar(bool shell, HWND owner, HWND parent, int id, int x, int y, int width, DWORD style, DWORD exStyle) {
    RegisterBarClasses();
    HWND hwnd = CreateWindowExW(exStyle, shell ? kMenuBarClass : kCommandBarClass, u"", style & ~WS_VISIBLE, x, y,
                                width, kBarHeight, parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                                nullptr, nullptr);
    if (!hwnd) return nullptr;
    Bar* bar = new Bar;
    bar->shell = shell;
    bar->owner = owner;
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(bar));
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOWNA);
    return hwnd;
}

}  // namespace

}  // namespace velin::platform

using namespace velin::platform;

void InitCommonControls() { RegisterBarClasses(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    RegisterBarClasses();
    return TRUE;
}

HWND CommandBar_Create(HINSTANCE, HWND parent, int id) {
    if (!LookupWindow(parent)) return nullptr;
    RECT client;
    GetClientRect(parent, &client);
    return MakeBar(false, parent, parent, id, 0, 0, client.right, WS_CHILD | WS_VISIBLE, 0);
}

BOOL CommandBar_InsertMenubar(HWND hwnd, HINSTANCE instance, WORD menuId, WORD button) {
    Bar* bar = BarOf(hwnd);
    if (!bar) return FALSE;
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
    if (!menu) return FALSE;
    if (bar->menu) DestroyMenu(bar->menu);
    bar->menu = menu;
    bar->buttons.erase(std::remove_if(bar->buttons.begin(), bar->buttons.end(), [](const BarButton& b) { return b.isMenu; }),
                       bar->buttons.end());
    const size_t at = std::min<size_t>(button, bar->buttons.size());
    std::vector<BarButton> add;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (!sub) continue;
        BarButton b;
        b.isMenu = true;
        b.popup = sub;
        b.label = MenuItemText(menu, i);
        add.push_back(std::move(b));
    }
    bar->buttons.insert(bar->buttons.begin() + static_cast<ptrdiff_t>(at), add.begin(), add.end());
    Layout(hwnd, bar);
    return TRUE;
}

int CommandBar_AddBitmap(HWND hwnd, HINSTANCE instance, int bitmapId, int count, int width, int height) {
    Bar* bar = BarOf(hwnd);
    if (!bar || count <= 0 || width <= 0 || height <= 0) return -1;
    HBITMAP bm = LoadBitmapW(instance, MAKEINTRESOURCEW(static_cast<uintptr_t>(bitmapId)));
    if (!bm) return -1;
    if (bar->images) DeleteObject(bar->images);
    bar->images = bm;
    bar->imageWidth = width;
    bar->imageHeight = height;
    Layout(hwnd, bar);
    return 0;
}

BOOL CommandBar_AddButtons(HWND hwnd, UINT count, const TBBUTTON* buttons) {
    Bar* bar = BarOf(hwnd);
    if (!bar || (count && !buttons)) return FALSE;
    for (UINT i = 0; i < count; ++i) {
        BarButton b;
        b.image = buttons[i].iBitmap;
        b.command = buttons[i].idCommand;
        b.state = buttons[i].fsState;
        b.style = buttons[i].fsStyle;
        bar->buttons.push_back(b);
    }
    Layout(hwnd, bar);
    return TRUE;
}

BOOL CommandBar_AddToolTips(HWND hwnd, UINT count, LPWSTR* tips) {
    Bar* bar = BarOf(hwnd);
    if (!bar || (count && !tips)) return FALSE;
    bar->tips.clear();
    for (UINT i = 0; i < count; ++i) bar->tips.push_back(FromW(tips[i]));
    return TRUE;
}

BOOL CommandBar_AddAdornments(HWND hwnd, DWORD, DWORD) {
    Bar* bar = BarOf(hwnd);
    if (!bar) return FALSE;
    bar->closeButton = true;
    InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

int CommandBar_Height(HWND hwnd) {
    RECT r;
    return BarOf(hwnd) && GetWindowRect(hwnd, &r) ? r.bottom - r.top : 0;
}

HMENU CommandBar_GetMenu(HWND hwnd, int) {
    Bar* bar = BarOf(hwnd);
    return bar ? bar->menu : nullptr;
}

BOOL CommandBar_Show(HWND hwnd, BOOL show) {
    if (!BarOf(hwnd)) return FALSE;
    ShowWindow(hwnd, show ? SW_SHOWNA : SW_HIDE);
    return TRUE;
}

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
    if (!info || !LookupWindow(info->hwndParent)) return FALSE;
    info->hwndMB = nullptr;
    HMENU menu = nullptr;
    struct Record {
        int image, command, state, style, label, subMenu;
    };
    std::vector<Record> records;
    if (!(info->dwFlags & SHCMBF_EMPTYBAR)) {
        // The menu-bar record: the menu's id, the button count, then seven words a button
        // (image, command, state, style, label string, a reserved word, pop-up index). Every
        // count is checked against the record's size.
        HRSRC res = FindResourceW(info->hInstRes, MAKEINTRESOURCEW(info->nToolBarId), RT_RCDATA);
        HGLOBAL data = res ? LoadResource(info->hInstRes, res) : nullptr;
        const DWORD size = res ? SizeofResource(info->hInstRes, res) : 0;
        if (!data || size < 4) return FALSE;
        const auto* bytes = static_cast<const uint8_t*>(LockResource(data));
        auto word = [&](size_t i) { return static_cast<int>(bytes[2 * i] | (bytes[2 * i + 1] << 8)); };
        const int menuId = word(0);
        const size_t count = static_cast<size_t>(word(1));
        if (size < 4 + count * 14) return FALSE;
        for (size_t i = 0; i < count; ++i) {
            const size_t at = 2 + i * 7;
            records.push_back({word(at), word(at + 1), word(at + 2), word(at + 3), word(at + 4), word(at + 6)});
        }
        menu = (info->dwFlags & SHCMBF_HMENU) ? nullptr : LoadMenuW(info->hInstRes, MAKEINTRESOURCEW(static_cast<uintptr_t>(menuId)));
    }
    const int width = S().screen.width;
    const int y = S().screen.height - kBarHeight;
    const DWORD style = WS_POPUP | ((info->dwFlags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE);
    HWND hwnd = MakeBar(true, info->hwndParent, info->hwndParent, 0, 0, y, width, style, WS_EX_NOACTIVATE);
    if (!hwnd) {
        if (menu) DestroyMenu(menu);
        return FALSE;
    }
    Bar* bar = BarOf(hwnd);
    bar->menu = menu;
    for (const Record& r : records) {
        BarButton b;
        b.command = r.command;
        b.state = static_cast<BYTE>(r.state);
        b.style = static_cast<BYTE>(r.style);
        if (r.image != 0xFFFE) b.image = r.image;
        HMENU popup = menu ? GetSubMenu(menu, r.subMenu) : nullptr;
        if (popup) {
            b.isMenu = true;
            b.popup = popup;
        }
        LPCWSTR text = nullptr;
        const int n = LoadStringW(info->hInstRes, static_cast<UINT>(r.label), reinterpret_cast<LPWSTR>(&text), 0);
        if (n > 0 && text) b.label.assign(text, static_cast<size_t>(n));
        bar->buttons.push_back(std::move(b));
    }
    Layout(hwnd, bar);
    info->hwndMB = hwnd;
    return TRUE;
}
