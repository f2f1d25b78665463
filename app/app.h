// app/: the reader itself. It owns the one global record (AppState) and everything that hangs
// on it: start-up and the message loop, the main window (caption box, text area, keys, taps,
// scroll bar, commands), the menu bar, the settings kept in the registry and the way out
// (SaveAndQuit, AllocOrQuit), the choice of the day on show and the moves between days.
//
// The lesson itself is shown by the TextView (textview/), found through the book store
// (book/) and keyed by the calendar's day codes (calendar/). Everything runs on the one
// user-interface thread; nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "calendar/hebrew_date.h"
#include "platform/windows.h"
#include "textview/text_view.h"

// ---- Names the program is known by ---------------------------------------------------------
constexpr char16_t kMainClassName[] = u"Velin-English";
constexpr char16_t kMainTitle[] = u"Velin";
constexpr char16_t kSettingsKey[] = u"Ostrelle\\Velin-English";
constexpr char16_t kSwitchesKey[] = u"software\\Ostrelle";
constexpr const char* kVersionText = "1.84a";

// ---- Command ids (the menu's and the tool buttons') --------------------------------------------
constexpr UINT kCmdCalendar = 107;
constexpr UINT kCmdToday = 108;
constexpr UINT kCmdNextDay = 109;
constexpr UINT kCmdPreviousDay = 110;
constexpr UINT kCmdSearch = 116;
constexpr UINT kCmdSearchAgain = 117;
constexpr UINT kCmdIndex = 119;
constexpr UINT kCmdBookmark = 123;
constexpr UINT kCmdCheckForUpdates = 129;
constexpr UINT kCmdAbout = 40004;
constexpr UINT kCmdExit = 40005;
constexpr UINT kCmdFont = 40006;
constexpr UINT kCmdCopy = 40007;
constexpr UINT kCmdAppend = 40009;
constexpr UINT kCmdGoMenu = 40001;  // the shell menu bar's one button

// ---- Flags bits --------------------------------------------------------------------------------
constexpr uint32_t kFlagsDefault = 0xD1140040;
constexpr uint32_t kFlagPinnedDay = 0x00000004;
constexpr uint32_t kFlagMatchCase = 0x00000020;
constexpr uint32_t kFlagScrollBarMask = 0x000000C0;
constexpr uint32_t kFlagKeyPageMask = 0x00700000;
constexpr int kFlagKeyPageShift = 20;
constexpr uint32_t kFlagTapPageMask = 0x07000000;
constexpr int kFlagTapPageShift = 24;
constexpr uint32_t kFlagTapZonesByHeight = 0x10000000;
constexpr uint32_t kFlagTapPaging = 0x80000000;

// Paint flags of the main window: bit 0x1 paints the text view, 0x100 clears its area first.
constexpr UINT kPaintText = 0x1;
constexpr UINT kPaintClearText = 0x100;
constexpr UINT kPaintAll = 0x1FF;

constexpr int kSearchStringSize = 34;  // 33 characters and the zero
constexpr int kFontNameChars = 31;     // FontSpec::faceName holds 31 units and the zero
constexpr int kSearchStringChars = kSearchStringSize - 1;

// The one global record, cleared at start and alive for the whole run.
struct AppState {
    HINSTANCE instance;
    FontSpec fontSpec;      // FontName, FontSize, FontAsciiBase
    uint16_t LastPosition;  // topRow to restore at window creation
    uint32_t Flags;
    DayCode Lesson;     // the lesson on show
    DayNumber Day;      // the current day; 0 before one was selected
    CalendarDate date;  // the Hebrew date of Day
    HFONT captionFont;
    int32_t captionTextWidth;
    int32_t captionLeft, captionTop, captionWidth, captionHeight;
    char caption[kCaptionSize];  // 8-bit date caption, zero-terminated
    int32_t captionLength;       // characters of caption drawn (cut to what fits the box)
    char SearchString[kSearchStringSize];
    TextView* textView;
    int32_t MenuBarOnBottom;
    int32_t barHeight;  // B
    HWND barWindow;
    int32_t SurroundingGutter;  // g
    HWND mainWindow;
    HBITMAP outlineGlyphs[3];  // bitmaps 201 to 203
    uint16_t* bookmarks;       // DayCodes closed by a 0 entry; owned (free()), or null
    uint16_t bookmarkCount;    // entries before the closing 0
    uint16_t bookmarkFlags;    // bit 0x1: remove without asking (this run only)
    int32_t todayRequest;      // the command line was "/today"
};
extern AppState g_app;

// The start-up switches (read once, never written back) and the shell's task bar.
struct StartupSwitches {
    int32_t FullScreen;
    int32_t IgnoreActivate;
    int32_t AllowSipInHebrewSearch;
    HWND taskBar;
    int32_t taskBarWasVisible;
};
extern StartupSwitches g_switches;

