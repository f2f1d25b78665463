#include "textview/text_view.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kGrowStep = 128;
// Offsets and line counts are 16-bit: a lesson must end before offset 65536, and the table
// cannot hold more than 65535 lines plus its end entry.
constexpr size_t kMaxLessonLength = 0xFFFF;
constexpr int kMaxCapacity = 0xFFFF;

constexpr uint8_t kStyleFontSmall = 0x02;
constexpr uint8_t kStyleFontLarge = 0x04;
constexpr uint8_t kStyleFontBold = 0x08;
constexpr uint8_t kAlignRight = 0x20;
constexpr uint8_t kAlignCentre = 0x40;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kCaptionStyle = 0x102;  // small font, black text

bool HasGap(uint8_t style) { return (style & kStyleGap) != 0; }
int RowsOf(const LineEntry& e) { return HasGap(e.style) ? 2 : 1; }

const char* Chars(const TextView* view) { return reinterpret_cast<const char*>(view->text.get()); }

// The label of a labelled line: the word at `start` and the run of spaces after it, never past
// the lesson. Unlabelled lines have neither.
struct LabelSpan {
    int word = 0;
    int spaces = 0;
};
LabelSpan LabelAt(const TextView* view, const LineEntry& e) {
    LabelSpan s;
    if (e.labelWidth == 0) return s;
    const uint8_t* t = view->text.get();
    size_t i = e.start;
    while (i < view->textLength && t[i] != 0 && t[i] != ' ') ++i, ++s.word;
    while (i < view->textLength && t[i] == ' ') ++i, ++s.spaces;
    return s;
}

// The offset just past the line's last character: a labelled line's body comes after its label.
int LineEnd(const TextView* view, const LineEntry& e) {
    const LabelSpan label = LabelAt(view, e);
    return e.start + label.word + label.spaces + e.length;
}

// x is stored in 16 bits; a line pushed out of the view on the left starts at its edge.
uint16_t ClampX(int x) { return static_cast<uint16_t>(std::clamp(x, 0, 0xFFFF)); }

int LineHeight(HDC dc) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return tm.tmHeight;
}

// Where painting starts: the first visible entry, and y and the height left below it. A topRow
// past the end is first brought back to lastTopRow.
struct FirstVisible {
    int index = 0;
    int y = 0;
    int remaining = 0;
};
FirstVisible FindFirstVisible(TextView* view) {
    if (view->topRow > view->totalRows) view->topRow = view->lastTopRow;
    FirstVisible f;
    int row = 0;
    while (view->lines[f.index].style != 0 && row < view->topRow) {
        row += RowsOf(view->lines[f.index]);
        ++f.index;
    }
    f.y = view->top;
    f.remaining = view->height;
    if (row > view->topRow) {
        // topRow is the gap row of the entry before: the view begins with that blank row.
        const int h = view->lines[f.index - 1].height;
        f.y += h;
        f.remaining -= h;
    }
    return f;
}

// The style whose font paint and the overlay start with: rules (and the end entry) have no font
// of their own, so they start with the ordinary one.
int StartStyle(const LineEntry& e) { return (e.style == 0 || IsRuleStyle(e.style)) ? 1 : e.style; }

}  // namespace

// ---- Creation and destruction -----------------------------------------------------------------

TextView* TextView::Create(HDC dc, const RECT* rect, const FontSpec& spec, int initialCapacity) {
    if (!dc) return nullptr;
    void* memory = AllocBytes(sizeof(TextView));
    if (!memory) return nullptr;
    auto* view = new (memory) TextView();
    view->dc = dc;
    view->font = spec;
    if (rect) {
        view->left = rect->left;
        view->top = rect->top;
        view->width = rect->right - rect->left;
        view->height = rect->bottom - rect->top;
    }
    if (initialCapacity > 0) {
        const int capacity = std::min(initialCapacity, kMaxCapacity);
        auto* lines = static_cast<LineEntry*>(
            AllocBytes((static_cast<size_t>(capacity) + 1) * sizeof(LineEntry)));
        if (lines) {
            lines[0] = LineEntry{};
            view->lines = lines;
            view->capacity = static_cast<uint16_t>(capacity);
        }
    }
    return view;
}

