// Window classes, windows, z-order, activation and focus, the message queue, invalidation and
// painting, the non-client area (frame, caption, vertical scroll bar) and the task bar.
#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/backend.h"
#include "platform/internal.h"
#include "platform/script.h"

namespace velin::platform {

namespace {

constexpr int kScrollBarWidth = 13;  // also the arrow boxes' height
constexpr int kCaptionHeight = 20;
constexpr int kTaskBarHeight = 26;
constexpr COLORREF kDesktopColor = RGB(128, 128, 128);

bool IsTopLevel(const Window* w) { return !(w->style & WS_CHILD); }

Window* TopLevelOf(Window* w) {
    while (w && w->parent) w = w->parent;
    return w;
}

bool IsDescendant(const Window* ancestor, const Window* w) {
    for (const Window* p = w; p; p = p->parent) {
        if (p == ancestor) return true;
    }
    return false;
}

void Invalidate(Window* w, const RECT* r, bool erase) {
    RECT client;
    GetClientRect(ToHandle(w), &client);
    RECT add = r ? Intersection(*r, client) : client;
    if (Empty(add)) return;
    if (w->hasUpdate) {
        UnionRect(&w->update, &w->update, &add);
    } else {
        w->update = add;
        w->hasUpdate = true;
    }
    if (erase) w->erase = true;
}

void InvalidateTree(Window* w) {
    Invalidate(w, nullptr, true);
    w->ncDirty = true;
    for (Window* c : w->children) InvalidateTree(c);
}

// Invalidates the parts of w and its descendants that lie within the screen rectangle r.
void InvalidateScreenPart(Window* w, const RECT& r) {
    if (!(w->style & WS_VISIBLE)) return;
    const RECT whole = ScreenRect(w);
    if (Empty(Intersection(whole, r))) return;
    w->ncDirty = true;
    const RECT client = ClientScreenRect(w);
    RECT part = Intersection(client, r);
    if (!Empty(part)) {
        OffsetRect(&part, -client.left, -client.top);
        Invalidate(w, &part, true);
    }
    for (Window* c : w->children) InvalidateScreenPart(c, r);
}

void SendActivate(Window* w, WORD state, Window* other) {
    if (w && !w->destroyed) CallProc(w, WM_ACTIVATE, MAKELONG(state, 0), reinterpret_cast<LPARAM>(ToHandle(other)));
}

// Moves w to the front of its z-order list, keeping topmost windows above the rest and a
// window's owned pop-ups above it.
void Raise(Window* w) {
    auto& list = w->parent ? w->parent->children : S().zorder;
    auto it = std::find(list.begin(), list.end(), w);
    if (it == list.end()) return;
    list.erase(it);
    size_t pos = 0;
    if (!w->parent && !(w->exStyle & WS_EX_TOPMOST)) {
        while (pos < list.size() && (list[pos]->exStyle & WS_EX_TOPMOST)) ++pos;
    }
    list.insert(list.begin() + static_cast<ptrdiff_t>(pos), w);
    if (!w->parent) {
        // Owned windows go in front of their owner, in their present order.
        std::vector<Window*> owned;
        for (Window* o : list) {
            if (o->owner == w) owned.push_back(o);
        }
        for (auto o = owned.rbegin(); o != owned.rend(); ++o) Raise(*o);
    }
}

void Activate(Window* w) {
    State& s = S();
    if (w && (w->destroyed || !IsTopLevel(w))) w = TopLevelOf(w);
    const bool wasTop = w && !s.zorder.empty() && s.zorder.front() == w;
    if (w) {
        Raise(w);
        LayoutChanged();
        if (!wasTop) InvalidateTree(w);
        for (Window* o : s.zorder) {
            if (o->owner == w) InvalidateTree(o);
        }
    }
    if (s.active == w) return;
    Window* old = s.active;
    s.active = w;
    if (old) SendActivate(old, WA_INACTIVE, w);
    if (w && !w->destroyed && s.active == w) SendActivate(w, WA_ACTIVE, old);
    TaskBarChanged();
}

// Picks the window to activate after `gone` stops being active: its owner when that can
// take input, else the frontmost visible window that can.
void ActivateNext(Window* gone) {
    State& s = S();
    Window* next = nullptr;
    if (gone && gone->owner && !gone->owner->destroyed && (gone->owner->style & WS_VISIBLE) &&
        !(gone->owner->style & WS_DISABLED)) {
        next = gone->owner;
    }
    if (!next) {
        for (Window* w : s.zorder) {
            if (w != gone && (w->style & WS_VISIBLE) && !(w->exStyle & WS_EX_NOACTIVATE) &&
                !(w->style & WS_DISABLED)) {
                next = w;
                break;
            }
        }
    }
    if (s.active == gone) {
        s.active = nullptr;
        if (next) {
            Activate(next);
        } else {
            TaskBarChanged();
        }
    }
}

void MoveFocusOff(Window* w) {
    State& s = S();
    if (s.focus && IsDescendant(w, s.focus)) {
        Window* old = s.focus;
        s.focus = nullptr;
        if (!old->destroyed && !old->destroying) {
            CallProc(old, WM_KILLFOCUS, 0, 0);
        }
    }
    if (s.capture && IsDescendant(w, s.capture)) s.capture = nullptr;
    if (s.penWindow && IsDescendant(w, s.penWindow)) s.penWindow = nullptr;
}

RECT WorkArea() {
    State& s = S();
    RECT r{0, 0, s.screen.width, s.screen.height};
    if (s.taskBar && (s.taskBar->style & WS_VISIBLE)) r.top = kTaskBarHeight;
    return r;
}

bool MessageMatches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
    if (hwnd) {
        Window* filter = LookupWindow(hwnd);
        Window* target = LookupWindow(m.hwnd);
        if (!filter || !target || !IsDescendant(filter, target)) return false;
    }
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

// ---- the task bar ---------------------------------------------------------------------------

HFONT TaskBarFont() {
    static HFONT font = nullptr;
    if (!font || !LookupFont(font)) {
        LOGFONTW lf{};
        lf.lfHeight = 14;
        lf.lfWeight = FW_BOLD;
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

LRESULT TaskBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wParam, lParam);
    State& s = S();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH back = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &r, back);
    DeleteObject(back);
    HGDIOBJ oldFont = SelectObject(dc, TaskBarFont());
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    int left = 4;
    if (s.startIconVisible) {
        // The start icon: a framed square with four panes.
        HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        RECT icon{4, 5, 20, 21};
        FillRect(dc, &icon, white);
        HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RECT v{11, 6, 13, 20}, h{5, 12, 19, 14};
        FillRect(dc, &v, black);
        FillRect(dc, &h, black);
        left = 26;
    }
    int right = r.right - 4;
    if (s.sipButtonVisible) {
        // The soft-keyboard button: a small keyboard outline.
        RECT key{right - 18, 8, right, 19};
        HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        FillRect(dc, &key, white);
        RECT inner{key.left + 1, key.top + 1, key.right - 1, key.bottom - 1};
        FillRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        for (int x = key.left + 3; x < key.right - 2; x += 3) {
            RECT dot{x, key.top + 3, x + 1, key.top + 4};
            FillRect(dc, &dot, white);
            RECT bar{key.left + 4, key.bottom - 4, key.right - 4, key.bottom - 3};
            FillRect(dc, &bar, white);
        }
        right = key.left - 6;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char clock[8];
    std::snprintf(clock, sizeof clock, "%d:%02d", now.wHour % 24, now.wMinute % 60);
    std::u16string clockText(clock, clock + std::strlen(clock));
    SIZE cs{};
    GetTextExtentPoint32W(dc, clockText.c_str(), static_cast<int>(clockText.size()), &cs);
    RECT clockRect{right - cs.cx, 0, right, r.bottom};
    DrawTextW(dc, clockText.c_str(), static_cast<int>(clockText.size()), &clockRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    std::u16string title;
    if (s.active && !s.active->destroyed && s.active != s.taskBar) title = s.active->title;
    RECT titleRect{left, 0, clockRect.left - 4, r.bottom};
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &titleRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
    return 0;
}

// ---- the non-client area --------------------------------------------------------------------

struct ScrollGeometry {
    RECT bar;  // screen
    int trackTop;
    int trackBottom;
    int thumbTop;
    int thumbHeight;
    bool active;  // the range is not empty
};

ScrollGeometry Geometry(const Window* w, int pos) {
    ScrollGeometry g{};
    g.bar = VScrollRect(w);
    const int arrow = std::min(kScrollBarWidth, (g.bar.bottom - g.bar.top) / 2);
    g.trackTop = g.bar.top + arrow;
    g.trackBottom = g.bar.bottom - arrow;
    const ScrollBarState& sb = w->vscroll;
    const int trackLen = g.trackBottom - g.trackTop;
    const int span = sb.maxPos - sb.minPos + 1;
    g.active = sb.maxPos > sb.minPos && (sb.page == 0 || static_cast<int>(sb.page) < span) &&
               trackLen > 0;
    if (!g.active) return g;
    g.thumbHeight = kScrollBarWidth;
    if (sb.page > 0) g.thumbHeight = std::max(8, static_cast<int>(trackLen * static_cast<int64_t>(sb.page) / span));
    g.thumbHeight = std::min(g.thumbHeight, trackLen);
    const int last = sb.maxPos - std::max<int>(static_cast<int>(sb.page) - 1, 0);
    const int steps = std::max(1, last - sb.minPos);
    const int clamped = std::clamp(pos, sb.minPos, std::max(sb.minPos, last));
    g.thumbTop = g.trackTop +
                 static_cast<int>(static_cast<int64_t>(clamped - sb.minPos) * (trackLen - g.thumbHeight) / steps);
    return g;
}

void DrawArrow(HDC dc, const RECT& box, bool up, bool enabled) {
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(enabled ? BLACK_BRUSH : GRAY_BRUSH));
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
        const int y = up ? cy - 2 + i : cy + 1 - i;
        RECT row{cx - i, y, cx + i + 1, y + 1};
        FillRect(dc, &row, black);
    }
}

void PaintScrollBar(Window* w, HDC dc, const RECT& windowScreen, int pos) {
    ScrollGeometry g = Geometry(w, pos);
    RECT bar = g.bar;
    OffsetRect(&bar, -windowScreen.left, -windowScreen.top);
    const int dy = -windowScreen.top;
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    FillRect(dc, &bar, white);
    RECT edge{bar.left, bar.top, bar.left + 1, bar.bottom};
    FillRect(dc, &edge, black);
    RECT upBox{bar.left, bar.top, bar.right, g.trackTop + dy};
    RECT downBox{bar.left, g.trackBottom + dy, bar.right, bar.bottom};
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, upBox.left, upBox.top, upBox.right, upBox.bottom);
    Rectangle(dc, downBox.left, downBox.top, downBox.right, downBox.bottom);
    DrawArrow(dc, upBox, true, g.active);
    DrawArrow(dc, downBox, false, g.active);
    if (g.active) {
        SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
        Rectangle(dc, bar.left, g.thumbTop + dy, bar.right, g.thumbTop + g.thumbHeight + dy);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

}  // namespace

State& S() {
    static State state;
    return state;
}

HWND ToHandle(const Window* w) { return w ? reinterpret_cast<HWND>(w->handle) : nullptr; }

Window* LookupWindow(HWND hwnd) {
    auto it = S().windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == S().windows.end() || it->second->destroyed) return nullptr;
    return it->second.get();
}

