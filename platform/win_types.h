// platform/: our own subset of the handheld's services (windows, messages, drawing, fonts,
// registry, resources, clipboard, shell), written from what the reader's code expects of
// them. This header holds the scalar types and handles every other platform header shares.
// Text is UTF-16 (WCHAR is 16 bits, as on the handheld), so string literals are u"...".
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using UINT = uint32_t;
using INT = int32_t;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
using INT_PTR = intptr_t;
using ATOM = WORD;
using COLORREF = DWORD;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Handles are pointers to distinct incomplete types, so that one kind cannot be passed for
// another by mistake.
#define VELIN_DECLARE_HANDLE(name) \
    struct name##__;               \
    using name = name##__*
VELIN_DECLARE_HANDLE(HWND);
VELIN_DECLARE_HANDLE(HINSTANCE);
VELIN_DECLARE_HANDLE(HDC);
VELIN_DECLARE_HANDLE(HGDIOBJ_);
VELIN_DECLARE_HANDLE(HFONT);
VELIN_DECLARE_HANDLE(HBRUSH);
VELIN_DECLARE_HANDLE(HPEN);
VELIN_DECLARE_HANDLE(HBITMAP);
VELIN_DECLARE_HANDLE(HMENU);
VELIN_DECLARE_HANDLE(HICON);
VELIN_DECLARE_HANDLE(HCURSOR);
VELIN_DECLARE_HANDLE(HKEY);
VELIN_DECLARE_HANDLE(HRSRC);
VELIN_DECLARE_HANDLE(HACCEL);
#undef VELIN_DECLARE_HANDLE
using HGDIOBJ = void*;
using HANDLE = void*;
using HGLOBAL = void*;
using HLOCAL = void*;
using HMODULE = HINSTANCE;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LONG MAKELONG(WORD lo, WORD hi) {
    return static_cast<LONG>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
// Integer resource ids travel in LPCWSTR arguments.
inline LPCWSTR MAKEINTRESOURCEW(uintptr_t id) { return reinterpret_cast<LPCWSTR>(id & 0xFFFF); }
inline bool IS_INTRESOURCE(LPCWSTR p) { return (reinterpret_cast<uintptr_t>(p) >> 16) == 0; }

struct POINT {
    LONG x;
    LONG y;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
