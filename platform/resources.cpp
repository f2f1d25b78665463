#include "platform/resources.h"

#include <array>
#include <span>
#include <string_view>

#include "book/book.h"
#include "platform/dialog_internal.h"
#include "platform/shell.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Pictures drawn as text, turned into pixels while compiling.

enum ArtKind { kMonochrome, kColour, kIcon };

template <int W, int H>
struct Art {
    uint32_t pixels[W * H];
};

// Not constexpr: a picture that reaches it stops the compile there, with this name in the
// message.
void ThePictureIsDamaged() {}

constexpr uint32_t ArtPixel(char c, ArtKind kind) {
    constexpr uint32_t kOpaque = 0xFF000000;
    if (kind == kMonochrome) {
        if (c == '#') return kOpaque | 0x000000;
        if (c == '.') return kOpaque | 0xFFFFFF;
    } else {
        if (kind == kIcon && c == '-') return 0x00000000;
        constexpr std::string_view kCodes = ".KWdrRgGyYbBmMcC";
        constexpr uint32_t kColours[] = {0xC0C0C0, 0x000000, 0xFFFFFF, 0x808080, 0x800000, 0xFF0000,
                                         0x008000, 0x00FF00, 0x808000, 0xFFFF00, 0x000080, 0x0000FF,
                                         0x800080, 0xFF00FF, 0x008080, 0x00FFFF};
        size_t i = kCodes.find(c);
        if (i != std::string_view::npos) return kOpaque | kColours[i];
    }
    ThePictureIsDamaged();
    return 0;
}

// The text starts and ends with a line break and holds H rows of exactly W characters.
template <int W, int H>
consteval Art<W, H> ParseArt(const char* text, ArtKind kind) {
    Art<W, H> art{};
    const char* p = text;
    if (*p++ != '\n') ThePictureIsDamaged();
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            if (*p == '\n' || *p == 0) ThePictureIsDamaged();
            art.pixels[y * W + x] = ArtPixel(*p++, kind);
        }
        if (*p++ != '\n') ThePictureIsDamaged();
    }
    if (*p != 0) ThePictureIsDamaged();
    return art;
}

