#include "textview/text_routines.h"

#include <cstdlib>

namespace {

constexpr UINT kCellFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;  // 0x825

// Widens up to count bytes into out (which has room for count + 1 units); returns how many.
size_t Widen(const char* text8, size_t count, char16_t* out) {
    size_t i = 0;
    for (; i < count && text8[i] != 0; ++i) out[i] = static_cast<unsigned char>(text8[i]);
    out[i] = 0;
    return i;
}

// Into the shared buffer; *length is the number converted (fewer than asked at a zero byte, so
// the platform never reads units that were not written).
const char16_t* WidenShared(const char* text8, int count, int* length) {
    *length = 0;
    if (count < 0) count = 0;
    WidenBuffer* buffer = SharedWidenBuffer();
    const char16_t* wide = WidenText(text8, static_cast<size_t>(count), buffer);
    if (!wide) return nullptr;
    while (*length < count && wide[*length] != 0) ++*length;
    return wide;
}

}  // namespace

WidenBuffer* SharedWidenBuffer() {
    static WidenBuffer shared;
    return &shared;
}

const char16_t* WidenText(const char* text8, size_t count, WidenBuffer* buffer) {
    if (!buffer->storage || buffer->capacity < count) {
        auto* storage = static_cast<char16_t*>(AllocBytes((count + 1) * sizeof(char16_t)));
        if (!storage) return nullptr;
        std::free(buffer->storage);
        buffer->storage = storage;
        buffer->capacity = count;
    }
    Widen(text8, count, buffer->storage);
    return buffer->storage;
}

WideText WidenText(const char* text8, size_t count) {
    WideText out(static_cast<char16_t*>(AllocBytes((count + 1) * sizeof(char16_t))));
    if (out) Widen(text8, count, out.get());
    return out;
}

void MeasureFit(HDC dc, const char* text8, int* width, int* count) {
    int asked = 0;
    const char16_t* wide = WidenShared(text8, *count, &asked);
    int fit = 0;
    SIZE size{0, 0};
    if (wide && asked > 0) {
        GetTextExtentExPointW(dc, wide, asked, *width, &fit, nullptr, &size);
        // Measured again for just the characters that fit: the first call's size is that of
        // the whole string.
        size = SIZE{0, 0};
        if (fit > 0) GetTextExtentExPointW(dc, wide, fit, *width, nullptr, nullptr, &size);
    }
    *count = fit;
    *width = fit > 0 ? size.cx : 0;
}

void DrawTextCell(HDC dc, const char* text8, int count, int x, int y, int w, int h) {
    int length = 0;
    const char16_t* wide = WidenShared(text8, count, &length);
    if (!wide) return;
    RECT r{x, y, x + w, y + h};
    DrawTextW(dc, wide, length, &r, kCellFormat);
}

void DrawTextCellColored(HDC dc, const char* text8, int count, int x, int y, int w, int h,
                         COLORREF textColor, COLORREF backgroundColor) {
    const COLORREF oldText = SetTextColor(dc, textColor);
    const COLORREF oldBackground = SetBkColor(dc, backgroundColor);
    DrawTextCell(dc, text8, count, x, y, w, h);
    SetBkColor(dc, oldBackground);
    SetTextColor(dc, oldText);
}

void FillRectStock(HDC dc, int left, int top, int width, int height, int stockIndex) {
    RECT r{left, top, left + width, top + height};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(stockIndex)));
}
