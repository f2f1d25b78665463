// Drawing: objects, device contexts, and the primitives that write into the framebuffer or a
// bitmap, always clipped to what the context may touch.
#include <algorithm>
#include <cstring>

#include "platform/font.h"
#include "platform/internal.h"

namespace velin::platform {

Font::~Font() = default;

namespace {

inline uint32_t ToPixel(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
           GetBValue(c);
}
inline COLORREF FromPixel(uint32_t p) {
    return RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p));
}

inline uint32_t Blend(uint32_t dst, uint32_t src, unsigned a) {
    if (a >= 255) return src;
    if (a == 0) return dst;
    const unsigned na = 255 - a;
    unsigned r = (((src >> 16) & 0xFF) * a + ((dst >> 16) & 0xFF) * na + 127) / 255;
    unsigned g = (((src >> 8) & 0xFF) * a + ((dst >> 8) & 0xFF) * na + 127) / 255;
    unsigned b = ((src & 0xFF) * a + (dst & 0xFF) * na + 127) / 255;
    return (r << 16) | (g << 8) | b;
}

template <typename T>
T* Stock(int index) {
    return static_cast<T*>(static_cast<GdiObject*>(GetStockObject(index)));
}

// Calls fn(screenRect) for each part of r (context coordinates) that the context may draw on.
template <typename Fn>
void ForEachClip(Dc* dc, RECT r, Fn&& fn) {
    OffsetRect(&r, dc->origin.x, dc->origin.y);
    if (dc->painting && dc->window) {
        RECT p = dc->paintRect;
        const RECT client = ClientScreenRect(dc->window);
        OffsetRect(&p, client.left, client.top);
        r = Intersection(r, p);
    }
    if (Empty(r)) return;
    for (const RECT& c : dc->clip) {
        RECT part = Intersection(r, c);
        if (!Empty(part)) fn(part);
    }
}

void FillSurface(Surface& s, const RECT& r, uint32_t pixel) {
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = s.pixels + static_cast<ptrdiff_t>(y) * s.width;
        std::fill(row + r.left, row + r.right, pixel);
    }
}

void FillBrush(Dc* dc, const RECT& r, Brush* brush) {
    if (!brush || brush->hollow) return;
    FillSolid(dc, r, brush->color);
}

Brush g_sysBrush;  // scratch for (HBRUSH)(COLOR_x + 1)

std::unique_ptr<Dc> NewDc() {
    auto dc = std::make_unique<Dc>();
    dc->font = DefaultFont();
    dc->pen = Stock<Pen>(BLACK_PEN);
    dc->brush = Stock<Brush>(WHITE_BRUSH);
    return dc;
}

std::vector<std::unique_ptr<Dc>>& LooseDcs() {
    static std::vector<std::unique_ptr<Dc>> dcs;  // memory and screen contexts
    return dcs;
}

void Unselect(GdiObject* obj) {
    for (Dc* dc : S().dcs) {
        if (dc->font == obj) dc->font = DefaultFont();
        if (dc->pen == obj) dc->pen = Stock<Pen>(BLACK_PEN);
        if (dc->brush == obj) dc->brush = Stock<Brush>(WHITE_BRUSH);
        if (dc->bitmap == obj) dc->bitmap = dc->defaultBitmap;
    }
}

void DrawPenRect(Dc* dc, const RECT& r, Pen* pen) {
    if (!pen || pen->style == PS_NULL) return;
    const int w = std::max(1, pen->width);
    RECT edges[4] = {{r.left, r.top, r.right, r.top + w},
                     {r.left, r.bottom - w, r.right, r.bottom},
                     {r.left, r.top + w, r.left + w, r.bottom - w},
                     {r.right - w, r.top + w, r.right, r.bottom - w}};
    for (const RECT& e : edges) {
        if (!Empty(e)) FillSolid(dc, e, pen->color);
    }
}

