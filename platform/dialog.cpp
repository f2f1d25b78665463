// Modal dialogs: creation from a template, the dialog window class and its default handling,
// the modal loop, keyboard navigation (Enter, Escape, Tab, access keys), the caption's OK
// button and the shell's full-screen set-up.
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "platform/dialog_internal.h"
#include "platform/shell.h"

namespace velin::platform {

namespace {

constexpr char16_t kDialogClass[] = u"Dialog";
constexpr int kTaskBarHeight = 26;
constexpr int kMenuBarHeight = 26;

struct DialogData {
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    HFONT font = nullptr;
    bool ownsFont = false;
    int baseX = 4;  // dialog base units in pixels
    int baseY = 8;
    HWND focus = nullptr;  // the control that had the focus when the dialog was last active
    bool ready = false;    // the procedure sees messages once the controls exist
};

std::unordered_map<HWND, std::shared_ptr<DialogData>>& Dialogs() {
    static std::unordered_map<HWND, std::shared_ptr<DialogData>> map;
    return map;
}

DialogData* FindData(HWND hwnd) {
    auto it = Dialogs().find(hwnd);
    return it == Dialogs().end() ? nullptr : it->second.get();
}

ModalIdleHook& IdleHook() {
    static ModalIdleHook hook;
    return hook;
}

int WorkTop() {
    const State& s = S();
    return s.taskBar && (s.taskBar->style & WS_VISIBLE) ? kTaskBarHeight : 0;
}

bool IsTabStop(HWND h) {
    Window* w = LookupWindow(h);
    return w && (w->style & WS_TABSTOP) && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
}

HWND FirstTabStop(HWND dialog) {
    Window* d = LookupWindow(dialog);
    if (!d) return nullptr;
    for (Window* c : d->children) {
        if (IsTabStop(ToHandle(c))) return ToHandle(c);
    }
    return nullptr;
}

// The control of the dialog that holds the focus, or the dialog itself.
HWND FocusInDialog(HWND dialog) {
    HWND f = GetFocus();
    if (f && (f == dialog || IsChild(dialog, f))) return f;
    return nullptr;
}

bool IsPushButton(HWND h) {
    Window* w = LookupWindow(h);
    if (!w || Lower(w->cls->name) != u"button") return false;
    const DWORD type = w->style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

void SendCommand(HWND dialog, int id, HWND control) {
    SendMessageW(dialog, WM_COMMAND, MAKELONG(static_cast<WORD>(id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

LRESULT DefaultDialogHandling(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DialogData* d = FindData(hwnd);
    switch (msg) {
        case WM_CLOSE:
            SendCommand(hwnd, IDCANCEL, GetDlgItem(hwnd, IDCANCEL));
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(d ? d->font : nullptr);
        case WM_SETFONT:
            if (d) d->font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (d) {
                    HWND f = FocusInDialog(hwnd);
                    if (f && f != hwnd) d->focus = f;
                }
            } else if (!FocusInDialog(hwnd) || GetFocus() == hwnd) {
                HWND target = d && IsWindow(d->focus) && IsChild(hwnd, d->focus) ? d->focus : FirstTabStop(hwnd);
                SetFocus(target ? target : hwnd);
                // An edit box that the dialog gives the focus to has its text selected, so
                // that typing replaces it.
                if (target && (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) {
                    SendMessageW(target, EM_SETSEL, 0, -1);
                }
            }
            return 0;
        case WM_SETFOCUS:
            // The dialog passes the focus on to its control.
            if (d && IsWindow(d->focus) && IsChild(hwnd, d->focus)) SetFocus(d->focus);
            return 0;
        case WM_NCLBUTTONDOWN: {
            // A tap on the caption (the position is the screen's): only its OK button acts.
            Window* w = LookupWindow(hwnd);
            const RECT ok = CaptionOkRect(w);
            const RECT whole = ScreenRect(w);
            const POINT inWindow{static_cast<short>(LOWORD(lParam)) - whole.left,
                                 static_cast<short>(HIWORD(lParam)) - whole.top};
            if (PtInRect(&ok, inWindow)) SendCommand(hwnd, IDOK, nullptr);
            return 0;
        }
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = Dialogs().find(hwnd);
    if (it == Dialogs().end()) return DefaultDialogHandling(hwnd, msg, wParam, lParam);
    std::shared_ptr<DialogData> d = it->second;  // kept alive while the procedure runs
    INT_PTR handled = FALSE;
    if (d->ready && d->proc) handled = d->proc(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        Dialogs().erase(hwnd);
        return 0;
    }
    if (!LookupWindow(hwnd)) return handled;
    if (handled) return handled;
    return DefaultDialogHandling(hwnd, msg, wParam, lParam);
}

void RegisterDialogClass() {
    WNDCLASSW existing;
    if (GetClassInfoW(nullptr, kDialogClass, &existing)) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DialogWindowProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kDialogClass;
    RegisterClassW(&wc);
}

// Base units of a font: the average width of the letters and the text height.
void BaseUnits(HFONT font, int* x, int* y) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    static const char16_t kLetters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, kLetters, 52, &size);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    *x = std::max(1, static_cast<int>((size.cx / 26 + 1) / 2));
    *y = std::max(1, static_cast<int>(tm.tmHeight));
}

int MulDivRound(int a, int b, int c) {
    const int64_t p = static_cast<int64_t>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const DLGTEMPLATE& t, HWND owner, DLGPROC proc,
                              LPARAM param, std::shared_ptr<DialogData>* dataOut) {
    RegisterDialogClass();
    RegisterControlClasses();
    auto d = std::make_shared<DialogData>();
    d->proc = proc;
    if (t.style & DS_SETFONT) {
        d->font = MakeDialogFont(t);
        d->ownsFont = d->font != nullptr;
    }
    if (!d->font) d->font = UiFont();
    BaseUnits(d->font, &d->baseX, &d->baseY);

    Window probe;
    probe.style = t.style;
    probe.exStyle = t.exStyle;
    const RECT in = NonClientInsets(&probe);
    const int width = MulDivRound(t.cx, d->baseX, 4) + in.left + in.right;
    const int height = MulDivRound(t.cy, d->baseY, 8) + in.top + in.bottom;
    int x = MulDivRound(t.x, d->baseX, 4);
    int y = MulDivRound(t.y, d->baseY, 8);
    if (t.style & DS_CENTER) {
        const State& s = S();
        const int top = WorkTop();
        x = (s.screen.width - width) / 2;
        y = top + (s.screen.height - top - height) / 2;
        x = std::max(0, x);
        y = std::max(top, y);
    }
    const DWORD style = (t.style & ~WS_VISIBLE & ~WS_CHILD) | WS_POPUP;
    HWND dlg = CreateWindowExW(t.exStyle, kDialogClass, t.caption.c_str(), style, x, y, width,
                               height, owner, nullptr, instance, nullptr);
    if (!dlg) {
        if (d->ownsFont) DeleteObject(d->font);
        return nullptr;
    }
    Dialogs()[dlg] = d;
    for (const DLGITEMTEMPLATEW& item : t.items) {
        const int cx = MulDivRound(item.x, d->baseX, 4);
        const int cy = MulDivRound(item.y, d->baseY, 8);
        const int cw = MulDivRound(item.cx, d->baseX, 4);
        const int ch = MulDivRound(item.cy, d->baseY, 8);
        HWND c = CreateWindowExW(item.exStyle, item.className.c_str(), item.text.c_str(),
                                 item.style | WS_CHILD, cx, cy, cw, ch, dlg,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(item.id)), instance,
                                 nullptr);
        if (!c) {
            DestroyWindow(dlg);
            if (d->ownsFont) DeleteObject(d->font);
            return nullptr;
        }
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(d->font), FALSE);
    }
    d->ready = true;
    HWND first = FirstTabStop(dlg);
    const INT_PTR setFocus = proc ? proc(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) : TRUE;
    if (LookupWindow(dlg) && setFocus && !FocusInDialog(dlg)) d->focus = first;
    *dataOut = d;
    return LookupWindow(dlg) ? dlg : nullptr;
}

}  // namespace

// ---- shared helpers --------------------------------------------------------------------------

void SetModalIdleHook(ModalIdleHook hook) { IdleHook() = std::move(hook); }

bool NextModalMessage(MSG* msg) {
    for (;;) {
        if (PeekMessageW(msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg->message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg->wParam));  // for the outer loop
                return false;
            }
            return true;
        }
        if (IdleHook()) {
            if (!IdleHook()()) return false;
            continue;
        }
        const BOOL r = GetMessageW(msg, nullptr, 0, 0);
        if (r == 0) {
            PostQuitMessage(static_cast<int>(msg->wParam));
            return false;
        }
        return r > 0;
    }
}

HFONT MakeDialogFont(const DLGTEMPLATE& t) {
    LOGFONTW lf{};
    // Points to pixels at the screen's 96 pixels per inch; a negative height is the
    // characters' own height.
    lf.lfHeight = -MulDivRound(t.pointSize > 0 ? t.pointSize : 8, 96, 72);
    lf.lfWeight = FW_NORMAL;
    if (Lower(t.faceName) != u"system") {
        const size_t n = std::min<size_t>(t.faceName.size(), LF_FACESIZE - 1);
        std::copy_n(t.faceName.data(), n, lf.lfFaceName);
    }
    return CreateFontIndirectW(&lf);
}

RECT CaptionOkRect(const Window* w) {
    if (!w || !(w->exStyle & WS_EX_CAPTIONOKBTN) || (w->style & WS_CAPTION) != WS_CAPTION) {
        return RECT{0, 0, 0, 0};
    }
    const int width = w->rect.right - w->rect.left;
    // Inside the caption (one pixel of frame, then 20 of caption), at its right end.
    return RECT{width - 1 - 30, 3, width - 1 - 3, 19};
}

void PaintCaptionOk(Window* w, HDC dc) {
    const RECT ok = CaptionOkRect(w);
    if (IsRectEmpty(&ok)) return;
    FillColor(dc, ok, RGB(0, 0, 0));
    FrameRect1(dc, ok, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, UiFont());
    const COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT text = ok;
    DrawTextW(dc, u"OK", 2, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
    SelectObject(dc, old);
}

}  // namespace velin::platform

using namespace velin::platform;

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW tmpl, HWND owner, DLGPROC proc,
                                LPARAM param) {
    if (!tmpl) return -1;
    Window* ownerWindow = LookupWindow(owner);
    while (ownerWindow && ownerWindow->parent) ownerWindow = ownerWindow->parent;
    const HWND top = ToHandle(ownerWindow);
    std::shared_ptr<DialogData> d;
    HWND dlg = CreateDialogFromTemplate(instance, *tmpl, top, proc, param, &d);
    if (!dlg) {
        // EndDialog from WM_INITDIALOG that also destroyed the window still has its result.
        if (d && d->ownsFont) DeleteObject(d->font);
        return d && d->ended ? d->result : -1;
    }
    const bool disabledOwner = top && IsWindowEnabled(top);
    if (disabledOwner) EnableWindow(top, FALSE);
    if (!d->ended && (tmpl->style & WS_VISIBLE)) ShowWindow(dlg, SW_SHOW);
    while (!d->ended && IsWindow(dlg)) {
        MSG m;
        if (!NextModalMessage(&m)) break;
        if (IsDialogMessageW(dlg, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    // The owner comes back before the dialog goes, so that it is the one activated next.
    if (disabledOwner && IsWindow(top)) EnableWindow(top, TRUE);
    if (IsWindow(dlg)) DestroyWindow(dlg);
    if (d->ownsFont) DeleteObject(d->font);
    return d->ended ? d->result : 0;
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param) {
    if (!IS_INTRESOURCE(name)) return -1;
    const DLGTEMPLATE* t = FindDialogTemplate(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
    return t ? DialogBoxIndirectParamW(instance, t, owner, proc, param) : -1;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogData* d = FindData(dialog);
    if (!d) return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window* d = LookupWindow(dialog);
    if (!d) return nullptr;
    for (Window* c : d->children) {
        if (static_cast<int>(c->id) == id) return ToHandle(c);
    }
    return nullptr;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    HWND c = GetDlgItem(dialog, id);
    return c ? SetWindowTextW(c, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int capacity) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) {
        if (buffer && capacity > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(c, buffer, capacity));
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND c = GetDlgItem(dialog, id);
    return c ? SendMessageW(c, msg, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) return FALSE;
    SendMessageW(c, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    return static_cast<UINT>(SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0));
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    Window* d = LookupWindow(dialog);
    if (!d) return nullptr;
    std::vector<HWND> stops;
    for (Window* c : d->children) {
        if (IsTabStop(ToHandle(c)) || ToHandle(c) == control) stops.push_back(ToHandle(c));
    }
    if (stops.empty()) return nullptr;
    auto it = std::find(stops.begin(), stops.end(), control);
    if (it == stops.end()) return previous ? stops.back() : stops.front();
    const size_t i = static_cast<size_t>(it - stops.begin());
    const size_t n = stops.size();
    for (size_t step = 1; step <= n; ++step) {
        const size_t j = previous ? (i + n - step) % n : (i + step) % n;
        if (IsTabStop(stops[j])) return stops[j];
    }
    return control;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
    DialogData* d = FindData(dialog);
    if (!d || !rect) return FALSE;
    rect->left = MulDivRound(rect->left, d->baseX, 4);
    rect->right = MulDivRound(rect->right, d->baseX, 4);
    rect->top = MulDivRound(rect->top, d->baseY, 8);
    rect->bottom = MulDivRound(rect->bottom, d->baseY, 8);
    return TRUE;
}

LRESULT DefDlgProcW(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultDialogHandling(dialog, msg, wParam, lParam);
}

BOOL IsDialogMessageW(HWND dialog, MSG* msg) {
    if (!msg || !msg->hwnd || !IsWindow(dialog)) return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
    if (msg->message != WM_KEYDOWN) return FALSE;
    const UINT vk = static_cast<UINT>(msg->wParam);
    const UINT code = static_cast<UINT>(SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam,
                                                     reinterpret_cast<LPARAM>(msg)));
    if (code & DLGC_WANTALLKEYS && vk != VK_ESCAPE) return FALSE;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    switch (vk) {
        case VK_TAB: {
            if (code & DLGC_WANTTAB) return FALSE;
            HWND next = GetNextDlgTabItem(dialog, FocusInDialog(dialog), GetKeyState(VK_SHIFT) < 0);
            if (next) {
                SetFocus(next);
                if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
                    SendMessageW(next, EM_SETSEL, 0, -1);
                }
            }
            return TRUE;
        }
        case VK_RETURN: {
            HWND f = FocusInDialog(dialog);
            if (f && f != dialog && IsPushButton(f)) {
                SendCommand(dialog, GetDlgCtrlID(f), f);
            } else {
                SendCommand(dialog, IDOK, GetDlgItem(dialog, IDOK));
            }
            return TRUE;
        }
        case VK_ESCAPE:
            SendCommand(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
            return TRUE;
        default: break;
    }
    // Access keys: a letter or digit picks the button whose label marks it.
    const bool letter = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
    if (letter && !ctrl && !alt && !(code & DLGC_WANTCHARS)) {
        Window* d = LookupWindow(dialog);
        for (Window* c : d->children) {
            if (Lower(c->cls->name) != u"button" || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
            if (AccessKey(c->title) == static_cast<WCHAR>(vk)) {
                SendMessageW(ToHandle(c), BM_CLICK, 0, 0);
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL SHInitDialog(SHINITDLGINFO* info) {
    if (!info || !(info->dwMask & SHIDIM_FLAGS)) return FALSE;
    Window* w = LookupWindow(info->hDlg);
    if (!w) return FALSE;
    const DWORD flags = info->dwFlags;
    if (flags & SHIDIF_DONEBUTTON) {
        SetWindowLongW(info->hDlg, GWL_EXSTYLE, static_cast<LONG>(w->exStyle | WS_EX_CAPTIONOKBTN));
        w->ncDirty = true;
    }
    if (flags & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR)) {
        // The whole screen under the task bar; a dialog that is not full-screen leaves the
        // menu bar's strip at the bottom free.
        const int top = WorkTop();
        int bottom = S().screen.height;
        if (!(flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR))) bottom -= kMenuBarHeight;
        MoveWindow(info->hDlg, 0, top, S().screen.width, bottom - top, TRUE);
    }
    if (flags & SHIDIF_SIPDOWN) SHSipPreference(info->hDlg, SIP_DOWN);
    return TRUE;
}
