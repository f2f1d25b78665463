// Fonts: the built-in box face and FreeType faces found through fontconfig.
#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstdlib>

#include "platform/internal.h"

namespace velin::platform {

namespace {

// Without a size the handheld uses 13 pixel cells.
constexpr int kDefaultCellHeight = 13;

std::u16string g_defaultFace;
bool g_defaultFaceSet = false;

bool IsTestFace(std::u16string_view name) { return Lower(name) == Lower(kTestFaceName); }

// "Velin Test": every glyph a box of the same advance, so that layout and pixel tests give
// one answer everywhere. A cell of height H has its baseline at H - H/5; boxes reach from
// H/5 below the cell top down to the baseline and leave one pixel free on the right.
class BoxFont : public SizedFont {
public:
    BoxFont(int cellHeight, bool bold, bool underline) {
        const int h = std::max(cellHeight, 1);
        advance_ = std::max(1, h * 3 / 5) + (bold ? 1 : 0);
        metrics_.tmHeight = h;
        metrics_.tmDescent = h / 5;
        metrics_.tmAscent = h - h / 5;
        metrics_.tmAveCharWidth = advance_;
        metrics_.tmMaxCharWidth = advance_;
        metrics_.tmWeight = bold ? FW_BOLD : FW_NORMAL;
        metrics_.tmDigitizedAspectX = 96;
        metrics_.tmDigitizedAspectY = 96;
        metrics_.tmFirstChar = 0x20;
        metrics_.tmLastChar = 0xFFFD;
        metrics_.tmDefaultChar = 0x20;
        metrics_.tmBreakChar = 0x20;
        metrics_.tmUnderlined = underline ? 1 : 0;
        metrics_.tmPitchAndFamily = FF_SWISS;
        underline_ = underline;
    }

protected:
    void Render(char32_t ch, Glyph* out) override {
        out->advance = advance_;
        if (ch < 0x21 || ch == 0xA0) return;  // blanks stay blank so words remain visible
        const int h = metrics_.tmHeight;
        out->left = 0;
        out->width = std::max(1, advance_ - 1);
        out->top = metrics_.tmAscent - h / 5;
        out->height = std::max(1, out->top);
        out->coverage.assign(static_cast<size_t>(out->width) * out->height, 255);
    }

private:
    int advance_ = 1;
};

FT_Library g_library = nullptr;
bool g_fcReady = false;

FT_Library Library() {
    if (!g_library && FT_Init_FreeType(&g_library) != 0) g_library = nullptr;
    return g_library;
}

bool Fontconfig() {
    if (!g_fcReady) g_fcReady = FcInit() == FcTrue;
    return g_fcReady;
}

class FreeTypeFont : public SizedFont {
public:
    ~FreeTypeFont() override {
        if (face_) FT_Done_Face(face_);
    }

    static std::unique_ptr<FreeTypeFont> Open(const std::string& file, int index,
                                              const LOGFONTW& lf) {
        FT_Library lib = Library();
        if (!lib) return nullptr;
        FT_Face face = nullptr;
        if (FT_New_Face(lib, file.c_str(), index, &face) != 0) return nullptr;
        auto font = std::unique_ptr<FreeTypeFont>(new FreeTypeFont());
        font->face_ = face;
        if (!font->SetSize(lf)) return nullptr;
        return font;
    }

protected:
    void Render(char32_t ch, Glyph* out) override {
        if (FT_Load_Char(face_, ch, FT_LOAD_DEFAULT) != 0) {
            out->advance = metrics_.tmAveCharWidth;
            return;
        }
        FT_GlyphSlot slot = face_->glyph;
        if (emboldened_) FT_GlyphSlot_Embolden(slot);
        out->advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
        const FT_Bitmap& bm = slot->bitmap;
        out->left = slot->bitmap_left;
        out->top = slot->bitmap_top;
        out->width = static_cast<int>(bm.width);
        out->height = static_cast<int>(bm.rows);
        out->coverage.resize(static_cast<size_t>(out->width) * out->height);
        for (int y = 0; y < out->height; ++y) {
            const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
            for (int x = 0; x < out->width; ++x) {
                uint8_t v = 0;
                if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
                    v = row[x];
                } else if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                    v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                }
                out->coverage[static_cast<size_t>(y) * out->width + x] = v;
            }
        }
    }

private:
    FreeTypeFont() = default;

    bool SetSize(const LOGFONTW& lf) {
        // A positive height is the cell (ascender to descender), a negative one the em.
        const int h = lf.lfHeight == 0 ? kDefaultCellHeight : std::abs(lf.lfHeight);
        FT_Size_RequestRec req{};
        req.type = lf.lfHeight < 0 ? FT_SIZE_REQUEST_TYPE_NOMINAL : FT_SIZE_REQUEST_TYPE_CELL;
        req.height = static_cast<FT_Long>(h) << 6;
        if (FT_Request_Size(face_, &req) != 0) return false;
        const FT_Size_Metrics& m = face_->size->metrics;
        int ascent = static_cast<int>((m.ascender + 63) >> 6);
        int descent = static_cast<int>((-m.descender + 63) >> 6);
        if (lf.lfHeight >= 0) {
            // The cell is exactly what was asked for.
            ascent = static_cast<int>((m.ascender + 32) >> 6);
            ascent = std::clamp(ascent, 1, h);
            descent = h - ascent;
        }
        const bool boldWanted = lf.lfWeight >= 600;
        emboldened_ = boldWanted && !(face_->style_flags & FT_STYLE_FLAG_BOLD);
        underline_ = lf.lfUnderline != 0;
        metrics_.tmAscent = ascent;
        metrics_.tmDescent = descent;
        metrics_.tmHeight = ascent + descent;
        const int em = static_cast<int>((face_->size->metrics.y_ppem));
        metrics_.tmInternalLeading = std::max(0, metrics_.tmHeight - em);
        metrics_.tmMaxCharWidth = static_cast<int>((m.max_advance + 63) >> 6);
        metrics_.tmWeight = boldWanted ? FW_BOLD : FW_NORMAL;
        metrics_.tmDigitizedAspectX = 96;
        metrics_.tmDigitizedAspectY = 96;
        metrics_.tmFirstChar = 0x20;
        metrics_.tmLastChar = 0xFFFD;
        metrics_.tmDefaultChar = 0x20;
        metrics_.tmBreakChar = 0x20;
        metrics_.tmUnderlined = underline_ ? 1 : 0;
        metrics_.tmItalic = lf.lfItalic;
        metrics_.tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        metrics_.tmAveCharWidth = GetGlyph(U'x').advance;
        if (metrics_.tmMaxCharWidth < metrics_.tmAveCharWidth) {
            metrics_.tmMaxCharWidth = metrics_.tmAveCharWidth;
        }
        return true;
    }