std::u16string Lower(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c = static_cast<char16_t>(c + 0x20);
    }
    return out;
}

std::u16string FromW(LPCWSTR s) {
    std::u16string out;
    if (!s) return out;
    while (*s) out.push_back(*s++);
    return out;
}

RECT NonClientInsets(const Window* w) {
    RECT in{0, 0, 0, 0};
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
        in = {1, 1 + kCaptionHeight, 1, 1};
    } else if (w->style & (WS_BORDER | WS_DLGFRAME)) {
        in = {1, 1, 1, 1};
    }
    if (w->exStyle & WS_EX_CLIENTEDGE) {
        in.left += 1;
        in.top += 1;
        in.right += 1;
        in.bottom += 1;
    }
    if (w->style & WS_VSCROLL) in.right += kScrollBarWidth;
    return in;
}

RECT ScreenRect(const Window* w) {
    RECT r = w->rect;
    if (w->parent) {
        const RECT pc = ClientScreenRect(w->parent);
        OffsetRect(&r, pc.left, pc.top);
    }
    return r;
}

RECT ClientScreenRect(const Window* w) {
    RECT r = ScreenRect(w);
    const RECT in = NonClientInsets(w);
    r.left += in.left;
    r.top += in.top;
    r.right -= in.right;
    r.bottom -= in.bottom;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

RECT VScrollRect(const Window* w) {
    if (!(w->style & WS_VSCROLL)) return RECT{0, 0, 0, 0};
    const RECT client = ClientScreenRect(w);
    return RECT{client.right, client.top, client.right + kScrollBarWidth, client.bottom};
}

bool ReallyVisible(const Window* w) {
    for (const Window* p = w; p; p = p->parent) {
        if (!(p->style & WS_VISIBLE) || p->destroyed) return false;
    }
    return true;
}

RectList VisibleRegion(const Window* w, bool wholeWindow) {
    RectList list;
    if (!ReallyVisible(w)) return list;
    list.push_back(wholeWindow ? ScreenRect(w) : ClientScreenRect(w));
    for (const Window* p = w->parent; p; p = p->parent) IntersectList(list, ClientScreenRect(p));
    if (!wholeWindow) {
        for (const Window* c : w->children) {
            if (c->style & WS_VISIBLE) SubtractRect(list, ScreenRect(c));
        }
    }
    for (const Window* node = w; node && !list.empty(); node = node->parent) {
        const auto& siblings = node->parent ? node->parent->children : S().zorder;
        for (const Window* sib : siblings) {
            if (sib == node) break;
            if (sib->style & WS_VISIBLE) SubtractRect(list, ScreenRect(sib));
        }
    }
    return list;
}

void LayoutChanged() { ++S().layoutGeneration; }

void ExposeScreenRect(const RECT& r) {
    State& s = S();
    if (Empty(r)) return;
    // What no window covers shows the desktop.
    RectList bare{Intersection(r, RECT{0, 0, s.screen.width, s.screen.height})};
    for (Window* w : s.zorder) {
        if (w->style & WS_VISIBLE) SubtractRect(bare, ScreenRect(w));
    }
    Surface sf = s.screen.AsSurface();
    const uint32_t px = (GetRValue(kDesktopColor) << 16) | (GetGValue(kDesktopColor) << 8) | GetBValue(kDesktopColor);
    for (const RECT& b : bare) {
        for (int y = b.top; y < b.bottom; ++y) {
            std::fill(sf.pixels + static_cast<ptrdiff_t>(y) * sf.width + b.left,
                      sf.pixels + static_cast<ptrdiff_t>(y) * sf.width + b.right, px);
        }
    }
    for (Window* w : s.zorder) InvalidateScreenPart(w, r);
}

LRESULT CallProc(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!w || !w->proc) return 0;
    State& s = S();
    ++s.callDepth;
    const LRESULT r = w->proc(ToHandle(w), msg, wParam, lParam);
    --s.callDepth;
    return r;
}

