// platform/resources.h: the program's resources. Raw-data (RT_RCDATA) resources come from the
// installed book (the built-in one or --book FILE) and from the program's own table, which
// also holds the strings, the icon and the bitmaps. The bitmaps are drawn as text pixel art in
// resources/ui/ and turned into pixels by the compiler, which rejects a damaged picture.
//
// A resource handle names a resource; it does not hold its bytes. LoadResource finds them
// again each time, so replacing the installed book never leaves a handle pointing at the old
// one's memory.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)

// `module` is the program's instance or null. Only integer ids exist; only RT_RCDATA is found
// this way (bitmaps, strings and icons have their own calls below).
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
// The resource's bytes (LockResource returns the same pointer); null when it cannot be
// loaded. Valid while the book that holds it stays installed.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);

// Copies string `id` into `buffer` (at most size - 1 units, then a zero) and returns its
// length; 0 when there is no such string. With `size` 0, stores a pointer to the read-only
// string itself (not terminated) in *(LPCWSTR*)buffer instead.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);

// A bitmap or icon: `width` x `height` pixels, rows from the top, each pixel 0xAARRGGBB.
// A monochrome bitmap holds only black (0xFF000000) and white (0xFFFFFFFF) pixels; drawn onto
// a colour surface its black pixels take the text colour and its white ones the background
// colour. Pictures are opaque, except the icon, whose outside has alpha 0.
struct BitmapData {
    int width;
    int height;
    bool monochrome;
    const uint32_t* pixels;
};
// The bitmaps: 113 (the About picture), 114 (the tool-button strip: seven 16 x 16 images side
// by side on the button face colour 0xC0C0C0), 201 to 203 (the outline glyphs). Null for any
// other id. LoadBitmapW wraps these.
const BitmapData* FindBitmapResource(int id);

// Icon 101, the program's icon (32 x 32). The handle stands for the BitmapData; it is shared
// and never destroyed.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
const BitmapData* IconBitmap(HICON icon);