void TextView::Destroy(TextView* view, DestroyView how) {
    if (!view) return;
    view->text.reset();
    view->textLength = 0;
    std::free(view->lines);
    view->lines = nullptr;
    view->capacity = 0;
    view->lineCount = 0;
    SetFont(view, nullptr);
    // The entries go too: releasing their fonts alone would leave the list behind.
    for (FontCacheEntry* e = view->fonts; e;) {
        FontCacheEntry* next = e->next;
        std::free(e);
        e = next;
    }
    view->fonts = nullptr;
    if (how == DestroyView::kFreeObject) {
        view->~TextView();
        std::free(view);
    }
}

// ---- Fonts per style ----------------------------------------------------------------------------

void TextView::CreateStyleFont(TextView* view, FontCacheEntry* entry) {
    LOGFONTW lf{};
    static_assert(sizeof lf.lfFaceName == sizeof view->font.faceName);
    std::memcpy(lf.lfFaceName, view->font.faceName, sizeof lf.lfFaceName);
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    const int size = view->font.size;
    if (entry->key & kStyleFontLarge) {
        lf.lfHeight = size ? size * 5 / 4 : 20;
    } else if (entry->key & kStyleFontSmall) {
        lf.lfHeight = size ? size * 6 / 8 : 14;
    } else {
        lf.lfHeight = size;
    }
    lf.lfWeight = (entry->key & kStyleFontBold) ? FW_BOLD : FW_NORMAL;
    entry->font = CreateFontIndirectW(&lf);
}

HFONT TextView::AddStyleFont(TextView* view, int key) {
    auto* entry = static_cast<FontCacheEntry*>(AllocBytes(sizeof(FontCacheEntry)));
    if (!entry) return nullptr;
    *entry = FontCacheEntry{view->fonts, nullptr, static_cast<uint8_t>(key & kStyleFontKeyMask)};
    view->fonts = entry;
    CreateStyleFont(view, entry);
    return entry->font;
}

HFONT TextView::SelectStyleFont(TextView* view, int style) {
    const int key = style & kStyleFontKeyMask;
    HFONT font = nullptr;
    for (FontCacheEntry* e = view->fonts; e; e = e->next) {
        if (e->key == key) {
            font = e->font;
            break;
        }
    }
    if (!font) font = AddStyleFont(view, key);
    // Every key needs a font: without memory for an entry (or a font), draw in the system one.
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (style & kStyleSetColour) {
        const bool blue =
            (key & (kStyleFontLarge | kStyleFontBold)) == (kStyleFontLarge | kStyleFontBold);
        SetTextColor(view->dc, blue ? kBlue : kBlack);
    }
    return static_cast<HFONT>(SelectObject(view->dc, font));
}

int TextView::SetFont(TextView* view, const FontSpec* spec) {
    if (!view) return kViewMissing;
    if (!spec) {
        for (FontCacheEntry* e = view->fonts; e; e = e->next) {
            if (e->font) DeleteObject(e->font);
            e->font = nullptr;
        }
        return 0;
    }
    view->font = *spec;
    for (FontCacheEntry* e = view->fonts; e; e = e->next) {
        // The old font may still be selected into the context; the new one replaces it there
        // at the next selection, so nothing draws with a deleted font.
        if (e->font) DeleteObject(e->font);
        e->font = nullptr;
        CreateStyleFont(view, e);
    }
    if (SetText(view) != kLayoutDone) return 1;
    return Paint(view, PaintBackground::kClear);
}

// ---- Layout -------------------------------------------------------------------------------------

