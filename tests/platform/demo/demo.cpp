// A small program on the platform layer, used by the tests and as a demonstration: a main
// window with a painted caption box and scrollable lines of text, a vertical scroll bar,
// keys and taps, the task bar (tap the caption to go full screen and back), the registry (the
// top row is kept between runs) and the clipboard (Ctrl+C copies the selected line). A second
// copy hands over to the first one as the reader does: Today when the first is in front,
// else it brings the first one to the front.
//
// Commands (script `command ID`, or the bars) show the dialogs and controls: 201 a dialog with
// every kind of control, 202 a Yes/No/Cancel question, 205 the bars with the Go menu and the
// tool buttons (the shell menu bar at the bottom from version 5 on, else the command bar at the
// top). Bookmark (123) in the Go menu toggles its check mark. The answers are printed as lines
// of their own ("controls ...", "answer ...", "command ID" for a command nothing else uses).
//
// velin-platform-demo [--registry FILE] [--date YYYY-MM-DD] [--os-version X.Y] [--test-face]
//                     [--report-memory] [platform switches]
// --report-memory prints the peak resident memory before the platform starts and at the end.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/windows.h"

namespace {

constexpr int kLineCount = 40;
constexpr UINT kCommandToday = 108;
constexpr UINT kCommandExit = 40005;
constexpr UINT kCommandControls = 201;
constexpr UINT kCommandAsk = 202;
constexpr UINT kCommandBars = 205;
constexpr UINT kCommandGo = 40001;
constexpr UINT kCommandBookmark = 123;
constexpr int kMenuResource = 102;
constexpr int kToolBitmap = 114;
constexpr char16_t kClassName[] = u"VelinDemo";
constexpr char16_t kTitle[] = u"Demo";
constexpr char16_t kKey[] = u"Ostrelle\\VelinDemo";

struct Demo {
    HWND window = nullptr;
    HFONT textFont = nullptr;
    HFONT captionFont = nullptr;
    int lineHeight = 13;
    int captionHeight = 18;
    int topRow = 0;
    int selected = -1;
    int commands = 0;
    bool fullScreen = false;
    std::u16string typed;
    HWND bar = nullptr;
    bool barOnBottom = false;
    int top = 0;  // the command bar's height: the content starts under it
    bool bookmark = false;
} g;

std::u16string LineText(int i) {
    // Latin-1 letters show that text stays UTF-16 from the window to the clipboard.
    std::string s = "Line " + std::to_string(i + 1) + (i % 3 == 0 ? ": caf\xc3\xa9 au lait" : ": text");
    return Utf8ToUtf16(s);
}

int PageRows() {
    RECT r;
    GetClientRect(g.window, &r);
    return std::max(1, static_cast<int>((r.bottom - g.top - g.captionHeight) / g.lineHeight));
}

int LastTopRow() { return std::max(0, kLineCount - PageRows()); }

void UpdateScrollBar() {
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS, 0, LastTopRow(), 0, g.topRow, 0};
    SetScrollInfo(g.window, SB_VERT, &si, TRUE);
}

void ScrollTo(int row) {
    row = std::clamp(row, 0, LastTopRow());
    if (row == g.topRow) return;
    g.topRow = row;
    InvalidateRect(g.window, nullptr, FALSE);
    UpdateScrollBar();
}