void PlotLine(Dc* dc, int x0, int y0, int x1, int y1, COLORREF color) {
    // Bresenham; the end point is not drawn, as lines join without doubling a pixel.
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (!(x0 == x1 && y0 == y1)) {
        RECT px{x0, y0, x0 + 1, y0 + 1};
        FillSolid(dc, px, color);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

SizedFont& FontOf(Dc* dc) {
    Font* f = dc->font ? dc->font : DefaultFont();
    return *f->sized;
}

int TextWidth(SizedFont& font, const char16_t* text, int count) {
    int w = 0;
    for (int i = 0; i < count; ++i) w += font.Advance(text, count, i);
    return w;
}

// Draws count units with the cell's top-left corner at (x, y), clipped to clipRect when given.
// underlineMask, when given, marks the units to underline (access-key prefixes).
int DrawGlyphRun(Dc* dc, int x, int y, const char16_t* text, int count, const RECT* clipRect,
                 const int* dx, const std::vector<bool>* underlineMask) {
    SizedFont& font = FontOf(dc);
    const TEXTMETRICW& tm = font.Metrics();
    const uint32_t color = ToPixel(dc->textColor);
    const int baseline = y + tm.tmAscent;
    int penX = x;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[i];
        int advance = font.Advance(text, count, i);
        if (dx) advance = dx[i];
        const Glyph* g = nullptr;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            g = &font.GetGlyph(cp);
        } else if (!(c >= 0xDC00 && c < 0xE000)) {
            g = &font.GetGlyph(c);
        }
        if (g && g->width > 0 && g->height > 0) {
            RECT box{penX + g->left, baseline - g->top, penX + g->left + g->width,
                     baseline - g->top + g->height};
            if (clipRect) box = Intersection(box, *clipRect);
            const int gx = penX + g->left, gy = baseline - g->top;
            ForEachClip(dc, box, [&](const RECT& part) {
                for (int sy = part.top; sy < part.bottom; ++sy) {
                    const int row = sy - dc->origin.y - gy;
                    const uint8_t* cov = g->coverage.data() + static_cast<size_t>(row) * g->width;
                    uint32_t* dst = dc->surface.pixels + static_cast<ptrdiff_t>(sy) * dc->surface.width;
                    for (int sx = part.left; sx < part.right; ++sx) {
                        const uint8_t a = cov[sx - dc->origin.x - gx];
                        if (a) dst[sx] = Blend(dst[sx], color, a);
                    }
                }
            });
        }
        const bool underline = font.Underline() || (underlineMask && (*underlineMask)[i]);
        if (underline && advance > 0) {
            RECT line{penX, baseline + 1, penX + advance, baseline + 2};
            if (line.bottom > y + tm.tmHeight) OffsetRect(&line, 0, y + tm.tmHeight - line.bottom);
            if (clipRect) line = Intersection(line, *clipRect);
            FillSolid(dc, line, dc->textColor);
        }
        penX += advance;
    }
    return penX - x;
}

struct TextLine {
    int start;
    int count;
    int width;
};

}  // namespace
}  // namespace velin::platform

using namespace velin::platform;

// ---- objects ------------------------------------------------------------------------------------

HGDIOBJ GetStockObject(int index) {
    static std::map<int, std::unique_ptr<GdiObject>> stock;
    auto it = stock.find(index);
    if (it != stock.end()) return it->second.get();
    std::unique_ptr<GdiObject> obj;
    auto brush = [](COLORREF c, bool hollow) {
        auto b = std::make_unique<Brush>();
        b->color = c;
        b->hollow = hollow;
        return b;
    };
    auto pen = [](COLORREF c, int style) {
        auto p = std::make_unique<Pen>();
        p->color = c;
        p->style = style;
        return p;
    };
    switch (index) {
        case WHITE_BRUSH: obj = brush(RGB(255, 255, 255), false); break;
        case LTGRAY_BRUSH: obj = brush(RGB(192, 192, 192), false); break;
        case GRAY_BRUSH: obj = brush(RGB(128, 128, 128), false); break;
        case DKGRAY_BRUSH: obj = brush(RGB(64, 64, 64), false); break;
        case BLACK_BRUSH: obj = brush(RGB(0, 0, 0), false); break;
        case NULL_BRUSH: obj = brush(0, true); break;
        case WHITE_PEN: obj = pen(RGB(255, 255, 255), PS_SOLID); break;
        case BLACK_PEN: obj = pen(RGB(0, 0, 0), PS_SOLID); break;
        case NULL_PEN: obj = pen(0, PS_NULL); break;
        case SYSTEM_FONT:
        case DEFAULT_GUI_FONT: {
            auto f = std::make_unique<Font>();
            f->logFont.lfWeight = FW_NORMAL;
            f->sized = MakeSizedFont(f->logFont);
            obj = std::move(f);
            break;
        }
        default: return nullptr;
    }
    obj->stock = true;
    GdiObject* raw = obj.get();
    S().objects.insert(raw);
    stock[index] = std::move(obj);
    return raw;
}

Font* velin::platform::DefaultFont() { return Stock<Font>(SYSTEM_FONT); }

GdiObject* velin::platform::LookupObject(HGDIOBJ handle) {
    auto* obj = static_cast<GdiObject*>(handle);
    return S().objects.count(obj) ? obj : nullptr;
}

Brush* velin::platform::LookupBrush(HBRUSH handle, Brush* scratch) {
    const auto v = reinterpret_cast<uintptr_t>(handle);
    if (v > 0 && v <= 64) {  // (HBRUSH)(COLOR_x + 1), as window classes pass it
        scratch->color = SysColor(static_cast<int>(v - 1));
        scratch->hollow = false;
        return scratch;
    }
    GdiObject* obj = LookupObject(handle);
    return obj && obj->kind == GdiKind::kBrush ? static_cast<Brush*>(obj) : nullptr;
}

Font* velin::platform::LookupFont(HFONT handle) {
    GdiObject* obj = LookupObject(handle);
    return obj && obj->kind == GdiKind::kFont ? static_cast<Font*>(obj) : nullptr;
}