int TextView::GrowLines(TextView* view, int index) {
    const int capacity = std::min(view->capacity + kGrowStep, kMaxCapacity);
    LineEntry* lines = capacity > view->capacity
                           ? static_cast<LineEntry*>(AllocBytes(
                                 (static_cast<size_t>(capacity) + 1) * sizeof(LineEntry)))
                           : nullptr;
    if (!lines) {
        view->lines[index] = LineEntry{};
        return -2;
    }
    std::memcpy(lines, view->lines, view->capacity * sizeof(LineEntry));
    std::free(view->lines);
    view->lines = lines;
    view->capacity = static_cast<uint16_t>(capacity);
    return 0;
}

int TextView::ComputeLastTopRow(TextView* view) {
    if (!view || !view->lines || view->totalRows == 0 || view->lineCount == 0) return -1;
    int remaining = view->height;
    int rows = 0;
    for (int i = view->lineCount - 1; i >= 0; --i) {
        const LineEntry& e = view->lines[i];
        if (remaining < e.height) break;
        remaining -= e.height;
        if (HasGap(e.style)) {
            remaining -= e.height;
            ++rows;
        }
        ++rows;
    }
    // The last row taken was a gap row that did not fit whole: it does not count.
    if (remaining < 0) --rows;
    view->lastTopRow = static_cast<uint16_t>(view->totalRows - rows);
    return view->lastTopRow;
}

int TextView::SetText(TextView* view, ByteBuffer text, size_t length) {
    if (!view) return kViewMissing;
    if (!text) {
        view->lastTopRow = view->highlightStart = view->highlightEnd = view->totalRows = 0;
        view->text.reset();
        view->textLength = 0;
        return kLayoutNoText;
    }
    // A refused lesson leaves the view as it was: clearing the counters while the old lines
    // stay on screen would leave a lesson that cannot be scrolled.
    if (length > kMaxLessonLength || !LessonIsAcceptable({text.get(), length})) {
        return kLayoutRefused;
    }
    view->text = std::move(text);
    view->textLength = length;
    return SetText(view);
}

