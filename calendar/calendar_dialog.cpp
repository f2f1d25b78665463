#include "calendar/calendar_dialog.h"

#include <cstdio>
#include <cstring>

namespace {

CalendarState g_cal;

// Months 1 to 11, then the Adar pair of the year's kind, then the end record.
MonthStripCell g_strip[14] = {
    {0, 0, 0, 0, "Nissan"},  {0, 0, 0, 0, "Iyyar"},   {0, 0, 0, 0, "Sivan"},
    {0, 0, 0, 0, "Tammuz"},  {0, 0, 0, 0, "Av"},      {0, 0, 0, 0, "Elul"},
    {0, 0, 0, 0, "Tishrei"}, {0, 0, 0, 0, "Cheshvan"}, {0, 0, 0, 0, "Kislev"},
    {0, 0, 0, 0, "Teves"},   {0, 0, 0, 0, "Shevat"},  {0, 0, 0, 0, "Adar"},
    {0, 0, 0, 0, nullptr},   {0, 0, 0, 0, nullptr},
};
// [0]: a common year's "Adar" and the end; [1]: a leap year's "Adar I" and "II".
MonthStripCell g_adarPairs[2][2] = {
    {{0, 0, 0, 0, "Adar"}, {0, 0, 0, 0, nullptr}},
    {{0, 0, 0, 0, "Adar I"}, {0, 0, 0, 0, "II"}},
};

constexpr const char kDayDigits[] = "1 2 3 4 5 6 7 8 9 10111213141516171819202122232425262728293031";
constexpr const char kWeekdayLetters[] = "SMTWTFS";
constexpr const char kPrevLabel[] = "  <<  ";
constexpr const char kNextLabel[] = "  >>  ";

void CopyAdarPair(bool leap) {
    g_strip[11] = g_adarPairs[leap ? 1 : 0][0];
    g_strip[12] = g_adarPairs[leap ? 1 : 0][1];
}

COLORREF Background() { return GetSysColor(COLOR_BTNFACE); }

void FillBackground(int left, int top, int right, int bottom) {
    HBRUSH brush = CreateSolidBrush(Background());
    RECT r{left, top, right, bottom};
    FillRect(g_cal.dc, &r, brush);
    DeleteObject(brush);
}

int LastMonth(int32_t year) { return IsHebrewLeapYear(year) ? 13 : 12; }

// Top-left of the grid cell of day d (1..monthDays).
void DayCellOrigin(int d, int* x, int* y) {
    const int p = g_cal.firstWeekday + d - 1;
    *x = g_cal.gridLeft + (p % 7) * g_cal.cellWidth;
    *y = g_cal.gridTop + (p / 7 + 1) * g_cal.cellHeight;
}

void DrawDayCell(int d, bool highlighted) {
    if (d < 1 || d > g_cal.monthDays) return;
    int x, y;
    DayCellOrigin(d, &x, &y);
    FillRectStock(g_cal.dc, x + 1, y + 1, g_cal.cellWidth - 1, g_cal.cellHeight - 1,
                  highlighted ? BLACK_BRUSH : WHITE_BRUSH);
    const char* digits = kDayDigits + 2 * (d - 1);
    if (highlighted) {
        DrawTextCellColored(g_cal.dc, digits, 2, x + 1, y + 1, g_cal.cellWidth, g_cal.cellHeight,
                            RGB(255, 255, 255), RGB(0, 0, 0));
    } else {
        DrawTextCell(g_cal.dc, digits, 2, x + 1, y + 1, g_cal.cellWidth, g_cal.cellHeight);
    }
}

void DrawStripCell(const MonthStripCell& cell, bool highlighted) {
    HGDIOBJ oldPen = SelectObject(g_cal.dc, GetStockObject(highlighted ? WHITE_PEN : BLACK_PEN));
    HGDIOBJ oldBrush =
        SelectObject(g_cal.dc, GetStockObject(highlighted ? BLACK_BRUSH : WHITE_BRUSH));
    Rectangle(g_cal.dc, cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1);
    SelectObject(g_cal.dc, oldBrush);
    SelectObject(g_cal.dc, oldPen);
    const int len = static_cast<int>(std::strlen(cell.name));
    const int x = cell.left + 1, y = cell.top + 1;
    const int w = cell.right - cell.left - 1, h = cell.bottom - cell.top - 1;
    if (highlighted) {
        DrawTextCellColored(g_cal.dc, cell.name, len, x, y, w, h, RGB(255, 255, 255),
                            RGB(0, 0, 0));
    } else {
        DrawTextCell(g_cal.dc, cell.name, len, x, y, w, h);
    }
}

void DrawGrid() {
    const uint8_t previousRows = g_cal.weekRows;
    g_cal.weekRows = (g_cal.firstWeekday == 6 && g_cal.monthDays == 30) ? 6 : 5;
    const bool shrank = previousRows == 6 && g_cal.weekRows == 5;
    HGDIOBJ oldPen = SelectObject(g_cal.dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(g_cal.dc, GetStockObject(WHITE_BRUSH));
    for (int r = 0; r <= g_cal.weekRows; ++r) {
        for (int c = 0; c < 7; ++c) {
            const int x = g_cal.gridLeft + c * g_cal.cellWidth;
            const int y = g_cal.gridTop + r * g_cal.cellHeight;
            Rectangle(g_cal.dc, x, y, x + g_cal.cellWidth + 1, y + g_cal.cellHeight + 1);
        }
    }
    SelectObject(g_cal.dc, oldBrush);
    HGDIOBJ oldFont = SelectObject(g_cal.dc, g_cal.boldFont);
    for (int c = 0; c < 7; ++c) {
        DrawTextCell(g_cal.dc, kWeekdayLetters + c, 1, g_cal.gridLeft + c * g_cal.cellWidth + 1,
                     g_cal.gridTop + 1, g_cal.cellWidth - 2, g_cal.cellHeight - 2);
    }
    if (shrank) {
        FillBackground(g_cal.gridLeft, g_cal.gridTop + 6 * g_cal.cellHeight + 1,
                       g_cal.gridLeft + g_cal.gridWidth, g_cal.gridTop + 7 * g_cal.cellHeight + 1);
    }
    for (int d = 1; d <= g_cal.monthDays; ++d) {
        int x, y;
        DayCellOrigin(d, &x, &y);
        DrawTextCell(g_cal.dc, kDayDigits + 2 * (d - 1), 2, x + 1, y + 1, g_cal.cellWidth - 2,
                     g_cal.cellHeight - 2);
    }
    SelectObject(g_cal.dc, oldFont);
    SelectObject(g_cal.dc, oldPen);
}

// A label in black on white inside a one-pixel black frame.
void DrawBoxedLabel(const char* text, int x, int width) {
    FillRectStock(g_cal.dc, x - 1, g_cal.yearTop - 1, width + 2, g_cal.textHeight + 2, BLACK_BRUSH);
    DrawTextCell(g_cal.dc, text, static_cast<int>(std::strlen(text)), x, g_cal.yearTop, width,
                 g_cal.textHeight);
}

void DrawYearHeader() {
    HGDIOBJ oldFont = SelectObject(g_cal.dc, g_cal.boldFont);
    const int w = g_cal.client.right - g_cal.client.left;
    std::snprintf(g_cal.scratchText, sizeof g_cal.scratchText, " %d ", g_cal.year);
    int tw = w;
    int count = static_cast<int>(std::strlen(g_cal.scratchText));
    MeasureFit(g_cal.dc, g_cal.scratchText, &tw, &count);
    g_cal.scratchText[count] = '\0';
    const int x = (w - tw) / 2;
    DrawBoxedLabel(g_cal.scratchText, x, tw);
    if (g_cal.buttonWidth == 0) {
        // Placed once, beside the first year shown; they stay put when the label's width changes.
        g_cal.nextButtonLeft = x + tw + 10;
        int bw = w;
        int bc = static_cast<int>(std::strlen(kPrevLabel));
        MeasureFit(g_cal.dc, kPrevLabel, &bw, &bc);
        g_cal.buttonWidth = bw;
        g_cal.prevButtonLeft = x - bw - 10;
    }
    DrawBoxedLabel(kPrevLabel, g_cal.prevButtonLeft, g_cal.buttonWidth);
    DrawBoxedLabel(kNextLabel, g_cal.nextButtonLeft, g_cal.buttonWidth);
    SelectObject(g_cal.dc, oldFont);
}

bool YearInRange(int32_t year) { return year >= kCalendarMinYear && year <= kCalendarMaxYear; }

// Shows `year`, keeping the month (Adar II becomes Adar) and clamping day 30. False, with
// nothing changed, past the ends of the calendar's range.
bool ChangeYear(int32_t year) {
    if (!YearInRange(year)) return false;
    g_cal.year = year;
    if (g_cal.month > LastMonth(year)) g_cal.month = 12;
    return true;
}

void MoveToYear(int32_t year) {
    if (!ChangeYear(year)) return;
    if (g_cal.day == 30 && HebrewMonthLength(g_cal.month, g_cal.year) < 30) g_cal.day = 29;
    SetDisplayedDay(HebrewToDayNumber(g_cal.month, g_cal.day, g_cal.year), false);
    g_cal.redraw |= kRedrawStrip | kRedrawGrid | kRedrawYear;
    PaintCalendar();
}

void OnKey(WPARAM key) {
    int32_t month = g_cal.month;
    int32_t year = g_cal.year;
    switch (key) {
        case VK_PRIOR:
        case VK_UP:
            if (--month < 1) month = LastMonth(year);
            if (month == 6) --year;  // Tishri back to Elul: the year before
            break;
        case VK_NEXT:
        case VK_DOWN:
            if (++month > LastMonth(year)) month = 1;
            if (month == 7) ++year;  // Elul on to Tishri: the next year
            break;
        case VK_LEFT:
            --year;
            break;
        case VK_RIGHT:
            ++year;
            break;
        default:
            return;
    }
    if (year != g_cal.year) {
        if (!YearInRange(year)) return;
        g_cal.redraw |= kRedrawStrip | kRedrawGrid | kRedrawYear;
        if (month > LastMonth(year)) month = 12;
        g_cal.year = year;
    }
    g_cal.month = month;
    ChangeDisplayedMonth();
}

void OnTap(HWND dialog, int x, int y) {
    for (int k = 0; g_strip[k].name; ++k) {
        const MonthStripCell& c = g_strip[k];
        if (c.left <= x && x <= c.right && c.top <= y && y <= c.bottom) {
            if (k + 1 != g_cal.month) {
                g_cal.month = k + 1;
                ChangeDisplayedMonth();
            }
            return;
        }
    }
    if (g_cal.yearTop <= y && y <= g_cal.yearTop + g_cal.textHeight &&
        g_cal.prevButtonLeft <= x && x <= g_cal.nextButtonLeft + g_cal.buttonWidth) {
        if (x <= g_cal.prevButtonLeft + g_cal.buttonWidth) {
            MoveToYear(g_cal.year - 1);
            return;
        }
        if (x >= g_cal.nextButtonLeft) {
            MoveToYear(g_cal.year + 1);
            return;
        }
    }
    const int dx = x - g_cal.gridLeft;
    const int dy = y - g_cal.gridTop - g_cal.cellHeight;
    if (g_cal.cellWidth <= 0 || g_cal.cellHeight <= 0) return;
    if (dx < 0 || dx >= 7 * g_cal.cellWidth || dy < 0 || dy > g_cal.weekRows * g_cal.cellHeight) {
        return;
    }
    const int d = 7 * (dy / g_cal.cellHeight) + dx / g_cal.cellWidth - g_cal.firstWeekday + 1;
    if (d < 1 || d > g_cal.monthDays) return;
    g_cal.chosenDay = g_cal.chosenDay - g_cal.day + d;
    DrawDayCell(g_cal.day, false);
    DrawDayCell(d, true);
    g_cal.day = d;
    g_cal.markedMonth = g_cal.month;
    g_cal.markedDay = d;
    g_cal.markedYear = g_cal.year;
    EndDialog(dialog, 1);
}

void ReadClient(HWND dialog) {
    GetClientRect(dialog, &g_cal.client);
    LayoutCalendar();
}

}  // namespace

CalendarState& CurrentCalendarState() { return g_cal; }
const MonthStripCell* MonthStrip() { return g_strip; }

void SetDisplayedDay(DayNumber n, bool mark) {
    const uint8_t previous = g_cal.isLeap;
    bool leapChanged = false;
    if (n == 0) {
        const CalendarDate today = TodayDate();
        n = GregorianToDayNumber(today.month, today.day, today.year);
        leapChanged = true;
    }
    // A day outside the calendar's years is shown as the nearest day inside them.
    const DayNumber first = HebrewToDayNumber(7, 1, kCalendarMinYear);
    const DayNumber last = HebrewToDayNumber(7, 1, kCalendarMaxYear + 1) - 1;
    if (n < first) n = first;
    if (n > last) n = last;
    g_cal.chosenDay = n;
    CalendarDate date;
    DayNumberToHebrew(n, date);
    g_cal.month = date.month;
    g_cal.day = date.day;
    g_cal.year = date.year;
    g_cal.firstWeekday = static_cast<uint8_t>((n - g_cal.day + 1) % 7);
    g_cal.isLeap = IsHebrewLeapYear(g_cal.year) ? 1 : 0;
    if (leapChanged || g_cal.isLeap != previous || mark) {
        CopyAdarPair(g_cal.isLeap != 0);
        g_cal.redraw |= kRedrawStrip;
        if (mark) {
            g_cal.markedMonth = g_cal.month;
            g_cal.markedDay = g_cal.day;
            g_cal.markedYear = g_cal.year;
        }
        if (g_cal.isLeap) g_cal.redraw |= kRedrawLeapStrip;
    }
    g_cal.monthDays = static_cast<uint8_t>(HebrewMonthLength(g_cal.month, g_cal.year));
}

void ChangeDisplayedMonth() {
    if (g_cal.day == 30 && HebrewMonthLength(g_cal.month, g_cal.year) < 30) g_cal.day = 29;
    SetDisplayedDay(HebrewToDayNumber(g_cal.month, g_cal.day, g_cal.year), false);
    g_cal.redraw |= kRedrawStrip | kRedrawGrid;
    PaintCalendar();
}

void LayoutCalendar() {
    const RECT& c = g_cal.client;
    const int W = c.right - c.left + 1;
    const int H = c.bottom - c.top + 1;
    TEXTMETRICW tm{};
    if (g_cal.dc) {
        HGDIOBJ old = SelectObject(g_cal.dc, g_cal.boldFont);
        GetTextMetricsW(g_cal.dc, &tm);
        SelectObject(g_cal.dc, old);
    }
    g_cal.textHeight = tm.tmHeight;
    g_cal.cellWidth = W / 8;
    g_cal.gridTop = (3 * H) / 9;
    g_cal.cellHeight = (c.bottom - g_cal.gridTop) / 7;
    g_cal.gridWidth = 7 * g_cal.cellWidth + 1;
    g_cal.gridLeft = c.left + (W - g_cal.gridWidth) / 2;
    g_cal.yearTop = c.top + 2;
    const int o = ((7 * W) / 8) / 4;
    g_cal.stripCellWidth = o;
    g_cal.stripTop = g_cal.yearTop + g_cal.textHeight + 4;
    const int t = (g_cal.gridTop - g_cal.stripTop - 4) / 3;
    g_cal.stripRowHeight = t;
    g_cal.stripLeft = c.left + (W - (4 * o + 1)) / 2;
    for (int k = 0; k < 12; ++k) {
        MonthStripCell& cell = g_strip[k];
        cell.left = static_cast<int16_t>(g_cal.stripLeft + (k % 4) * o);
        cell.right = static_cast<int16_t>(cell.left + o);
        cell.top = static_cast<int16_t>(g_cal.stripTop + (k / 4) * t);
        cell.bottom = static_cast<int16_t>(cell.top + t);
    }
    MonthStripCell& adar = g_adarPairs[0][0];
    adar.left = g_strip[11].left;
    adar.right = g_strip[11].right;
    adar.top = g_strip[11].top;
    adar.bottom = g_strip[11].bottom;
    const int s = g_cal.stripLeft + 3 * o + (3 * o) / 4;
    MonthStripCell& adar1 = g_adarPairs[1][0];
    MonthStripCell& adar2 = g_adarPairs[1][1];
    adar1.left = static_cast<int16_t>(g_cal.stripLeft + 3 * o);
    adar1.right = static_cast<int16_t>(s);
    adar2.left = static_cast<int16_t>(s);
    adar2.right = static_cast<int16_t>(g_cal.stripLeft + 4 * o);
    adar1.top = adar2.top = adar.top;
    adar1.bottom = adar2.bottom = adar.bottom;
    CopyAdarPair(g_cal.isLeap != 0);
}

void PaintCalendar() {
    if (!g_cal.dc) return;
    if (g_cal.redraw & kRedrawStrip) {
        if (g_cal.redraw & kRedrawLeapStrip) {
            // What remains of the wide "Adar" cell between "Adar I" and "II".
            const MonthStripCell& two = g_strip[12];
            FillBackground(two.left - 1, two.top + 1, two.left + 1, two.bottom - 1);
        }
        for (int k = 0; g_strip[k].name; ++k) DrawStripCell(g_strip[k], false);
    }
    DrawGrid();
    if (g_cal.month - 1 >= 0 && g_cal.month - 1 <= 11 + g_cal.isLeap) {
        DrawStripCell(g_strip[g_cal.month - 1], true);
    }
    if (g_cal.month == g_cal.markedMonth && g_cal.year == g_cal.markedYear) {
        DrawDayCell(g_cal.markedDay, true);
    }
    if (g_cal.redraw & kRedrawYear) DrawYearHeader();
    g_cal.redraw = 0;
}

INT_PTR CalendarDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            SetUpDialog(dialog, 0x1E);
            g_cal.dc = GetDC(dialog);
            ReadClient(dialog);
            g_cal.redraw = kRedrawStrip | kRedrawGrid | kRedrawYear;
            return 0;
        case WM_SIZE:
            ReadClient(dialog);
            return 0;
        case WM_ERASEBKGND: {
            g_cal.redraw = kRedrawStrip | kRedrawGrid | kRedrawYear;
            HBRUSH brush = CreateSolidBrush(Background());
            FillRect(reinterpret_cast<HDC>(wParam), &g_cal.client, brush);
            DeleteObject(brush);
            InvalidateRect(dialog, nullptr, FALSE);
            return 1;
        }
        case WM_PAINT:
            PaintCalendar();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE && g_switches.FullScreen && g_switches.taskBar) {
                ShowWindow(g_switches.taskBar, SW_HIDE);
            }
            return 0;
        case WM_KEYDOWN:
            OnKey(wParam);
            return 0;
        case WM_LBUTTONDOWN:
            OnTap(dialog, static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)));
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                g_cal.chosenDay = 0;
                EndDialog(dialog, LOWORD(wParam));
                return 1;
            }
            return 0;
        case WM_DESTROY:
            if (g_cal.dc) ReleaseDC(dialog, g_cal.dc);
            g_cal.dc = nullptr;
            return 0;
        default:
            return 0;
    }
}

DayNumber OpenCalendar(HINSTANCE instance, HWND owner, DayNumber day, const FontSpec&) {
    g_cal = CalendarState{};
    g_cal.logFont.lfHeight = 14;
    g_cal.logFont.lfWeight = FW_BOLD;
    g_cal.boldFont = CreateFontIndirectW(&g_cal.logFont);
    SetDisplayedDay(day, true);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(kCalendarDialogId), owner, CalendarDialogProc, 0);
    DeleteObject(g_cal.boldFont);
    g_cal.boldFont = nullptr;
    return g_cal.chosenDay;
}
