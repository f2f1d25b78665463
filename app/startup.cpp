// Start-up, the message loop and the way out: the start-up switches, the hand-over to a copy
// that is already running, the settings, the day, the main window, and the task bar put back.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "book/book.h"

namespace {

constexpr DWORD kFullScreenHide = SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON;

// The accelerator table with id 3: the shortcuts the menu's labels name. The platform's
// resources hold no accelerator tables, so the program keeps its one table here.
constexpr AppAccelerator kAccelerators3[] = {
    {true, false, 'F', kCmdFont},     {true, false, 'I', kCmdIndex},
    {true, false, 'D', kCmdCalendar}, {true, false, VK_HOME, kCmdToday},
    {false, true, VK_F3, kCmdSearch}, {false, false, VK_F3, kCmdSearchAgain},
    {true, false, 'C', kCmdCopy},     {true, false, 'E', kCmdAppend},
    {true, false, 'Q', kCmdExit},
};

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

// The whole command line against "/today", in any letter case: no trimming, no other words.
bool IsTodayRequest(const char16_t* line) {
    static constexpr char16_t kToday[] = u"/today";
    if (!line) return false;
    size_t i = 0;
    for (; kToday[i] != 0; ++i) {
        if (line[i] == 0 || LowerAscii(line[i]) != kToday[i]) return false;
    }
    return line[i] == 0;
}

CalendarDate PlatformToday() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return CalendarDate{now.wMonth, now.wDay, now.wYear};
}

// The decompressor's complaint goes to a message box without a caption.
void ReportBookError(const char* message) {
    std::u16string text;
    for (const char* p = message; *p; ++p) text.push_back(static_cast<unsigned char>(*p));
    MessageBoxW(nullptr, text.c_str(), u"", MB_OK);
}

// A running copy hands over: Today when it is in front, else it is brought to the front.
bool HandOverToRunningCopy() {
    HWND running = FindWindowW(kMainClassName, kMainTitle);
    if (!running) return false;
    HWND front = GetForegroundWindow();
    HWND outer = front;
    while (outer && GetParent(outer)) outer = GetParent(outer);
    if (running == front) SendMessageW(running, WM_COMMAND, kCmdToday, 0);
    // A dialog of the running copy that is in front stays in front.
    if (running != outer) SetForegroundWindow(running);
    return true;
}

std::string Hex(uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
    return buffer;
}

}  // namespace

bool TranslateAppAccelerator(HWND window, const MSG* msg) {
    if (!window || !msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return false;
    }
    // Only keys meant for the main window or its bar: a dialog's keys are its own.
    if (msg->hwnd != window && !IsChild(window, msg->hwnd) && GetParent(msg->hwnd) != window) {
        return false;
    }
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool alt = msg->message == WM_SYSKEYDOWN;
    for (const AppAccelerator& a : kAccelerators3) {
        if (a.key == msg->wParam && a.ctrl == ctrl && a.alt == alt) {
            SendMessageW(window, WM_COMMAND, MAKELONG(static_cast<WORD>(a.command), 1), 0);
            return true;
        }
    }
    return false;
}

std::string AppStateLine() {
    using velin::platform::QuoteScriptValue;
    const TextView* view = g_app.textView;
    std::string bookmarks;
    for (int i = 0; g_app.bookmarks && i < g_app.bookmarkCount; ++i) {
        if (i) bookmarks += ",";
        bookmarks += Hex(g_app.bookmarks[i], 4);
    }
    std::string line;
    line += "Day=" + std::to_string(g_app.Day);
    line += " Lesson=" + Hex(g_app.Lesson, 4);
    line += " caption=" + QuoteScriptValue(g_app.caption);
    line += " topRow=" + std::to_string(view ? view->topRow : 0);
    line += " lastTopRow=" + std::to_string(view ? view->lastTopRow : 0);
    line += " totalRows=" + std::to_string(view ? view->totalRows : 0);
    line += " Flags=" + Hex(g_app.Flags, 8);
    line += " FontName=" + QuoteScriptValue(Utf16ToUtf8(
                               std::u16string_view(g_app.fontSpec.faceName), LineEnds::kKeep));
    line += " FontSize=" + std::to_string(g_app.fontSpec.size);
    line += " SearchString=" + QuoteScriptValue(BookTextToUtf8(g_app.SearchString));
    line += " bookmarks=" + bookmarks;
    line += " highlightStart=" + std::to_string(view ? view->highlightStart : 0);
    line += " highlightEnd=" + std::to_string(view ? view->highlightEnd : 0);
    return line;
}

int ReaderMain(HINSTANCE instance, const char16_t* commandLine, int show,
               StartPlatformFn startPlatform) {
    ClearAppState();
    g_app.instance = instance;
    g_switches.IgnoreActivate = ReadRegistryInteger(kSwitchesKey, u"IgnoreActivate", 0);
    g_switches.FullScreen = ReadRegistryInteger(kSwitchesKey, u"FullScreen", 0);
    g_switches.AllowSipInHebrewSearch =
        ReadRegistryInteger(kSwitchesKey, u"AllowSipInHebrewSearch", 1);
    g_app.MenuBarOnBottom = ReadRegistryInteger(kSwitchesKey, u"MenuBarOnBottom", 0);
    g_app.SurroundingGutter = ReadRegistryInteger(kSwitchesKey, u"SurroundingGutter", 0);
    if (IsTodayRequest(commandLine)) g_app.todayRequest = 1;

    // A copy that hands over ends here, before it opens a screen or touches the settings.
    if (HandOverToRunningCopy()) return 0;
    if (startPlatform && !startPlatform()) return 1;

    if (g_switches.FullScreen) {
        g_switches.taskBar = FindWindowW(u"HHTaskBar", u"");
        if (g_switches.taskBar) g_switches.taskBarWasVisible = IsWindowVisible(g_switches.taskBar);
    }
    SetTodaySource(PlatformToday);
    SetBookErrorReporter(ReportBookError);
    velin::platform::SetStateHook(AppStateLine);

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (g_switches.taskBar) ShowWindow(g_switches.taskBar, SW_HIDE);
    LoadSettings();
    SelectDay(0, g_app.todayRequest);

    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(101));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kMainClassName;
    RegisterClassW(&wc);
    const DWORD style = WS_VISIBLE | ((g_app.Flags & kFlagScrollBarMask) != 0 ? WS_VSCROLL : 0);
    HWND window = CreateWindowExW(WS_EX_WINDOWEDGE, kMainClassName, kMainTitle, style,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    velin::platform::SetScriptMainWindow(window);
    if (g_switches.FullScreen) {
        RECT r{};
        GetWindowRect(window, &r);
        SHFullScreen(window, kFullScreenHide);
        MoveWindow(window, r.left, 0, r.right, r.bottom, FALSE);
    }
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAppAccelerator(g_app.mainWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (g_switches.taskBar && g_switches.taskBarWasVisible) {
        ShowWindow(g_switches.taskBar, SW_SHOW);
    }
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}