int TextView::SetText(TextView* view) {
    if (!view) return kViewMissing;
    view->lastTopRow = view->highlightEnd = view->totalRows = view->highlightStart = 0;
    if (!view->text) return kLayoutNoText;
    const std::span<const uint8_t> lesson(view->text.get(), view->textLength);
    if (!LessonIsAcceptable(lesson)) return kLayoutRefused;
    if (!view->lines || view->capacity == 0) {
        std::free(view->lines);
        view->lines = static_cast<LineEntry*>(AllocBytes((kGrowStep + 1) * sizeof(LineEntry)));
        if (!view->lines) {
            view->capacity = 0;
            view->lineCount = 0;
            return kLayoutNoMemory;
        }
        view->lines[0] = LineEntry{};
        view->capacity = kGrowStep;
    }

    HDC dc = view->dc;
    const HFONT kept = SelectStyleFont(view, 1);
    int lineHeight = LineHeight(dc);
    uint8_t currentStyle = 1;
    uint16_t indent = 0;  // the running indent; 16-bit, as a continuation may move it back
    uint8_t previousParam = 0;
    int index = 0;
    // Rows are counted wide and checked on the way out: one row per line plus the gap rows.
    int gapRows = 0;
    int status = kLayoutDone;
    const int width = view->width;

    LessonRecordWalker walker(lesson);
    LessonRecord record;
    while (status == kLayoutDone && walker.Next(&record)) {
        const uint8_t style = record.style;
        const uint8_t param = record.parameter;
        const std::string_view t = record.text;
        const size_t textOffset = std::min(record.offset + 2, view->textLength);
        int labelClass = param >> 6;
        if (labelClass != 0 && !t.empty() && t[0] == ' ' && index > 0) {
            // A continuation: no label of its own; its body lines up with the note before it,
            // moved by the difference of the two records' indents.
            if ((param ^ previousParam) & kParamIndentMask) {
                indent = static_cast<uint16_t>(indent + (param & kParamIndentMask) -
                                               (previousParam & kParamIndentMask));
            }
            labelClass = 0;
        } else {
            indent = param;
        }
        previousParam = param;

        auto room = [&]() {
            if (index < view->capacity) return true;
            if (GrowLines(view, index) == 0) return true;
            status = kLayoutNoMemory;
            return false;
        };

        if (IsRuleStyle(style)) {
            if (param == 0) continue;  // no line at all
            if (!room()) break;
            int rule =
                param <= kRulePixelLimit ? param : (param - kRulePixelLimit) * width * 2 / 100;
            rule = std::clamp(rule, 0, std::max(width, 0));
            int x = view->left;
            if ((style & kStyleAlignMask) == kAlignRight) x = view->left + width - rule;
            if ((style & kStyleAlignMask) == kAlignCentre) x = view->left + (width - rule) / 2;
            view->lines[index] = LineEntry{
                static_cast<uint16_t>(textOffset), 0,    ClampX(x), 0, static_cast<uint16_t>(rule),
                static_cast<uint16_t>(lineHeight), style};
            ++index;
            if (HasGap(style)) ++gapRows;
            continue;
        }

        if ((style ^ currentStyle) & kStyleFontKeyMask) {
            SelectStyleFont(view, style);
            lineHeight = LineHeight(dc);
        }
        currentStyle = style;
        int remain = static_cast<int>(t.size());
        int labelWidth = 0;
        if (labelClass != 0) {
            indent = param & kParamIndentMask;
            TEXTMETRICW tm{};
            GetTextMetricsW(dc, &tm);
            labelWidth = (labelClass + 1) * tm.tmMaxCharWidth / 2;
        }
        if (indent >= width) indent = 0;

        const int size = static_cast<int>(t.size());
        int s = 0;  // index into t; t.size() stands for the record's zero byte
        while (true) {
            if (s == size) break;
            if (t[s] == ' ') {
                while (s < size && t[s] == ' ') ++s, --remain;
                if (s == size) break;
            }
            if (!room()) break;
            int avail = width - indent;
            int count = remain;
            int labelStart = s;
            int labelChars = 0;
            if (labelWidth != 0) {
                while (s + labelChars < size && t[s + labelChars] != ' ') ++labelChars;
                int spaces = 0;
                while (s + labelChars + spaces < size && t[s + labelChars + spaces] == ' ')
                    ++spaces;
                labelChars += spaces;
                count -= labelChars;
                avail = std::max(avail - labelWidth, 0);
                s += labelChars;
            }
            const int asked = count;
            MeasureFit(dc, t.data() + s, &avail, &count);
            if (count == 0 && asked > 0) {
                // Not even one character fits (a large font in a narrow view, or a label column
                // wider than the view): place one anyway, so that every line makes progress.
                count = 1;
                avail = 0x7FFF;
                MeasureFit(dc, t.data() + s, &avail, &count);
                count = 1;
            } else if (s + count < size && t[s + count] != ' ') {
                // The break falls inside a word: move it back to a space, or after a hyphen.
                for (int k = count - 1; k >= 1; --k) {
                    if (t[s + k] == ' ' || t[s + k] == '-') {
                        count = t[s + k] == ' ' ? k : k + 1;
                        MeasureFit(dc, t.data() + s, &avail, &count);
                        break;
                    }
                }
            }
            if (labelWidth != 0) s = labelStart;
            LineEntry& e = view->lines[index];
            e.start = static_cast<uint16_t>(textOffset + s);
            e.length = static_cast<uint16_t>(count);
            e.labelWidth = static_cast<uint16_t>(labelWidth);
            e.width = static_cast<uint16_t>(avail);
            e.height = static_cast<uint16_t>(lineHeight);
            const int o = indent + labelWidth;
            int x = view->left + o;
            if ((style & kStyleAlignMask) == kAlignRight) x = view->left + width - o - avail;
            if ((style & kStyleAlignMask) == kAlignCentre) {
                x = view->left + indent + (width - o - avail) / 2;
            }
            e.x = ClampX(x);
            indent = static_cast<uint16_t>(o);
            count += labelChars;
            // The record ends with this line when nothing but spaces follows it; trailing spaces
            // that did not fit must not cost the paragraph its gap row.
            int after = s + count;
            while (after < size && t[after] == ' ') ++after;
            if (after == size) {
                e.style = style;
                if (HasGap(style)) ++gapRows;
            } else {
                e.style = style & 0x7F;
            }
            s += count;
            remain -= count;
            ++index;
            labelWidth = 0;
        }
    }

    // The lines made so far stand even when the table could not grow, so that the view stays
    // consistent with the text it holds; the status tells the caller the lesson is cut short.
    view->lines[index] = LineEntry{};
    view->lineCount = static_cast<uint16_t>(index);
    int totalRows = index + gapRows;
    if (index > 0 && HasGap(view->lines[index - 1].style)) {
        --totalRows;
        view->lines[index - 1].style &= 0x7F;
    }
    assert(totalRows <= 0xFFFF && "a lesson below 64 KB has fewer rows than bytes");
    view->totalRows = static_cast<uint16_t>(totalRows);
    ComputeLastTopRow(view);
    SelectObject(dc, kept);
    return status;
}

