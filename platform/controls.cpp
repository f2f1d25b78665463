// The controls: STATIC (text and bitmap), BUTTON (push, owner-drawn, automatic check box),
// EDIT (single-line and multi-line) and LISTBOX. Each is a window class with its own procedure,
// drawn black on white with one-pixel frames; frames of WS_BORDER come from the window's
// non-client area. Each control keeps its state in a record that its window points to.
#include <algorithm>
#include <memory>

#include "platform/dialog_internal.h"

namespace velin::platform {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

template <typename T>
T* StateOf(HWND hwnd) {
    return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, 0));
}

void Notify(HWND hwnd, WORD code) {
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKELONG(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                 reinterpret_cast<LPARAM>(hwnd));
}

TEXTMETRICW MetricsOf(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm;
}

const Window* W(HWND hwnd) { return LookupWindow(hwnd); }
DWORD StyleOf(HWND hwnd) {
    const Window* w = W(hwnd);
    return w ? w->style : 0;
}

// ---- STATIC ------------------------------------------------------------------------------------

struct StaticState {
    HFONT font = nullptr;
    HBITMAP bitmap = nullptr;
    bool ownsBitmap = false;
};

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = StateOf<StaticState>(hwnd);
    switch (msg) {
        case WM_CREATE: {
            st = new StaticState;
            SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            const std::u16string text = FromW(cs->lpszName);
            if ((static_cast<DWORD>(cs->style) & SS_TYPEMASK) == SS_BITMAP && text.size() > 1 && text[0] == u'#') {
                // "#N": bitmap resource N, which the control owns; the control takes its size.
                int id = 0;
                for (size_t i = 1; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) id = id * 10 + (text[i] - u'0');
                st->bitmap = LoadBitmapW(cs->hInstance, MAKEINTRESOURCEW(static_cast<uintptr_t>(id)));
                st->ownsBitmap = st->bitmap != nullptr;
                BITMAP bm{};
                if (st->bitmap && GetObjectW(st->bitmap, sizeof bm, &bm)) {
                    SetWindowPos(hwnd, nullptr, 0, 0, bm.bmWidth, bm.bmHeight,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
            }
            return 0;
        }
        case WM_NCDESTROY:
            if (st && st->ownsBitmap) DeleteObject(st->bitmap);
            delete st;
            SetWindowLongPtrW(hwnd, 0, 0);
            return 0;
        case WM_SETFONT:
            if (st) st->font = reinterpret_cast<HFONT>(wParam);
            if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(st ? st->font : nullptr);
        case STM_SETIMAGE: {
            if (!st || wParam != IMAGE_BITMAP) return 0;
            HBITMAP old = st->bitmap;
            if (st->ownsBitmap) {
                DeleteObject(old);
                old = nullptr;
            }
            st->bitmap = reinterpret_cast<HBITMAP>(lParam);
            st->ownsBitmap = false;
            InvalidateRect(hwnd, nullptr, TRUE);
            return reinterpret_cast<LRESULT>(old);
        }
        case STM_GETIMAGE: return reinterpret_cast<LRESULT>(st ? st->bitmap : nullptr);
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
            InvalidateRect(hwnd, nullptr, TRUE);
            return r;
        }
        case WM_GETDLGCODE: return DLGC_STATIC;
        case WM_LBUTTONDOWN:
            if (StyleOf(hwnd) & SS_NOTIFY) Notify(hwnd, 0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            const DWORD style = StyleOf(hwnd);
            if ((style & SS_TYPEMASK) == SS_BITMAP) {
                BITMAP bm{};
                if (st && st->bitmap && GetObjectW(st->bitmap, sizeof bm, &bm)) {
                    HDC mem = CreateCompatibleDC(dc);
                    HGDIOBJ old = SelectObject(mem, st->bitmap);
                    SetTextColor(dc, kBlack);
                    SetBkColor(dc, kWhite);
                    BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
                    SelectObject(mem, old);
                    DeleteDC(mem);
                }
            } else {
                HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, (style & WS_DISABLED) ? kGrey : kBlack);
                UINT format = DT_WORDBREAK;
                if ((style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
                if ((style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
                if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
                const Window* w = W(hwnd);
                DrawTextW(dc, w->title.c_str(), static_cast<int>(w->title.size()), &r, format);
                SelectObject(dc, old);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// ---- BUTTON --------------------------------------------------------------------------------------

struct ButtonState {
    HFONT font = nullptr;
    UINT check = BST_UNCHECKED;
    bool pushed = false;    // drawn pressed
    bool tracking = false;  // the pen went down on it
};

DWORD ButtonType(HWND hwnd) { return StyleOf(hwnd) & BS_TYPEMASK; }
bool IsCheckBox(HWND hwnd) {
    const DWORD t = ButtonType(hwnd);
    return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX;
}

void ClickButton(HWND hwnd) {
    auto* st = StateOf<ButtonState>(hwnd);
    if (!st) return;
    if (ButtonType(hwnd) == BS_AUTOCHECKBOX) {
        st->check = st->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    Notify(hwnd, BN_CLICKED);
}

void PaintButton(HWND hwnd, HDC dc, ButtonState* st) {
    RECT r;
    GetClientRect(hwnd, &r);
    const Window* w = W(hwnd);
    const bool focused = GetFocus() == hwnd;
    const bool disabled = (w->style & WS_DISABLED) != 0;
    const DWORD type = ButtonType(hwnd);
    if (type == BS_OWNERDRAW) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (st->pushed ? ODS_SELECTED : 0) | (focused ? ODS_FOCUS : 0) | (disabled ? ODS_DISABLED : 0);
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        dis.rcItem = r;
        SendMessageW(GetParent(hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        return;
    }
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(hwnd));
    SetBkMode(dc, TRANSPARENT);
    if (IsCheckBox(hwnd)) {
        const int box = 11;
        const int top = (r.bottom - box) / 2;
        RECT b{0, top, box, top + box};
        FillColor(dc, b, kWhite);
        FrameRect1(dc, b, disabled ? kGrey : kBlack);
        if (st->pushed) {
            RECT inner{b.left + 1, b.top + 1, b.right - 1, b.bottom - 1};
            FrameRect1(dc, inner, kBlack);
        }
        if (st->check == BST_CHECKED) {
            // A tick: down-right from the left, then up to the top-right corner.
            HPEN pen = CreatePen(PS_SOLID, 1, kBlack);
            HGDIOBJ oldPen = SelectObject(dc, pen);
            for (int dy = 0; dy < 2; ++dy) {
                MoveToEx(dc, b.left + 2, top + 5 + dy, nullptr);
                LineTo(dc, b.left + 4, top + 7 + dy);
                LineTo(dc, b.left + 9, top + 2 + dy);
            }
            SelectObject(dc, oldPen);
            DeleteObject(pen);
        }
        RECT text{box + 4, 0, r.right, r.bottom};
        SetTextColor(dc, disabled ? kGrey : kBlack);
        DrawTextW(dc, w->title.c_str(), static_cast<int>(w->title.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        if (focused) {
            RECT calc = text;
            DrawTextW(dc, w->title.c_str(), static_cast<int>(w->title.size()), &calc,
                      DT_SINGLELINE | DT_LEFT | DT_CALCRECT);
            const int h = calc.bottom - calc.top;
            RECT f{text.left - 1, (r.bottom - h) / 2 - 1, calc.right + 1, (r.bottom - h) / 2 + h + 1};
            FrameRect1(dc, f, kBlack);
        }
    } else {
        FillColor(dc, r, st->pushed ? kBlack : kWhite);
        FrameRect1(dc, r, disabled ? kGrey : kBlack);
        if (focused || type == BS_DEFPUSHBUTTON) {
            RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
            FrameRect1(dc, inner, st->pushed ? kWhite : kBlack);
        }
        SetTextColor(dc, st->pushed ? kWhite : (disabled ? kGrey : kBlack));
        RECT text = r;
        DrawTextW(dc, w->title.c_str(), static_cast<int>(w->title.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
    SelectObject(dc, oldFont);
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = StateOf<ButtonState>(hwnd);
    switch (msg) {
        case WM_CREATE:
            SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new ButtonState));
            return 0;
        case WM_NCDESTROY:
            delete st;
            SetWindowLongPtrW(hwnd, 0, 0);
            return 0;
        case WM_SETFONT:
            if (st) st->font = reinterpret_cast<HFONT>(wParam);
            if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(st ? st->font : nullptr);
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
            InvalidateRect(hwnd, nullptr, TRUE);
            return r;
        }
        case WM_GETDLGCODE:
            if (IsCheckBox(hwnd)) return DLGC_BUTTON;
            return DLGC_BUTTON | (ButtonType(hwnd) == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case BM_GETCHECK: return st ? st->check : 0;
        case BM_SETCHECK:
            if (st && IsCheckBox(hwnd) && st->check != (wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED)) {
                st->check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
                InvalidateRect(hwnd, nullptr, TRUE);
            }
            return 0;
        case BM_GETSTATE:
            return st ? (st->check | (st->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0)) : 0;
        case BM_SETSTATE:
            if (st && st->pushed != (wParam != 0)) {
                st->pushed = wParam != 0;
                InvalidateRect(hwnd, nullptr, TRUE);
            }
            return 0;
        case BM_CLICK: ClickButton(hwnd); return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            InvalidateRect(hwnd, nullptr, TRUE);
            if ((StyleOf(hwnd) & BS_NOTIFY) && msg != WM_ENABLE) Notify(hwnd, msg == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
            return 0;
        case WM_LBUTTONDOWN:
            if (!st) return 0;
            SetFocus(hwnd);
            st->tracking = true;
            st->pushed = true;
            SetCapture(hwnd);
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_MOUSEMOVE: {
            if (!st || !st->tracking) return 0;
            RECT r;
            GetClientRect(hwnd, &r);
            const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const bool inside = PtInRect(&r, p) != 0;
            if (inside != st->pushed) {
                st->pushed = inside;
                InvalidateRect(hwnd, nullptr, TRUE);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!st || !st->tracking) return 0;
            st->tracking = false;
            const bool click = st->pushed;
            st->pushed = false;
            if (GetCapture() == hwnd) ReleaseCapture();
            InvalidateRect(hwnd, nullptr, TRUE);
            if (click) ClickButton(hwnd);
            return 0;
        }
        case WM_CHAR:
            if (wParam == u' ') ClickButton(hwnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (st) PaintButton(hwnd, dc, st);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// ---- EDIT ----------------------------------------------------------------------------------------

struct EditLine {
    int start;
    int length;  // without the line end
};

struct EditState {
    HFONT font = nullptr;
    std::u16string text;
    int anchor = 0;  // selection: from anchor to caret
    int caret = 0;
    int limit = 0x7FFFFFFE;
    int scrollX = 0;    // single-line: pixels scrolled off on the left
    int firstLine = 0;  // multi-line: the top line shown
    bool dragging = false;
};

constexpr int kEditMargin = 1;

bool Multi(HWND hwnd) { return (StyleOf(hwnd) & ES_MULTILINE) != 0; }

int TextWidth(HDC dc, const char16_t* s, int n) {
    if (n <= 0) return 0;
    SIZE size{};
    GetTextExtentPoint32W(dc, s, n, &size);
    return size.cx;
}

// The lines of a multi-line box: hard breaks at CR LF or LF, soft ones where the width ends
// (after the last blank that fits, else after the last character that fits).
std::vector<EditLine> EditLines(HWND hwnd, HDC dc, const EditState& st) {
    std::vector<EditLine> lines;
    const std::u16string& t = st.text;
    const int n = static_cast<int>(t.size());
    if (!Multi(hwnd)) {
        lines.push_back({0, n});
        return lines;
    }
    RECT r;
    GetClientRect(hwnd, &r);
    const int width = std::max(1, static_cast<int>(r.right) - 2 * kEditMargin);
    int i = 0;
    for (;;) {
        int end = i;
        while (end < n && t[end] != u'\r' && t[end] != u'\n') ++end;
        // Wrap the paragraph [i, end).
        int s = i;
        do {
            int fit = 0;
            GetTextExtentExPointW(dc, t.c_str() + s, end - s, width, &fit, nullptr, nullptr);
            if (fit >= end - s) {
                lines.push_back({s, end - s});
                s = end;
                break;
            }
            fit = std::max(1, fit);
            int cut = fit;
            for (int k = fit; k > 0; --k) {
                if (t[s + k - 1] == u' ') {
                    cut = k;
                    break;
                }
            }
            lines.push_back({s, cut});
            s += cut;
        } while (s < end);
        if (end >= n) {
            if (lines.empty() || lines.back().start + lines.back().length < end || s != end) lines.push_back({end, 0});
            break;
        }
        i = end + ((t[end] == u'\r' && end + 1 < n && t[end + 1] == u'\n') ? 2 : 1);
        if (i >= n) {
            lines.push_back({n, 0});
            break;
        }
    }
    return lines;
}

int LineOf(const std::vector<EditLine>& lines, int pos) {
    for (size_t k = 0; k < lines.size(); ++k) {
        const int lineEnd = lines[k].start + lines[k].length;
        const bool last = k + 1 == lines.size();
        if (pos < lines[k].start) return static_cast<int>(k > 0 ? k - 1 : 0);
        if (pos <= lineEnd && (last || pos < lines[k + 1].start)) return static_cast<int>(k);
    }
    return static_cast<int>(lines.size()) - 1;
}

// The position in a line nearest to x (pixels from the line's left).
int PosAtX(HDC dc, const std::u16string& t, const EditLine& line, int x) {
    int acc = 0;
    for (int k = 0; k < line.length; ++k) {
        const int w = TextWidth(dc, t.c_str() + line.start + k, 1);
        if (x < acc + w / 2) return line.start + k;
        acc += w;
    }
    return line.start + line.length;
}

int LineHeight(HWND hwnd) { return std::max<int>(1, MetricsOf(ControlFont(hwnd)).tmHeight); }

void KeepCaretVisible(HWND hwnd, EditState* st) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
    RECT r;
    GetClientRect(hwnd, &r);
    const std::vector<EditLine> lines = EditLines(hwnd, dc, *st);
    const int line = LineOf(lines, st->caret);
    if (Multi(hwnd)) {
        const int visible = std::max(1, static_cast<int>(r.bottom) / LineHeight(hwnd));
        if (line < st->firstLine) st->firstLine = line;
        if (line >= st->firstLine + visible) st->firstLine = line - visible + 1;
    } else {
        const int width = std::max(1, static_cast<int>(r.right) - 2 * kEditMargin);
        const int x = TextWidth(dc, st->text.c_str(), st->caret);
        if (x - st->scrollX > width - 1) st->scrollX = x - (width - 1);
        if (x < st->scrollX) st->scrollX = x;
        const int total = TextWidth(dc, st->text.c_str(), static_cast<int>(st->text.size()));
        st->scrollX = std::max(0, std::min(st->scrollX, std::max(0, total - (width - 1))));
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
}

int HitTest(HWND hwnd, EditState* st, int x, int y) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
    const std::vector<EditLine> lines = EditLines(hwnd, dc, *st);
    int pos;
    if (Multi(hwnd)) {
        int line = st->firstLine + (y < 0 ? -1 : y / LineHeight(hwnd));
        line = std::clamp(line, 0, static_cast<int>(lines.size()) - 1);
        pos = PosAtX(dc, st->text, lines[static_cast<size_t>(line)], x - kEditMargin);
    } else {
        pos = PosAtX(dc, st->text, lines[0], x - kEditMargin + st->scrollX);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return pos;
}

void EditChanged(HWND hwnd, EditState* st) {
    KeepCaretVisible(hwnd, st);
    InvalidateRect(hwnd, nullptr, TRUE);
}

// Replaces the selection with `in`, as far as the limit allows; false when nothing fitted.
bool ReplaceSelection(HWND hwnd, EditState* st, std::u16string_view in) {
    const int a = std::min(st->anchor, st->caret), b = std::max(st->anchor, st->caret);
    const int room = st->limit - (static_cast<int>(st->text.size()) - (b - a));
    std::u16string_view take = in.substr(0, static_cast<size_t>(std::max(0, std::min<int>(room, static_cast<int>(in.size())))));
    // Never split a line end.
    if (take.size() < in.size() && !take.empty() && take.back() == u'\r') take.remove_suffix(1);
    st->text.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), take);
    st->anchor = st->caret = a + static_cast<int>(take.size());
    EditChanged(hwnd, st);
    if (take.size() < in.size()) Notify(hwnd, EN_MAXTEXT);
    if (!take.empty() || a != b) Notify(hwnd, EN_CHANGE);
    return !take.empty();
}

// One step left or right, a CR LF pair counting as one.
int StepLeft(const std::u16string& t, int p) {
    if (p <= 0) return 0;
    if (p >= 2 && t[p - 1] == u'\n' && t[p - 2] == u'\r') return p - 2;
    return p - 1;
}
int StepRight(const std::u16string& t, int p) {
    const int n = static_cast<int>(t.size());
    if (p >= n) return n;
    if (t[p] == u'\r' && p + 1 < n && t[p + 1] == u'\n') return p + 2;
    return p + 1;
}

void EditKey(HWND hwnd, EditState* st, UINT vk) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool readOnly = (StyleOf(hwnd) & ES_READONLY) != 0;
    const int a = std::min(st->anchor, st->caret), b = std::max(st->anchor, st->caret);
    int caret = st->caret;
    auto lineMove = [&](int delta) {
        HDC dc = GetDC(hwnd);
        HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
        const std::vector<EditLine> lines = EditLines(hwnd, dc, *st);
        const int line = LineOf(lines, caret);
        const EditLine& cur = lines[static_cast<size_t>(line)];
        const int x = TextWidth(dc, st->text.c_str() + cur.start, caret - cur.start);
        const int target = std::clamp(line + delta, 0, static_cast<int>(lines.size()) - 1);
        int pos = caret;
        if (vk == VK_HOME) {
            pos = cur.start;
        } else if (vk == VK_END) {
            pos = cur.start + cur.length;
        } else if (target != line) {
            pos = PosAtX(dc, st->text, lines[static_cast<size_t>(target)], x);
        }
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        return pos;
    };
    switch (vk) {
        case VK_LEFT: caret = (!shift && a != b) ? a : StepLeft(st->text, caret); break;
        case VK_RIGHT: caret = (!shift && a != b) ? b : StepRight(st->text, caret); break;
        case VK_HOME:
        case VK_END: caret = Multi(hwnd) ? lineMove(0) : (vk == VK_HOME ? 0 : static_cast<int>(st->text.size())); break;
        case VK_UP:
        case VK_DOWN:
            if (!Multi(hwnd)) return;
            caret = lineMove(vk == VK_UP ? -1 : 1);
            break;
        case VK_DELETE:
            if (readOnly) return;
            if (a == b) {
                if (a >= static_cast<int>(st->text.size())) return;
                st->anchor = a;
                st->caret = StepRight(st->text, a);
            }
            ReplaceSelection(hwnd, st, u"");
            return;
        default: return;
    }
    st->caret = caret;
    if (!shift) st->anchor = caret;
    EditChanged(hwnd, st);
}

void EditChar(HWND hwnd, EditState* st, WCHAR ch) {
    if (StyleOf(hwnd) & ES_READONLY) return;
    if (ch == 0x08) {
        if (st->anchor == st->caret) {
            if (st->caret == 0) return;
            st->anchor = StepLeft(st->text, st->caret);
        }
        ReplaceSelection(hwnd, st, u"");
        return;
    }
    if (ch == u'\r' || ch == u'\n') {
        if (Multi(hwnd)) ReplaceSelection(hwnd, st, u"\r\n");
        return;
    }
    if (ch < 0x20 || ch == 0x7F) return;  // control characters type nothing
    const char16_t one[1] = {ch};
    ReplaceSelection(hwnd, st, std::u16string_view(one, 1));
}

void PaintEdit(HWND hwnd, HDC dc, EditState* st) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillColor(dc, r, kWhite);
    HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
    SetBkMode(dc, TRANSPARENT);
    const bool focused = GetFocus() == hwnd;
    const bool showSel = focused || (StyleOf(hwnd) & ES_NOHIDESEL);
    const int a = std::min(st->anchor, st->caret), b = std::max(st->anchor, st->caret);
    const std::vector<EditLine> lines = EditLines(hwnd, dc, *st);
    const int lh = LineHeight(hwnd);
    const bool multi = Multi(hwnd);
    const int first = multi ? st->firstLine : 0;
    const int top0 = multi ? 0 : (r.bottom - lh) / 2;
    const COLORREF textColor = (StyleOf(hwnd) & WS_DISABLED) ? kGrey : kBlack;
    for (int k = first; k < static_cast<int>(lines.size()); ++k) {
        const int y = top0 + (k - first) * lh;
        if (y >= r.bottom) break;
        const EditLine& line = lines[static_cast<size_t>(k)];
        const int x0 = kEditMargin - (multi ? 0 : st->scrollX);
        const char16_t* s = st->text.c_str() + line.start;
        SetTextColor(dc, textColor);
        ExtTextOutW(dc, x0, y, 0, nullptr, s, static_cast<UINT>(line.length), nullptr);
        const int sa = std::max(a, line.start), sb = std::min(b, line.start + line.length);
        if (showSel && sa < sb) {
            const int xa = x0 + TextWidth(dc, s, sa - line.start);
            const int xb = x0 + TextWidth(dc, s, sb - line.start);
            RECT sel{xa, y, xb, y + lh};
            FillColor(dc, sel, kBlack);
            SetTextColor(dc, kWhite);
            ExtTextOutW(dc, xa, y, 0, nullptr, st->text.c_str() + sa, static_cast<UINT>(sb - sa), nullptr);
        }
        if (focused && a == b && k == LineOf(lines, st->caret)) {
            const int xc = x0 + TextWidth(dc, s, st->caret - line.start);
            RECT caret{xc, y, xc + 1, y + lh};
            FillColor(dc, caret, kBlack);
        }
    }
    SelectObject(dc, old);
}

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = StateOf<EditState>(hwnd);
    if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
    switch (msg) {
        case WM_CREATE: {
            st = new EditState;
            SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
            st->text = FromW(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName);
            return 0;
        }
        case WM_NCDESTROY:
            delete st;
            SetWindowLongPtrW(hwnd, 0, 0);
            return 0;
        case WM_SETFONT:
            st->font = reinterpret_cast<HFONT>(wParam);
            KeepCaretVisible(hwnd, st);
            if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(st->font);
        case WM_SETTEXT:
            // Setting the text is not typing: the limit does not apply.
            st->text = FromW(reinterpret_cast<LPCWSTR>(lParam));
            st->anchor = st->caret = 0;
            st->scrollX = 0;
            st->firstLine = 0;
            InvalidateRect(hwnd, nullptr, TRUE);
            return TRUE;
        case WM_GETTEXT: {
            auto* buf = reinterpret_cast<LPWSTR>(lParam);
            const int cap = static_cast<int>(wParam);
            if (!buf || cap <= 0) return 0;
            const int n = std::min<int>(cap - 1, static_cast<int>(st->text.size()));
            std::copy_n(st->text.data(), n, buf);
            buf[n] = 0;
            return n;
        }
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(st->text.size());
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (Multi(hwnd) ? DLGC_WANTALLKEYS : 0);
        case EM_LIMITTEXT:
            st->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
            return 0;
        case EM_GETLIMITTEXT: return st->limit;
        case EM_SETSEL: {
            const int n = static_cast<int>(st->text.size());
            const int s = static_cast<int>(static_cast<intptr_t>(wParam));
            const int e = static_cast<int>(lParam);
            if (s < 0) {
                st->anchor = st->caret;  // no selection
            } else {
                st->anchor = std::min(s, n);
                st->caret = e < 0 ? n : std::min(e, n);
            }
            EditChanged(hwnd, st);
            return 0;
        }
        case EM_GETSEL: {
            const DWORD a = static_cast<DWORD>(std::min(st->anchor, st->caret));
            const DWORD b = static_cast<DWORD>(std::max(st->anchor, st->caret));
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = a;
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = b;
            return MAKELONG(static_cast<WORD>(a), static_cast<WORD>(b));
        }
        case EM_REPLACESEL:
            ReplaceSelection(hwnd, st, FromW(reinterpret_cast<LPCWSTR>(lParam)));
            return 0;
        case EM_GETLINECOUNT:
        case EM_GETFIRSTVISIBLELINE: {
            if (msg == EM_GETFIRSTVISIBLELINE) return Multi(hwnd) ? st->firstLine : 0;
            HDC dc = GetDC(hwnd);
            HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
            const size_t n = EditLines(hwnd, dc, *st).size();
            SelectObject(dc, old);
            ReleaseDC(hwnd, dc);
            return static_cast<LRESULT>(n);
        }
        case WM_SIZE: KeepCaretVisible(hwnd, st); return 0;
        case WM_SETFOCUS:
            InvalidateRect(hwnd, nullptr, TRUE);
            Notify(hwnd, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            InvalidateRect(hwnd, nullptr, TRUE);
            Notify(hwnd, EN_KILLFOCUS);
            return 0;
        case WM_KEYDOWN: EditKey(hwnd, st, static_cast<UINT>(wParam)); return 0;
        case WM_CHAR: EditChar(hwnd, st, static_cast<WCHAR>(wParam)); return 0;
        case WM_LBUTTONDOWN: {
            SetFocus(hwnd);
            const int pos = HitTest(hwnd, st, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            st->caret = pos;
            if (!(wParam & MK_SHIFT)) st->anchor = pos;
            st->dragging = true;
            SetCapture(hwnd);
            EditChanged(hwnd, st);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (st->dragging) {
                st->caret = HitTest(hwnd, st, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
                EditChanged(hwnd, st);
            }
            return 0;
        case WM_LBUTTONUP:
            if (st->dragging) {
                st->dragging = false;
                if (GetCapture() == hwnd) ReleaseCapture();
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintEdit(hwnd, dc, st);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// ---- LISTBOX -------------------------------------------------------------------------------------

struct ListState {
    HFONT font = nullptr;
    std::vector<std::u16string> items;
    int sel = -1;
    int top = 0;
    bool tracking = false;
};

int ItemHeight(HWND hwnd) { return LineHeight(hwnd); }

int VisibleItems(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return std::max(1, static_cast<int>(r.bottom) / ItemHeight(hwnd));
}

int Count(const ListState* st) { return static_cast<int>(st->items.size()); }

void UpdateListScroll(HWND hwnd, ListState* st) {
    const int visible = VisibleItems(hwnd);
    st->top = std::clamp(st->top, 0, std::max(0, Count(st) - visible));
    if (StyleOf(hwnd) & WS_VSCROLL) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, Count(st) - 1),
                      static_cast<UINT>(visible), st->top, 0};
        SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

void ShowItem(HWND hwnd, ListState* st, int index) {
    const int visible = VisibleItems(hwnd);
    if (index < st->top) st->top = index;
    if (index >= st->top + visible) st->top = index - visible + 1;
    UpdateListScroll(hwnd, st);
}

// The platform's case-insensitive order.
bool ListLess(const std::u16string& a, const std::u16string& b) { return Lower(a) < Lower(b); }

bool StartsWithNoCase(const std::u16string& item, const std::u16string& prefix) {
    return item.size() >= prefix.size() && Lower(item.substr(0, prefix.size())) == Lower(prefix);
}

// Finds from the item after `start` (-1: from the first), wrapping round once.
int FindItem(const ListState* st, intptr_t start, const std::u16string& text, bool exact) {
    const int n = Count(st);
    if (n == 0) return static_cast<int>(LB_ERR);
    const int from = (start < 0 || start >= n) ? 0 : static_cast<int>(start) + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (from + k) % n;
        const std::u16string& item = st->items[static_cast<size_t>(i)];
        if (exact ? Lower(item) == Lower(text) : StartsWithNoCase(item, text)) return i;
    }
    return static_cast<int>(LB_ERR);
}

void SelectByUser(HWND hwnd, ListState* st, int index) {
    index = std::clamp(index, 0, Count(st) - 1);
    if (Count(st) == 0) return;
    const bool changed = index != st->sel;
    st->sel = index;
    ShowItem(hwnd, st, index);
    if (changed && (StyleOf(hwnd) & LBS_NOTIFY)) Notify(hwnd, LBN_SELCHANGE);
}

void PaintList(HWND hwnd, HDC dc, ListState* st) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillColor(dc, r, kWhite);
    HGDIOBJ old = SelectObject(dc, ControlFont(hwnd));
    SetBkMode(dc, TRANSPARENT);
    const int ih = ItemHeight(hwnd);
    const bool focused = GetFocus() == hwnd;
    for (int i = st->top; i < Count(st); ++i) {
        const int y = (i - st->top) * ih;
        if (y >= r.bottom) break;
        RECT row{0, y, r.right, y + ih};
        const bool selected = i == st->sel;
        if (selected) FillColor(dc, row, kBlack);
        SetTextColor(dc, selected ? kWhite : kBlack);
        RECT text{2, y, r.right - 1, y + ih};
        const std::u16string& item = st->items[static_cast<size_t>(i)];
        DrawTextW(dc, item.c_str(), static_cast<int>(item.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (selected && focused) {
            RECT inner{row.left, row.top, row.right, row.bottom};
            FrameRect1(dc, inner, kWhite);
        }
    }
    SelectObject(dc, old);
}

LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* st = StateOf<ListState>(hwnd);
    if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
    const auto index = static_cast<intptr_t>(wParam);
    switch (msg) {
        case WM_CREATE:
            st = new ListState;
            SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
            return 0;
        case WM_NCDESTROY:
            delete st;
            SetWindowLongPtrW(hwnd, 0, 0);
            return 0;
        case WM_SETFONT:
            st->font = reinterpret_cast<HFONT>(wParam);
            UpdateListScroll(hwnd, st);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(st->font);
        case WM_SIZE: UpdateListScroll(hwnd, st); return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            std::u16string text = FromW(reinterpret_cast<LPCWSTR>(lParam));
            int at;
            if (msg == LB_ADDSTRING && (StyleOf(hwnd) & LBS_SORT)) {
                at = static_cast<int>(std::upper_bound(st->items.begin(), st->items.end(), text, ListLess) - st->items.begin());
            } else if (msg == LB_INSERTSTRING && index >= 0) {
                if (index > Count(st)) return LB_ERR;
                at = static_cast<int>(index);
            } else {
                at = Count(st);
            }
            st->items.insert(st->items.begin() + at, std::move(text));
            if (st->sel >= at) ++st->sel;
            UpdateListScroll(hwnd, st);
            return at;
        }
        case LB_DELETESTRING:
            if (index < 0 || index >= Count(st)) return LB_ERR;
            st->items.erase(st->items.begin() + index);
            if (st->sel == index) st->sel = -1;
            else if (st->sel > index) --st->sel;
            UpdateListScroll(hwnd, st);
            return Count(st);
        case LB_RESETCONTENT:
            st->items.clear();
            st->sel = -1;
            st->top = 0;
            UpdateListScroll(hwnd, st);
            return 0;
        case LB_SETCURSEL:
            if (index < 0 || index >= Count(st)) {
                st->sel = -1;
                InvalidateRect(hwnd, nullptr, TRUE);
                return LB_ERR;
            }
            st->sel = static_cast<int>(index);
            ShowItem(hwnd, st, st->sel);
            return st->sel;
        case LB_GETCURSEL: return st->sel < 0 ? LB_ERR : st->sel;
        case LB_GETCOUNT: return Count(st);
        case LB_GETTEXT: {
            if (index < 0 || index >= Count(st) || !lParam) return LB_ERR;
            const std::u16string& item = st->items[static_cast<size_t>(index)];
            auto* buf = reinterpret_cast<LPWSTR>(lParam);
            std::copy(item.begin(), item.end(), buf);
            buf[item.size()] = 0;
            return static_cast<LRESULT>(item.size());
        }
        case LB_GETTEXTLEN:
            if (index < 0 || index >= Count(st)) return LB_ERR;
            return static_cast<LRESULT>(st->items[static_cast<size_t>(index)].size());
        case LB_SELECTSTRING:
        case LB_FINDSTRING:
        case LB_FINDSTRINGEXACT: {
            const int found = FindItem(st, index, FromW(reinterpret_cast<LPCWSTR>(lParam)), msg == LB_FINDSTRINGEXACT);
            if (found >= 0 && msg == LB_SELECTSTRING) {
                st->sel = found;
                ShowItem(hwnd, st, found);
            }
            return found;
        }
        case LB_GETTOPINDEX: return st->top;
        case LB_SETTOPINDEX:
            if (index < 0 || index >= std::max(1, Count(st))) return LB_ERR;
            st->top = static_cast<int>(index);
            UpdateListScroll(hwnd, st);
            return 0;
        case WM_VSCROLL: {
            const int visible = VisibleItems(hwnd);
            int top = st->top;
            switch (LOWORD(wParam)) {
                case SB_LINEUP: --top; break;
                case SB_LINEDOWN: ++top; break;
                case SB_PAGEUP: top -= visible; break;
                case SB_PAGEDOWN: top += visible; break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION: top = static_cast<short>(HIWORD(wParam)); break;
                case SB_TOP: top = 0; break;
                case SB_BOTTOM: top = Count(st); break;
                default: return 0;
            }
            st->top = top;
            UpdateListScroll(hwnd, st);
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hwnd, nullptr, TRUE);
            if (StyleOf(hwnd) & LBS_NOTIFY) Notify(hwnd, msg == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE: {
            if (msg == WM_MOUSEMOVE && !st->tracking) return 0;
            if (msg == WM_LBUTTONDOWN) {
                SetFocus(hwnd);
                st->tracking = true;
                SetCapture(hwnd);
            }
            const int y = static_cast<short>(HIWORD(lParam));
            RECT r;
            GetClientRect(hwnd, &r);
            if (msg == WM_LBUTTONDOWN || (y >= 0 && y < r.bottom)) {
                const int i = st->top + (y < 0 ? -1 : y / ItemHeight(hwnd));
                if (i >= 0 && i < Count(st)) SelectByUser(hwnd, st, i);
            }
            return 0;
        }
        case WM_LBUTTONUP:
            if (st->tracking) {
                st->tracking = false;
                if (GetCapture() == hwnd) ReleaseCapture();
            }
            return 0;
        case WM_KEYDOWN: {
            const int visible = VisibleItems(hwnd);
            const int cur = st->sel < 0 ? st->top : st->sel;
            switch (wParam) {
                case VK_UP: SelectByUser(hwnd, st, st->sel < 0 ? cur : cur - 1); break;
                case VK_DOWN: SelectByUser(hwnd, st, st->sel < 0 ? cur : cur + 1); break;
                case VK_PRIOR: SelectByUser(hwnd, st, cur - (visible - 1)); break;
                case VK_NEXT: SelectByUser(hwnd, st, cur + (visible - 1)); break;
                case VK_HOME: SelectByUser(hwnd, st, 0); break;
                case VK_END: SelectByUser(hwnd, st, Count(st) - 1); break;
                default: break;
            }
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintList(hwnd, dc, st);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void Register(const char16_t* name, WNDPROC proc) {
    WNDCLASSW existing;
    if (GetClassInfoW(nullptr, name, &existing)) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

}  // namespace

// ---- shared helpers --------------------------------------------------------------------------

void RegisterControlClasses() {
    Register(u"STATIC", StaticProc);
    Register(u"BUTTON", ButtonProc);
    Register(u"EDIT", EditProc);
    Register(u"LISTBOX", ListProc);
}

HFONT UiFont() {
    static HFONT font = nullptr;
    if (!font || !LookupFont(font)) {
        LOGFONTW lf{};
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

HFONT ControlFont(HWND hwnd) {
    auto f = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    return f && LookupFont(f) ? f : UiFont();
}

void FillColor(HDC dc, const RECT& r, COLORREF color) {
    HBRUSH b = CreateSolidBrush(color);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void FrameRect1(HDC dc, const RECT& r, COLORREF color) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    const RECT edges[4] = {{r.left, r.top, r.right, r.top + 1},
                           {r.left, r.bottom - 1, r.right, r.bottom},
                           {r.left, r.top, r.left + 1, r.bottom},
                           {r.right - 1, r.top, r.right, r.bottom}};
    HBRUSH b = CreateSolidBrush(color);
    for (const RECT& e : edges) FillRect(dc, &e, b);
    DeleteObject(b);
}

WCHAR AccessKey(std::u16string_view label) {
    for (size_t i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != u'&') continue;
        if (label[i + 1] == u'&') {
            ++i;
            continue;
        }
        WCHAR c = label[i + 1];
        if (c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - u'a' + u'A');
        return c;
    }
    return 0;
}

}  // namespace velin::platform