template <size_t N>
constexpr std::array<uint8_t, 2 * N> LittleEndianWords(const uint16_t (&words)[N]) {
    std::array<uint8_t, 2 * N> bytes{};
    for (size_t i = 0; i < N; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(words[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    return bytes;
}

// First pass over the list: the data.
#define VELIN_BITMAP(id, w, h, kind, art) constexpr auto kArt##id = ParseArt<w, h>(art, kind);
#define VELIN_STRING(id, text)
#define VELIN_RCDATA_WORDS(id, ...)                    \
    constexpr uint16_t kRcWords##id[] = {__VA_ARGS__}; \
    constexpr auto kRcData##id = LittleEndianWords(kRcWords##id);
#include "resources/ui/ui.inc"
#undef VELIN_BITMAP
#undef VELIN_STRING
#undef VELIN_RCDATA_WORDS

struct PictureEntry {
    int id;
    ArtKind kind;
    BitmapData data;
};
constexpr PictureEntry kPictures[] = {
#define VELIN_BITMAP(id, w, h, kind, art) {id, kind, {w, h, kind == kMonochrome, kArt##id.pixels}},
#define VELIN_STRING(id, text)
#define VELIN_RCDATA_WORDS(id, ...)
#include "resources/ui/ui.inc"
#undef VELIN_BITMAP
#undef VELIN_STRING
#undef VELIN_RCDATA_WORDS
};

struct StringEntry {
    UINT id;
    std::u16string_view text;
};
constexpr StringEntry kStrings[] = {
#define VELIN_BITMAP(id, w, h, kind, art)
#define VELIN_STRING(id, text) {id, text},
#define VELIN_RCDATA_WORDS(id, ...)
#include "resources/ui/ui.inc"
#undef VELIN_BITMAP
#undef VELIN_STRING
#undef VELIN_RCDATA_WORDS
};

struct RcDataEntry {
    uint32_t id;
    std::span<const uint8_t> bytes;
};
constexpr RcDataEntry kRcData[] = {
#define VELIN_BITMAP(id, w, h, kind, art)
#define VELIN_STRING(id, text)
#define VELIN_RCDATA_WORDS(id, ...) {id, kRcData##id},
#include "resources/ui/ui.inc"
#undef VELIN_BITMAP
#undef VELIN_STRING
#undef VELIN_RCDATA_WORDS
};

// ---------------------------------------------------------------------------------------------
// Raw data. A handle is the resource's id with the raw-data type above it, never null.

constexpr uintptr_t kRcDataType = 10;
constexpr uintptr_t kDialogType = 5;

bool IsOurModule(HMODULE module) {
    return module == nullptr || module == GetModuleHandleW(nullptr);
}

// The parsed template a dialog handle names, or null for any other handle.
const DLGTEMPLATE* DialogOf(HMODULE module, HRSRC resource) {
    const auto value = reinterpret_cast<uintptr_t>(resource);
    if (!IsOurModule(module) || (value >> 16) != kDialogType) return nullptr;
    return velin::platform::FindDialogTemplate(static_cast<int>(value & 0xFFFF));
}

std::optional<uint32_t> RcDataId(HRSRC resource) {
    auto value = reinterpret_cast<uintptr_t>(resource);
    if ((value >> 16) != kRcDataType) return std::nullopt;
    return static_cast<uint32_t>(value & 0xFFFF);
}

// Our own table first: a book file may carry ids of its own, which the book does not use.
ResourceStatus FindRcData(uint32_t id, std::span<const uint8_t>* bytes) {
    for (const RcDataEntry& entry : kRcData) {
        if (entry.id == id) {
            *bytes = entry.bytes;
            return ResourceStatus::kFound;
        }
    }
    const RcDataSource* book = GetRcDataSource();
    if (book == nullptr) return ResourceStatus::kMissing;
    return book->Find(id, bytes);
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    // Dialog templates come from the parsed template text; their handle carries the dialog type.
    if (IsOurModule(module) && IS_INTRESOURCE(name) && type == RT_DIALOG) {
        const int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
        if (!velin::platform::FindDialogTemplate(id)) return nullptr;
        return reinterpret_cast<HRSRC>((kDialogType << 16) | static_cast<uintptr_t>(id));
    }
    if (!IsOurModule(module) || !IS_INTRESOURCE(name) || !IS_INTRESOURCE(type) ||
        reinterpret_cast<uintptr_t>(type) != kRcDataType) {
        return nullptr;
    }
    auto id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name));
    std::span<const uint8_t> bytes;
    // An unloadable resource is found; LoadResource then fails, as the lookup expects.
    if (FindRcData(id, &bytes) == ResourceStatus::kMissing) return nullptr;
    return reinterpret_cast<HRSRC>((kRcDataType << 16) | id);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    if (const DLGTEMPLATE* t = DialogOf(module, resource)) return const_cast<DLGTEMPLATE*>(t);
    std::optional<uint32_t> id = RcDataId(resource);
    std::span<const uint8_t> bytes;
    if (!IsOurModule(module) || !id || FindRcData(*id, &bytes) != ResourceStatus::kFound) {
        return nullptr;
    }
    // An empty resource still loads, to a pointer that must not be read.
    static const uint8_t kEmpty = 0;
    return const_cast<uint8_t*>(bytes.empty() ? &kEmpty : bytes.data());
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    if (DialogOf(module, resource)) return sizeof(DLGTEMPLATE);
    std::optional<uint32_t> id = RcDataId(resource);
    std::span<const uint8_t> bytes;
    if (!IsOurModule(module) || !id || FindRcData(*id, &bytes) != ResourceStatus::kFound) {
        return 0;
    }
    return static_cast<DWORD>(bytes.size());
}

LPVOID LockResource(HGLOBAL loaded) { return loaded; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
    if (!IsOurModule(instance) || buffer == nullptr || size < 0) return 0;
    for (const StringEntry& entry : kStrings) {
        if (entry.id != id) continue;
        if (size == 0) {
            *reinterpret_cast<LPCWSTR*>(buffer) = entry.text.data();
            return static_cast<int>(entry.text.size());
        }
        size_t n = std::min(entry.text.size(), static_cast<size_t>(size) - 1);
        entry.text.copy(buffer, n);
        buffer[n] = 0;
        return static_cast<int>(n);
    }
    if (size > 0) buffer[0] = 0;
    return 0;
}

const BitmapData* FindBitmapResource(int id) {
    for (const PictureEntry& entry : kPictures) {
        if (entry.id == id && entry.kind != kIcon) return &entry.data;
    }
    return nullptr;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    if (!IsOurModule(instance) || !IS_INTRESOURCE(name)) return nullptr;
    auto id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
    for (const PictureEntry& entry : kPictures) {
        if (entry.id == id && entry.kind == kIcon) {
            return reinterpret_cast<HICON>(const_cast<BitmapData*>(&entry.data));
        }
    }
    return nullptr;
}

const BitmapData* IconBitmap(HICON icon) {
    for (const PictureEntry& entry : kPictures) {
        if (entry.kind == kIcon &&
            reinterpret_cast<HICON>(const_cast<BitmapData*>(&entry.data)) == icon) {
            return &entry.data;
        }
    }
    return nullptr;
}
