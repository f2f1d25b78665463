// Menus: menu records made from the resource text or by code, check marks, and the pop-up
// that shows one over the screen and runs until an item is chosen or it is dismissed.
#include <algorithm>
#include <memory>
#include <set>

#include "platform/dialog_internal.h"

namespace velin::platform {

namespace {

struct Menu;

struct MenuItem {
    UINT id = 0;
    UINT flags = 0;  // MF_CHECKED, MF_GRAYED, MF_SEPARATOR, MF_POPUP
    std::u16string text;
    Menu* sub = nullptr;  // owned by this item
};

struct Menu {
    std::vector<MenuItem> items;
};

std::set<Menu*>& LiveMenus() {
    static std::set<Menu*> menus;
    return menus;
}

Menu* NewMenu() {
    Menu* m = new Menu;
    LiveMenus().insert(m);
    return m;
}

Menu* Lookup(HMENU h) {
    Menu* m = reinterpret_cast<Menu*>(h);
    return LiveMenus().count(m) ? m : nullptr;
}

HMENU ToHandle(Menu* m) { return reinterpret_cast<HMENU>(m); }

void FreeMenu(Menu* m) {
    if (!LiveMenus().erase(m)) return;
    for (MenuItem& i : m->items) {
        if (i.sub) FreeMenu(i.sub);
    }
    delete m;
}

Menu* Build(const std::vector<MenuTemplateItem>& items) {
    Menu* m = NewMenu();
    for (const MenuTemplateItem& t : items) {
        MenuItem i;
        i.text = t.text;
        if (t.separator) {
            i.flags = MF_SEPARATOR;
        } else if (t.isPopup) {
            i.flags = MF_POPUP;
            i.sub = Build(t.popup);
        } else {
            i.id = t.id;
        }
        m->items.push_back(std::move(i));
    }
    return m;
}

// The item by command (searching sub-menus too) or by position.
MenuItem* FindItem(Menu* m, UINT item, UINT flags) {
    if (!m) return nullptr;
    if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
    for (MenuItem& i : m->items) {
        if (!(i.flags & (MF_POPUP | MF_SEPARATOR)) && i.id == item) return &i;
        if (i.sub) {
            if (MenuItem* found = FindItem(i.sub, item, flags)) return found;
        }
    }
    return nullptr;
}

// ---- the pop-up ----------------------------------------------------------------------------------

constexpr char16_t kPopupClass[] = u"MenuPopup";
constexpr int kSeparatorHeight = 5;
constexpr int kCheckColumn = 16;
constexpr int kShortcutGap = 16;

struct Popup {
    Menu* menu = nullptr;
    int hot = -1;  // the highlighted item
    int itemHeight = 16;
    std::vector<RECT> rows;  // client coordinates
};

// Splits "label\bshortcut".
void SplitLabel(const std::u16string& text, std::u16string* label, std::u16string* shortcut) {
    const size_t cut = text.find(u'\b');
    *label = text.substr(0, cut);
    *shortcut = cut == std::u16string::npos ? std::u16string() : text.substr(cut + 1);
}

bool Selectable(const MenuItem& i) { return !(i.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)); }

void PaintPopup(HWND hwnd, HDC dc, Popup* p) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillColor(dc, r, RGB(255, 255, 255));
    FrameRect1(dc, r, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, UiFont());
    SetBkMode(dc, TRANSPARENT);
    for (size_t k = 0; k < p->menu->items.size(); ++k) {
        const MenuItem& item = p->menu->items[k];
        const RECT row = p->rows[k];
        if (item.flags & MF_SEPARATOR) {
            const int y = (row.top + row.bottom) / 2;
            FillColor(dc, RECT{row.left + 2, y, row.right - 2, y + 1}, RGB(0, 0, 0));
            continue;
        }
        const bool hot = static_cast<int>(k) == p->hot;
        if (hot) FillColor(dc, row, RGB(0, 0, 0));
        const COLORREF ink = hot ? RGB(255, 255, 255) : (Selectable(item) ? RGB(0, 0, 0) : RGB(128, 128, 128));
        SetTextColor(dc, ink);
        if (item.flags & MF_CHECKED) {
            // A tick in the check column.
            const int cy = (row.top + row.bottom) / 2;
            for (int t = 0; t < 2; ++t) {
                for (int i = 0; i < 3; ++i) FillColor(dc, RECT{row.left + 3 + i, cy - 1 + i + t, row.left + 4 + i, cy + i + t}, ink);
                for (int i = 0; i < 5; ++i) FillColor(dc, RECT{row.left + 6 + i, cy + 1 - i + t, row.left + 7 + i, cy + 2 - i + t}, ink);
            }
        }
        std::u16string label, shortcut;
        SplitLabel(item.text, &label, &shortcut);
        RECT text{row.left + kCheckColumn, row.top, row.right - 6, row.bottom};
        DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        if (!shortcut.empty()) {
            DrawTextW(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
        }
    }
    SelectObject(dc, old);
}

LRESULT PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* p = reinterpret_cast<Popup*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_PAINT && p) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintPopup(hwnd, dc, p);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Measure(Popup* p, int* width, int* height) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, UiFont());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    p->itemHeight = tm.tmHeight + 3;
    int labels = 0, shortcuts = 0;
    for (const MenuItem& i : p->menu->items) {
        std::u16string label, shortcut;
        SplitLabel(i.text, &label, &shortcut);
        RECT a{0, 0, 0, 0}, b{0, 0, 0, 0};
        DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &a, DT_SINGLELINE | DT_CALCRECT);
        DrawTextW(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &b, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
        labels = std::max(labels, static_cast<int>(a.right));
        shortcuts = std::max(shortcuts, static_cast<int>(b.right));
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    *width = 1 + kCheckColumn + labels + (shortcuts ? kShortcutGap + shortcuts : 0) + 6 + 1;
    int y = 1;
    p->rows.clear();
    for (const MenuItem& i : p->menu->items) {
        const int h = (i.flags & MF_SEPARATOR) ? kSeparatorHeight : p->itemHeight;
        p->rows.push_back(RECT{1, y, *width - 1, y + h});
        y += h;
    }
    *height = y + 1;
}