    FT_Face face_ = nullptr;
    bool emboldened_ = false;
};

struct Match {
    std::string file;
    int index = 0;
};

bool FindFace(const std::string& family, bool bold, bool italic, Match* out) {
    if (!Fontconfig()) return false;
    FcPattern* pat = FcPatternCreate();
    if (!pat) return false;
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!found) return false;
    FcChar8* file = nullptr;
    int index = 0;
    bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file;
    if (ok) {
        FcPatternGetInteger(found, FC_INDEX, 0, &index);
        out->file = reinterpret_cast<const char*>(file);
        out->index = index;
    }
    FcPatternDestroy(found);
    return ok;
}

// Font creation happens once per style and size, but fontconfig matching is slow enough to
// keep its answers.
std::map<std::string, Match>& MatchCache() {
    static std::map<std::string, Match> cache;
    return cache;
}

}  // namespace

const Glyph& SizedFont::GetGlyph(char32_t ch) {
    if (ch < 256) {
        if (!latinReady_[ch]) {
            Render(ch, &latin_[ch]);
            latinReady_[ch] = true;
        }
        return latin_[ch];
    }
    auto it = others_.find(ch);
    if (it != others_.end()) return it->second;
    Glyph& g = others_[ch];
    Render(ch, &g);
    return g;
}

int SizedFont::Advance(const char16_t* text, int count, int index) {
    const char16_t c = text[index];
    if (c >= 0xD800 && c < 0xDC00 && index + 1 < count && text[index + 1] >= 0xDC00 &&
        text[index + 1] < 0xE000) {
        const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                            (static_cast<char32_t>(text[index + 1]) - 0xDC00);
        return GetGlyph(cp).advance;
    }
    if (c >= 0xDC00 && c < 0xE000 && index > 0 && text[index - 1] >= 0xD800 &&
        text[index - 1] < 0xDC00) {
        return 0;  // second half of a pair: measured with the first
    }
    return GetGlyph(c).advance;
}

std::u16string DefaultFaceName() {
    if (!g_defaultFaceSet) {
        g_defaultFaceSet = true;
        if (const char* env = std::getenv("VELIN_DEFAULT_FONT")) g_defaultFace = Utf8ToUtf16(env);
    }
    return g_defaultFace;
}

void SetDefaultFaceName(std::u16string_view face) {
    g_defaultFaceSet = true;
    g_defaultFace = face;
}

std::unique_ptr<SizedFont> MakeSizedFont(const LOGFONTW& lf) {
    std::u16string name;
    for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) name.push_back(lf.lfFaceName[i]);
    if (name.empty()) name = DefaultFaceName();
    const bool bold = lf.lfWeight >= 600;
    const int cell = lf.lfHeight == 0 ? kDefaultCellHeight : std::abs(lf.lfHeight);
    if (!IsTestFace(name)) {
        std::string family = name.empty() ? std::string("sans-serif") : Utf16ToUtf8(name);
        std::string key = family + (bold ? "|b" : "|r") + (lf.lfItalic ? "i" : "");
        auto it = MatchCache().find(key);
        Match match;
        bool found = false;
        if (it != MatchCache().end()) {
            match = it->second;
            found = true;
        } else if (FindFace(family, bold, lf.lfItalic != 0, &match)) {
            MatchCache()[key] = match;
            found = true;
        }
        if (found) {
            if (auto f = FreeTypeFont::Open(match.file, match.index, lf)) return f;
        }
    }
    return std::make_unique<BoxFont>(cell, bold, lf.lfUnderline != 0);
}

std::vector<std::u16string> FontFamilies() {
    std::vector<std::u16string> out;
    if (Fontconfig()) {
        FcPattern* pat = FcPatternCreate();
        FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* set = pat && os ? FcFontList(nullptr, pat, os) : nullptr;
        if (set) {
            for (int i = 0; i < set->nfont; ++i) {
                FcChar8* fam = nullptr;
                if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &fam) != FcResultMatch) {
                    continue;
                }
                std::u16string name = Utf8ToUtf16(reinterpret_cast<const char*>(fam));
                if (name.size() >= LF_FACESIZE) continue;  // would not fit a LOGFONTW
                if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
            }
            FcFontSetDestroy(set);
        }
        if (os) FcObjectSetDestroy(os);
        if (pat) FcPatternDestroy(pat);
    }
    out.push_back(kTestFaceName);
    return out;
}

void ReleaseFontLibrary() {
    MatchCache().clear();
    // The FreeType library stays: fonts the program still holds may use it.
}

}  // namespace velin::platform