void FreeGraveyard() {
    State& s = S();
    if (s.callDepth == 0) s.graveyard.clear();
}

void PaintNonClient(Window* w) {
    w->ncDirty = false;
    if (!ReallyVisible(w)) return;
    const RECT in = NonClientInsets(w);
    if (in.left == 0 && in.top == 0 && in.right == 0 && in.bottom == 0) return;
    HDC dc = GetWindowDC(ToHandle(w));
    Dc* d = LookupDc(dc);
    if (!d) return;
    const RECT ws = ScreenRect(w);
    const int width = ws.right - ws.left, height = ws.bottom - ws.top;
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const bool framed = (w->style & (WS_BORDER | WS_DLGFRAME)) != 0;
    if (framed) {
        RECT edges[4] = {{0, 0, width, 1}, {0, height - 1, width, height}, {0, 0, 1, height},
                         {width - 1, 0, width, height}};
        for (const RECT& e : edges) FillRect(dc, &e, black);
    }
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
        RECT cap{1, 1, width - 1, 1 + kCaptionHeight};
        FillRect(dc, &cap, black);
        RECT text{cap.left + 4, cap.top, cap.right - 4, cap.bottom};
        HGDIOBJ old = SelectObject(dc, TaskBarFont());
        const COLORREF oldColor = SetTextColor(dc, RGB(255, 255, 255));
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, w->title.c_str(), static_cast<int>(w->title.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SetBkMode(dc, oldMode);
        SetTextColor(dc, oldColor);
        SelectObject(dc, old);
        PaintCaptionOk(w, dc);  // a dialog's OK button, when it has one (dialog.cpp)
    }
    if (w->exStyle & WS_EX_CLIENTEDGE) {
        const RECT c = ClientScreenRect(w);
        RECT e{c.left - ws.left - 1, c.top - ws.top - 1, c.right - ws.left + 1, c.bottom - ws.top + 1};
        if (w->style & WS_VSCROLL) e.right += kScrollBarWidth;
        HGDIOBJ ob = SelectObject(dc, GetStockObject(NULL_BRUSH));
        HGDIOBJ op = SelectObject(dc, GetStockObject(BLACK_PEN));
        Rectangle(dc, e.left, e.top, e.right, e.bottom);
        SelectObject(dc, ob);
        SelectObject(dc, op);
    }
    if (w->style & WS_VSCROLL) {
        PaintScrollBar(w, dc, ws, w->vscroll.tracking ? w->vscroll.trackPos : w->vscroll.pos);
    }
}

bool NextPaintMessage(MSG* msg) {
    State& s = S();
    // Front to back, parents before their children.
    std::vector<Window*> stack(s.zorder.rbegin(), s.zorder.rend());
    while (!stack.empty()) {
        Window* w = stack.back();
        stack.pop_back();
        if (!(w->style & WS_VISIBLE) || w->destroyed) continue;
        if (w->ncDirty) PaintNonClient(w);
        if (w->hasUpdate) {
            *msg = MSG{ToHandle(w), WM_PAINT, 0, 0, 0, {0, 0}};
            return true;
        }
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) stack.push_back(*it);
    }
    return false;
}

// Pen actions on a window's scroll bar become WM_VSCROLL codes for its window procedure:
// arrows give line up and down, the areas above and below the thumb page up and down, and
// dragging the thumb gives the tracked position; lifting the pen ends with SB_ENDSCROLL.
void ScrollBarPen(Window* w, InputEvent::Kind kind, int x, int y) {
    (void)x;
    State& s = S();
    ScrollBarState& sb = w->vscroll;
    auto post = [&](WORD code, int pos) {
        s.posted.push_back(MSG{ToHandle(w), WM_VSCROLL,
                               static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(code, static_cast<WORD>(pos)))),
                               0, 0, {x, y}});
    };
    const ScrollGeometry g = Geometry(w, sb.pos);
    if (kind == InputEvent::kPenDown) {
        sb.pressed = g.active;
        if (!g.active) return;
        if (y < g.trackTop) {
            post(SB_LINEUP, 0);
        } else if (y >= g.trackBottom) {
            post(SB_LINEDOWN, 0);
        } else if (y < g.thumbTop) {
            post(SB_PAGEUP, 0);
        } else if (y >= g.thumbTop + g.thumbHeight) {
            post(SB_PAGEDOWN, 0);
        } else {
            sb.tracking = true;
            sb.trackPos = sb.pos;
            sb.trackGrab = y - g.thumbTop;
        }
        return;
    }
    if (kind == InputEvent::kPenMove) {
        if (!sb.tracking) return;
        const int trackLen = g.trackBottom - g.trackTop;
        const int room = std::max(1, trackLen - g.thumbHeight);
        const int last = sb.maxPos - std::max<int>(static_cast<int>(sb.page) - 1, 0);
        const int offset = std::clamp(y - sb.trackGrab - g.trackTop, 0, room);
        const int pos = sb.minPos + static_cast<int>((static_cast<int64_t>(offset) * (last - sb.minPos) + room / 2) / room);
        if (pos != sb.trackPos) {
            sb.trackPos = pos;
            post(SB_THUMBTRACK, pos);
            w->ncDirty = true;
        }
        return;
    }
    // Pen up.
    if (!sb.pressed) return;
    sb.pressed = false;
    if (sb.tracking) {
        sb.tracking = false;
        post(SB_THUMBPOSITION, sb.trackPos);
        w->ncDirty = true;
    }
    post(SB_ENDSCROLL, 0);
}

namespace {

WPARAM HitCode(const Window* w, POINT pt) {
    const RECT ws = ScreenRect(w);
    if (!PtInRect(&ws, pt)) return HTNOWHERE;
    const RECT c = ClientScreenRect(w);
    if (PtInRect(&c, pt)) return HTCLIENT;
    if ((w->style & WS_CAPTION) == WS_CAPTION && pt.x > ws.left && pt.x < ws.right - 1 && pt.y > ws.top &&
        pt.y < c.top) {
        return HTCAPTION;
    }
    return HTBORDER;
}

}  // namespace