int TextView::Resize(TextView* view, int width, int height) {
    if (!view) return kViewMissing;
    if (width <= 0 || height <= 0) return kBadSize;
    view->width = width;
    view->height = height;
    return SetText(view);
}

// ---- Painting -----------------------------------------------------------------------------------

int TextView::Paint(TextView* view, PaintBackground background) {
    if (!view || !view->text || !view->lines) return kViewMissing;
    view->rowsPainted = 0;
    FirstVisible f = FindFirstVisible(view);
    HDC dc = view->dc;
    const COLORREF keptColour = GetTextColor(dc);
    int current = StartStyle(view->lines[f.index]);
    const HFONT kept = SelectStyleFont(view, current | kStyleSetColour);
    if (background == PaintBackground::kClear) {
        FillRectStock(dc, view->left, view->top, view->width, view->height, WHITE_BRUSH);
    }
    const char* chars = Chars(view);
    for (int i = f.index; view->lines[i].style != 0; ++i) {
        const LineEntry& e = view->lines[i];
        if (f.remaining < e.height) break;  // a line that does not fit whole is not drawn
        if (IsRuleStyle(e.style)) {
            HGDIOBJ brush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
            const int mid = f.y + e.height / 2;
            Rectangle(dc, e.x, mid, e.x + e.width, mid + 1);
            SelectObject(dc, brush);
        } else {
            if ((e.style ^ current) & kStyleFontKeyMask) {
                SelectStyleFont(view, e.style | kStyleSetColour);
            }
            current = e.style;
            if (e.labelWidth != 0) {
                const LabelSpan label = LabelAt(view, e);
                int w = e.labelWidth;
                int n = label.word;
                MeasureFit(dc, chars + e.start, &w, &n);
                DrawTextCell(dc, chars + e.start, n, e.x - e.labelWidth, f.y, w, e.height);
                DrawTextCell(dc, chars + e.start + label.word + label.spaces, e.length, e.x, f.y,
                             e.width, e.height);
            } else {
                DrawTextCell(dc, chars + e.start, e.length, e.x, f.y, e.width, e.height);
            }
        }
        for (int row = 0; row < RowsOf(e); ++row) {
            f.y += e.height;
            f.remaining -= e.height;
            ++view->rowsPainted;
        }
    }
    SelectObject(dc, kept);
    SetTextColor(dc, keptColour);
    if (view->highlightStart != 0 || view->highlightEnd != 0) return PaintHighlight(view);
    return 0;
}