void Paint(HDC dc) {
    RECT client;
    GetClientRect(g.window, &client);
    // The caption box: a cyan band with the position in it.
    RECT caption{0, g.top, client.right, g.top + g.captionHeight};
    HBRUSH cyan = CreateSolidBrush(RGB(0, 255, 255));
    FillRect(dc, &caption, cyan);
    DeleteObject(cyan);
    HGDIOBJ oldFont = SelectObject(dc, g.captionFont);
    SetBkMode(dc, TRANSPARENT);
    std::string text = "Row " + std::to_string(g.topRow + 1) + " of " + std::to_string(kLineCount);
    std::u16string wide = Utf8ToUtf16(text) + (g.typed.empty() ? u"" : u" " + g.typed);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &caption,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, g.textFont);
    RECT area{0, g.top + g.captionHeight, client.right, client.bottom};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int y = g.top + g.captionHeight;
    for (int row = g.topRow; row < kLineCount && y + g.lineHeight <= client.bottom; ++row) {
        const std::u16string line = LineText(row);
        const bool sel = row == g.selected;
        SetTextColor(dc, sel ? RGB(255, 255, 255) : RGB(0, 0, 0));
        SetBkColor(dc, sel ? RGB(0, 0, 0) : RGB(255, 255, 255));
        SetBkMode(dc, OPAQUE);
        RECT lr{2, y, client.right, y + g.lineHeight};
        ExtTextOutW(dc, 2, y, sel ? ETO_OPAQUE : 0, &lr, line.c_str(), static_cast<UINT>(line.size()), nullptr);
        y += g.lineHeight;
    }
    // A framed rule under the caption.
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    HGDIOBJ oldPen = SelectObject(dc, blue);
    Rectangle(dc, 0, g.top, client.right, g.top + g.captionHeight);
    SelectObject(dc, oldPen);
    DeleteObject(blue);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldFont);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
}

void CopySelected() {
    if (g.selected < 0) return;
    const std::u16string text = LineText(g.selected);
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
    if (!block) return;
    std::memcpy(block, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    if (OpenClipboard(g.window)) {
        EmptyClipboard();
        if (!SetClipboardData(CF_UNICODETEXT, block)) LocalFree(block);
        CloseClipboard();
    } else {
        LocalFree(block);
    }
}

void ToggleFullScreen() {
    g.fullScreen = !g.fullScreen;
    SHFullScreen(g.window, g.fullScreen ? SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON
                                        : SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON);
    const int top = g.fullScreen ? 0 : 26;
    MoveWindow(g.window, 0, top, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - top, TRUE);
}

void LoadSettings() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExW(key, u"TopRow", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD) {
        g.topRow = static_cast<int>(value);
    }
    RegCloseKey(key);
}