// Clears AppState and the switches (start-up step 1; tests between cases).
void ClearAppState();

// ---- Memory guard and registry (settings.cpp) ---------------------------------------------------
// A block of `size` bytes from the program's allocator (AllocBytes), released with free().
// When memory runs out: the message box "There is not enough memory, aborting", SaveAndQuit,
// and null, so the caller abandons what it was doing.
void* AllocOrQuit(size_t size);

// The integer reader: a REG_DWORD as stored; any other type as a UTF-16 string of decimal
// digits (no sign, no check of the characters; the value wraps as an unsigned 32-bit number).
// A missing key or value, or one that cannot be read, gives `fallback`.
int32_t ReadRegistryInteger(const char16_t* key, const char16_t* name, int32_t fallback);
// A settings value (key "Ostrelle\Velin-English") read whole into a new AllocOrQuit block.
// The string reader's block holds twice the stored size, zero beyond the stored bytes, so the
// text always ends inside it. Null when the value is missing or unreadable (or memory ran out).
char16_t* ReadRegistryString(const char16_t* name);
uint8_t* ReadRegistryBinary(const char16_t* name, size_t* size);
// Writers of settings values: 1 on success, 0 on failure (which nobody reports).
int WriteRegistryInteger(const char16_t* name, uint32_t value);
int WriteRegistryString(const char16_t* name, const char16_t* text);  // with its terminator
int WriteRegistryBinaryText(const char16_t* name, const char* text);  // with its zero byte
int WriteRegistryBinary(const char16_t* name, const void* bytes, size_t size);

void LoadSettings();
void SaveAndQuit();

// ---- Bookmarks: the stored list (bookmarks.cpp) -------------------------------------------------
void LoadBookmarks();
void SaveBookmarks();  // writes the list and frees it
bool IsBookmarked();   // whether Lesson is in the list
void RefreshBookmarkCheck();

// ---- Day selection and navigation (day.cpp, navigation.cpp) ------------------------------------
// day is a DayNumber or 0 for today; force 1 ignores a pinned day (and keeps LastPosition).
void SelectDay(DayNumber day, int force);
int IsLeapScheduleYear();
// 0 on success; on failure the answer of the message box.
int ShowDay(HWND window, DayNumber n);
int ShowDayCode(HWND window, DayCode code);
int InitialDisplay(HWND window);

// ---- The main window (main_window.cpp)
// ------------------------------------------------------------
LRESULT MainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// 0 when the command was handled, 1 when it goes to the default handling.
int OnCommand(HWND window, UINT id);
void UpdateScrollBar(HWND window);
// Paints the main window now (window null: the main window) and updates its scroll bar.
void RepaintNow(HWND window, UINT flags);
void PaintMainWindow(HDC dc, UINT flags);
// Layout step 1, at window creation: caption font, caption box and the text rectangle.
void SetUpLayout(HWND window, RECT* textRect);
void SetUpDialog(HWND dialog, DWORD shellFlags);
// Keyboard and tap page sizes from Flags for a page of `page` rows.
int KeyPageSize(int page);
int TapPageSize(int page);

// ---- The menu bar (menu_bar.cpp)
// ------------------------------------------------------------------
void BuildMenuBar();
HMENU GoMenu();

// ---- The later features' entry points (features.cpp)
// ---------------------------------------------
DayNumber OpenCalendar(HINSTANCE instance, HWND owner, DayNumber day, const FontSpec& font);
DayCode OpenIndex(HWND owner, DayCode lesson, const FontSpec& font);
void OpenSearchDialog(HWND owner);
int FindNext(HWND owner);
void ToggleBookmark(HWND owner);
void ShowAboutBox(HWND owner);
void CheckForUpdates(HWND owner);
// 1 when the user chose OK (the FontSpec then holds the new font).
INT_PTR OpenFontDialog(HWND owner, FontSpec* font);
void CopyLessonToClipboard(TextView* view, int append);

// ---- Start-up and the message loop (startup.cpp)
// ---------------------------------------------------- The accelerator table of resource id 3: the
// shortcuts that the menu's labels promise.
struct AppAccelerator {
    bool ctrl;
    bool alt;
    UINT key;
    UINT command;
};
// Turns a key press of the table into WM_COMMAND for `window`; true when it did.
bool TranslateAppAccelerator(HWND window, const MSG* msg);

// Everything from the start-up switches to the end of the message loop. `startPlatform` is
// called once the single-instance check has let this copy start (a copy that hands over
// never opens a screen); it answers false when the screen cannot be had. Returns the exit code.
using StartPlatformFn = bool (*)();
int ReaderMain(HINSTANCE instance, const char16_t* commandLine, int show,
               StartPlatformFn startPlatform);
// The `print state` line of scripts (without "state ").
std::string AppStateLine();
