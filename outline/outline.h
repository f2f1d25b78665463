// outline/outline.h: the Index — the outline view and the dialog that shows it.
//
// The OutlineView is an owner-drawn tree list that draws onto a device context it is given
// (it is not a window): it lays outline data (outline_data.h) out as rows with word wrap and
// 13 pixels of indent per level, remembers which items are shown and which branches are
// expanded, draws the shown rows with a 9 x 9 glyph in front of each item, scrolls by whole
// rows and turns a tap into a chosen lesson (its DayCode) or the toggling of a branch. An item
// is one record as laid out: one or more consecutive rows with the same key; its visible and
// expanded bits are the same on all of its rows.
//
// The Index dialog fills the screen with a view of the book's table of contents, the
// "Bookmarks" branch in front, and ends with the DayCode of a tapped lesson (or 0).
//
// Every operation takes the view first and does nothing without one. The view owns its data,
// row table and fonts; the device context and the glyph bitmaps are lent. One UI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "outline/outline_data.h"
#include "platform/windows.h"
#include "textview/text_view.h"

struct OutlineRow {
    uint16_t textOffset;  // of the row's first character, from the start of the data
    uint16_t length;      // characters in the row
    uint16_t x;           // left edge of the text: rect left plus the indent
    uint16_t width;       // measured width of the text
    uint16_t height;      // cell height of the row's font
    uint16_t key;         // of the record the row belongs to
    uint8_t state;        // the record's style, then: 0x80 visible, 0x40 expanded; 0 ends the table
};

// Build statuses, as 16-bit values.
constexpr int kOutlineBuilt = 0;
constexpr int kOutlineNoData = 2;
constexpr int kOutlineEmpty = 0xFFFC;
constexpr int kOutlineNoMemory = 0xFFFE;
constexpr int kOutlineMissing = -1;
// The hit test's code for a point below the last drawn row.
constexpr int32_t kOutlineNoRow = INT32_MIN;
constexpr int kOutlineIndent = 13;  // per level; the glyph sits in the 13 pixels left of the text
constexpr int kGlyphSize = 9;

enum class OutlineReplace { kKeep, kReplace };
enum class OutlineErase { kNo, kYes };
enum class OutlineFree { kKeepObject, kFreeObject };

// A save-expansion list: (key, expanded bit as 0 or 0x40) pairs closed by one zero.
using ExpansionList = std::unique_ptr<uint16_t[], FreeBytes>;

struct OutlineView {
    OutlineRow* rows = nullptr;  // capacity + 1 rows, owned
    HDC dc = nullptr;            // not owned
    OutlineData data;            // owned
    int32_t drawnRows = 0;       // rows drawn by the last paint: the dialog's page size
    FontSpec fontRecord;
    FontCacheEntry* fontCache = nullptr;  // owned, newest first
    struct {
        int32_t left, top, width, height;
    } rect = {};       // the view's area in dc coordinates
    uint16_t top = 0;  // visible rows above the first drawn one
    uint16_t visibleRows = 0;
    uint16_t rowCount = 0;
    uint16_t capacity = 0;
    uint16_t maxTop = 0;
    const HBITMAP* glyphs = nullptr;  // 201 collapsed, 202 expanded, 203 page; lent

    // rect: left, top, right, bottom. Null without a device context or memory.
    static OutlineView* Create(HDC dc, const RECT& rect, const FontSpec& font, int capacity,
                               const HBITMAP* glyphs);
    // Takes `data` when it is laid out (or when laying it out ran out of memory); returns a
    // build status. No data: kOutlineNoData, and with kReplace the held data is dropped.
    static int Build(OutlineView* view, OutlineData data, OutlineReplace replace);
    static int Resize(OutlineView* view, int width, int height);
    static void Reveal(OutlineView* view, uint16_t dayCode);
    static ExpansionList SaveExpansion(OutlineView* view);
    static int RestoreExpansion(OutlineView* view, const uint16_t* list);
    static int Paint(OutlineView* view, OutlineErase erase);
    static void Scroll(OutlineView* view, int delta);
    // A DayCode (> 0), 0 for nothing, a negative value after a toggle (already repainted), or
    // kOutlineNoRow.
    static int32_t HitTest(OutlineView* view, int x, int y);
    static int32_t Toggle(OutlineView* view, int row);
    static void Destroy(OutlineView* view, OutlineFree how);

    // Internals the operations share (public for the tests and the fuzzer).
    static void ComputeMaxTop(OutlineView* view);
    static int FirstDrawnRow(const OutlineView* view);
    static HFONT SelectFont(OutlineView* view, int style, bool colour);
};

// The guarded allocation for views, rows, fonts and expansion lists (the reader's shuts the
// program down in order when memory runs out); AllocBytes until set.
void SetOutlineAllocator(void* (*alloc)(size_t size));

// What the Index dialog needs of the reader.
struct IndexHost {
    std::span<const uint16_t> bookmarks;
    const HBITMAP* glyphs = nullptr;  // three
    void (*setUpDialog)(HWND dialog, DWORD shellFlags) = nullptr;
    HWND taskBar = nullptr;  // hidden on activation in full-screen mode
    bool fullScreen = false;
};

constexpr int kIndexDialogId = 118;
// Runs the Index modally; the chosen DayCode, the one passed in after OK, 0 after Cancel.
uint16_t OpenIndexDialog(HINSTANCE instance, HWND owner, uint16_t lesson, const FontSpec& font,
                         const IndexHost& host);
INT_PTR IndexDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
