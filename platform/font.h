// Faces at one pixel size, with their glyph caches. Internal to the platform layer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win_types.h"

namespace velin::platform {

// One rendered glyph: an 8-bit coverage mask placed relative to the pen position on the
// baseline (left to the right, top upwards).
struct Glyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;
};

// A face at one size. Glyphs are made on first use and kept, so that measuring and drawing a
// string whose characters have been seen allocate nothing.
class SizedFont {
public:
    virtual ~SizedFont() = default;
    const TEXTMETRICW& Metrics() const { return metrics_; }
    bool Underline() const { return underline_; }
    const Glyph& GetGlyph(char32_t ch);
    // The advance of one UTF-16 unit of a string; a surrogate pair counts on its first unit.
    int Advance(const char16_t* text, int count, int index);

protected:
    virtual void Render(char32_t ch, Glyph* out) = 0;
    TEXTMETRICW metrics_{};
    bool underline_ = false;

private:
    std::array<Glyph, 256> latin_;
    std::array<bool, 256> latinReady_{};
    std::unordered_map<char32_t, Glyph> others_;
};

constexpr char16_t kTestFaceName[] = u"Velin Test";

// Makes the font a LOGFONTW asks for: the box face for "Velin Test", else the fontconfig
// match of the name (the default face when the name is empty). Never fails: when no face can
// be loaded at all, the box face stands in.
std::unique_ptr<SizedFont> MakeSizedFont(const LOGFONTW& logFont);

// The families fontconfig knows, then the box face.
std::vector<std::u16string> FontFamilies();

// The face an empty name means.
std::u16string DefaultFaceName();
void ReleaseFontLibrary();

}  // namespace velin::platform