HPEN CreatePen(int style, int width, COLORREF color) {
    auto* p = new Pen();
    p->style = style;
    p->width = std::max(1, width);
    p->color = color & 0xFFFFFF;
    S().objects.insert(p);
    return reinterpret_cast<HPEN>(static_cast<GdiObject*>(p));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* b = new Brush();
    b->color = color & 0xFFFFFF;
    S().objects.insert(b);
    return reinterpret_cast<HBRUSH>(static_cast<GdiObject*>(b));
}

HBRUSH GetSysColorBrush(int index) {
    static std::map<int, HBRUSH> brushes;
    index &= ~SYS_COLOR_INDEX_FLAG;
    auto it = brushes.find(index);
    if (it != brushes.end()) return it->second;
    HBRUSH b = CreateSolidBrush(SysColor(index));
    static_cast<GdiObject*>(static_cast<void*>(b))->stock = true;
    brushes[index] = b;
    return b;
}

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
    if (!lf) return nullptr;
    auto* f = new Font();
    f->logFont = *lf;
    f->sized = MakeSizedFont(*lf);
    S().objects.insert(f);
    return reinterpret_cast<HFONT>(static_cast<GdiObject*>(f));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
    if (width <= 0 || height <= 0 || planes != 1 || (bpp != 1 && bpp != 32)) return nullptr;
    if (static_cast<int64_t>(width) * height > (1 << 26)) return nullptr;
    auto* bm = new Bitmap();
    bm->width = width;
    bm->height = height;
    bm->mono = bpp == 1;
    bm->pixels.assign(static_cast<size_t>(width) * height, 0);
    if (bits) {
        if (bpp == 1) {
            const auto* src = static_cast<const uint8_t*>(bits);
            const int stride = ((width + 15) / 16) * 2;  // rows padded to 16 bits
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const bool set = src[y * stride + x / 8] & (0x80 >> (x % 8));
                    bm->pixels[static_cast<size_t>(y) * width + x] = set ? 0xFFFFFF : 0;
                }
            }
        } else {
            std::memcpy(bm->pixels.data(), bits, bm->pixels.size() * 4);
            for (uint32_t& p : bm->pixels) p &= 0xFFFFFF;
        }
    }
    S().objects.insert(bm);
    return reinterpret_cast<HBITMAP>(static_cast<GdiObject*>(bm));
}

HBITMAP LoadBitmapW(HINSTANCE, LPCWSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    const BitmapData* data = FindBitmapResource(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
    if (!data || !data->pixels) return nullptr;
    HBITMAP bm = CreateBitmap(data->width, data->height, 1, 32, data->pixels);
    if (auto* b = static_cast<Bitmap*>(LookupObject(bm)); b && data->monochrome) {
        // Keep only black and white, so that the blit maps them to the context's colours.
        b->mono = true;
        for (uint32_t& p : b->pixels) p = (p & 0xFFFFFF) ? 0xFFFFFF : 0;
    }
    return bm;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    return CreateBitmap(width, height, 1, 32, nullptr);
}

BOOL DeleteObject(HGDIOBJ handle) {
    GdiObject* obj = LookupObject(handle);
    if (!obj) return FALSE;
    if (obj->stock) return TRUE;
    // An object still selected somewhere is replaced there by the default one, so no context
    // keeps a dangling pointer.
    Unselect(obj);
    S().objects.erase(obj);
    delete obj;
    return TRUE;
}

int GetObjectW(HGDIOBJ handle, int size, LPVOID buffer) {
    GdiObject* obj = LookupObject(handle);
    if (!obj) return 0;
    if (obj->kind == GdiKind::kBitmap) {
        if (!buffer) return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP))) return 0;
        auto* bm = static_cast<Bitmap*>(obj);
        BITMAP out{};
        out.bmWidth = bm->width;
        out.bmHeight = bm->height;
        out.bmPlanes = 1;
        out.bmBitsPixel = bm->mono ? 1 : 32;
        out.bmWidthBytes = bm->mono ? ((bm->width + 15) / 16) * 2 : bm->width * 4;
        std::memcpy(buffer, &out, sizeof out);
        return sizeof(BITMAP);
    }
    if (obj->kind == GdiKind::kFont) {
        if (!buffer) return sizeof(LOGFONTW);
        if (size < static_cast<int>(sizeof(LOGFONTW))) return 0;
        std::memcpy(buffer, &static_cast<Font*>(obj)->logFont, sizeof(LOGFONTW));
        return sizeof(LOGFONTW);
    }
    return 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    Dc* dc = LookupDc(hdc);
    GdiObject* obj = LookupObject(handle);
    if (!dc || !obj) return nullptr;
    switch (obj->kind) {
        case GdiKind::kFont: {
            Font* old = dc->font;
            dc->font = static_cast<Font*>(obj);
            return old;
        }
        case GdiKind::kPen: {
            Pen* old = dc->pen;
            dc->pen = static_cast<Pen*>(obj);
            return old;
        }
        case GdiKind::kBrush: {
            Brush* old = dc->brush;
            dc->brush = static_cast<Brush*>(obj);
            return old;
        }
        case GdiKind::kBitmap: {
            auto* bm = static_cast<Bitmap*>(obj);
            if (dc->window || dc->screen) return nullptr;  // only memory contexts hold bitmaps
            if (bm->selectedInto && bm->selectedInto != dc) return nullptr;
            Bitmap* old = dc->bitmap;
            if (old) old->selectedInto = nullptr;
            bm->selectedInto = dc;
            dc->bitmap = bm;
            return old;
        }
    }
    return nullptr;
}

