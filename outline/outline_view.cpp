// The outline view: layout, fonts, paint, scrolling, taps, reveal and the expansion carried
// over a size change.
#include <algorithm>
#include <cstring>

#include "outline/outline.h"
#include "textview/text_routines.h"

namespace {

void* (*g_alloc)(size_t) = AllocBytes;

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kGrowRows = 128;
// Rows are counted in 16 bits and the table holds one zero row more than its capacity.
constexpr int kMaxCapacity = 0xFFFF - 1;

bool Visible(const OutlineRow& r) { return (r.state & kOutlineVisible) != 0; }

// First row of the item holding `row`, and the row after its last.
int ItemStart(const OutlineView* v, int row) {
    while (row > 0 && v->rows[row - 1].key == v->rows[row].key) --row;
    return row;
}
int ItemEnd(const OutlineView* v, int row) {
    const uint16_t key = v->rows[row].key;
    while (v->rows[row].state != 0 && v->rows[row].key == key) ++row;
    return row;
}

// Shows the hidden rows of the item holding `row`; a branch shown this way is collapsed.
void ShowItem(OutlineView* v, int row) {
    for (int r = ItemStart(v, row), end = ItemEnd(v, row); r < end; ++r) {
        OutlineRow& x = v->rows[r];
        if (Visible(x)) continue;
        x.state |= kOutlineVisible;
        if (IsBranchKey(x.key)) x.state &= static_cast<uint8_t>(~kOutlineExpanded);
        ++v->visibleRows;
    }
}

OutlineRow* NewRows(int capacity) {
    auto* rows = static_cast<OutlineRow*>(g_alloc(sizeof(OutlineRow) * (capacity + 1)));
    if (rows) std::memset(rows, 0, sizeof(OutlineRow) * (capacity + 1));
    return rows;
}

void DrawGlyph(OutlineView* v, const OutlineRow& row, int y) {
    if (!v->glyphs) return;
    HBITMAP glyph = !IsBranchKey(row.key)            ? v->glyphs[2]
                    : (row.state & kOutlineExpanded) ? v->glyphs[1]
                                                     : v->glyphs[0];
    if (!glyph) return;
    HDC memory = CreateCompatibleDC(v->dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, glyph);
    const int dy = (row.height - kGlyphSize) / 2;
    BitBlt(v->dc, row.x - kOutlineIndent, y + (dy > 0 ? dy : 0), kGlyphSize, kGlyphSize, memory, 0,
           0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

}  // namespace

void SetOutlineAllocator(void* (*alloc)(size_t)) { g_alloc = alloc ? alloc : AllocBytes; }

OutlineView* OutlineView::Create(HDC dc, const RECT& rect, const FontSpec& font, int capacity,
                                 const HBITMAP* glyphs) {
    if (!dc) return nullptr;
    void* block = g_alloc(sizeof(OutlineView));
    if (!block) return nullptr;
    auto* v = new (block) OutlineView;
    v->dc = dc;
    v->fontRecord = font;
    v->glyphs = glyphs;
    v->rect = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    capacity = std::clamp(capacity, 0, kMaxCapacity);
    if (capacity > 0) {
        v->rows = NewRows(capacity);
        if (v->rows) v->capacity = static_cast<uint16_t>(capacity);
    }
    return v;
}

void OutlineView::Destroy(OutlineView* v, OutlineFree how) {
    if (!v) return;
    v->data = OutlineData{};
    std::free(v->rows);
    v->rows = nullptr;
    v->rowCount = v->capacity = v->visibleRows = v->maxTop = v->top = 0;
    for (FontCacheEntry* e = v->fontCache; e;) {
        FontCacheEntry* next = e->next;
        if (e->font) DeleteObject(e->font);
        std::free(e);
        e = next;
    }
    v->fontCache = nullptr;
    if (how == OutlineFree::kFreeObject) {
        v->~OutlineView();
        std::free(v);
    }
}

HFONT OutlineView::SelectFont(OutlineView* v, int style, bool colour) {
    const uint8_t flags = static_cast<uint8_t>(style & kOutlineFontMask);
    HFONT font = nullptr;
    for (FontCacheEntry* e = v->fontCache; e; e = e->next) {
        if (e->key == flags) {
            font = e->font;
            break;
        }
    }
    if (!font) {
        auto* entry = static_cast<FontCacheEntry*>(g_alloc(sizeof(FontCacheEntry)));
        if (entry) {
            LOGFONTW lf{};
            std::memcpy(lf.lfFaceName, v->fontRecord.faceName, sizeof lf.lfFaceName);
            lf.lfFaceName[LF_FACESIZE - 1] = 0;
            const int size = v->fontRecord.size;
            if (flags & 0x04) {
                lf.lfHeight = size ? size * 5 / 4 : 20;
            } else if (flags & 0x02) {
                lf.lfHeight = size ? size * 6 / 8 : 14;
            } else {
                lf.lfHeight = size;
            }
            lf.lfWeight = (flags & 0x08) ? FW_BOLD : FW_NORMAL;
            *entry = FontCacheEntry{v->fontCache, CreateFontIndirectW(&lf), flags};
            v->fontCache = entry;
            font = entry->font;
        }
    }
    // Every style needs a font: without one, draw in the system font.
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (colour) SetTextColor(v->dc, (flags & 0x0C) == 0x0C ? kBlue : kBlack);
    return static_cast<HFONT>(SelectObject(v->dc, font));
}

namespace {

int CellHeight(HDC dc) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return tm.tmHeight;
}

// Lays the held data out into rows. The font selected on entry is selected again on return.
int Layout(OutlineView* v) {
    if (!v->rows || v->capacity == 0) {
        std::free(v->rows);
        v->capacity = 0;
        v->rows = NewRows(kGrowRows);
        if (!v->rows) return kOutlineNoMemory;
        v->capacity = kGrowRows;
    }
    const auto* base = reinterpret_cast<const char*>(v->data.bytes.get());
    HFONT previousFont = OutlineView::SelectFont(v, 0x01, false);
    int rowHeight = CellHeight(v->dc);
    uint8_t previousStyle = 0x01;
    int index = 0;
    OutlineRecordWalker walker(v->data.Span());
    OutlineRecord record;
    while (walker.Next(&record)) {
        int indent = record.level * kOutlineIndent;
        if (indent >= v->rect.width) indent = 0;
        if ((record.style ^ previousStyle) & kOutlineFontMask) {
            OutlineView::SelectFont(v, record.style, false);
            rowHeight = CellHeight(v->dc);
        }
        previousStyle = record.style;
        const int available = v->rect.width - indent;
        const char* label = record.label.data();
        const int length = static_cast<int>(record.label.size());
        int pos = 0;
        for (;;) {
            while (pos < length && label[pos] == ' ') ++pos;
            if (pos >= length) break;
            if (index == v->capacity) {
                const int grown = v->capacity + kGrowRows;
                OutlineRow* rows = grown <= kMaxCapacity ? NewRows(grown) : nullptr;
                if (!rows) {
                    v->rows[index] = OutlineRow{};
                    v->rowCount = static_cast<uint16_t>(index);
                    SelectObject(v->dc, previousFont);
                    return kOutlineNoMemory;
                }
                std::memcpy(rows, v->rows, sizeof(OutlineRow) * index);
                std::free(v->rows);
                v->rows = rows;
                v->capacity = static_cast<uint16_t>(grown);
            }
            int width = std::max(available, 0);
            int count = length - pos;
            MeasureFit(v->dc, label + pos, &width, &count);
            if (pos + count < length && label[pos + count] != ' ') {
                // Break at the last space that fits; a word alone wider than the row is split.
                for (int s = pos + count - 1; s > pos; --s) {
                    if (label[s] == ' ') {
                        count = s - pos;
                        width = std::max(available, 0);
                        MeasureFit(v->dc, label + pos, &width, &count);
                        break;
                    }
                }
            }
            if (count == 0) {  // not even one character fits: the row takes one anyway
                count = 1;
                width = 0x7FFF;
                MeasureFit(v->dc, label + pos, &width, &count);
                count = 1;
            }
            OutlineRow& row = v->rows[index++];
            row.textOffset = static_cast<uint16_t>(label + pos - base);
            row.length = static_cast<uint16_t>(count);
            row.x = static_cast<uint16_t>(v->rect.left + indent);
            row.width = static_cast<uint16_t>(width);
            row.height = static_cast<uint16_t>(rowHeight);
            row.key = record.key;
            row.state = record.style;
            // A zero state ends the table, so a style holding only the visible and expanded
            // bits (which hiding or collapsing can clear) also carries the unused bit 0x20;
            // otherwise a tap could cut every row after it off the outline.
            if ((record.style & 0x3F) == 0) row.state |= 0x20;
            if (record.style & kOutlineVisible) ++v->visibleRows;
            pos += count;
        }
    }
    v->rows[index] = OutlineRow{};
    v->rowCount = static_cast<uint16_t>(index);
    OutlineView::ComputeMaxTop(v);
    SelectObject(v->dc, previousFont);
    return kOutlineBuilt;
}

}  // namespace

int OutlineView::Build(OutlineView* v, OutlineData data, OutlineReplace replace) {
    if (!v) return kOutlineMissing;
    v->visibleRows = 0;
    v->maxTop = 0;
    if (!data) {
        if (replace == OutlineReplace::kReplace) {
            v->data = OutlineData{};
            if (v->rows) v->rows[0] = OutlineRow{};
            v->rowCount = 0;
        }
        return kOutlineNoData;
    }
    OutlineRecordWalker walker(data.Span());
    OutlineRecord first;
    // Rows keep 16-bit offsets into the data, so longer data is refused as unusable.
    if (!walker.Next(&first) || first.label.empty() || data.size > 0xFFFF) return kOutlineEmpty;
    // The rows about to be laid out point into the new data, so it is held from here on, even
    // when the layout runs out of memory half-way.
    v->data = std::move(data);
    return Layout(v);
}

int OutlineView::Resize(OutlineView* v, int width, int height) {
    if (!v) return kOutlineMissing;
    v->rect.width = width;
    v->rect.height = height;
    v->visibleRows = 0;
    v->maxTop = 0;
    if (!v->data) return kOutlineNoData;
    return Layout(v);
}

void OutlineView::ComputeMaxTop(OutlineView* v) {
    if (!v->rows || v->rowCount == 0) return;
    int space = v->rect.height;
    int taken = 0;
    for (int r = v->rowCount - 1; r >= 0; --r) {
        const OutlineRow& row = v->rows[r];
        if (!Visible(row)) continue;
        if (row.height > space) break;
        space -= row.height;
        ++taken;
    }
    v->maxTop = static_cast<uint16_t>(std::max(v->visibleRows - taken, 0));
}

int OutlineView::FirstDrawnRow(const OutlineView* v) {
    int r = 0;
    for (int passed = 0; v->rows[r].state != 0 && passed < v->top; ++r) {
        if (Visible(v->rows[r])) ++passed;
    }
    return r;
}

int OutlineView::Paint(OutlineView* v, OutlineErase erase) {
    if (!v) return kOutlineMissing;
    v->drawnRows = 0;
    if (!v->data || !v->rows || v->rowCount == 0) return kOutlineMissing;
    if (v->top > v->visibleRows) v->top = v->maxTop;
    int r = FirstDrawnRow(v);
    const COLORREF oldColour = GetTextColor(v->dc);
    uint8_t style = v->rows[r].state;
    HFONT oldFont = SelectFont(v, style, true);
    if (erase == OutlineErase::kYes) {
        FillRectStock(v->dc, v->rect.left, v->rect.top, v->rect.width, v->rect.height, WHITE_BRUSH);
    }
    const auto* base = reinterpret_cast<const char*>(v->data.bytes.get());
    int y = v->rect.top;
    int space = v->rect.height;
    uint16_t glyphKey = 0;
    for (; v->rows[r].state != 0; ++r) {
        const OutlineRow& row = v->rows[r];
        if (!Visible(row)) continue;
        if (row.height > space) break;
        if ((row.state ^ style) & kOutlineFontMask) {
            SelectFont(v, row.state, true);
            style = row.state;
        }
        if (row.key != glyphKey) {
            DrawGlyph(v, row, y);
            glyphKey = row.key;
        }
        DrawTextCell(v->dc, base + row.textOffset, row.length, row.x, y, row.width, row.height);
        y += row.height;
        space -= row.height;
        ++v->drawnRows;
    }
    SelectObject(v->dc, oldFont);
    SetTextColor(v->dc, oldColour);
    return 0;
}

void OutlineView::Scroll(OutlineView* v, int delta) {
    if (!v) return;
    const int position = std::clamp(v->top + delta, 0, static_cast<int>(v->maxTop));
    if (position == v->top) return;
    v->top = static_cast<uint16_t>(position);
    Paint(v, OutlineErase::kYes);
}

int32_t OutlineView::Toggle(OutlineView* v, int row) {
    if (!v || !v->rows || row < 0 || row >= v->rowCount) return 0;
    const int start = ItemStart(v, row);
    const int end = ItemEnd(v, row);
    const bool collapsing = (v->rows[start].state & kOutlineExpanded) != 0;
    for (int r = start; r < end; ++r) v->rows[r].state ^= kOutlineExpanded;
    const int itemX = v->rows[start].x;
    const int childX = v->rows[end].x;
    const uint16_t before = v->visibleRows;
    for (int r = end; v->rows[r].state != 0 && v->rows[r].x > itemX; ++r) {
        OutlineRow& x = v->rows[r];
        if (collapsing) {
            // Deeper branches keep their expanded bits; they are hidden with everything else.
            if (Visible(x)) {
                x.state &= static_cast<uint8_t>(~kOutlineVisible);
                --v->visibleRows;
            }
        } else if (!Visible(x) && x.x == childX) {
            x.state |= kOutlineVisible;
            if (IsBranchKey(x.key)) x.state &= static_cast<uint8_t>(~kOutlineExpanded);
            ++v->visibleRows;
        }
    }
    if (v->visibleRows != before) ComputeMaxTop(v);
    Paint(v, OutlineErase::kYes);
    const uint16_t code = v->rows[start].key & kKeyDayCodeMask;
    // Negative means "toggled": a key whose low bits are all zero still answers below zero,
    // or the dialog would leave its scroll bar behind the new list.
    return code ? -static_cast<int32_t>(code) : -static_cast<int32_t>(kLessonKeyBit);
}

int32_t OutlineView::HitTest(OutlineView* v, int x, int y) {
    if (!v || !v->data || !v->rows || v->rowCount == 0) return 0;
    if (x < v->rect.left || x > v->rect.left + v->rect.width || y < v->rect.top ||
        y > v->rect.top + v->rect.height) {
        return 0;
    }
    int bottom = v->rect.top;
    int space = v->rect.height;
    int hit = -1;
    for (int r = FirstDrawnRow(v); v->rows[r].state != 0; ++r) {
        const OutlineRow& row = v->rows[r];
        if (!Visible(row)) continue;
        if (row.height > space) break;
        bottom += row.height;
        space -= row.height;
        if (y <= bottom) {
            hit = r;
            break;
        }
    }
    if (hit < 0) return kOutlineNoRow;
    const OutlineRow& row = v->rows[hit];
    if (x >= row.x - kOutlineIndent && x <= row.x + row.width) {
        if (IsLessonKey(row.key)) return row.key & kKeyDayCodeMask;
        return Toggle(v, hit);
    }
    if (IsBranchKey(row.key) && x < row.x - kOutlineIndent) return Toggle(v, hit);
    return 0;
}

void OutlineView::Reveal(OutlineView* v, uint16_t dayCode) {
    if (!v || !v->data || !v->rows || v->rowCount == 0 || dayCode == 0) return;
    int item = -1;
    for (int r = 0; v->rows[r].state != 0; ++r) {
        const uint16_t key = v->rows[r].key;
        if (!IsBranchKey(key) && (key & kKeyDayCodeMask) == dayCode) {
            item = r;
            break;
        }
    }
    if (item < 0 || Visible(v->rows[item])) return;
    ShowItem(v, item);
    const int next = ItemEnd(v, item);
    if (v->rows[next].state != 0) ShowItem(v, next);
    int smallest = v->rows[item].x;
    for (int r = item - 1; r >= 0; --r) {
        if (v->rows[r].x < smallest) {
            smallest = v->rows[r].x;
            ShowItem(v, r);
        }
    }
    ComputeMaxTop(v);
}

ExpansionList OutlineView::SaveExpansion(OutlineView* v) {
    if (!v || !v->data || !v->rows || v->rowCount == 0) return nullptr;
    auto collect = [v](uint16_t* out) {
        size_t n = 0;
        uint16_t last = 0;
        for (int r = 0; v->rows[r].state != 0; ++r) {
            const OutlineRow& row = v->rows[r];
            if (!Visible(row) || row.key == last) continue;
            last = row.key;
            if (out) {
                out[n * 2] = row.key;
                out[n * 2 + 1] = row.state & kOutlineExpanded;
            }
            ++n;
        }
        return n;
    };
    const size_t pairs = collect(nullptr);
    if (pairs == 0) return nullptr;
    ExpansionList list(static_cast<uint16_t*>(g_alloc((pairs * 2 + 1) * sizeof(uint16_t))));
    if (!list) return nullptr;
    collect(list.get());
    list[pairs * 2] = 0;
    return list;
}

int OutlineView::RestoreExpansion(OutlineView* v, const uint16_t* list) {
    if (!v || !v->data || !v->rows || v->rowCount == 0 || !list) return kOutlineMissing;
    int position = 0;
    for (; list[0] != 0; list += 2) {
        int r = position;
        while (v->rows[r].state != 0 && v->rows[r].key != list[0]) ++r;
        position = r;
        for (; v->rows[r].state != 0 && v->rows[r].key == list[0]; ++r) {
            OutlineRow& row = v->rows[r];
            if (!Visible(row)) ++v->visibleRows;
            row.state |= static_cast<uint8_t>(kOutlineVisible | (list[1] & kOutlineExpanded));
            position = r;
        }
    }
    ComputeMaxTop(v);
    return 0;
}
