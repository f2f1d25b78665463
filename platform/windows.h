// platform/windows.h: the services the reader's code calls, under the handheld's own names.
//
// One emulated device screen (240 x 320 by default) with the shell's task bar at the top;
// top-level windows on it in z-order, child windows inside them, one message queue, and a
// 32-bit software framebuffer that every device context draws into, clipped to its window.
// Fonts come from FreeType through fontconfig, plus the built-in box face "Velin Test" whose
// metrics are the same on every machine. Two backends show the screen: the desktop one (an
// SDL window, scaled by a whole factor) and the headless one (no display; a script is the
// input and screenshots are PNG files).
//
// A program starts the layer with StartPlatform() after ParsePlatformOptions(), then uses the
// calls below exactly as on the handheld. Everything runs on one thread.
// The registry, resources, clipboard and shell services have headers of their own, included
// here so that the system's code includes this one header.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/clipboard.h"
#include "platform/shell.h"

// ---- Window classes and windows ---------------------------------------------------------
ATOM RegisterClassW(const WNDCLASSW* wc);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance,
                     LPVOID param);
inline HWND CreateWindowW(LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                          int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    return CreateWindowExW(0, className, title, style, x, y, width, height, parent, menu, instance,
                           param);
}
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND FindWindowW(LPCWSTR className, LPCWSTR title);
HWND GetParent(HWND hwnd);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetDesktopWindow();
BOOL IsChild(HWND parent, HWND hwnd);
int GetClassNameW(HWND hwnd, LPWSTR buffer, int capacity);
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity);
int GetWindowTextLengthW(HWND hwnd);
LONG GetWindowLongW(HWND hwnd, int index);
LONG SetWindowLongW(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int GetDlgCtrlID(HWND hwnd);

BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindowVisible(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL UpdateWindow(HWND hwnd);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL BringWindowToTop(HWND hwnd);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
HWND WindowFromPoint(POINT point);
HWND ChildWindowFromPoint(HWND parent, POINT point);

// ---- Focus, activation, capture ------------------------------------------------------------
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hwnd);
HWND GetFocus();
HWND SetFocus(HWND hwnd);
HWND GetCapture();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
short GetKeyState(int virtualKey);
short GetAsyncKeyState(int virtualKey);

// ---- Messages ----------------------------------------------------------------------------------
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
DWORD GetMessagePos();
LONG GetMessageTime();
// Accelerator tables are never part of the program's resources; the calls exist so that the
// message loop reads as on the handheld.
HACCEL LoadAcceleratorsW(HINSTANCE instance, LPCWSTR name);
int TranslateAcceleratorW(HWND hwnd, HACCEL table, MSG* msg);

// ---- Painting ----------------------------------------------------------------------------------
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
BOOL RedrawWindow(HWND hwnd, const RECT* rect, void* region, UINT flags);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// A window's context is its own: GetDC returns the same one each time and it keeps its font,
// colours and selected objects; ReleaseDC leaves them as they are.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);

// ---- The window's scroll bar (non-client area) ---------------------------------------------------
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);

// ---- The shell's task bar ------------------------------------------------------------------------
BOOL SHFullScreen(HWND hwnd, DWORD state);

// ---- Drawing -------------------------------------------------------------------------------------
HGDIOBJ GetStockObject(int index);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH GetSysColorBrush(int index);
DWORD GetSysColor(int index);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL Polygon(HDC hdc, const POINT* points, int count);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// The program's bitmap resources (a new bitmap each call; DeleteObject frees it).
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
// A bitmap of width x height pixels: bitsPerPixel 1 (rows padded to 16 bits, a set bit is
// the background colour when blitted onto a colour surface) or 32 (0x00RRGGBB per pixel).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
int GetDeviceCaps(HDC hdc, int index);
int GetSystemMetrics(int index);

// ---- Text and fonts ------------------------------------------------------------------------------
HFONT CreateFontIndirectW(const LOGFONTW* logFont);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics);
BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, int* fit, int* extents,
                           SIZE* size);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size);
int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format);
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const int* dx);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
int EnumFontFamiliesW(HDC hdc, LPCWSTR family, FONTENUMPROCW proc, LPARAM param);

// ---- Rectangles --------------------------------------------------------------------------------
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL IsRectEmpty(const RECT* rect);
BOOL PtInRect(const RECT* rect, POINT point);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* out, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);

// ---- Starting and driving the layer ---------------------------------------------------------------
namespace velin::platform {

// The layer's own switches, taken out of the command line before the program reads the rest.
struct PlatformOptions {
    int screenWidth = 240;
    int screenHeight = 320;
    int scale = 0;  // 0: the largest whole factor that fits the display
    bool headless = false;
    std::string scriptPath;  // empty: no script ("-" reads standard input)
};

enum class OptionsStatus { kOk, kError };

// Removes --screen WxH, --scale N, --headless and --script FILE from argv (argc shrinks).
// On an error, *error names the switch and its bad value.
OptionsStatus ParsePlatformOptions(int& argc, char** argv, PlatformOptions* options,
                                   std::string* error);

// Whether a desktop display is there to open a window on (DISPLAY or WAYLAND_DISPLAY).
bool DesktopAvailable();

enum class StartStatus { kOk, kNoDisplay, kBadScript };
// Creates the screen, the task bar and the backend: headless when asked or when there is no
// display. A script, if any, is read and checked here; a bad line is reported on standard
// error with its line number and gives kBadScript.
StartStatus StartPlatform(const PlatformOptions& options);
// Destroys every window left, closes the backend and the single-instance rendezvous.
void StopPlatform();

// The program's answer to the script command `print state`: the text after "state ".
// The layer prints "state " and a line end around it.
using StateHook = std::string (*)();
void SetStateHook(StateHook hook);
// The window that the script's `command` and `quit` address. By default the first
// top-level window the program created.
void SetScriptMainWindow(HWND hwnd);
// Other topics of `print` (for example `messagebox`) come from whichever service owns them.
using PrintHook = std::string (*)();
void SetPrintHook(std::string_view topic, PrintHook hook);

// Quotes a value of a `print` line: in double quotes, with \" and \\ escaped, when it holds a
// space or a quote; as it is otherwise.
std::string QuoteScriptValue(std::string_view value);

// The face that an empty face name means. By default the system's sans face; the variable
// VELIN_DEFAULT_FONT or this call replace it (tests use "Velin Test").
void SetDefaultFaceName(std::u16string_view face);

// Writes the screen as a PNG file; false when the file cannot be written.
bool SaveScreenshot(const std::string& path);

}  // namespace velin::platform
#include "platform/dialogs.h"  // dialogs, controls, menus, bars, message boxes