COLORREF velin::platform::SysColor(int index) {
    switch (index & ~SYS_COLOR_INDEX_FLAG) {
        case COLOR_SCROLLBAR: return RGB(255, 255, 255);
        case COLOR_BACKGROUND: return RGB(128, 128, 128);
        case COLOR_ACTIVECAPTION: return RGB(0, 0, 128);
        case COLOR_INACTIVECAPTION: return RGB(128, 128, 128);
        case COLOR_MENU: return RGB(255, 255, 255);
        case COLOR_WINDOW: return RGB(255, 255, 255);
        case COLOR_WINDOWFRAME: return RGB(0, 0, 0);
        case COLOR_MENUTEXT: return RGB(0, 0, 0);
        case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
        case COLOR_CAPTIONTEXT: return RGB(255, 255, 255);
        case COLOR_HIGHLIGHT: return RGB(0, 0, 128);
        case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
        case COLOR_BTNFACE: return RGB(192, 192, 192);
        case COLOR_BTNSHADOW: return RGB(128, 128, 128);
        case COLOR_GRAYTEXT: return RGB(128, 128, 128);
        case COLOR_BTNTEXT: return RGB(0, 0, 0);
        case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
        case COLOR_3DDKSHADOW: return RGB(0, 0, 0);
        case COLOR_3DLIGHT: return RGB(224, 224, 224);
        case COLOR_INFOTEXT: return RGB(0, 0, 0);
        case COLOR_INFOBK: return RGB(255, 255, 225);
        case COLOR_STATIC: return RGB(255, 255, 255);
        case COLOR_STATICTEXT: return RGB(0, 0, 0);
        default: return RGB(0, 0, 0);
    }
}

DWORD GetSysColor(int index) { return SysColor(index); }

// ---- contexts -------------------------------------------------------------------------------------

Dc* velin::platform::LookupDc(HDC handle) {
    auto* dc = reinterpret_cast<Dc*>(handle);
    return S().dcs.count(dc) ? dc : nullptr;
}

bool velin::platform::PrepareDc(Dc* dc) {
    if (!dc->window) {
        if (dc->screen) {
            dc->surface = S().screen.AsSurface();
        } else {
            dc->surface = dc->bitmap ? dc->bitmap->AsSurface() : Surface{};
        }
        dc->origin = {0, 0};
        dc->clip.assign(1, RECT{0, 0, dc->surface.width, dc->surface.height});
        return dc->surface.pixels != nullptr;
    }
    if (dc->clipGeneration != S().layoutGeneration) {
        dc->surface = S().screen.AsSurface();
        const RECT base = dc->wholeWindow ? ScreenRect(dc->window) : ClientScreenRect(dc->window);
        dc->origin = {base.left, base.top};
        dc->clip = VisibleRegion(dc->window, dc->wholeWindow);
        IntersectList(dc->clip, RECT{0, 0, dc->surface.width, dc->surface.height});
        dc->clipGeneration = S().layoutGeneration;
    }
    return dc->surface.pixels != nullptr && !dc->clip.empty();
}

HDC GetDC(HWND hwnd) {
    if (!hwnd) {
        auto dc = NewDc();
        dc->screen = true;
        Dc* raw = dc.get();
        S().dcs.insert(raw);
        LooseDcs().push_back(std::move(dc));
        return reinterpret_cast<HDC>(raw);
    }
    Window* w = LookupWindow(hwnd);
    if (!w) return nullptr;
    if (!w->dc) {
        w->dc = NewDc();
        w->dc->window = w;
        S().dcs.insert(w->dc.get());
    }
    return reinterpret_cast<HDC>(w->dc.get());
}

HDC GetWindowDC(HWND hwnd) {
    Window* w = LookupWindow(hwnd);
    if (!w) return hwnd ? nullptr : GetDC(nullptr);
    if (!w->windowDc) {
        w->windowDc = NewDc();
        w->windowDc->window = w;
        w->windowDc->wholeWindow = true;
        S().dcs.insert(w->windowDc.get());
    }
    return reinterpret_cast<HDC>(w->windowDc.get());
}

int ReleaseDC(HWND, HDC hdc) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return 0;
    if (dc->screen) DeleteDC(hdc);
    return 1;  // a window's own context stays as it is
}