int ItemAt(const Popup* p, POINT client) {
    for (size_t k = 0; k < p->rows.size(); ++k) {
        if (PtInRect(&p->rows[k], client)) return static_cast<int>(k);
    }
    return -1;
}

void SetHot(HWND hwnd, Popup* p, int hot) {
    if (p->hot == hot) return;
    p->hot = hot;
    InvalidateRect(hwnd, nullptr, FALSE);
}

// The next selectable item from `from` in direction `step`, wrapping round.
int NextSelectable(const Popup* p, int from, int step) {
    const int n = static_cast<int>(p->menu->items.size());
    for (int k = 1; k <= n; ++k) {
        const int i = ((from + step * k) % n + n) % n;
        if (Selectable(p->menu->items[static_cast<size_t>(i)])) return i;
    }
    return -1;
}

}  // namespace

std::u16string MenuItemText(HMENU menu, int position) {
    Menu* m = Lookup(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return {};
    return m->items[static_cast<size_t>(position)].text;
}

}  // namespace velin::platform

using namespace velin::platform;

HMENU LoadMenuW(HINSTANCE, LPCWSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const auto* t = FindMenuTemplate(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
    return t ? ToHandle(Build(*t)) : nullptr;
}

HMENU CreateMenu() { return ToHandle(NewMenu()); }
HMENU CreatePopupMenu() { return ToHandle(NewMenu()); }

BOOL DestroyMenu(HMENU menu) {
    Menu* m = Lookup(menu);
    if (!m) return FALSE;
    FreeMenu(m);
    return TRUE;
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR item, LPCWSTR text) {
    Menu* m = Lookup(menu);
    if (!m) return FALSE;
    MenuItem i;
    i.flags = flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP);
    if (flags & MF_POPUP) {
        i.sub = Lookup(reinterpret_cast<HMENU>(item));
        if (!i.sub) return FALSE;
    } else if (!(flags & MF_SEPARATOR)) {
        i.id = static_cast<UINT>(item);
    }
    i.text = FromW(text);
    m->items.push_back(std::move(i));
    return TRUE;
}