void DeliverInput(const InputEvent& e, std::deque<MSG>* out) {
    State& s = S();
    const POINT pt{e.x, e.y};
    auto keyTarget = [&]() -> Window* {
        Window* t = s.focus;
        if (!t || TopLevelOf(t) != s.active) t = s.active;
        return t;
    };
    switch (e.kind) {
        case InputEvent::kKeyDown:
        case InputEvent::kKeyUp: {
            s.keyCtrl = e.ctrl;
            s.keyAlt = e.alt;
            s.keyShift = e.shift;
            Window* t = keyTarget();
            if (!t) return;
            const bool down = e.kind == InputEvent::kKeyDown;
            UINT msg = down ? (e.alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (e.alt ? WM_SYSKEYUP : WM_KEYUP);
            LPARAM lp = 1;
            if (e.alt) lp |= 1 << 29;
            if (!down) lp |= static_cast<LPARAM>(3u << 30);
            // Marked when the backend delivers the key's character on its own (desktop text
            // input), so that TranslateMessage does not make a second one.
            if (e.textFollows) lp |= 1 << 25;
            out->push_back(MSG{ToHandle(t), msg, e.key, lp, 0, pt});
            // F1 asks for help: the window that takes the keys hears WM_HELP after the key.
            if (down && e.key == VK_F1 && !e.alt && !e.ctrl && !e.shift) {
                out->push_back(MSG{ToHandle(t), WM_HELP, 0, 0, 0, pt});
            }
            return;
        }
        case InputEvent::kWheel: {
            // The wheel turns for the window that takes the keys; the delta (a multiple of
            // WHEEL_DELTA, positive away from the user) is the high word, signed.
            Window* t = keyTarget();
            if (t) {
                const auto delta = static_cast<WORD>(static_cast<int16_t>(static_cast<int>(e.key)));
                out->push_back(MSG{ToHandle(t), WM_MOUSEWHEEL, static_cast<WPARAM>(MAKELONG(0, delta)),
                                   MAKELONG(static_cast<WORD>(e.x), static_cast<WORD>(e.y)), 0, pt});
            }
            return;
        }
        case InputEvent::kChar: {
            Window* t = keyTarget();
            if (t) out->push_back(MSG{ToHandle(t), WM_CHAR, e.key, 1, 0, pt});
            return;
        }
        case InputEvent::kPenDown: {
            s.penOnScrollBar = false;
            s.penOnFrame = false;
            Window* t = s.capture;
            if (!t) t = LookupWindow(WindowFromPoint(pt));
            if (!t) return;
            Window* top = TopLevelOf(t);
            if ((top->style & WS_DISABLED) || (t->style & WS_DISABLED)) {
                return;  // a window under a modal dialog takes no input
            }
            if (top != s.active && !(top->exStyle & WS_EX_NOACTIVATE)) Activate(top);
            if (t->destroyed) return;
            if (!s.capture && (t->style & WS_VSCROLL)) {
                const RECT bar = VScrollRect(t);
                if (PtInRect(&bar, pt)) {
                    s.penOnScrollBar = true;
                    s.penWindow = t;
                    ScrollBarPen(t, e.kind, e.x, e.y);
                    return;
                }
            }
            s.penWindow = t;
            const RECT c = ClientScreenRect(t);
            if (!s.capture && !PtInRect(&c, pt)) {
                // The caption or the border: the window hears of it with the hit code and the
                // screen position, and DefWindowProcW does nothing with it.
                s.penOnFrame = true;
                out->push_back(MSG{ToHandle(t), WM_NCLBUTTONDOWN, HitCode(t, pt),
                                   MAKELONG(static_cast<WORD>(e.x), static_cast<WORD>(e.y)), 0, pt});
                return;
            }
            out->push_back(MSG{ToHandle(t), WM_LBUTTONDOWN, MK_LBUTTON,
                               MAKELONG(static_cast<WORD>(e.x - c.left), static_cast<WORD>(e.y - c.top)), 0, pt});
            return;
        }
        case InputEvent::kPenMove:
        case InputEvent::kPenUp: {
            Window* t = s.capture ? s.capture : s.penWindow;
            if (t && t->destroyed) t = nullptr;
            if (s.penOnScrollBar) {
                if (t) ScrollBarPen(t, e.kind, e.x, e.y);
                if (e.kind == InputEvent::kPenUp) {
                    s.penOnScrollBar = false;
                    s.penWindow = nullptr;
                }
                return;
            }
            if (s.penOnFrame) {
                if (e.kind == InputEvent::kPenUp) {
                    s.penOnFrame = false;
                    s.penWindow = nullptr;
                    if (t) {
                        out->push_back(MSG{ToHandle(t), WM_NCLBUTTONUP, HitCode(t, pt),
                                           MAKELONG(static_cast<WORD>(e.x), static_cast<WORD>(e.y)), 0, pt});
                    }
                }
                return;
            }
            if (!t) return;
            const RECT c = ClientScreenRect(t);
            const LPARAM lp = MAKELONG(static_cast<WORD>(e.x - c.left), static_cast<WORD>(e.y - c.top));
            if (e.kind == InputEvent::kPenMove) {
                out->push_back(MSG{ToHandle(t), WM_MOUSEMOVE, MK_LBUTTON, lp, 0, pt});
            } else {
                out->push_back(MSG{ToHandle(t), WM_LBUTTONUP, 0, lp, 0, pt});
                s.penWindow = nullptr;
            }
            return;
        }
    }
}

void CreateTaskBar() {
    State& s = S();
    static const WNDCLASSW kClass = {0, TaskBarProc, 0, 0, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, u"HHTaskBar"};
    RegisterClassW(&kClass);
    HWND bar = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, u"HHTaskBar", u"",
                               WS_POPUP | WS_VISIBLE, 0, 0, s.screen.width, kTaskBarHeight,
                               nullptr, nullptr, nullptr, nullptr);
    s.taskBar = LookupWindow(bar);
}

void TaskBarChanged() {
    State& s = S();
    if (s.taskBar && !s.taskBar->destroyed) Invalidate(s.taskBar, nullptr, true);
}