void velin::platform::DestroyWindowDc(Window* w) {
    for (auto* p : {&w->dc, &w->windowDc}) {
        if (*p) {
            S().dcs.erase(p->get());
            p->reset();
        }
    }
}

HDC CreateCompatibleDC(HDC) {
    auto dc = NewDc();
    // A memory context starts with a 1 x 1 monochrome bitmap, as on the handheld.
    HBITMAP one = CreateBitmap(1, 1, 1, 1, nullptr);
    dc->defaultBitmap = static_cast<Bitmap*>(LookupObject(one));
    dc->defaultBitmap->stock = true;  // owned by the context
    dc->defaultBitmap->selectedInto = dc.get();
    dc->bitmap = dc->defaultBitmap;
    Dc* raw = dc.get();
    S().dcs.insert(raw);
    LooseDcs().push_back(std::move(dc));
    return reinterpret_cast<HDC>(raw);
}

BOOL DeleteDC(HDC hdc) {
    Dc* dc = LookupDc(hdc);
    if (!dc || dc->window) return FALSE;
    if (dc->bitmap) dc->bitmap->selectedInto = nullptr;
    if (dc->defaultBitmap) {
        S().objects.erase(dc->defaultBitmap);
        delete dc->defaultBitmap;
    }
    S().dcs.erase(dc);
    auto& loose = LooseDcs();
    loose.erase(std::remove_if(loose.begin(), loose.end(),
                               [dc](const std::unique_ptr<Dc>& p) { return p.get() == dc; }),
                loose.end());
    return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF c) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->textColor;
    dc->textColor = c & 0xFFFFFF;
    return old;
}
COLORREF GetTextColor(HDC hdc) {
    Dc* dc = LookupDc(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}
COLORREF SetBkColor(HDC hdc, COLORREF c) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->bkColor;
    dc->bkColor = c & 0xFFFFFF;
    return old;
}
COLORREF GetBkColor(HDC hdc) {
    Dc* dc = LookupDc(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}
int SetBkMode(HDC hdc, int mode) {
    Dc* dc = LookupDc(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = dc->bkMode;
    dc->bkMode = mode;
    return old;
}
int GetBkMode(HDC hdc) {
    Dc* dc = LookupDc(hdc);
    return dc ? dc->bkMode : 0;
}

int GetDeviceCaps(HDC, int index) {
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        case HORZRES: return S().screen.width;
        case VERTRES: return S().screen.height;
        case BITSPIXEL: return 32;
        default: return 0;
    }
}

// ---- primitives -----------------------------------------------------------------------------------

void velin::platform::FillSolid(Dc* dc, const RECT& r, COLORREF color) {
    if (!PrepareDc(dc)) return;
    const uint32_t px = ToPixel(color);
    ForEachClip(dc, r, [&](const RECT& part) { FillSurface(dc->surface, part, px); });
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH handle) {
    Dc* dc = LookupDc(hdc);
    Brush* brush = LookupBrush(handle, &g_sysBrush);
    if (!dc || !rect || !brush) return 0;
    FillBrush(dc, *rect, brush);
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    RECT r{left, top, right, bottom};
    if (!dc->pen || dc->pen->style == PS_NULL) {
        // Without an outline the fill covers one pixel less on the right and at the bottom,
        // the same area the outlined rectangle would have filled with its frame included.
        RECT inner{left, top, right - 1, bottom - 1};
        FillBrush(dc, inner, dc->brush);
        return TRUE;
    }
    const int w = std::max(1, dc->pen->width);
    RECT inner{left + w, top + w, right - w, bottom - w};
    if (!Empty(inner)) FillBrush(dc, inner, dc->brush);
    DrawPenRect(dc, r, dc->pen);
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->penPos;
    dc->penPos = {x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (dc->pen && dc->pen->style != PS_NULL) {
        PlotLine(dc, dc->penPos.x, dc->penPos.y, x, y, dc->pen->color);
    }
    dc->penPos = {x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* pts, int count) {
    if (!pts || count < 2) return FALSE;
    POINT saved{0, 0};
    MoveToEx(hdc, pts[0].x, pts[0].y, &saved);
    for (int i = 1; i < count; ++i) LineTo(hdc, pts[i].x, pts[i].y);
    MoveToEx(hdc, saved.x, saved.y, nullptr);
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* pts, int count) {
    Dc* dc = LookupDc(hdc);
    if (!dc || !pts || count < 2) return FALSE;
    // Even-odd scanline fill, then the outline.
    if (dc->brush && !dc->brush->hollow) {
        int minY = pts[0].y, maxY = pts[0].y;
        for (int i = 1; i < count; ++i) {
            minY = std::min(minY, static_cast<int>(pts[i].y));
            maxY = std::max(maxY, static_cast<int>(pts[i].y));
        }
        std::vector<int> xs;
        for (int y = minY; y < maxY; ++y) {
            xs.clear();
            const double sy = y + 0.5;
            for (int i = 0; i < count; ++i) {
                const POINT& a = pts[i];
                const POINT& b = pts[(i + 1) % count];
                if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy)) {
                    const double t = (sy - a.y) / static_cast<double>(b.y - a.y);
                    xs.push_back(static_cast<int>(a.x + t * (b.x - a.x) + 0.5));
                }
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2) {
                FillSolid(dc, RECT{xs[i], y, xs[i + 1], y + 1}, dc->brush->color);
            }
        }
    }
    Polyline(hdc, pts, count);
    if (dc->pen && dc->pen->style != PS_NULL) {
        PlotLine(dc, pts[count - 1].x, pts[count - 1].y, pts[0].x, pts[0].y, dc->pen->color);
    }
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    FillSolid(dc, RECT{x, y, x + 1, y + 1}, color);
    return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    Dc* dc = LookupDc(hdc);
    if (!dc || !PrepareDc(dc)) return CLR_INVALID;
    const int sx = x + dc->origin.x, sy = y + dc->origin.y;
    for (const RECT& c : dc->clip) {
        if (sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom) {
            return FromPixel(dc->surface.pixels[static_cast<ptrdiff_t>(sy) * dc->surface.width + sx]);
        }
    }
    return CLR_INVALID;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    RECT r{x, y, x + width, y + height};
    switch (rop) {
        case BLACKNESS: FillSolid(dc, r, RGB(0, 0, 0)); return TRUE;
        case WHITENESS: FillSolid(dc, r, RGB(255, 255, 255)); return TRUE;
        case PATCOPY: FillBrush(dc, r, dc->brush); return TRUE;
        default: return FALSE;
    }
}

BOOL BitBlt(HDC hdest, int x, int y, int width, int height, HDC hsrc, int srcX, int srcY,
            DWORD rop) {
    Dc* dst = LookupDc(hdest);
    if (!dst) return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) {
        return PatBlt(hdest, x, y, width, height, rop);
    }
    Dc* src = LookupDc(hsrc);
    if (!src || !PrepareDc(src) || !PrepareDc(dst)) return FALSE;
    // Copying a screen area onto itself needs the source read before it is overwritten.
    std::vector<uint32_t> copy;
    const bool sameSurface = src->surface.pixels == dst->surface.pixels;
    const bool monoSource = !src->window && !src->screen && src->bitmap && src->bitmap->mono;
    const bool monoDest = !dst->window && !dst->screen && dst->bitmap && dst->bitmap->mono;
    const uint32_t fg = ToPixel(dst->textColor), bg = ToPixel(dst->bkColor);
    const Surface& ss = src->surface;
    if (sameSurface) copy.assign(ss.pixels, ss.pixels + static_cast<size_t>(ss.width) * ss.height);
    const uint32_t* sp = sameSurface ? copy.data() : ss.pixels;
    ForEachClip(dst, RECT{x, y, x + width, y + height}, [&](const RECT& part) {
        for (int dy = part.top; dy < part.bottom; ++dy) {
            const int sy = dy - dst->origin.y - y + srcY + src->origin.y;
            for (int dx = part.left; dx < part.right; ++dx) {
                const int sx = dx - dst->origin.x - x + srcX + src->origin.x;
                if (sx < 0 || sy < 0 || sx >= ss.width || sy >= ss.height) continue;
                uint32_t s = sp[static_cast<ptrdiff_t>(sy) * ss.width + sx];
                if (monoSource && !monoDest) s = s ? bg : fg;
                if (monoDest && !monoSource) s = (s == bg) ? 0xFFFFFF : 0;
                uint32_t& d = dst->surface.pixels[static_cast<ptrdiff_t>(dy) * dst->surface.width + dx];
                switch (rop) {
                    case SRCCOPY: d = s; break;
                    case SRCAND: d &= s; break;
                    case SRCPAINT: d |= s; break;
                    case SRCINVERT: d ^= s; break;
                    case NOTSRCCOPY: d = ~s & 0xFFFFFF; break;
                    default: d = s; break;
                }
            }
        }
    });
    return TRUE;
}

