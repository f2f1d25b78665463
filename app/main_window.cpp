// The main window: a caption box with the Hebrew date and the text area of the lesson view,
// and the handling of keys, taps, the scroll bar and the menu's commands.
//
// Geometry, with g the gutter, B the bar's height and H the caption box's height: under a
// command bar at the top the caption box is the bottom H pixels of the client area and the
// text area keeps g free on all four sides; with the menu bar at the bottom the caption box is
// the top H pixels and the text area starts right under it.
#include <algorithm>

#include "app/app.h"

namespace {

constexpr int kWheelLines = 3;                   // lines a notch of the wheel scrolls
constexpr COLORREF kCaptionColour = 0x00FFFF00;  // red 0, green 255, blue 255

TextView* View() { return g_app.textView; }

// The page in rows: what the last paint covered.
int PageRows() { return View() ? View()->rowsPainted : 0; }

int PageSizeFromField(uint32_t field, int page) {
    return field == 2 || field == 4 ? page / 2 : page - 1;
}

void CreateCaptionFont() {
    if (g_app.captionFont) DeleteObject(g_app.captionFont);
    LOGFONTW lf{};
    lf.lfHeight = 14;
    lf.lfWeight = FW_NORMAL;
    if (g_app.fontSpec.faceName[0] != 0) {
        std::copy(std::begin(g_app.fontSpec.faceName), std::end(g_app.fontSpec.faceName),
                  lf.lfFaceName);
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    g_app.captionFont = CreateFontIndirectW(&lf);
}

// Steps 4 to 6 of painting: the caption text, centred in the box inset by one pixel.
void DrawCaption(HDC dc) {
    HGDIOBJ old = SelectObject(dc, g_app.captionFont);
    DrawTextCell(dc, g_app.caption, g_app.captionLength, g_app.captionLeft + 1,
                 g_app.captionTop + 1, g_app.captionWidth - 2, g_app.captionHeight - 2);
    SelectObject(dc, old);
}

// Scrolls the view by `rows` with repaint and clamp, then follows with the scroll bar.
void Scroll(HWND window, int rows) {
    if (!View()) return;
    TextView::ScrollBy(View(), rows, ScrollRepaint::kYes, ScrollClamp::kYes);
    UpdateScrollBar(window);
}

void HandleSize(HWND window, int w, int h) {
    const int g = g_app.SurroundingGutter;
    const int wInner = w > 2 * g ? w - 2 * g : w;
    const int hInner = h > 2 * g ? h - 2 * g : h;
    if (!View()) return;
    const int H = g_app.captionHeight;
    if (g_app.captionWidth == wInner && g_app.captionTop == hInner - H) return;
    g_app.captionWidth = wInner + 2 * g;
    g_app.captionTop = hInner - H + 2 * g;
    if (g_app.MenuBarOnBottom) {
        g_app.captionTop = 0;
        View()->top = H;
    }
    TextView::Resize(View(), wInner, hInner - H - g_app.barHeight);
    UpdateScrollBar(window);
}

LRESULT HandleKey(HWND window, WPARAM key) {
    TextView* view = View();
    const int page = KeyPageSize(PageRows());
    switch (key) {
        case VK_RETURN:
            if (g_app.SearchString[0] != 0) FindNext(window);
            return 0;
        case VK_PRIOR:
            Scroll(window, -page);
            return 0;
        case VK_NEXT:
            Scroll(window, page);
            return 0;
        case VK_END:
            // To the last page: by what separates topRow from lastTopRow. (Adding all of
            // lastTopRow would carry a view that is already down the lesson past its end.)
            if (view) {
                Scroll(window,
                       view->lastTopRow == 0 ? page : std::max(view->lastTopRow - view->topRow, 0));
            }
            return 0;
        case VK_HOME:
            if (view) Scroll(window, view->topRow == 0 ? -page : -view->topRow);
            return 0;
        case VK_LEFT:
            ShowDay(window, g_app.Day - 1);
            return 0;
        case VK_UP:
            Scroll(window, -1);
            return 0;
        case VK_RIGHT:
            ShowDay(window, g_app.Day + 1);
            return 0;
        case VK_DOWN:
            Scroll(window, 1);
            return 0;
        default:
            return 1;
    }
}

LRESULT HandleScrollBar(HWND window, WPARAM wParam, LPARAM lParam) {
    TextView* view = View();
    int rows = 0;
    if (view) {
        const int page = PageRows();
        switch (LOWORD(wParam)) {
            case SB_LINEUP:
                rows = -1;
                break;
            case SB_LINEDOWN:
                rows = 1;
                break;
            case SB_PAGEUP:
                rows = 1 - page;
                break;
            case SB_PAGEDOWN:
                rows = page - 1;
                break;
            case SB_THUMBPOSITION:
            case SB_THUMBTRACK:
                rows = static_cast<int16_t>(HIWORD(wParam)) - view->topRow;
                break;
            case SB_TOP:
                rows = -view->topRow;
                break;
            case SB_BOTTOM:
                rows = 1;
                break;  // one line, not to the end
            default:
                break;
        }
    }
    if (rows != 0) TextView::ScrollBy(view, rows, ScrollRepaint::kYes, ScrollClamp::kYes);
    DefWindowProcW(window, WM_VSCROLL, wParam, lParam);
    if (rows != 0) UpdateScrollBar(window);
    return 1;
}

void PickDayFromCalendar(HWND window) {
    const DayNumber picked = OpenCalendar(g_app.instance, window, g_app.Day, g_app.fontSpec);
    if (picked != 0 && picked != g_app.Day) ShowDay(window, picked);
}

void HandleTap(HWND window, int x, int y) {
    TextView* view = View();
    if (!view) return;
    const int g = g_app.SurroundingGutter;
    if ((g_app.Flags & kFlagTapPaging) != 0 && view->left - g <= x &&
        x <= view->left + view->width + g && view->top - g <= y && y <= view->top + view->height) {
        const bool back = (g_app.Flags & kFlagTapZonesByHeight) != 0
                              ? y < view->top + view->height / 2
                              : x < view->left + view->width / 2;
        const int page = TapPageSize(PageRows());
        Scroll(window, back ? -page : page);
        return;
    }
    if (g_app.captionTop <= y && y <= g_app.captionTop + g_app.captionHeight) {
        PickDayFromCalendar(window);
    }
}

}  // namespace

int KeyPageSize(int page) {
    return PageSizeFromField((g_app.Flags & kFlagKeyPageMask) >> kFlagKeyPageShift, page);
}

int TapPageSize(int page) {
    return PageSizeFromField((g_app.Flags & kFlagTapPageMask) >> kFlagTapPageShift, page);
}

void UpdateScrollBar(HWND window) {
    if ((g_app.Flags & kFlagScrollBarMask) == 0 || !View()) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    si.nMin = 0;
    si.nMax = View()->lastTopRow;
    si.nPos = View()->topRow;
    SetScrollInfo(window, SB_VERT, &si, TRUE);
}

void PaintMainWindow(HDC dc, UINT flags) {
    if ((flags & kPaintText) != 0 && View()) {
        TextView::Paint(View(), (flags & kPaintClearText) != 0 ? PaintBackground::kClear
                                                               : PaintBackground::kKeep);
    }
    HBRUSH brush = CreateSolidBrush(kCaptionColour);
    RECT box{g_app.captionLeft, g_app.captionTop, g_app.captionLeft + g_app.captionWidth,
             g_app.captionTop + g_app.captionHeight};
    FillRect(dc, &box, brush);
    DeleteObject(brush);
    SetBkMode(dc, TRANSPARENT);
    DrawCaption(dc);
}

void RepaintNow(HWND window, UINT flags) {
    if (!window) window = g_app.mainWindow;
    HDC dc = GetDC(window);
    PaintMainWindow(dc, flags);
    ReleaseDC(window, dc);
    UpdateScrollBar(window);
}

void SetUpLayout(HWND window, RECT* textRect) {
    CreateCaptionFont();
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, g_app.captionFont);
    const int g = g_app.SurroundingGutter;
    RECT r{};
    GetClientRect(window, &r);
    if (g_app.MenuBarOnBottom) {
        r.bottom -= g_app.barHeight;
    } else {
        r.top += g_app.barHeight;
    }
    if (r.bottom - r.top > 2 * g) {
        r.top += g;
        r.bottom -= 2 * g;
    }
    if (r.right - r.left > 2 * g) {
        r.left += g;
        r.right -= 2 * g;
    }
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int H = tm.tmHeight + 2;
    g_app.captionLeft = r.left - g;
    g_app.captionTop = r.bottom - H;
    g_app.captionWidth = r.right - r.left;
    g_app.captionHeight = H;
    // Cuts the caption to the characters that fit the box.
    int width = g_app.captionWidth;
    int count = g_app.captionLength;
    MeasureFit(dc, g_app.caption, &width, &count);
    g_app.captionTextWidth = width;
    g_app.captionLength = count;
    *textRect = RECT{r.left, r.top, r.right, r.bottom - H};
    SelectObject(dc, old);
}