void ResizeScreen(int width, int height) {
    State& s = S();
    const int oldW = s.screen.width, oldH = s.screen.height;
    if (width == oldW && height == oldH) return;
    s.screen.width = width;
    s.screen.height = height;
    s.screen.pixels.assign(static_cast<size_t>(width) * height, 0);
    LayoutChanged();
    // Windows that reached the old screen's right or bottom edge follow the new one.
    std::vector<Window*> tops = s.zorder;
    for (Window* w : tops) {
        if (w->destroyed) continue;
        RECT r = w->rect;
        if (r.right == oldW) r.right = width;
        if (r.bottom == oldH) r.bottom = height;
        if (w == s.taskBar) r.right = width;
        if (!EqualRect(&r, &w->rect)) {
            MoveWindow(ToHandle(w), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
    }
    ExposeScreenRect(RECT{0, 0, width, height});
    tops = s.zorder;
    for (Window* w : tops) {
        if (!w->destroyed && w != s.taskBar) {
            SendMessageW(ToHandle(w), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        }
    }
}

HWND ProgramMainWindow() {
    const State& s = S();
    if (LookupWindow(s.scriptMainWindow)) return s.scriptMainWindow;
    if (LookupWindow(s.firstTopLevel)) return s.firstTopLevel;
    return nullptr;
}

void ResetWindowManager() {
    State& s = S();
    std::vector<Window*> tops = s.zorder;
    for (Window* w : tops) {
        if (!w->destroyed) DestroyWindow(ToHandle(w));
    }
    s.graveyard.clear();
    s.windows.clear();
    s.zorder.clear();
    s.classes.clear();
    s.posted.clear();
    s.input.clear();
    s.active = s.focus = s.capture = s.penWindow = nullptr;
    s.taskBar = nullptr;
    s.quitPosted = false;
    s.scriptMainWindow = nullptr;
    s.firstTopLevel = nullptr;
    s.sipButtonVisible = true;
    s.startIconVisible = true;
    LayoutChanged();
}

}  // namespace velin::platform

using namespace velin::platform;

// ---- classes ------------------------------------------------------------------------------------

ATOM RegisterClassW(const WNDCLASSW* wc) {
    static ATOM next = 0xC000;
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    const std::u16string key = Lower(FromW(wc->lpszClassName));
    if (key.empty() || S().classes.count(key)) return 0;
    auto cls = std::make_unique<WindowClass>();
    cls->name = FromW(wc->lpszClassName);
    cls->wc = *wc;
    cls->wc.lpszClassName = cls->name.c_str();
    cls->wc.lpszMenuName = nullptr;
    S().classes[key] = std::move(cls);
    return next++;
}

BOOL UnregisterClassW(LPCWSTR name, HINSTANCE) {
    if (!name) return FALSE;
    const std::u16string key = Lower(FromW(name));
    auto it = S().classes.find(key);
    if (it == S().classes.end()) return FALSE;
    for (auto& [h, w] : S().windows) {
        if (w->cls == it->second.get() && !w->destroyed) return FALSE;  // still in use
    }
    S().classes.erase(it);
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR name, WNDCLASSW* wc) {
    if (!name || !wc) return FALSE;
    auto it = S().classes.find(Lower(FromW(name)));
    if (it == S().classes.end()) return FALSE;
    *wc = it->second->wc;
    return TRUE;
}

// ---- windows ------------------------------------------------------------------------------------

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parentHandle, HMENU menuOrId, HINSTANCE instance,
                     LPVOID param) {
    State& s = S();
    if (!className) return nullptr;
    auto it = s.classes.find(Lower(FromW(className)));
    if (it == s.classes.end()) return nullptr;
    Window* parent = nullptr;
    Window* owner = nullptr;
    if (style & WS_CHILD) {
        parent = LookupWindow(parentHandle);
        if (!parent) return nullptr;  // a child needs a live parent
    } else if (parentHandle) {
        owner = TopLevelOf(LookupWindow(parentHandle));
    }
    auto owned = std::make_unique<Window>();
    Window* w = owned.get();
    w->handle = s.nextHandle;
    s.nextHandle += 4;
    w->cls = it->second.get();
    w->title = FromW(title);
    w->style = style & ~WS_VISIBLE;  // shown after creation
    w->exStyle = exStyle;
    w->parent = parent;
    w->owner = owner;
    w->proc = w->cls->wc.lpfnWndProc;
    w->instance = instance;
    if (parent) w->id = static_cast<LONG_PTR>(reinterpret_cast<uintptr_t>(menuOrId));
    w->extra.assign(static_cast<size_t>(std::max(0, w->cls->wc.cbWndExtra)), 0);
    if (!parent) {
        const RECT work = WorkArea();
        if (x == CW_USEDEFAULT) {
            x = work.left;
            y = work.top;
        }
        if (width == CW_USEDEFAULT) {
            width = work.right - x;
            height = work.bottom - y;
        }
    } else {
        if (x == CW_USEDEFAULT) x = y = 0;
        if (width == CW_USEDEFAULT) width = height = 0;
    }
    w->rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    s.windows[w->handle] = std::move(owned);
    if (parent) {
        parent->children.push_back(w);  // later children lie below earlier ones
    } else {
        s.zorder.insert(s.zorder.begin(), w);
        Raise(w);
        // The script's `command` and `quit` go to the program's first window by default.
        if (!(exStyle & WS_EX_NOACTIVATE) && !LookupWindow(s.firstTopLevel)) {
            s.firstTopLevel = ToHandle(w);
        }
    }
    LayoutChanged();
    const HWND hwnd = ToHandle(w);
    CREATESTRUCTW cs{param, instance, menuOrId, parentHandle, height, width, y, x,
                     static_cast<LONG>(style), title, className, exStyle};
    if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!LookupWindow(hwnd)) return nullptr;
    RECT client;
    GetClientRect(hwnd, &client);
    CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELONG(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    if (!LookupWindow(hwnd)) return nullptr;
    CallProc(w, WM_MOVE, 0, MAKELONG(static_cast<WORD>(w->rect.left), static_cast<WORD>(w->rect.top)));
    if (!LookupWindow(hwnd)) return nullptr;
    if (style & WS_VISIBLE) ShowWindow(hwnd, (exStyle & WS_EX_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    return LookupWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    State& s = S();
    Window* w = LookupWindow(hwnd);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    const bool wasVisible = ReallyVisible(w);
    const RECT old = ScreenRect(w);
    if (w->style & WS_VISIBLE) {
        w->style &= ~WS_VISIBLE;
        LayoutChanged();
    }
    // Owned windows go first, then the children, then the window itself.
    std::vector<Window*> ownedWindows;
    for (Window* o : s.zorder) {
        if (o->owner == w) ownedWindows.push_back(o);
    }
    for (Window* o : ownedWindows) DestroyWindow(ToHandle(o));
    MoveFocusOff(w);
    if (s.active == w) ActivateNext(w);
    std::vector<Window*> children = w->children;
    for (Window* c : children) DestroyWindow(ToHandle(c));
    CallProc(w, WM_DESTROY, 0, 0);
    MoveFocusOff(w);
    CallProc(w, WM_NCDESTROY, 0, 0);
    w->destroyed = true;
    if (s.active == w) s.active = nullptr;
    if (w->parent) {
        auto& sib = w->parent->children;
        sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
    } else {
        s.zorder.erase(std::remove(s.zorder.begin(), s.zorder.end(), w), s.zorder.end());
    }
    for (Window* o : s.zorder) {
        if (o->owner == w) o->owner = nullptr;
    }
    if (s.taskBar == w) s.taskBar = nullptr;
    DestroyWindowDc(w);
    LayoutChanged();
    if (wasVisible) ExposeScreenRect(old);
    auto it = s.windows.find(w->handle);
    if (it != s.windows.end()) {
        s.graveyard.push_back(std::move(it->second));
        s.windows.erase(it);
    }
    TaskBarChanged();
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return LookupWindow(hwnd) || IsRemoteHandle(hwnd); }

HWND FindWindowW(LPCWSTR className, LPCWSTR title) {
    const std::u16string cls = className ? Lower(FromW(className)) : std::u16string();
    const std::u16string name = title ? FromW(title) : std::u16string();
    for (Window* w : S().zorder) {
        if (className && Lower(w->cls->name) != cls) continue;
        if (title && Lower(w->title) != Lower(name)) continue;
        return ToHandle(w);
    }
    return RemoteFindWindow(className ? &cls : nullptr, title ? &name : nullptr);
}

HWND GetParent(HWND hwnd) {
    if (IsRemoteHandle(hwnd)) return RemoteParent(hwnd);
    Window* w = LookupWindow(hwnd);
    if (!w) return nullptr;
    if (w->parent) return ToHandle(w->parent);
    if (w->style & WS_POPUP) return ToHandle(w->owner);
    return nullptr;
}

HWND GetWindow(HWND hwnd, UINT relation) {
    Window* w = LookupWindow(hwnd);
    if (!w) return nullptr;
    const auto& list = w->parent ? w->parent->children : S().zorder;
    auto it = std::find(list.begin(), list.end(), w);
    switch (relation) {
        case GW_HWNDFIRST: return list.empty() ? nullptr : ToHandle(list.front());
        case GW_HWNDLAST: return list.empty() ? nullptr : ToHandle(list.back());
        case GW_HWNDNEXT: return (it == list.end() || it + 1 == list.end()) ? nullptr : ToHandle(*(it + 1));
        case GW_HWNDPREV: return (it == list.end() || it == list.begin()) ? nullptr : ToHandle(*(it - 1));
        case GW_OWNER: return ToHandle(w->owner);
        case GW_CHILD: return w->children.empty() ? nullptr : ToHandle(w->children.front());
        default: return nullptr;
    }
}

HWND GetDesktopWindow() { return nullptr; }

BOOL IsChild(HWND parentHandle, HWND hwnd) {
    Window* p = LookupWindow(parentHandle);
    Window* w = LookupWindow(hwnd);
    return p && w && w != p && IsDescendant(p, w);
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int capacity) {
    Window* w = LookupWindow(hwnd);
    if (!w || !buffer || capacity <= 0) return 0;
    const int n = std::min<int>(capacity - 1, static_cast<int>(w->cls->name.size()));
    std::copy_n(w->cls->name.data(), n, buffer);
    buffer[n] = 0;
    return n;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!IsWindow(hwnd)) return FALSE;
    return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) { return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    Window* w = LookupWindow(hwnd);
    if (!w) return 0;
    switch (index) {
        case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
        case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
        case GWL_HWNDPARENT: return reinterpret_cast<LONG_PTR>(ToHandle(w->parent ? w->parent : w->owner));
        case GWL_ID: return w->id;
        case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
        case GWL_USERDATA: return w->userData;
        default:
            if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
                LONG_PTR v;
                std::memcpy(&v, w->extra.data() + index, sizeof v);
                return v;
            }
            return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    Window* w = LookupWindow(hwnd);
    if (!w) return 0;
    const LONG_PTR old = GetWindowLongPtrW(hwnd, index);
    switch (index) {
        case GWL_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); break;
        case GWL_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
        case GWL_ID: w->id = value; break;
        case GWL_STYLE: {
            // Visibility changes go through ShowWindow; the other bits are taken as they are.
            const DWORD keep = w->style & WS_VISIBLE;
            w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | keep;
            LayoutChanged();
            break;
        }
        case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value); LayoutChanged(); break;
        case GWL_USERDATA: w->userData = value; break;
        default:
            if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
                std::memcpy(w->extra.data() + index, &value, sizeof value);
                break;
            }
            return 0;
    }
    return old;
}