HMENU GetSubMenu(HMENU menu, int position) {
    Menu* m = Lookup(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
    return ToHandle(m->items[static_cast<size_t>(position)].sub);
}

int GetMenuItemCount(HMENU menu) {
    Menu* m = Lookup(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    Menu* m = Lookup(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return 0xFFFFFFFF;
    const MenuItem& i = m->items[static_cast<size_t>(position)];
    return (i.flags & MF_POPUP) ? 0xFFFFFFFF : i.id;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
    MenuItem* i = FindItem(Lookup(menu), item, flags);
    if (!i) return 0xFFFFFFFF;
    const DWORD previous = i->flags & MF_CHECKED;
    i->flags = (i->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
    return previous;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
    MenuItem* i = FindItem(Lookup(menu), item, flags);
    if (!i) return -1;
    const BOOL previous = static_cast<BOOL>(i->flags & (MF_GRAYED | MF_DISABLED));
    i->flags = (i->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    return previous;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    MenuItem* i = FindItem(Lookup(menu), item, flags);
    return i ? i->flags : 0xFFFFFFFF;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const void*) {
    Menu* m = Lookup(menu);
    if (!m || m->items.empty()) return FALSE;
    WNDCLASSW existing;
    if (!GetClassInfoW(nullptr, kPopupClass, &existing)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PopupProc;
        wc.lpszClassName = kPopupClass;
        RegisterClassW(&wc);
    }
    if (owner) SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    Popup p;
    p.menu = m;
    int width = 0, height = 0;
    Measure(&p, &width, &height);
    const int screenW = S().screen.width, screenH = S().screen.height;
    if (flags & TPM_BOTTOMALIGN) y -= height;
    x = std::clamp(x, 0, std::max(0, screenW - width));
    y = std::clamp(y, 0, std::max(0, screenH - height));
    HWND popup = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kPopupClass, u"", WS_POPUP, x, y, width, height,
                                 owner, nullptr, nullptr, nullptr);
    if (!popup) return FALSE;
    SetWindowLongPtrW(popup, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&p));
    ShowWindow(popup, SW_SHOWNA);
    // Every pen action comes to the pop-up while it is open, so that a tap elsewhere closes it.
    SetCapture(popup);
    int chosen = 0;
    bool open = true;
    bool penDown = false;
    bool penStartedInside = false;
    while (open && IsWindow(popup)) {
        MSG msg;
        if (!NextModalMessage(&msg)) break;
        switch (msg.message) {
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN: {
                const UINT vk = static_cast<UINT>(msg.wParam);
                if (vk == VK_ESCAPE || vk == VK_MENU) {
                    open = false;
                } else if (vk == VK_UP || vk == VK_DOWN) {
                    const int from = p.hot < 0 ? (vk == VK_UP ? 0 : -1) : p.hot;
                    SetHot(popup, &p, NextSelectable(&p, from, vk == VK_UP ? -1 : 1));
                } else if (vk == VK_RETURN) {
                    if (p.hot >= 0) {
                        chosen = static_cast<int>(m->items[static_cast<size_t>(p.hot)].id);
                        open = false;
                    }
                } else if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
                    for (const MenuItem& i : m->items) {
                        std::u16string label, shortcut;
                        SplitLabel(i.text, &label, &shortcut);
                        if (Selectable(i) && !i.sub && AccessKey(label) == static_cast<WCHAR>(vk)) {
                            chosen = static_cast<int>(i.id);
                            open = false;
                            break;
                        }
                    }
                }
                continue;
            }
            case WM_KEYUP:
            case WM_SYSKEYUP:
            case WM_CHAR:
            case WM_SYSCHAR: continue;  // keys belong to the menu while it is open
            case WM_LBUTTONDOWN:
            case WM_MOUSEMOVE:
            case WM_LBUTTONUP: {
                RECT screen;
                GetWindowRect(popup, &screen);
                const bool inside = PtInRect(&screen, msg.pt) != 0;
                POINT client = msg.pt;
                ScreenToClient(popup, &client);
                if (msg.message == WM_LBUTTONDOWN) {
                    penDown = true;
                    penStartedInside = inside;
                    if (!inside) open = false;  // a tap outside dismisses the menu
                    else SetHot(popup, &p, ItemAt(&p, client));
                } else if (penDown && penStartedInside) {
                    const int at = inside ? ItemAt(&p, client) : -1;
                    const int hot = at >= 0 && Selectable(m->items[static_cast<size_t>(at)]) ? at : -1;
                    SetHot(popup, &p, hot);
                    if (msg.message == WM_LBUTTONUP) {
                        penDown = false;
                        if (hot >= 0) {
                            chosen = static_cast<int>(m->items[static_cast<size_t>(hot)].id);
                            open = false;
                        }
                    }
                }
                continue;
            }
            default: break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (GetCapture() == popup) ReleaseCapture();
    if (IsWindow(popup)) DestroyWindow(popup);
    if (flags & TPM_RETURNCMD) return chosen;
    if (chosen && owner && !(flags & TPM_NONOTIFY)) PostMessageW(owner, WM_COMMAND, static_cast<WPARAM>(chosen), 0);
    return chosen ? TRUE : FALSE;
}