// ---- text ---------------------------------------------------------------------------------------

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* tm) {
    Dc* dc = LookupDc(hdc);
    if (!dc || !tm) return FALSE;
    *tm = FontOf(dc).Metrics();
    return TRUE;
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, int* fit,
                           int* extents, SIZE* size) {
    Dc* dc = LookupDc(hdc);
    if (!dc || count < 0 || (!text && count > 0)) return FALSE;
    SizedFont& font = FontOf(dc);
    int total = 0;
    int fitted = 0;
    bool stillFits = true;
    for (int i = 0; i < count; ++i) {
        total += font.Advance(text, count, i);
        if (stillFits && fit && total > maxExtent) stillFits = false;
        if (stillFits) {
            ++fitted;
            if (extents) extents[i] = total;
        } else if (extents && !fit) {
            extents[i] = total;
        }
    }
    if (fit) *fit = fitted;
    if (size) {
        size->cx = total;
        size->cy = font.Metrics().tmHeight;
    }
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size) {
    return GetTextExtentExPointW(hdc, text, count, 0, nullptr, nullptr, size);
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const int* dx) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if ((options & ETO_OPAQUE) && rect) FillSolid(dc, *rect, dc->bkColor);
    if (!text || count == 0) return TRUE;
    SizedFont& font = FontOf(dc);
    const int n = static_cast<int>(count);
    if (dc->bkMode == OPAQUE && !(options & ETO_OPAQUE)) {
        int w = 0;
        for (int i = 0; i < n; ++i) w += dx ? dx[i] : font.Advance(text, n, i);
        RECT box{x, y, x + w, y + font.Metrics().tmHeight};
        if ((options & ETO_CLIPPED) && rect) box = Intersection(box, *rect);
        FillSolid(dc, box, dc->bkColor);
    }
    if (!PrepareDc(dc)) return TRUE;
    DrawGlyphRun(dc, x, y, text, n, (options & ETO_CLIPPED) ? rect : nullptr, dx, nullptr);
    return TRUE;
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
    return ExtTextOutW(hdc, x, y, 0, nullptr, text, count < 0 ? 0 : count, nullptr);
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format) {
    Dc* dc = LookupDc(hdc);
    if (!dc || !rect) return 0;
    if (!text) count = 0;
    if (count < 0) {
        count = 0;
        while (text[count]) ++count;
    }
    SizedFont& font = FontOf(dc);
    const TEXTMETRICW& tm = font.Metrics();

    // Access-key prefixes: "&x" underlines x, "&&" is one ampersand. The copy is made only
    // when the text needs it, so that the usual single line is drawn without allocating.
    bool hasPrefix = false, hasTab = false;
    for (int i = 0; i < count; ++i) {
        hasPrefix = hasPrefix || text[i] == u'&';
        hasTab = hasTab || text[i] == u'\t';
    }
    const bool prefixes = hasPrefix && !(format & DT_NOPREFIX);
    const bool tabs = hasTab && (format & DT_EXPANDTABS);
    std::u16string buf;
    std::vector<bool> underline;
    if (prefixes) {
        for (int i = 0; i < count; ++i) {
            if (text[i] == u'&' && i + 1 < count) {
                ++i;
                buf.push_back(text[i]);
                underline.push_back(text[i] != u'&');
            } else if (text[i] != u'&') {  // a lone trailing ampersand shows nothing
                buf.push_back(text[i]);
                underline.push_back(false);
            }
        }
    } else if (tabs) {
        buf.assign(text, text + count);
    }
    if (tabs) {
        std::u16string out;
        std::vector<bool> ul;
        for (size_t i = 0; i < buf.size(); ++i) {
            if (buf[i] == u'\t') {
                out.append(8, u' ');
                ul.insert(ul.end(), 8, false);
            } else {
                out.push_back(buf[i]);
                ul.push_back(underline.empty() ? false : underline[i]);
            }
        }
        buf.swap(out);
        underline.swap(ul);
    }
    const bool copied = prefixes || tabs;
    const int n = copied ? static_cast<int>(buf.size()) : count;
    const char16_t* s = copied ? buf.data() : text;
    const int boxWidth = rect->right - rect->left;

    std::vector<TextLine> lines;
    TextLine single{0, n, 0};
    const bool oneLine = (format & DT_SINGLELINE) != 0;
    if (oneLine) {
        single.width = TextWidth(font, s, n);
    } else {
        int i = 0;
        while (i <= n) {
            int end = i;
            while (end < n && s[end] != u'\r' && s[end] != u'\n') ++end;
            // [i, end) is one paragraph; break it at blanks when asked.
            int start = i;
            if (!(format & DT_WORDBREAK)) {
                lines.push_back({start, end - start, TextWidth(font, s + start, end - start)});
            } else {
                do {
                    int w = 0, lastBreak = -1, j = start;
                    for (; j < end; ++j) {
                        if (s[j] == u' ') lastBreak = j;
                        const int a = font.Advance(s, n, j);
                        if (w + a > boxWidth && j > start) break;
                        w += a;
                    }
                    int lineEnd = j;
                    int next = j;
                    if (j < end && lastBreak > start) {
                        lineEnd = lastBreak;
                        next = lastBreak + 1;
                    }
                    lines.push_back({start, lineEnd - start, TextWidth(font, s + start, lineEnd - start)});
                    start = next;
                    while (start < end && s[start] == u' ' && next != j) ++start;
                } while (start < end);
            }
            if (end >= n) break;
            i = end + ((s[end] == u'\r' && end + 1 < n && s[end + 1] == u'\n') ? 2 : 1);
            if (i == n) break;  // a final line break adds no empty line
        }
    }
    const TextLine* first = oneLine ? &single : lines.data();
    const size_t lineCount = oneLine ? 1 : lines.size();
    const int textHeight = static_cast<int>(lineCount) * tm.tmHeight;
    int maxWidth = 0;
    for (size_t i = 0; i < lineCount; ++i) maxWidth = std::max(maxWidth, first[i].width);

    if (format & DT_CALCRECT) {
        if (!(format & DT_WORDBREAK) || lineCount <= 1) {
            rect->right = rect->left + maxWidth;
        } else {
            rect->right = rect->left + std::max(maxWidth, 0);
        }
        rect->bottom = rect->top + textHeight;
        return textHeight;
    }

    int y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            y = rect->top + (rect->bottom - rect->top - tm.tmHeight) / 2;
        } else if (format & DT_BOTTOM) {
            y = rect->bottom - tm.tmHeight;
        }
    }
    const RECT* clip = (format & DT_NOCLIP) ? nullptr : rect;
    for (size_t li = 0; li < lineCount; ++li) {
        const TextLine& l = first[li];
        int x = rect->left;
        if (format & DT_CENTER) {
            x = rect->left + (boxWidth - l.width) / 2;
        } else if (format & DT_RIGHT) {
            x = rect->right - l.width;
        }
        if (dc->bkMode == OPAQUE && l.width > 0) {
            RECT box{x, y, x + l.width, y + tm.tmHeight};
            if (clip) box = Intersection(box, *clip);
            FillSolid(dc, box, dc->bkColor);
        }
        if (PrepareDc(dc)) {
            std::vector<bool> ul;
            if (!underline.empty()) ul.assign(underline.begin() + l.start, underline.begin() + l.start + l.count);
            DrawGlyphRun(dc, x, y, s + l.start, l.count, clip, nullptr, ul.empty() ? nullptr : &ul);
        }
        y += tm.tmHeight;
    }
    return y - rect->top;
}

