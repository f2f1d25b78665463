// Message boxes: a small modal dialog with the text, an icon of our own drawing and a row of
// buttons, answered by a tap, Enter (the default button), Escape (Cancel, or OK when OK is
// the only button) or a button's access key. The script's `print messagebox` reads the box on
// screen.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/dialog_internal.h"
#include "platform/shell.h"

namespace velin::platform {

namespace {

constexpr int kMargin = 8;
constexpr int kIconSize = 32;
constexpr int kButtonGap = 6;

struct BoxButton {
    int id;
    const char16_t* label;
};

struct BoxInfo {
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
    std::vector<BoxButton> buttons;
    HWND hwnd = nullptr;
};

// The boxes on screen, innermost last.
std::vector<BoxInfo*>& OpenBoxes() {
    static std::vector<BoxInfo*> boxes;
    return boxes;
}

std::vector<BoxButton> ButtonsFor(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL: return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
        case 2: return {{IDABORT, u"&Abort"}, {IDRETRY, u"&Retry"}, {IDIGNORE, u"&Ignore"}};
        case MB_YESNOCANCEL: return {{IDYES, u"&Yes"}, {IDNO, u"&No"}, {IDCANCEL, u"Cancel"}};
        case MB_YESNO: return {{IDYES, u"&Yes"}, {IDNO, u"&No"}};
        case 5: return {{IDRETRY, u"&Retry"}, {IDCANCEL, u"Cancel"}};
        default: return {{IDOK, u"OK"}};
    }
}

// Fills the rows of a shape given by its half-width at each row.
template <typename HalfWidth>
void FillShape(HDC dc, int left, int top, COLORREF color, HalfWidth half) {
    HBRUSH b = CreateSolidBrush(color);
    for (int y = 0; y < kIconSize; ++y) {
        const double h = half(y);
        if (h <= 0) continue;
        const int x0 = left + static_cast<int>(kIconSize / 2.0 - h + 0.5);
        const int x1 = left + static_cast<int>(kIconSize / 2.0 + h + 0.5);
        RECT row{x0, top + y, x1, top + y + 1};
        FillRect(dc, &row, b);
    }
    DeleteObject(b);
}

double CircleHalf(int y, double radius) {
    const double dy = y + 0.5 - kIconSize / 2.0;
    const double d = radius * radius - dy * dy;
    return d > 0 ? std::sqrt(d) : 0;
}

void DrawIcon(HDC dc, UINT icon, int left, int top) {
    if (icon == MB_ICONEXCLAMATION) {
        // A yellow triangle with a black edge and a black mark.
        FillShape(dc, left, top, RGB(0, 0, 0), [](int y) { return y < 2 ? 0.0 : (y - 1) * 0.5 + 0.5; });
        FillShape(dc, left, top, RGB(255, 255, 0), [](int y) { return y < 5 || y > 30 ? 0.0 : (y - 4) * 0.5 - 0.5; });
        FillColor(dc, RECT{left + 15, top + 11, left + 17, top + 23}, RGB(0, 0, 0));
        FillColor(dc, RECT{left + 15, top + 25, left + 17, top + 27}, RGB(0, 0, 0));
        return;
    }
    const bool stop = icon == MB_ICONSTOP;
    FillShape(dc, left, top, RGB(0, 0, 0), [](int y) { return CircleHalf(y, 16); });
    FillShape(dc, left, top, stop ? RGB(255, 0, 0) : RGB(255, 255, 255), [](int y) { return CircleHalf(y, 15); });
    const COLORREF mark = stop ? RGB(255, 255, 255) : RGB(0, 0, 128);
    if (stop) {
        // A white cross.
        for (int i = 0; i < 14; ++i) {
            FillColor(dc, RECT{left + 9 + i, top + 9 + i, left + 11 + i, top + 10 + i}, mark);
            FillColor(dc, RECT{left + 21 - i, top + 9 + i, left + 23 - i, top + 10 + i}, mark);
        }
    } else if (icon == MB_ICONQUESTION) {
        FillColor(dc, RECT{left + 12, top + 8, left + 20, top + 10}, mark);
        FillColor(dc, RECT{left + 19, top + 9, left + 21, top + 15}, mark);
        FillColor(dc, RECT{left + 15, top + 15, left + 20, top + 17}, mark);
        FillColor(dc, RECT{left + 15, top + 16, left + 17, top + 20}, mark);
        FillColor(dc, RECT{left + 15, top + 22, left + 17, top + 24}, mark);
    } else {
        FillColor(dc, RECT{left + 15, top + 8, left + 17, top + 10}, mark);
        FillColor(dc, RECT{left + 15, top + 13, left + 17, top + 24}, mark);
    }
}

UINT IconOf(UINT type) {
    const UINT icon = type & MB_ICONMASK;
    return icon == MB_ICONSTOP || icon == MB_ICONQUESTION || icon == MB_ICONEXCLAMATION ||
                   icon == MB_ICONINFORMATION
               ? icon
               : 0;
}

void LayOut(HWND hwnd, BoxInfo* box) {
    const State& s = S();
    const int workTop = s.taskBar && (s.taskBar->style & WS_VISIBLE) ? 26 : 0;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    if (!font) font = UiFont();
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const bool icon = IconOf(box->type) != 0;
    const int iconPart = icon ? kIconSize + kMargin : 0;
    Window* w = LookupWindow(hwnd);
    const RECT in = NonClientInsets(w);
    const int maxClient = s.screen.width - 16 - in.left - in.right;
    RECT textRect{0, 0, std::max(16, maxClient - 2 * kMargin - iconPart), 0};
    DrawTextW(dc, box->text.c_str(), static_cast<int>(box->text.size()), &textRect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    const int buttonHeight = tm.tmHeight + 8;
    int buttonWidth = 0;
    for (const BoxButton& b : box->buttons) {
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, b.label, -1, &r, DT_CALCRECT | DT_SINGLELINE);
        buttonWidth = std::max(buttonWidth, static_cast<int>(r.right) + 16);
    }
    buttonWidth = std::max(buttonWidth, 50);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);

