// platform/shell.h: the shell and system services — opening an address in the browser, the
// soft input panel, the settings-change handling, the platform version, the program file's
// path, the local date and time, the beep and the module instance handle — and the UTF-16 /
// UTF-8 conversions that every service talking to the desktop shares.
//
// The desktop backend installs hooks (the browser, the bell); without them (headless) the
// calls are recorded, so that scripts and tests can see what the program asked for.
// Command-line switches reach this file through setters: --os-version, --date.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

// ---------------------------------------------------------------------------------------------
// Text conversions. Both directions replace what cannot be converted (a lone surrogate, a
// malformed UTF-8 sequence) by U+FFFD, so a conversion never fails and never stops early.

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// Strict form for stored data: false (and `out` untouched) when `text` is not valid UTF-8.
bool DecodeUtf8(std::string_view text, std::u16string* out);

// ---------------------------------------------------------------------------------------------
// Opening an address.

constexpr ULONG SEE_MASK_FLAG_NO_UI = 0x00000400;
// hInstApp after the call: above 32 on success, as the shell reports it.
constexpr uintptr_t SE_ERR_NOASSOC = 31;

struct SHELLEXECUTEINFO {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    LPVOID lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
};
using LPSHELLEXECUTEINFO = SHELLEXECUTEINFO*;

// Opens lpFile with the verb "Open" (any letter case; a null verb means "Open"). The address is
// always remembered for LastOpenedAddress; a web or mail address (http, https, ftp, mailto) is
// then handed to the browser hook. Anything else (a local file, a program) is refused: this
// program opens web pages only, and an address must never start a program.
BOOL ShellExecuteEx(SHELLEXECUTEINFO* info);

// The browser: returns true when the desktop accepted the address (UTF-8).
using OpenUrlHook = bool (*)(const std::string& url);
void SetOpenUrlHook(OpenUrlHook hook);
// The last address given to ShellExecuteEx, as UTF-8; empty when none was.
const std::string& LastOpenedAddress();

// ---------------------------------------------------------------------------------------------
// Soft input panel. A desktop has a keyboard, so the panel never appears; the calls are
// recorded.

using SIPSTATE = int;
constexpr SIPSTATE SIP_UP = 0;
constexpr SIPSTATE SIP_DOWN = 1;
constexpr SIPSTATE SIP_FORCEDOWN = 2;
constexpr SIPSTATE SIP_UNCHANGED = 3;
constexpr SIPSTATE SIP_INPUTDIALOG = 4;
constexpr DWORD SIPF_OFF = 0x00000000;
constexpr DWORD SIPF_ON = 0x00000001;

BOOL SHSipPreference(HWND hwnd, SIPSTATE state);
BOOL SipShowIM(DWORD flags);

struct SipRecord {
    int preferenceCalls;
    HWND preferenceWindow;  // of the last SHSipPreference
    SIPSTATE preference;    // of the last SHSipPreference
    int showCalls;
    DWORD showFlags;  // of the last SipShowIM
};
const SipRecord& SipCalls();
void ResetSipCalls();

// The settings-change handling: the shell resizes a window for the input panel. The panel
// never shows here, so nothing moves; the call only checks its record.
struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
};
BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* info);

// ---------------------------------------------------------------------------------------------
// The platform version: 5.1 unless --os-version asks for another, so that both bar layouts can
// be used.

constexpr DWORD VER_PLATFORM_WIN32_CE = 3;
struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;  // the caller sets it to sizeof(OSVERSIONINFOW)
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
BOOL GetVersionExW(OSVERSIONINFOW* info);
// "X.Y" in decimal, each part at most 65535; false (and the version unchanged) otherwise.
bool SetOsVersion(std::string_view text);

// ---------------------------------------------------------------------------------------------
// The program and its instance.

// The instance handle of the program (there are no other modules).
HINSTANCE GetModuleHandleW(LPCWSTR moduleName);
// The program file's full path (from /proc/self/exe) into `buffer`, always terminated. Returns
// the length without the terminator, or `size` when the path was cut to fit; 0 on failure or
// for a module other than this program.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);

// ---------------------------------------------------------------------------------------------
// The local date and time.

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;      // 1..12
    WORD wDayOfWeek;  // 0 = Sunday
    WORD wDay;        // 1..31
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
// The local clock, or the fixed date (at 12:00:00.000, so that every screen that shows the
// time is the same on every run).
void GetLocalTime(SYSTEMTIME* time);
// "YYYY-MM-DD", a real date of the years 1 to 9999; false (and nothing fixed) otherwise.
bool SetFixedDate(std::string_view text);
void ClearFixedDate();

// ---------------------------------------------------------------------------------------------
// The beep (the type is one of the message-box icon values): the desktop may install a bell;
// without one it is silent.

using BellHook = void (*)(UINT type);
void SetBellHook(BellHook hook);
BOOL MessageBeep(UINT type);