LONG GetWindowLongW(HWND hwnd, int index) {
    Window* w = LookupWindow(hwnd);
    if (w && index >= 0 && static_cast<size_t>(index) + sizeof(LONG) <= w->extra.size()) {
        LONG v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
    }
    return static_cast<LONG>(GetWindowLongPtrW(hwnd, index));
}

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    Window* w = LookupWindow(hwnd);
    if (w && index >= 0 && static_cast<size_t>(index) + sizeof(LONG) <= w->extra.size()) {
        LONG old;
        std::memcpy(&old, w->extra.data() + index, sizeof old);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
        return old;
    }
    return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, value));
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!proc) return 0;
    Window* w = LookupWindow(hwnd);
    if (w) ++S().callDepth;
    const LRESULT r = proc(hwnd, msg, wParam, lParam);
    if (w) --S().callDepth;
    return r;
}

int GetDlgCtrlID(HWND hwnd) {
    Window* w = LookupWindow(hwnd);
    return w && w->parent ? static_cast<int>(w->id) : 0;
}

// ---- showing, moving, z-order -------------------------------------------------------------------

BOOL ShowWindow(HWND hwnd, int command) {
    State& s = S();
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    const bool was = (w->style & WS_VISIBLE) != 0;
    if (command == SW_HIDE) {
        if (!was) return FALSE;
        const bool shown = ReallyVisible(w);
        const RECT old = ScreenRect(w);
        w->style &= ~WS_VISIBLE;
        LayoutChanged();
        CallProc(w, WM_SHOWWINDOW, FALSE, 0);
        if (shown) ExposeScreenRect(old);
        MoveFocusOff(w);
        if (s.active == w) ActivateNext(w);
        if (w == s.taskBar) {
            for (Window* t : s.zorder) InvalidateScreenPart(t, old);
        }
        WINDOWPOS wp{hwnd, nullptr, static_cast<int>(w->rect.left), static_cast<int>(w->rect.top),
                     static_cast<int>(w->rect.right - w->rect.left),
                     static_cast<int>(w->rect.bottom - w->rect.top),
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE};
        if (!w->destroyed) CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
        return TRUE;
    }
    if (!was) {
        w->style |= WS_VISIBLE;
        LayoutChanged();
        CallProc(w, WM_SHOWWINDOW, TRUE, 0);
        if (w->destroyed) return FALSE;
        InvalidateTree(w);
        WINDOWPOS wp{hwnd, nullptr, static_cast<int>(w->rect.left), static_cast<int>(w->rect.top),
                     static_cast<int>(w->rect.right - w->rect.left),
                     static_cast<int>(w->rect.bottom - w->rect.top),
                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE};
        CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
        if (w->destroyed) return FALSE;
    }
    if (IsTopLevel(w) && command != SW_SHOWNA && !(w->exStyle & WS_EX_NOACTIVATE) &&
        !(w->style & WS_DISABLED)) {
        Activate(w);
        if (!s.inFront) {
            // Showing a window puts this program in front of any other one.
            s.inFront = true;
            RendezvousClaimFront();
        }
    }
    return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    Window* w = LookupWindow(hwnd);
    return w && ReallyVisible(w);
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    const bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable == !wasDisabled) return wasDisabled;
    if (enable) {
        w->style &= ~WS_DISABLED;
    } else {
        w->style |= WS_DISABLED;
        if (S().focus && IsDescendant(w, S().focus)) MoveFocusOff(w);
        if (S().capture && IsDescendant(w, S().capture)) S().capture = nullptr;
    }
    CallProc(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
    Window* w = LookupWindow(hwnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    if (w->ncDirty) PaintNonClient(w);
    if (w->hasUpdate && ReallyVisible(w)) CallProc(w, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    State& s = S();
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    const RECT oldScreen = ScreenRect(w);
    const bool shown = ReallyVisible(w);
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) {
        OffsetRect(&r, x - r.left, y - r.top);
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(0, cx);
        r.bottom = r.top + std::max(0, cy);
    }
    const bool moved = r.left != w->rect.left || r.top != w->rect.top;
    const bool sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
                       (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
    w->rect = r;
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST()) {
            w->exStyle |= WS_EX_TOPMOST;
            Raise(w);
        } else if (insertAfter == HWND_NOTOPMOST()) {
            w->exStyle &= ~WS_EX_TOPMOST;
            Raise(w);
        } else if (insertAfter == HWND_BOTTOM()) {
            auto& list = w->parent ? w->parent->children : s.zorder;
            list.erase(std::remove(list.begin(), list.end(), w), list.end());
            list.push_back(w);
        } else if (Window* after = LookupWindow(insertAfter); after && after->parent == w->parent) {
            auto& list = w->parent ? w->parent->children : s.zorder;
            list.erase(std::remove(list.begin(), list.end(), w), list.end());
            list.insert(std::find(list.begin(), list.end(), after) + 1, w);
        } else {
            Raise(w);
        }
    }
    LayoutChanged();
    // Nothing keeps a window's old pixels, so a moved or resized window is drawn again even
    // when SWP_NOREDRAW asks to leave it; otherwise it would show stale pixels.
    if (moved || sized || !(flags & SWP_NOZORDER) || (flags & SWP_FRAMECHANGED)) {
        if (shown) ExposeScreenRect(oldScreen);
        InvalidateTree(w);
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    if (!LookupWindow(hwnd)) return FALSE;
    WINDOWPOS wp{hwnd, insertAfter, static_cast<int>(r.left), static_cast<int>(r.top),
                 static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top), flags & 0xFFFF};
    CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    if (!LookupWindow(hwnd)) return TRUE;
    if (moved) CallProc(w, WM_MOVE, 0, MAKELONG(static_cast<WORD>(r.left), static_cast<WORD>(r.top)));
    if (sized && LookupWindow(hwnd)) {
        RECT client;
        GetClientRect(hwnd, &client);
        CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELONG(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    }
    if (LookupWindow(hwnd) && IsTopLevel(w) && !(flags & SWP_NOACTIVATE) && (w->style & WS_VISIBLE) &&
        !(w->exStyle & WS_EX_NOACTIVATE)) {
        Activate(w);
    }
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    Window* w = LookupWindow(hwnd);
    if (!w || !rect) return FALSE;
    *rect = ScreenRect(w);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    Window* w = LookupWindow(hwnd);
    if (!w || !rect) return FALSE;
    const RECT c = ClientScreenRect(w);
    *rect = {0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
    Window* w = LookupWindow(hwnd);
    if (!w || !p) return FALSE;
    const RECT c = ClientScreenRect(w);
    p->x += c.left;
    p->y += c.top;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
    Window* w = LookupWindow(hwnd);
    if (!w || !p) return FALSE;
    const RECT c = ClientScreenRect(w);
    p->x -= c.left;
    p->y -= c.top;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    POINT origin{0, 0};
    if (from) ClientToScreen(from, &origin);
    POINT target{0, 0};
    if (to) ClientToScreen(to, &target);
    const int dx = origin.x - target.x, dy = origin.y - target.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND WindowFromPoint(POINT p) {
    for (Window* w : S().zorder) {
        if (!(w->style & WS_VISIBLE)) continue;
        const RECT r = ScreenRect(w);
        if (!PtInRect(&r, p)) continue;
        Window* hit = w;
        bool deeper = true;
        while (deeper) {
            deeper = false;
            const RECT client = ClientScreenRect(hit);
            if (!PtInRect(&client, p)) break;
            for (Window* c : hit->children) {
                if (!(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
                const RECT cr = ScreenRect(c);
                if (PtInRect(&cr, p)) {
                    hit = c;
                    deeper = true;
                    break;
                }
            }
        }
        return ToHandle(hit);
    }
    return nullptr;
}

HWND ChildWindowFromPoint(HWND parentHandle, POINT p) {
    Window* parent = LookupWindow(parentHandle);
    if (!parent) return nullptr;
    RECT client;
    GetClientRect(parentHandle, &client);
    if (!PtInRect(&client, p)) return nullptr;
    for (Window* c : parent->children) {
        if (PtInRect(&c->rect, p)) return ToHandle(c);
    }
    return parentHandle;
}

// ---- focus and activation ----------------------------------------------------------------------

HWND GetForegroundWindow() {
    State& s = S();
    if (s.inFront && s.active) return ToHandle(s.active);
    return RemoteForegroundWindow();
}

BOOL SetForegroundWindow(HWND hwnd) {
    State& s = S();
    if (IsRemoteHandle(hwnd)) return RemoteSetForeground(hwnd) ? TRUE : FALSE;
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    w = TopLevelOf(w);
    // A window under a modal dialog comes forward with the dialog in front of it, active.
    Window* target = w;
    if (w->style & WS_DISABLED) {
        for (Window* o : s.zorder) {
            if (o->owner == w && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) {
                target = o;
                break;
            }
        }
    }
    Raise(w);
    Activate(target);
    s.inFront = true;
    RendezvousClaimFront();
    if (s.backend) s.backend->Raise();
    return TRUE;
}

HWND GetActiveWindow() { return ToHandle(S().active); }

HWND SetActiveWindow(HWND hwnd) {
    HWND old = ToHandle(S().active);
    Window* w = LookupWindow(hwnd);
    if (!w) return nullptr;
    Activate(TopLevelOf(w));
    return old;
}

HWND GetFocus() { return ToHandle(S().focus); }

HWND SetFocus(HWND hwnd) {
    State& s = S();
    Window* old = s.focus;
    const HWND oldHandle = ToHandle(old);
    if (!hwnd) {
        s.focus = nullptr;
        if (old) CallProc(old, WM_KILLFOCUS, 0, 0);
        return oldHandle;
    }
    Window* w = LookupWindow(hwnd);
    if (!w || (w->style & WS_DISABLED)) return nullptr;
    if (old == w) return oldHandle;
    Window* top = TopLevelOf(w);
    if (top != s.active && !(top->exStyle & WS_EX_NOACTIVATE)) Activate(top);
    if (w->destroyed) return nullptr;
    old = s.focus;
    if (old == w) return oldHandle;
    s.focus = w;
    if (old && !old->destroyed) CallProc(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (s.focus == w && !w->destroyed) {
        CallProc(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(ToHandle(old)), 0);
    }
    return oldHandle;
}

HWND GetCapture() { return ToHandle(S().capture); }

HWND SetCapture(HWND hwnd) {
    HWND old = ToHandle(S().capture);
    S().capture = LookupWindow(hwnd);
    return old;
}

BOOL ReleaseCapture() {
    Window* old = S().capture;
    S().capture = nullptr;
    if (old && !old->destroyed) CallProc(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

short GetKeyState(int key) {
    const State& s = S();
    bool down = false;
    if (key == static_cast<int>(VK_CONTROL)) down = s.keyCtrl;
    if (key == static_cast<int>(VK_MENU)) down = s.keyAlt;
    if (key == static_cast<int>(VK_SHIFT)) down = s.keyShift;
    return down ? static_cast<short>(0x8000) : 0;
}

short GetAsyncKeyState(int key) { return GetKeyState(key); }

// ---- messages -----------------------------------------------------------------------------------

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (IsRemoteHandle(hwnd)) return RemoteSendMessage(hwnd, msg, wParam, lParam);
    Window* w = LookupWindow(hwnd);
    if (!w) return 0;
    return CallProc(w, msg, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (IsRemoteHandle(hwnd)) {
        RemoteSendMessage(hwnd, msg, wParam, lParam);
        return TRUE;
    }
    if (hwnd && !LookupWindow(hwnd)) return FALSE;
    S().posted.push_back(MSG{hwnd, msg, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    S().quitPosted = true;
    S().quitCode = exitCode;
}

namespace {

bool PeekInternal(MSG* msg, HWND hwnd, UINT lo, UINT hi, bool remove) {
    State& s = S();
    for (;;) {
        for (auto it = s.posted.begin(); it != s.posted.end();) {
            if (it->hwnd && !LookupWindow(it->hwnd)) {
                it = s.posted.erase(it);  // its window is gone
                continue;
            }
            if (MessageMatches(*it, hwnd, lo, hi)) {
                *msg = *it;
                if (remove) s.posted.erase(it);
                return true;
            }
            ++it;
        }
        if (s.quitPosted && (lo == 0 && hi == 0)) {
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, 0, {0, 0}};
            if (remove) s.quitPosted = false;
            return true;
        }
        if (s.input.empty()) break;
        InputEvent e = s.input.front();
        s.input.pop_front();
        DeliverInput(e, &s.posted);
    }
    if ((lo == 0 && hi == 0) || (WM_PAINT >= lo && WM_PAINT <= hi)) {
        MSG m;
        if (NextPaintMessage(&m) && MessageMatches(m, hwnd, 0, 0)) {
            *msg = m;
            return true;
        }
    }
    return false;
}

}  // namespace

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    if (!msg) return FALSE;
    FreeGraveyard();
    RendezvousPoll();
    if (PeekInternal(msg, hwnd, lo, hi, remove & PM_REMOVE)) {
        S().lastMsg = *msg;
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT lo, UINT hi) {
    State& s = S();
    if (!msg) return -1;
    for (;;) {
        FreeGraveyard();
        RendezvousPoll();
        if (PeekInternal(msg, hwnd, lo, hi, true)) {
            s.lastMsg = *msg;
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        // Idle: everything pending has been handled and the screen is settled.
        if (s.backend) s.backend->Present(s.screen);
        if (s.script && !s.script->Finished()) {
            s.script->Step();
            continue;
        }
        if (s.script && s.script->Finished()) {
            if (s.script->CloseAfterEnd()) continue;
        }
        if (!s.backend) return -1;  // nothing could ever arrive
        if (!s.backend->WaitForInput(50)) return -1;
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    if (msg->lParam & (1 << 25)) return FALSE;  // the backend sends this key's character itself
    const UINT vk = static_cast<UINT>(msg->wParam);
    const State& s = S();
    int ch = -1;
    if (vk >= 'A' && vk <= 'Z') {
        if (s.keyCtrl) {
            ch = static_cast<int>(vk - 'A' + 1);
        } else {
            ch = static_cast<int>(s.keyShift ? vk : vk - 'A' + 'a');
        }
    } else if (vk >= '0' && vk <= '9' && !s.keyCtrl) {
        ch = static_cast<int>(vk);
    } else if (vk == VK_RETURN) {
        ch = s.keyCtrl ? '\n' : '\r';
    } else if (vk == VK_ESCAPE) {
        ch = 0x1B;
    } else if (vk == VK_TAB && !s.keyCtrl) {
        ch = '\t';
    } else if (vk == VK_BACK) {
        ch = 0x08;
    } else if (vk == VK_SPACE) {
        ch = ' ';
    }
    if (ch < 0) return FALSE;
    const UINT charMsg = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    // The character comes before anything queued after the key.
    S().posted.push_front(MSG{msg->hwnd, charMsg, static_cast<WPARAM>(ch), msg->lParam, msg->time, msg->pt});
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    Window* w = LookupWindow(msg->hwnd);
    if (!w) return 0;
    return CallProc(w, msg->message, msg->wParam, msg->lParam);
}

DWORD GetMessagePos() {
    const MSG& m = S().lastMsg;
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(m.pt.x), static_cast<WORD>(m.pt.y)));
}

LONG GetMessageTime() { return static_cast<LONG>(S().lastMsg.time); }

HACCEL LoadAcceleratorsW(HINSTANCE, LPCWSTR) { return nullptr; }
int TranslateAcceleratorW(HWND, HACCEL, MSG*) { return 0; }

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = LookupWindow(hwnd);
    if (!w) return 0;
    switch (msg) {
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND: {
            Brush scratch;
            Brush* b = LookupBrush(w->cls->wc.hbrBackground, &scratch);
            if (!b) return 0;
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, w->cls->wc.hbrBackground);
            return 1;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) SetFocus(hwnd);
            return 0;
        case WM_SETTEXT: {
            w->title = FromW(reinterpret_cast<LPCWSTR>(lParam));
            if (!w->parent) {
                w->ncDirty = true;
                TaskBarChanged();
            }
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buf = reinterpret_cast<LPWSTR>(lParam);
            const int cap = static_cast<int>(wParam);
            if (!buf || cap <= 0) return 0;
            const int n = std::min<int>(cap - 1, static_cast<int>(w->title.size()));
            std::copy_n(w->title.data(), n, buf);
            buf[n] = 0;
            return n;
        }
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->title.size());
        default: return 0;
    }
}

// ---- painting -----------------------------------------------------------------------------------

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) {
        for (Window* w : S().zorder) InvalidateTree(w);
        return TRUE;
    }
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    Invalidate(w, rect, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    if (!rect) {
        w->hasUpdate = false;
        w->erase = false;
        return TRUE;
    }
    RECT inter = Intersection(*rect, w->update);
    if (EqualRect(&inter, &w->update)) {
        w->hasUpdate = false;
        w->erase = false;
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    return w->hasUpdate ? TRUE : FALSE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, void*, UINT flags) {
    Window* w = LookupWindow(hwnd);
    if (!w) return FALSE;
    if (flags & RDW_INVALIDATE) {
        Invalidate(w, rect, (flags & RDW_ERASE) != 0);
        if (flags & RDW_ALLCHILDREN) {
            for (Window* c : w->children) InvalidateTree(c);
        }
    }
    if (flags & RDW_UPDATENOW) UpdateWindow(hwnd);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    Window* w = LookupWindow(hwnd);
    if (!w || !ps) return nullptr;
    if (w->ncDirty) PaintNonClient(w);
    HDC hdc = GetDC(hwnd);
    Dc* dc = LookupDc(hdc);
    *ps = PAINTSTRUCT{};
    ps->hdc = hdc;
    ps->rcPaint = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    const bool erase = w->erase;
    w->hasUpdate = false;
    w->erase = false;
    dc->painting = true;
    dc->paintRect = ps->rcPaint;
    ps->fErase = TRUE;
    if (erase) ps->fErase = CallProc(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT*) {
    Window* w = LookupWindow(hwnd);
    if (!w || !w->dc) return FALSE;
    w->dc->painting = false;
    return TRUE;
}

// ---- scroll bars --------------------------------------------------------------------------------

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* si, BOOL redraw) {
    Window* w = LookupWindow(hwnd);
    if (!w || !si || bar != SB_VERT) return 0;
    ScrollBarState& sb = w->vscroll;
    if (si->fMask & SIF_RANGE) {
        sb.minPos = si->nMin;
        sb.maxPos = std::max(si->nMin, si->nMax);
    }
    if (si->fMask & SIF_PAGE) sb.page = si->nPage;
    if (si->fMask & SIF_POS) sb.pos = si->nPos;
    const int last = std::max(sb.minPos, sb.maxPos - std::max<int>(static_cast<int>(sb.page) - 1, 0));
    sb.pos = std::clamp(sb.pos, sb.minPos, last);
    w->ncDirty = true;
    if (redraw && (w->style & WS_VSCROLL)) PaintNonClient(w);
    return sb.pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* si) {
    Window* w = LookupWindow(hwnd);
    if (!w || !si || bar != SB_VERT) return FALSE;
    const ScrollBarState& sb = w->vscroll;
    if (si->fMask & SIF_RANGE) {
        si->nMin = sb.minPos;
        si->nMax = sb.maxPos;
    }
    if (si->fMask & SIF_PAGE) si->nPage = sb.page;
    if (si->fMask & SIF_POS) si->nPos = sb.pos;
    if (si->fMask & SIF_TRACKPOS) si->nTrackPos = sb.tracking ? sb.trackPos : sb.pos;
    return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
    Window* w = LookupWindow(hwnd);
    if (!w) return 0;
    const int old = w->vscroll.pos;
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
    SetScrollInfo(hwnd, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND hwnd, int bar) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(hwnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
    SCROLLINFO si{sizeof si, SIF_RANGE, minPos, maxPos, 0, 0, 0};
    return SetScrollInfo(hwnd, bar, &si, redraw) >= 0 && LookupWindow(hwnd) ? TRUE : FALSE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
    Window* w = LookupWindow(hwnd);
    if (!w || (bar != SB_VERT && bar != SB_BOTH)) return FALSE;
    const DWORD style = show ? (w->style | WS_VSCROLL) : (w->style & ~WS_VSCROLL);
    if (style == w->style) return TRUE;
    w->style = style;
    RECT r = w->rect;
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RECT client;
    GetClientRect(hwnd, &client);
    (void)r;
    CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELONG(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    return TRUE;
}

// ---- the shell's full-screen control ----------------------------------------------------------

BOOL SHFullScreen(HWND, DWORD state) {
    State& s = S();
    if (s.taskBar) {
        if (state & SHFS_HIDETASKBAR) ShowWindow(ToHandle(s.taskBar), SW_HIDE);
        if (state & SHFS_SHOWTASKBAR) ShowWindow(ToHandle(s.taskBar), SW_SHOWNA);
    }
    if (state & SHFS_HIDESIPBUTTON) s.sipButtonVisible = false;
    if (state & SHFS_SHOWSIPBUTTON) s.sipButtonVisible = true;
    if (state & SHFS_HIDESTARTICON) s.startIconVisible = false;
    if (state & SHFS_SHOWSTARTICON) s.startIconVisible = true;
    TaskBarChanged();
    return TRUE;
}

int GetSystemMetrics(int index) {
    const State& s = S();
    switch (index) {
        case SM_CXSCREEN: return s.screen.width;
        case SM_CYSCREEN: return s.screen.height;
        case SM_CXVSCROLL:
        case SM_CXHSCROLL: return kScrollBarWidth;
        case SM_CYHSCROLL:
        case SM_CYVSCROLL: return kScrollBarWidth;
        case SM_CYVTHUMB: return kScrollBarWidth;
        case SM_CYCAPTION: return kCaptionHeight;
        case SM_CXBORDER:
        case SM_CYBORDER:
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return 1;
        case SM_CXEDGE:
        case SM_CYEDGE: return 2;
        case SM_CXICON:
        case SM_CYICON: return 32;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        case SM_CYMENU: return kTaskBarHeight;
        case SM_CXFULLSCREEN: return s.screen.width;
        case SM_CYFULLSCREEN: return s.screen.height - kTaskBarHeight;
        default: return 0;
    }
}