void SetUpDialog(HWND dialog, DWORD shellFlags) {
    SHINITDLGINFO info{};
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = dialog;
    info.dwFlags = shellFlags | (g_switches.FullScreen ? 0 : SHIDIF_DONEBUTTON);
    SHInitDialog(&info);
    if (g_switches.FullScreen) {
        RECT r{};
        GetWindowRect(dialog, &r);
        MoveWindow(dialog, r.left, 0, r.right, r.bottom, FALSE);
    }
}

int OnCommand(HWND window, UINT id) {
    switch (id) {
        case kCmdCalendar:
            PickDayFromCalendar(window);
            return 0;
        case kCmdToday:
            ShowDay(window, 0);
            return 0;
        case kCmdNextDay:
            ShowDay(window, g_app.Day + 1);
            return 0;
        case kCmdPreviousDay:
            ShowDay(window, g_app.Day - 1);
            return 0;
        case kCmdSearch:
            OpenSearchDialog(window);
            return 0;
        case kCmdSearchAgain:
            FindNext(window);
            return 0;
        case kCmdIndex: {
            const DayCode picked = OpenIndex(window, g_app.Lesson, g_app.fontSpec);
            if (picked != 0 && picked != g_app.Lesson) ShowDayCode(window, picked);
            return 0;
        }
        case kCmdBookmark:
            ToggleBookmark(window);
            return 0;
        case kCmdCheckForUpdates:
            CheckForUpdates(window);
            return 0;
        case kCmdAbout:
            ShowAboutBox(window);
            return 0;
        case kCmdExit:
            DestroyWindow(window);
            return 0;
        case kCmdFont:
            if (OpenFontDialog(window, &g_app.fontSpec) == 1) {
                HDC dc = GetDC(window);
                CreateCaptionFont();
                SetBkMode(dc, TRANSPARENT);
                DrawCaption(dc);
                ReleaseDC(window, dc);
                TextView::SetFont(View(), &g_app.fontSpec);
            }
            return 0;
        case kCmdCopy:
            CopyLessonToClipboard(View(), 0);
            return 0;
        case kCmdAppend:
            CopyLessonToClipboard(View(), 1);
            return 0;
        default:
            return 1;
    }
}