void SaveSettings() {
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, &disposition) !=
        ERROR_SUCCESS) {
        return;
    }
    const DWORD value = static_cast<DWORD>(g.topRow);
    RegSetValueExW(key, u"TopRow", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// ---- the dialog with every control ------------------------------------------------------------

enum ControlId : int {
    kIdName = 1101,    // single-line edit
    kIdAdd = 1102,     // push button: adds the name to the list
    kIdList = 1103,    // sorted, notifying list box with a scroll bar
    kIdPicked = 1104,  // centred static text: the list's selection
    kIdTaps = 1105,    // owner-drawn button: counts its taps
    kIdKeep = 1106,    // automatic check box
    kIdNotes = 1107,   // multi-line edit
};
constexpr int kNameLimit = 12;

struct ControlsDialog {
    int taps = 0;
} gControls;

DLGTEMPLATE ControlsTemplate() {
    DLGTEMPLATE t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT;
    t.exStyle = WS_EX_CAPTIONOKBTN;
    t.cx = 150;
    t.cy = 156;
    t.caption = u"Controls";
    t.pointSize = 8;
    t.faceName = u"System";
    t.items = {
        {-1, u"STATIC", SS_LEFT | SS_NOPREFIX, 0, 7, 4, 60, 8, u"Names & notes"},
        {-1, u"STATIC", SS_BITMAP, 0, 70, 3, 76, 11, u"#114"},
        {kIdName, u"EDIT", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 0, 7, 18, 90, 13, u""},
        {kIdAdd, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 102, 18, 41, 13, u"&Add"},
        {kIdList, u"LISTBOX", LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 0, 7, 35, 90, 52, u""},
        {kIdPicked, u"STATIC", SS_CENTER | SS_NOPREFIX, 0, 102, 37, 41, 8, u"-"},
        {kIdTaps, u"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0, 102, 52, 41, 13, u""},
        {kIdKeep, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 7, 91, 90, 10, u"&Keep"},
        {kIdNotes, u"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 0,
         7, 105, 136, 45, u""},
    };
    for (DLGITEMTEMPLATEW& item : t.items) item.style |= WS_VISIBLE;
    return t;
}

std::u16string ItemText(HWND dialog, int id) {
    WCHAR buffer[256];
    const UINT n = GetDlgItemTextW(dialog, id, buffer, static_cast<int>(std::size(buffer)));
    return std::u16string(buffer, n);
}

std::u16string ListText(HWND dialog, int index) {
    const LRESULT len = SendDlgItemMessageW(dialog, kIdList, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (len == LB_ERR) return u"";
    std::u16string text(static_cast<size_t>(len) + 1, u'\0');
    SendDlgItemMessageW(dialog, kIdList, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(len));
    return text;
}

void ShowPicked(HWND dialog) {
    const auto sel = static_cast<int>(SendDlgItemMessageW(dialog, kIdList, LB_GETCURSEL, 0, 0));
    const std::u16string text = sel == LB_ERR ? u"-" : ListText(dialog, sel);
    SetDlgItemTextW(dialog, kIdPicked, text.c_str());
}

void DrawTaps(const DRAWITEMSTRUCT& item) {
    // Black on white with a one-pixel frame, inverted while the pen holds it.
    const bool down = (item.itemState & ODS_SELECTED) != 0;
    HBRUSH fill = static_cast<HBRUSH>(GetStockObject(down ? BLACK_BRUSH : WHITE_BRUSH));
    FillRect(item.hDC, &item.rcItem, fill);
    HGDIOBJ oldBrush = SelectObject(item.hDC, GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(item.hDC, GetStockObject(BLACK_PEN));
    Rectangle(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
    if (item.itemState & ODS_FOCUS) {
        // A second frame inside the first shows the focus.
        SelectObject(item.hDC, GetStockObject(down ? WHITE_PEN : BLACK_PEN));
        Rectangle(item.hDC, item.rcItem.left + 2, item.rcItem.top + 2, item.rcItem.right - 2, item.rcItem.bottom - 2);
    }
    SelectObject(item.hDC, oldPen);
    SelectObject(item.hDC, oldBrush);
    const std::u16string text = u"Taps " + Utf8ToUtf16(std::to_string(gControls.taps));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, down ? RGB(255, 255, 255) : RGB(0, 0, 0));
    RECT r = item.rcItem;
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(item.hDC, RGB(0, 0, 0));
}

INT_PTR ControlsProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            gControls = ControlsDialog{};
            // Mixed case, so the sorted list shows the case-insensitive order; more names than
            // the list shows, so it scrolls.
            for (const char16_t* name : {u"kislev", u"Adar", u"nisan", u"Elul", u"Tevet", u"av", u"Iyar", u"Shevat",
                                         u"sivan", u"Tammuz"}) {
                SendDlgItemMessageW(dialog, kIdList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            }
            SendDlgItemMessageW(dialog, kIdName, EM_LIMITTEXT, kNameLimit, 0);
            SetDlgItemTextW(dialog, kIdNotes, u"First line\r\nSecond line");
            SetFocus(GetDlgItem(dialog, kIdName));
            return FALSE;  // the focus is set
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID != kIdTaps) return FALSE;
            DrawTaps(*item);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kIdAdd: {
                    const std::u16string name = ItemText(dialog, kIdName);
                    if (name.empty()) return TRUE;
                    SendDlgItemMessageW(dialog, kIdList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
                    // Selecting by the name's prefix from the start finds the first entry it begins.
                    SendDlgItemMessageW(dialog, kIdList, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(name.c_str()));
                    ShowPicked(dialog);
                    SetDlgItemTextW(dialog, kIdName, u"");
                    return TRUE;
                }
                case kIdList:
                    if (HIWORD(wParam) == LBN_SELCHANGE) ShowPicked(dialog);
                    return TRUE;
                case kIdTaps:
                    if (HIWORD(wParam) == BN_CLICKED) {
                        ++gControls.taps;
                        InvalidateRect(GetDlgItem(dialog, kIdTaps), nullptr, FALSE);
                    }
                    return TRUE;
                case IDOK:
                case IDCANCEL: {
                    std::string line = "controls result=" + std::to_string(LOWORD(wParam));
                    line += " name=" + velin::platform::QuoteScriptValue(Utf16ToUtf8(ItemText(dialog, kIdName)));
                    line += " picked=" + velin::platform::QuoteScriptValue(Utf16ToUtf8(ItemText(dialog, kIdPicked)));
                    line += " keep=" + std::to_string(IsDlgButtonChecked(dialog, kIdKeep));
                    line += " taps=" + std::to_string(gControls.taps);
                    // The notes' line breaks are written as \r and \n, so the answer stays one line.
                    const std::string notes =
                        velin::platform::QuoteScriptValue(Utf16ToUtf8(ItemText(dialog, kIdNotes)));
                    line += " notes=";
                    for (char c : notes) {
                        if (c == '\r') line += "\\r";
                        else if (c == '\n') line += "\\n";
                        else line += c;
                    }
                    std::printf("%s\n", line.c_str());
                    std::fflush(stdout);
                    EndDialog(dialog, LOWORD(wParam));
                    return TRUE;
                }
                default: return FALSE;
            }
        default: return FALSE;
    }
}

void ShowControls() {
    const DLGTEMPLATE t = ControlsTemplate();
    DialogBoxIndirectParamW(nullptr, &t, g.window, ControlsProc, 0);
}

void Ask() {
    const int answer = MessageBoxW(g.window, u"Keep the changes to the notes?", u"Demo",
                                   MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    const char* name = answer == IDYES ? "yes" : answer == IDNO ? "no" : answer == IDCANCEL ? "cancel" : "other";
    std::printf("answer %s\n", name);
    std::fflush(stdout);
}

// ---- the bars ------------------------------------------------------------------------------------

const TBBUTTON kToolButtons[] = {
    {0, 110, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0}, {1, 108, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
    {2, 109, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0}, {3, 40006, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
    {4, 116, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0}, {5, 117, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
    {6, 119, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0},
};

// The Go menu, wherever the bar keeps it.
HMENU GoMenu() {
    if (!g.bar) return nullptr;
    if (g.barOnBottom) return reinterpret_cast<HMENU>(SendMessageW(g.bar, SHCMBM_GETSUBMENU, 0, kCommandGo));
    return GetSubMenu(CommandBar_GetMenu(g.bar, 0), 0);
}

void ShowBars() {
    if (g.bar) return;
    const INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    g.barOnBottom = GetVersionExW(&version) && version.dwMajorVersion >= 5;
    if (g.barOnBottom) {
        SHMENUBARINFO info{sizeof info, g.window, SHCMBF_HIDESIPBUTTON, kMenuResource, nullptr, 0, 0, nullptr, 0};
        if (!SHCreateMenuBar(&info) || !info.hwndMB) return;
        g.bar = info.hwndMB;
        // The window ends where the bar begins.
        RECT window, bar;
        GetWindowRect(g.window, &window);
        GetWindowRect(g.bar, &bar);
        MoveWindow(g.window, window.left, window.top, window.right - window.left, bar.top - window.top, TRUE);
    } else {
        g.bar = CommandBar_Create(nullptr, g.window, 1);
        if (!g.bar) return;
        CommandBar_InsertMenubar(g.bar, nullptr, kMenuResource, 0);
        g.top = CommandBar_Height(g.bar);
    }
    // One tip per button, the menu's included.
    const char16_t* const tips[] = {u"",       u"Previous Day", u"Today",        u"Next Day",
                                    u"Choose Font", u"Search",  u"Search Again", u"Choose Day"};
    std::vector<LPWSTR> tipList;
    for (const char16_t* t : tips) tipList.push_back(const_cast<LPWSTR>(t));
    CommandBar_AddToolTips(g.bar, static_cast<UINT>(tipList.size()), tipList.data());
    CommandBar_AddBitmap(g.bar, nullptr, kToolBitmap, static_cast<int>(std::size(kToolButtons)), 16, 16);
    CommandBar_AddButtons(g.bar, static_cast<UINT>(std::size(kToolButtons)), kToolButtons);
    if (!g.barOnBottom) CommandBar_AddAdornments(g.bar, 0, 0);
    CommandBar_Show(g.bar, TRUE);
    g.topRow = std::clamp(g.topRow, 0, LastTopRow());
    UpdateScrollBar();
    InvalidateRect(g.window, nullptr, FALSE);
}

void ToggleBookmark() {
    g.bookmark = !g.bookmark;
    CheckMenuItem(GoMenu(), kCommandBookmark, MF_BYCOMMAND | (g.bookmark ? MF_CHECKED : MF_UNCHECKED));
}

LRESULT CALLBACK_WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE: {
            g.window = hwnd;
            LOGFONTW lf{};
            lf.lfHeight = 13;
            g.textFont = CreateFontIndirectW(&lf);
            lf.lfHeight = 14;
            lf.lfWeight = FW_BOLD;
            g.captionFont = CreateFontIndirectW(&lf);
            HDC dc = GetDC(hwnd);
            HGDIOBJ old = SelectObject(dc, g.textFont);
            TEXTMETRICW tm;
            GetTextMetricsW(dc, &tm);
            g.lineHeight = tm.tmHeight;
            SelectObject(dc, g.captionFont);
            GetTextMetricsW(dc, &tm);
            g.captionHeight = tm.tmHeight + 4;
            SelectObject(dc, old);
            ReleaseDC(hwnd, dc);
            return 0;
        }
        case WM_SIZE:
            g.topRow = std::clamp(g.topRow, 0, LastTopRow());
            UpdateScrollBar();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            Paint(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_KEYDOWN:
            switch (wParam) {
                case VK_UP: ScrollTo(g.topRow - 1); return 0;
                case VK_DOWN: ScrollTo(g.topRow + 1); return 0;
                case VK_PRIOR: ScrollTo(g.topRow - (PageRows() - 1)); return 0;
                case VK_NEXT: ScrollTo(g.topRow + (PageRows() - 1)); return 0;
                case VK_HOME: ScrollTo(0); return 0;
                case VK_END: ScrollTo(LastTopRow()); return 0;
                case 'C':
                    if (GetKeyState(VK_CONTROL) < 0) CopySelected();
                    return 0;
                default: return 0;
            }
        case WM_CHAR:
            if (wParam >= 0x20) {
                g.typed.push_back(static_cast<char16_t>(wParam));
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        case WM_LBUTTONDOWN: {
            const int y = static_cast<short>(HIWORD(lParam)) - g.top;
            if (y < 0) return 0;
            if (y < g.captionHeight) {
                ToggleFullScreen();
            } else {
                const int row = g.topRow + (y - g.captionHeight) / g.lineHeight;
                g.selected = row < kLineCount ? row : -1;
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        }
        case WM_VSCROLL: {
            const int pos = static_cast<short>(HIWORD(wParam));
            switch (LOWORD(wParam)) {
                case SB_LINEUP: ScrollTo(g.topRow - 1); break;
                case SB_LINEDOWN: ScrollTo(g.topRow + 1); break;
                case SB_PAGEUP: ScrollTo(g.topRow - (PageRows() - 1)); break;
                case SB_PAGEDOWN: ScrollTo(g.topRow + (PageRows() - 1)); break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION: ScrollTo(pos); break;
                case SB_TOP: ScrollTo(0); break;
                case SB_BOTTOM: ScrollTo(LastTopRow()); break;
                default: break;
            }
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kCommandToday) {
                ++g.commands;
                ScrollTo(0);
                return 0;
            }
            if (LOWORD(wParam) == kCommandExit) {
                DestroyWindow(hwnd);
                return 0;
            }
            switch (LOWORD(wParam)) {
                case kCommandControls: ShowControls(); return 0;
                case kCommandAsk: Ask(); return 0;
                case kCommandBars: ShowBars(); return 0;
                case kCommandBookmark: ToggleBookmark(); return 0;
                default:
                    std::printf("command %u\n", static_cast<unsigned>(LOWORD(wParam)));
                    std::fflush(stdout);
                    return 0;
            }
        case WM_DESTROY:
            SaveSettings();
            if (g.fullScreen) SHFullScreen(hwnd, SHFS_SHOWTASKBAR);
            DeleteObject(g.textFont);
            DeleteObject(g.captionFont);
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

std::string DemoState() {
    std::string typed = Utf16ToUtf8(g.typed);
    return "topRow=" + std::to_string(g.topRow) + " selected=" + std::to_string(g.selected) +
           " commands=" + std::to_string(g.commands) + " fullScreen=" + (g.fullScreen ? "1" : "0") +
           " typed=" + velin::platform::QuoteScriptValue(typed) +
           " foreground=" + (GetForegroundWindow() == g.window ? "1" : "0");
}

// The same hand-over as the reader's: Today to a copy that is in front, else bring it there.
bool HandOver() {
    HWND running = FindWindowW(kClassName, kTitle);
    if (!running) return false;
    HWND front = GetForegroundWindow();
    HWND outer = front;
    while (outer && GetParent(outer)) outer = GetParent(outer);
    if (running == front) SendMessageW(running, WM_COMMAND, kCommandToday, 0);
    if (running != outer) SetForegroundWindow(running);
    std::printf("handed over\n");
    return true;
}

// The peak resident set of this process so far (VmHWM), in KiB; it starts afresh at exec.
long PeakKib() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
    }
    std::fclose(f);
    return kib;
}

}  // namespace

int main(int argc, char** argv) {
    const long startKib = PeakKib();
    bool reportMemory = false;
    velin::platform::PlatformOptions options;
    std::string error;
    if (velin::platform::ParsePlatformOptions(argc, argv, &options, &error) != velin::platform::OptionsStatus::kOk) {
        std::fprintf(stderr, "demo: %s\n", error.c_str());
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--registry" && i + 1 < argc) {
            SetRegistryFilePath(argv[++i]);
        } else if (arg == "--date" && i + 1 < argc) {
            if (!SetFixedDate(argv[++i])) {
                std::fprintf(stderr, "demo: bad date %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--os-version" && i + 1 < argc) {
            if (!SetOsVersion(argv[++i])) {
                std::fprintf(stderr, "demo: bad version %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--report-memory") {
            reportMemory = true;
        } else if (arg == "--test-face") {
            velin::platform::SetDefaultFaceName(u"Velin Test");
        } else {
            std::fprintf(stderr, "demo: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    if (HandOver()) return 0;
    switch (velin::platform::StartPlatform(options)) {
        case velin::platform::StartStatus::kOk: break;
        case velin::platform::StartStatus::kNoDisplay:
            std::fprintf(stderr, "demo: no display (use --headless)\n");
            return 1;
        case velin::platform::StartStatus::kBadScript: return 2;
    }
    velin::platform::SetStateHook(DemoState);
    LoadSettings();
    WNDCLASSW wc{CS_HREDRAW | CS_VREDRAW, CALLBACK_WindowProc, 0, 0, nullptr, nullptr, nullptr,
                 static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr, kClassName};
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_WINDOWEDGE, kClassName, kTitle, WS_VISIBLE | WS_VSCROLL, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    velin::platform::StopPlatform();
    if (reportMemory) std::printf("memory start_kib=%ld peak_kib=%ld\n", startKib, PeakKib());
    return 0;
}