int EnumFontFamiliesW(HDC, LPCWSTR family, FONTENUMPROCW proc, LPARAM param) {
    if (!proc) return 0;
    std::vector<std::u16string> names = FontFamilies();
    const std::u16string wanted = family ? Lower(FromW(family)) : std::u16string();
    int last = 1;
    for (const std::u16string& name : names) {
        if (family && Lower(name) != wanted) continue;
        LOGFONTW lf{};
        for (size_t i = 0; i < name.size() && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = name[i];
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        TEXTMETRICW tm{};
        {
            Font probe;
            probe.logFont = lf;
            probe.sized = MakeSizedFont(lf);
            tm = probe.sized->Metrics();
        }
        lf.lfHeight = tm.tmHeight;
        last = proc(&lf, &tm, TRUETYPE_FONTTYPE, param);
        if (last == 0) break;
    }
    return last;
}

// ---- rectangles ----------------------------------------------------------------------------------

RECT velin::platform::Intersection(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool velin::platform::Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void velin::platform::SubtractRect(RectList& list, const RECT& cut) {
    RectList out;
    out.reserve(list.size() + 4);
    for (const RECT& r : list) {
        RECT i = Intersection(r, cut);
        if (Empty(i)) {
            out.push_back(r);
            continue;
        }
        if (i.top > r.top) out.push_back({r.left, r.top, r.right, i.top});
        if (i.bottom < r.bottom) out.push_back({r.left, i.bottom, r.right, r.bottom});
        if (i.left > r.left) out.push_back({r.left, i.top, i.left, i.bottom});
        if (i.right < r.right) out.push_back({i.right, i.top, r.right, i.bottom});
    }
    list.swap(out);
}

void velin::platform::IntersectList(RectList& list, const RECT& with) {
    RectList out;
    for (const RECT& r : list) {
        RECT i = Intersection(r, with);
        if (!Empty(i)) out.push_back(i);
    }
    list.swap(out);
}

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
    if (!r) return FALSE;
    *r = {left, top, right, bottom};
    return TRUE;
}
BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
BOOL IsRectEmpty(const RECT* r) { return !r || Empty(*r); }
BOOL PtInRect(const RECT* r, POINT p) {
    return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL InflateRect(RECT* r, int dx, int dy) {
    if (!r) return FALSE;
    r->left -= dx;
    r->right += dx;
    r->top -= dy;
    r->bottom += dy;
    return TRUE;
}
BOOL OffsetRect(RECT* r, int dx, int dy) {
    if (!r) return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
    if (!out || !a || !b) return FALSE;
    *out = Intersection(*a, *b);
    if (Empty(*out)) {
        *out = {0, 0, 0, 0};
        return FALSE;
    }
    return TRUE;
}
BOOL UnionRect(RECT* out, const RECT* a, const RECT* b) {
    if (!out || !a || !b) return FALSE;
    if (Empty(*a)) {
        *out = *b;
    } else if (Empty(*b)) {
        *out = *a;
    } else {
        *out = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    }
    return !Empty(*out);
}
BOOL EqualRect(const RECT* a, const RECT* b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right &&
           a->bottom == b->bottom;
}
