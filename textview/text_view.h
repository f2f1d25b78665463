// textview/text_view.h: the lesson view of the main window.
//
// A TextView owns the lesson on screen (the decompressed record string, see lesson_text.h), lays
// it out into a table of positioned lines for its width and the fonts of each style, paints the
// rows from `topRow` down into the main window's device context (which it uses but does not
// own), keeps the scroll position, overlays a search hit and draws the search caption box.
//
// Vertical positions are rows: every line takes one row, and a line whose style has the gap bit
// takes a second, blank one. Offsets, rows and line geometry are 16-bit, so a lesson must stay
// below 65536 bytes; a longer one is refused.
//
// Every operation takes the view first and answers -1 when it is missing. Nothing here throws;
// memory comes from AllocBytes, so tests can make it fail. One user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "book/book.h"
#include "platform/windows.h"
#include "textview/lesson_text.h"
#include "textview/text_routines.h"

// The reading font: the setting stored as FontName, FontSize and FontAsciiBase.
struct FontSpec {
    char16_t faceName[32] = {};  // zero-terminated; empty means the platform's default face
    int32_t size = 0;            // lfHeight in pixels; 0 means the platform's default height
    int32_t letterBase = 97;     // first letter of the font dialog's preview; not used to draw
};

// One font per font key (style & 0x1F) met so far, in a list whose head is in the view.
struct FontCacheEntry {
    FontCacheEntry* next = nullptr;
    HFONT font = nullptr;
    uint8_t key = 0;
};

// One laid-out line. The entry after the last line is all zero (style 0 ends the table).
struct LineEntry {
    uint16_t start;       // offset of the line's first byte (of the label, on a labelled line)
    uint16_t length;      // characters of the body; a label and the spaces after it not counted
    uint16_t x;           // left edge of the body, window coordinates
    uint16_t labelWidth;  // width of the label column; only on a labelled paragraph's first line
    uint16_t width;       // measured width of the body; a rule's length
    uint16_t height;      // tmHeight of the line's font
    uint8_t style;        // the record's style byte; the gap bit only on its last line
};

// Statuses. SetText and Resize answer 16-bit values (0xFFFC and 0xFFFE are -4 and -2 as stored
// in 16 bits); -1, for a missing view, is a full integer.
constexpr int kViewMissing = -1;
constexpr int kLayoutDone = 0;
constexpr int kLayoutNoText = 2;
constexpr int kLayoutRefused = 0xFFFC;
constexpr int kLayoutNoMemory = 0xFFFE;
constexpr int kBadSize = -5;
constexpr int kScrollUnchanged = 1;     // refused, or nothing changed
constexpr int kScrollMovedQuietly = 3;  // moved, not repainted

// Flag of SelectStyleFont: also set the text colour for the key (blue for large bold).
constexpr int kStyleSetColour = 0x100;

enum class PaintBackground { kKeep, kClear };
enum class ScrollRepaint { kNo, kYes };
enum class ScrollClamp { kNo, kYes };
enum class DestroyView { kKeepObject, kFreeObject };

struct TextView {
    LineEntry* lines = nullptr;  // capacity + 1 entries, owned
    HDC dc = nullptr;            // the main window's context, not owned
    ByteBuffer text;             // the laid-out lesson, owned
    size_t textLength = 0;       // bytes of `text` that belong to the lesson
    int32_t rowsPainted = 0;     // rows covered by the last paint: the main window's page size
    FontSpec font;
    FontCacheEntry* fonts = nullptr;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint16_t topRow = 0;
    uint16_t totalRows = 0;
    uint16_t lineCount = 0;
    uint16_t capacity = 0;
    uint16_t lastTopRow = 0;  // the top row at which the end of the lesson is in view
    uint16_t highlightStart = 0, highlightEnd = 0;  // the search hit; both 0: none

    // A new view, all zero but for dc, the font and the rectangle (left, top, right, bottom;
    // none leaves it empty), with a table of initialCapacity lines when that is above 0 (the
    // view is still returned when that table cannot be had). Null when dc is null or there is
    // no memory. Destroy it with Destroy(view, DestroyView::kFreeObject).
    static TextView* Create(HDC dc, const RECT* rect, const FontSpec& spec, int initialCapacity);
    // Frees the text and the line table and releases the fonts; with kFreeObject frees the view.
    static void Destroy(TextView* view, DestroyView how);

    // Lays out a new lesson of `length` bytes (the buffer may hold zero bytes after it; nothing
    // past `length` is read) and takes it over, releasing the previous one. A null text releases
    // the previous text and answers kLayoutNoText. A refused lesson (see LessonIsAcceptable, or
    // 65536 bytes or more) answers kLayoutRefused and changes nothing: the old lesson, its lines
    // and its counters stay. The highlight is cleared; topRow is left for the paint to clamp.
    static int SetText(TextView* view, ByteBuffer text, size_t length);
    // Lays the current lesson out again (after a change of size or font): kLayoutNoText without
    // one.
    static int SetText(TextView* view);
    static int Resize(TextView* view, int width, int height);
    // Grows the table by 128 lines; 0, or -2 (the table stays terminated at `index`).
    static int GrowLines(TextView* view, int index);
    // The scroll limit for the current lines and height; -1 (limit unchanged) without lines.
    static int ComputeLastTopRow(TextView* view);

    // Fonts per style: see text_view.cpp for the heights.
    static void CreateStyleFont(TextView* view, FontCacheEntry* entry);
    static HFONT AddStyleFont(TextView* view, int key);
    // Selects the font for style & 0x1F (with kStyleSetColour, sets the text colour first) and
    // returns the font selected before.
    static HFONT SelectStyleFont(TextView* view, int style);
    // A new reading font: every font is rebuilt, the lesson laid out again and repainted. Null
    // releases every font (the view is being destroyed).
    static int SetFont(TextView* view, const FontSpec* spec);

    static int Paint(TextView* view, PaintBackground background);
    static int PaintHighlight(TextView* view);
    static void PaintHighlightSegment(TextView* view, const char* segment, int length, int x,
                                      int y);
    static int ScrollBy(TextView* view, int delta, ScrollRepaint repaint, ScrollClamp clamp);
    // Makes the line holding `offset` the top one (no lower than lastTopRow): 1, or 0 when no
    // line holds it.
    static int ScrollToOffset(TextView* view, int offset);
    static void DrawSearchCaption(TextView* view);

    // The lesson as plain text on the clipboard, replacing its text (append 0) or after it
    // (append 1); see clipboard_export.h. Nothing happens without a lesson.
    static int CopyToClipboard(TextView* view, int append);
};

// The title (a first record of style exactly 0xCC) and the heading (a record of style exactly
// 0xC1, first or right after the title) of a lesson; lengths are 0 when absent.
struct TitleAndHeading {
    const char* title = nullptr;
    int titleLength = 0;
    const char* heading = nullptr;
    int headingLength = 0;
};
TitleAndHeading FindTitleAndHeading(std::span<const uint8_t> lesson);

// Draws `count` nested one-pixel outlines in `colour`, moving r one pixel inwards on every side
// each time; r is left where the last outline ended.
void DrawFrame(HDC dc, RECT* r, COLORREF colour, int count);