LRESULT MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            g_app.mainWindow = hwnd;
            BuildMenuBar();
            InitialDisplay(hwnd);
            RefreshBookmarkCheck();
            return 0;
        case WM_DESTROY:
            if (View()) ReleaseDC(hwnd, View()->dc);
            if (g_app.barWindow) DestroyWindow(g_app.barWindow);
            g_app.barWindow = nullptr;
            // The caption font goes with the window that drew it.
            if (g_app.captionFont) DeleteObject(g_app.captionFont);
            g_app.captionFont = nullptr;
            SaveAndQuit();
            return 0;
        case WM_SIZE:
            HandleSize(hwnd, LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_ACTIVATE:
            if (g_switches.IgnoreActivate) return DefWindowProcW(hwnd, msg, wParam, lParam);
            if (LOWORD(wParam) != 0) {
                SHFullScreen(hwnd, g_switches.FullScreen
                                       ? SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON
                                       : SHFS_HIDESIPBUTTON);
            }
            return 0;
        case WM_PAINT: {
            if (wParam) {
                PaintMainWindow(reinterpret_cast<HDC>(wParam), kPaintAll);
            } else {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                PaintMainWindow(dc, kPaintAll);
                EndPaint(hwnd, &ps);
            }
            return 0;
        }
        case WM_SETTINGCHANGE: {
            SHACTIVATEINFO info{};
            info.cbSize = sizeof info;
            SHHandleWMSettingChange(hwnd, wParam, lParam, &info);
            return 0;
        }
        case WM_WINDOWPOSCHANGED: {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (pos && (pos->flags & 0xFFFF0000u) != 0 && (pos->flags & SWP_NOACTIVATE) != 0) {
                DestroyWindow(hwnd);
            }
            return 0;
        }
        case WM_HELP:
            ShowAboutBox(hwnd);
            return 0;
        case WM_KEYDOWN:
            return HandleKey(hwnd, wParam);
        case WM_COMMAND:
            if (OnCommand(hwnd, LOWORD(wParam)) == 0) return 0;
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        case WM_VSCROLL:
            return HandleScrollBar(hwnd, wParam, lParam);
        case WM_LBUTTONDOWN:
            HandleTap(hwnd, static_cast<int16_t>(LOWORD(lParam)),
                      static_cast<int16_t>(HIWORD(lParam)));
            return 0;
        case WM_MOUSEWHEEL: {
            // A desktop has a wheel: three lines a notch, up when the wheel turns away.
            const int notches = static_cast<int16_t>(HIWORD(wParam)) / WHEEL_DELTA;
            if (notches != 0) Scroll(hwnd, -notches * kWheelLines);
            return 0;
        }
        case WM_HIBERNATE:
            DestroyWindow(hwnd);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}