int TextView::PaintHighlight(TextView* view) {
    if (!view || !view->text || !view->lines) return kViewMissing;
    FirstVisible f = FindFirstVisible(view);
    HDC dc = view->dc;
    int current = StartStyle(view->lines[f.index]);
    const HFONT kept = SelectStyleFont(view, current);
    // The hit is drawn on its own yellow ground, whatever mode the window left the context in
    // (the date caption is drawn transparently into the same context).
    const int keptMode = SetBkMode(dc, OPAQUE);
    const char* chars = Chars(view);
    for (int i = f.index; view->lines[i].style != 0; ++i) {
        const LineEntry& e = view->lines[i];
        if (f.remaining < e.height) break;
        // The whole line counts, the label of a labelled line included, so that a hit at the end
        // of a note's first line is not missed.
        if (!IsRuleStyle(e.style) && view->highlightEnd >= e.start &&
            view->highlightStart <= LineEnd(view, e)) {
            if ((e.style ^ current) & kStyleFontKeyMask) SelectStyleFont(view, e.style);
            current = e.style;
            if (e.labelWidth != 0) {
                const LabelSpan label = LabelAt(view, e);
                PaintHighlightSegment(view, chars + e.start, label.word, e.x - e.labelWidth, f.y);
                PaintHighlightSegment(view, chars + e.start + label.word + label.spaces, e.length,
                                      e.x, f.y);
            } else {
                PaintHighlightSegment(view, chars + e.start, e.length, e.x, f.y);
            }
        }
        f.y += e.height * RowsOf(e);
        f.remaining -= e.height * RowsOf(e);
    }
    SetBkMode(dc, keptMode);
    SelectObject(dc, kept);
    return 0;
}

void TextView::PaintHighlightSegment(TextView* view, const char* segment, int length, int x,
                                     int y) {
    const char* chars = Chars(view);
    HDC dc = view->dc;
    const ptrdiff_t d = (chars + view->highlightStart) - segment;
    int dx = 0;
    if (d >= 0) {
        length -= static_cast<int>(d);
        if (length < 0) return;
        const char16_t* wide = WidenText(segment, static_cast<size_t>(d), SharedWidenBuffer());
        SIZE size{0, 0};
        if (wide && d > 0)
            GetTextExtentExPointW(dc, wide, static_cast<int>(d), 0, nullptr, nullptr, &size);
        dx = size.cx;
        segment += d;
    }
    const int n =
        static_cast<int>(std::min<ptrdiff_t>(length, (chars + view->highlightEnd) - segment));
    if (n <= 0) return;
    const char16_t* wide = WidenText(segment, static_cast<size_t>(n), SharedWidenBuffer());
    if (!wide) return;
    SIZE size{0, 0};
    GetTextExtentExPointW(dc, wide, n, 0, nullptr, nullptr, &size);
    DrawTextCellColored(dc, segment, n, x + dx, y, size.cx, size.cy, kBlue, kYellow);
}

// ---- Scrolling ----------------------------------------------------------------------------------

int TextView::ScrollBy(TextView* view, int delta, ScrollRepaint repaint, ScrollClamp clamp) {
    if (!view) return kViewMissing;
    int next = view->topRow + delta;
    if (next < 0) {
        next = 0;
    } else if (clamp == ScrollClamp::kYes || next > view->totalRows) {
        // Already at the end: a move down is refused.
        if (next >= view->topRow && view->topRow >= view->lastTopRow) return kScrollUnchanged;
        if (next > view->totalRows) next = view->lastTopRow;
    }
    if (repaint == ScrollRepaint::kYes && next == view->topRow) return kScrollUnchanged;
    const bool moved = next != view->topRow;
    view->topRow = static_cast<uint16_t>(next);
    if (repaint == ScrollRepaint::kYes) return Paint(view, PaintBackground::kClear);
    return moved ? kScrollMovedQuietly : kScrollUnchanged;
}