    const int n = static_cast<int>(box->buttons.size());
    const int rowWidth = n * buttonWidth + (n - 1) * kButtonGap;
    const int textHeight = std::max(static_cast<int>(textRect.bottom), icon ? kIconSize : 0);
    const int clientWidth = std::min(maxClient, std::max({rowWidth, iconPart + static_cast<int>(textRect.right), 100}) + 2 * kMargin);
    const int clientHeight = kMargin + textHeight + kMargin + buttonHeight + kMargin;
    const int width = clientWidth + in.left + in.right;
    const int height = clientHeight + in.top + in.bottom;
    const int x = std::max(0, (s.screen.width - width) / 2);
    const int y = std::max(workTop, workTop + (s.screen.height - workTop - height) / 2);
    MoveWindow(hwnd, x, y, width, height, FALSE);

    HWND label = CreateWindowExW(0, u"STATIC", box->text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 kMargin + iconPart, kMargin, clientWidth - 2 * kMargin - iconPart, textHeight,
                                 hwnd, reinterpret_cast<HMENU>(static_cast<intptr_t>(-1)), nullptr, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const size_t def = std::min<size_t>((box->type & MB_DEFMASK) >> 8, box->buttons.size() - 1);
    int bx = (clientWidth - rowWidth) / 2;
    HWND focus = nullptr;
    for (size_t i = 0; i < box->buttons.size(); ++i) {
        const BoxButton& b = box->buttons[i];
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND h = CreateWindowExW(0, u"BUTTON", b.label, style, bx, clientHeight - kMargin - buttonHeight, buttonWidth,
                                 buttonHeight, hwnd, reinterpret_cast<HMENU>(static_cast<intptr_t>(b.id)), nullptr,
                                 nullptr);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (i == def) focus = h;
        bx += buttonWidth + kButtonGap;
    }
    if (focus) SetFocus(focus);
}

INT_PTR BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    BoxInfo* box = nullptr;
    for (BoxInfo* b : OpenBoxes()) {
        if (b->hwnd == hwnd) box = b;
    }
    switch (msg) {
        case WM_INITDIALOG:
            box = reinterpret_cast<BoxInfo*>(lParam);
            box->hwnd = hwnd;
            LayOut(hwnd, box);
            return FALSE;  // the default button has the focus
        case WM_PAINT: {
            if (!box || !IconOf(box->type)) return FALSE;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            DrawIcon(dc, IconOf(box->type), kMargin, kMargin);
            EndPaint(hwnd, &ps);
            return TRUE;
        }
        case WM_COMMAND: {
            if (!box) return FALSE;
            const int id = LOWORD(wParam);
            for (const BoxButton& b : box->buttons) {
                if (b.id == id) {
                    EndDialog(hwnd, id);
                    return TRUE;
                }
            }
            // Escape without a Cancel button: a lone OK answers it; Yes and No wait.
            if (id == IDCANCEL && box->buttons.size() == 1 && box->buttons[0].id == IDOK) EndDialog(hwnd, IDOK);
            return TRUE;
        }
        default: return FALSE;
    }
}

std::string Escaped(const std::u16string& value) {
    const std::string utf8 = Utf16ToUtf8(value);
    const bool quote = utf8.find_first_of(" \"") != std::string::npos;
    std::string out = quote ? "\"" : "";
    for (char c : utf8) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            if (quote && (c == '"' || c == '\\')) out.push_back('\\');
            out.push_back(c);
        }
    }
    if (quote) out.push_back('"');
    return out;
}

std::string PrintHookEntry() { return PrintMessageBoxText(); }

}  // namespace

std::string PrintMessageBoxText() {
    for (auto it = OpenBoxes().rbegin(); it != OpenBoxes().rend(); ++it) {
        if (IsWindowVisible((*it)->hwnd)) {
            return "messagebox caption=" + Escaped((*it)->caption) + " text=" + Escaped((*it)->text);
        }
    }
    return "messagebox none";
}

}  // namespace velin::platform

using namespace velin::platform;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    static bool hooked = false;
    if (!hooked) {
        SetPrintHook("messagebox", PrintHookEntry);
        hooked = true;
    }
    BoxInfo box;
    box.text = FromW(text);
    box.caption = caption ? FromW(caption) : u"Error";
    box.type = type;
    box.buttons = ButtonsFor(type);
    DLGTEMPLATE t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT | DS_CENTER;
    t.caption = box.caption;
    t.pointSize = 8;
    t.faceName = u"System";
    t.cx = 100;
    t.cy = 40;
    OpenBoxes().push_back(&box);
    const INT_PTR r = DialogBoxIndirectParamW(nullptr, &t, owner, BoxProc, reinterpret_cast<LPARAM>(&box));
    OpenBoxes().erase(std::find(OpenBoxes().begin(), OpenBoxes().end(), &box));
    return static_cast<int>(r);
}
