// calendar/ (dialog half): the drawn Hebrew month calendar from which the user picks a day.
//
// One month at a time: the year between two buttons at the top, a strip of month names (three
// rows of four; Adar, or Adar I and II), and a grid of seven weekday columns with a row per
// week. The dialog draws everything itself through its own device context. Months and years
// change by taps and the cursor keys; a tap on a day ends the dialog with that day. The year
// stays inside kCalendarMinYear..kCalendarMaxYear, the Hebrew years all of whose days the date
// arithmetic handles exactly (see calendar/hebrew_date.h).
#pragma once

#include <cstdint>

#include "app/app.h"

constexpr int kCalendarDialogId = 106;
// 3761 and 13760 are only partly inside the supported day range.
constexpr int32_t kCalendarMinYear = kMinHebrewYear + 1;  // 3762
constexpr int32_t kCalendarMaxYear = kMaxHebrewYear - 1;  // 13759

// One cell of the month strip; the table ends with a record without a name.
struct MonthStripCell {
    int16_t top, left, bottom, right;
    const char* name;
};

struct CalendarState {
    int32_t month, day, year;  // the displayed Hebrew date; `day` is carried between months
    int32_t markedMonth, markedDay, markedYear;
    DayNumber chosenDay;  // of the displayed date; the result (0 after OK and Cancel)
    uint8_t isLeap;
    uint8_t firstWeekday;  // of the 1st of the month, 0 = Sunday
    uint8_t weekRows;      // 5 or 6
    uint8_t monthDays;     // 29 or 30
    char scratchText[16];  // " %d " of any int32 year fits, with the zero
    uint8_t redraw;
    HDC dc;
    HFONT boldFont;
    LOGFONTW logFont;
    RECT client;
    int32_t gridLeft, gridTop, cellWidth, cellHeight, gridWidth;
    int32_t yearTop, textHeight;
    int32_t prevButtonLeft, nextButtonLeft, buttonWidth;
    int32_t stripLeft, stripTop, stripCellWidth, stripRowHeight;
};

// Bits of CalendarState::redraw.
constexpr uint8_t kRedrawStrip = 0x1;
constexpr uint8_t kRedrawGrid = 0x2;
constexpr uint8_t kRedrawYear = 0x4;
constexpr uint8_t kRedrawLeapStrip = 0x8;

// Day is a DayNumber or 0 for today; the font is accepted and not used. The chosen DayNumber,
// or 0 when the dialog was closed with OK or Cancel.
DayNumber OpenCalendar(HINSTANCE instance, HWND owner, DayNumber day, const FontSpec& font);
INT_PTR CalendarDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
void SetDisplayedDay(DayNumber day, bool mark);
void ChangeDisplayedMonth();
void LayoutCalendar();
void PaintCalendar();

// For tests: the dialog's state (writable, so a test can hand it a device context and a client
// rectangle without running the modal dialog) and the month strip (12 or 13 named cells).
CalendarState& CurrentCalendarState();
const MonthStripCell* MonthStrip();