int TextView::ScrollToOffset(TextView* view, int offset) {
    if (!view || !view->lines) return 0;
    int row = 0;
    for (int i = 0; view->lines[i].style != 0; ++i) {
        const LineEntry& e = view->lines[i];
        if (e.start <= offset && offset <= LineEnd(view, e)) {
            view->topRow = static_cast<uint16_t>(std::min(row, static_cast<int>(view->lastTopRow)));
            return 1;
        }
        row += RowsOf(e);
    }
    return 0;
}

// ---- The search caption
// ---------------------------------------------------------------------------

TitleAndHeading FindTitleAndHeading(std::span<const uint8_t> lesson) {
    constexpr uint8_t kTitleStyle = 0xCC;
    constexpr uint8_t kHeadingStyle = 0xC1;
    TitleAndHeading found;
    LessonRecordWalker walker(lesson);
    LessonRecord record;
    if (!walker.Next(&record)) return found;
    if (record.style == kTitleStyle) {
        found.title = record.text.data();
        found.titleLength = static_cast<int>(record.text.size());
        if (!walker.Next(&record)) return found;
    }
    if (record.style == kHeadingStyle) {
        found.heading = record.text.data();
        found.headingLength = static_cast<int>(record.text.size());
    }
    return found;
}

void DrawFrame(HDC dc, RECT* r, COLORREF colour, int count) {
    HPEN pen = CreatePen(PS_SOLID, 0, colour);
    HGDIOBJ previous = pen ? SelectObject(dc, pen) : nullptr;
    for (int i = 0; i < count; ++i) {
        if (pen) Rectangle(dc, r->left, r->top, r->right, r->bottom);
        ++r->left;
        ++r->top;
        --r->right;
        --r->bottom;
    }
    if (pen) {
        SelectObject(dc, previous);
        DeleteObject(pen);
    }
}

void TextView::DrawSearchCaption(TextView* view) {
    if (!view || !view->text) return;
    const TitleAndHeading th = FindTitleAndHeading({view->text.get(), view->textLength});
    if (th.titleLength == 0 && th.headingLength == 0) return;
    HDC dc = view->dc;
    const HFONT kept = SelectStyleFont(view, kCaptionStyle);
    const int lines = (th.titleLength != 0 && th.headingLength != 0) ? 2 : 1;
    const int h = LineHeight(dc);
    int wT = 0, nT = 0, wH = 0, nH = 0;
    if (th.titleLength != 0) {
        wT = view->width;
        nT = th.titleLength;
        MeasureFit(dc, th.title, &wT, &nT);
    }
    if (th.headingLength != 0) {
        wH = view->width;
        nH = th.headingLength;
        MeasureFit(dc, th.heading, &wH, &nH);
    }
    const int boxWidth = std::min(std::max(wT, wH) + 2 * h + 8, static_cast<int>(view->width));
    RECT box;
    box.left = view->left + (view->width - boxWidth) / 2;
    box.right = box.left + boxWidth;
    box.bottom = view->top + view->height - 2;
    box.top = view->top + view->height - lines * h - 12;
    DrawFrame(dc, &box, kRed, 2);
    DrawFrame(dc, &box, kWhite, 1);
    DrawFrame(dc, &box, kBlue, 2);
    HBRUSH yellow = CreateSolidBrush(kYellow);
    if (yellow) {
        FillRect(dc, &box, yellow);
        DeleteObject(yellow);
    }
    const int inner = box.right - box.left;
    if (th.titleLength != 0) {
        DrawTextCellColored(dc, th.title, nT, box.left + (inner - wT) / 2, box.top, wT, h, kRed,
                            kYellow);
        box.top += h;
    }
    if (th.headingLength != 0) {
        DrawTextCellColored(dc, th.heading, nH, box.left + (inner - wH) / 2, box.top, wH, h, kRed,
                            kYellow);
    }
    SelectObject(dc, kept);
}
