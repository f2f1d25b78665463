// textview/text_routines.h: how the system measures and draws 8-bit text.
//
// Book text, outline labels, the date caption and the search text are 8-bit strings; the
// platform's text calls take UTF-16. A byte b is shown as the code unit b (0x00 to 0xFF map
// to U+0000 to U+00FF), with no code page in between. Every part of the reader that measures,
// draws or fills goes through these five routines, which convert into one shared, grow-only
// buffer so that measuring and drawing allocate nothing once the longest string has been seen.
//
// The shared buffer's contents are good only until the next call of any routine here. All of
// this runs on the user-interface thread.
#pragma once

#include <cstddef>
#include <memory>

#include "book/book.h"
#include "platform/windows.h"

// Conversion storage: `storage` holds capacity + 1 code units (room for the terminating zero).
struct WidenBuffer {
    char16_t* storage = nullptr;
    size_t capacity = 0;
};

// The one buffer every measuring and drawing call shares. It lives until the program ends.
WidenBuffer* SharedWidenBuffer();

// Converts up to `count` bytes of `text8`, stopping early at a zero byte, and writes a zero code
// unit after the last one converted. The buffer is reused when its capacity is at least `count`,
// otherwise its storage is replaced by storage for count + 1 units. Returns the storage, or null
// when that storage cannot be allocated (the buffer then keeps its old storage).
const char16_t* WidenText(const char* text8, size_t count, WidenBuffer* buffer);

// The same into fresh storage of count + 1 units that the caller owns (the search dialog keeps
// its text this way). Null when the storage cannot be allocated.
using WideText = std::unique_ptr<char16_t[], FreeBytes>;
WideText WidenText(const char* text8, size_t count);

// How many of the first *count characters of text8 fit into *width pixels in the font selected
// into dc. On return *count holds that number and *width their width. When the conversion
// cannot be made, both become 0. The caller never asks for more characters than text8 holds
// before its zero byte.
void MeasureFit(HDC dc, const char* text8, int* width, int* count);

// Draws `count` characters centred, on one line, in the rectangle x, y, x + w, y + h with the
// font, text colour, background colour and background mode of dc. Callers pass as w the
// measured width of the characters, so the text starts at x.
void DrawTextCell(HDC dc, const char* text8, int count, int x, int y, int w, int h);

// DrawTextCell in the given colours; dc's text and background colours are put back after.
void DrawTextCellColored(HDC dc, const char* text8, int count, int x, int y, int w, int h,
                         COLORREF textColor, COLORREF backgroundColor);

// Fills left, top, left + width, top + height with a stock brush (the text view uses
// WHITE_BRUSH).
void FillRectStock(HDC dc, int left, int top, int width, int height, int stockIndex);
