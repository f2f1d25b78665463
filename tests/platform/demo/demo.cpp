// A small program on the platform layer, used by the tests and as a demonstration: a main
// window with a painted caption box and scrollable lines of text, a vertical scroll bar,
// keys and taps, the task bar (tap the caption to go full screen and back), the registry (the
// top row is kept between runs) and the clipboard (Ctrl+C copies the selected line). A second
// copy hands over to the first one as the reader does: Today when the first is in front,
// else it brings the first one to the front.
//
// velin-platform-demo [--registry FILE] [--date YYYY-MM-DD] [--test-face] [--report-memory]
//                     [platform switches]
// --report-memory prints the peak resident memory before the platform starts and at the end.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/windows.h"

namespace {

constexpr int kLineCount = 40;
constexpr UINT kCommandToday = 108;
constexpr UINT kCommandExit = 40005;
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
} g;

std::u16string LineText(int i) {
    // Latin-1 letters show that text stays UTF-16 from the window to the clipboard.
    std::string s = "Line " + std::to_string(i + 1) + (i % 3 == 0 ? ": caf\xc3\xa9 au lait" : ": text");
    return Utf8ToUtf16(s);
}

int PageRows() {
    RECT r;
    GetClientRect(g.window, &r);
    return std::max(1, static_cast<int>((r.bottom - g.captionHeight) / g.lineHeight));
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
    RECT caption{0, 0, client.right, g.captionHeight};
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
    RECT area{0, g.captionHeight, client.right, client.bottom};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    int y = g.captionHeight;
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
    Rectangle(dc, 0, 0, client.right, g.captionHeight);
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
            const int y = static_cast<short>(HIWORD(lParam));
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
            return DefWindowProcW(hwnd, msg, wParam, lParam);
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
