// The settings: read once at start into AppState, written once at the end, and the memory
// guard that ends the program in order when an allocation it cannot do without fails.
//
// The settings file is a text file a person may edit, so nothing read from it is trusted:
// sizes come from the file, strings may lack their terminator, numbers may hold any digits.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "book/book.h"

AppState g_app;
StartupSwitches g_switches;

namespace {

// Where the settings are in their life. Saving before they were loaded would write the
// half-read record (Flags 0, Day 0, no bookmarks) over the stored one; saving twice (the
// window's destruction after AllocOrQuit already saved) would write the freed bookmark list
// as empty. Either loses what the user had.
enum class SettingsPhase { kNotLoaded, kLoaded, kSaved };
SettingsPhase g_phase = SettingsPhase::kNotLoaded;

}  // namespace

void ClearAppState() {
    g_app = AppState{};
    // The font record's own defaults are not "cleared": start-up reads every field of it.
    g_app.fontSpec = FontSpec{};
    g_app.fontSpec.letterBase = 0;
    g_switches = StartupSwitches{};
    g_phase = SettingsPhase::kNotLoaded;
}

void* AllocOrQuit(size_t size) {
    void* block = AllocBytes(size);
    if (block) return block;
    MessageBoxW(nullptr, u"There is not enough memory, aborting", u"Error", MB_OK | MB_ICONSTOP);
    SaveAndQuit();
    return nullptr;
}

// ---- Readers ------------------------------------------------------------------------------------

namespace {

// A value read whole: the key is open only for the call.
struct RawValue {
    uint8_t* bytes = nullptr;  // AllocOrQuit block, zero past `size`
    size_t size = 0;
    DWORD type = REG_NONE;
};

// Reads `name` under `key` into a block of at least `size` x `factor` + `extra` bytes (the
// bytes past the stored ones are zero). False when the key or value is missing or unreadable,
// or memory ran out (AllocOrQuit has then ended the program).
bool ReadWhole(const char16_t* key, const char16_t* name, size_t factor, size_t extra,
               RawValue* out) {
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return false;
    bool ok = false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExW(hkey, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        const size_t capacity = static_cast<size_t>(size) * factor + extra;
        auto* bytes = static_cast<uint8_t*>(AllocOrQuit(capacity));
        if (bytes) {
            std::memset(bytes, 0, capacity);
            DWORD got = size;
            // An empty value has nothing more to read.
            if (size == 0 ||
                (RegQueryValueExW(hkey, name, nullptr, &type, bytes, &got) == ERROR_SUCCESS &&
                 got <= size)) {
                *out = RawValue{bytes, got, type};
                ok = true;
            } else {
                std::free(bytes);
            }
        }
    }
    RegCloseKey(hkey);
    return ok;
}

// Digits of a UTF-16 string, up to its zero or the end of the stored bytes. Any unit counts as
// a digit (c - 48), as the settings have always been read; the arithmetic is unsigned, so a
// number too long for 32 bits wraps instead of overflowing.
uint32_t ParseDigits(const uint8_t* bytes, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint32_t c =
            static_cast<uint32_t>(bytes[i]) | (static_cast<uint32_t>(bytes[i + 1]) << 8);
        if (c == 0) break;
        value = value * 10u + (c - 48u);
    }
    return value;
}

}  // namespace

int32_t ReadRegistryInteger(const char16_t* key, const char16_t* name, int32_t fallback) {
    // A stored number is read as it is, without a buffer.
    HKEY hkey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS) return fallback;
    DWORD type = REG_NONE;
    DWORD stored = 0;
    DWORD size = sizeof stored;
    const LONG status =
        RegQueryValueExW(hkey, name, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size);
    RegCloseKey(hkey);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return fallback;
    if (type == REG_DWORD) {
        return status == ERROR_SUCCESS && size == sizeof stored ? static_cast<int32_t>(stored)
                                                                : fallback;
    }
    // Anything else is a string of decimal digits, read whole.
    RawValue v;
    if (!ReadWhole(key, name, 1, 0, &v)) return fallback;
    const auto result = static_cast<int32_t>(ParseDigits(v.bytes, v.size));
    std::free(v.bytes);
    return result;
}

char16_t* ReadRegistryString(const char16_t* name) {
    RawValue v;
    // Twice the stored size, and one more unit, so that a string stored without its
    // terminator (or of an odd number of bytes) still ends inside the block.
    if (!ReadWhole(kSettingsKey, name, 2, sizeof(char16_t), &v)) return nullptr;
    // An odd last byte is half a unit: no character.
    if (v.size % 2 != 0) v.bytes[v.size - 1] = 0;
    return reinterpret_cast<char16_t*>(v.bytes);
}

uint8_t* ReadRegistryBinary(const char16_t* name, size_t* size) {
    RawValue v;
    if (!ReadWhole(kSettingsKey, name, 1, 0, &v)) return nullptr;
    if (size) *size = v.size;
    return v.bytes;
}

// ---- Writers ------------------------------------------------------------------------------------

namespace {

int WriteValue(const char16_t* name, DWORD type, const void* bytes, size_t size) {
    HKEY hkey = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &hkey, &disposition) != ERROR_SUCCESS) {
        return 0;
    }
    const LONG set = RegSetValueExW(hkey, name, 0, type, static_cast<const BYTE*>(bytes),
                                    static_cast<DWORD>(size));
    // Closing writes the file; a failed write is a failed store.
    const LONG closed = RegCloseKey(hkey);
    return set == ERROR_SUCCESS && closed == ERROR_SUCCESS ? 1 : 0;
}

}  // namespace

int WriteRegistryInteger(const char16_t* name, uint32_t value) {
    return WriteValue(name, REG_DWORD, &value, sizeof value);
}

int WriteRegistryString(const char16_t* name, const char16_t* text) {
    const size_t length = std::char_traits<char16_t>::length(text);
    return WriteValue(name, REG_SZ, text, (length + 1) * sizeof(char16_t));
}

int WriteRegistryBinaryText(const char16_t* name, const char* text) {
    return WriteValue(name, REG_BINARY, text, std::strlen(text) + 1);
}

int WriteRegistryBinary(const char16_t* name, const void* bytes, size_t size) {
    return WriteValue(name, REG_BINARY, bytes, size);
}

// ---- Load and save
// --------------------------------------------------------------------------------

namespace {

int32_t ReadSetting(const char16_t* name, int32_t fallback) {
    return ReadRegistryInteger(kSettingsKey, name, fallback);
}

}  // namespace

void LoadSettings() {
    WCHAR path[261] = {};
    if (GetModuleFileNameW(nullptr, path, 260) > 0 && path[0] != 0) {
        WriteRegistryString(u"Program Path", path);
    }

    if (char16_t* name = ReadRegistryString(u"FontName")) {
        if (name[0] != 0) {
            int n = 0;
            while (n < kFontNameChars && name[n] != 0) {
                g_app.fontSpec.faceName[n] = name[n];
                ++n;
            }
            g_app.fontSpec.faceName[n] = 0;
        }
        std::free(name);
    }

    size_t size = 0;
    if (uint8_t* search = ReadRegistryBinary(u"SearchString", &size)) {
        if (size > 0 && search[0] != 0) {
            // Cut at the first zero, at 33 characters or at the end of the stored bytes.
            size_t n = 0;
            while (n < static_cast<size_t>(kSearchStringChars) && n < size && search[n] != 0) {
                g_app.SearchString[n] = static_cast<char>(search[n]);
                ++n;
            }
            g_app.SearchString[n] = 0;
        }
        std::free(search);
    }

    g_app.fontSpec.size = ReadSetting(u"FontSize", 0);
    g_app.fontSpec.letterBase = ReadSetting(u"FontAsciiBase", 97);
    g_app.LastPosition = static_cast<uint16_t>(ReadSetting(u"LastPosition", 0));
    g_app.Flags = static_cast<uint32_t>(ReadSetting(u"Flags", static_cast<int32_t>(kFlagsDefault)));

    g_app.Day = ReadSetting(u"Day", 0);
    if (g_app.Day != 0) {
        DayNumberToHebrew(g_app.Day, g_app.date);
        g_app.captionLength = FormatDateCaption(g_app.date, g_app.caption);
        if (g_app.captionLength == 0) g_app.caption[0] = 0;
    }
    g_app.Lesson = static_cast<DayCode>(ReadSetting(u"Lesson", 0));

    for (int i = 0; i < 3; ++i) {
        g_app.outlineGlyphs[i] = LoadBitmapW(g_app.instance, MAKEINTRESOURCEW(201 + i));
    }
    LoadBookmarks();
    // A reader that ran out of memory has already ended the program: nothing is saved then.
    if (g_phase == SettingsPhase::kNotLoaded) g_phase = SettingsPhase::kLoaded;
}

void SaveAndQuit() {
    const bool save = g_phase == SettingsPhase::kLoaded;
    g_phase = SettingsPhase::kSaved;
    for (HBITMAP& glyph : g_app.outlineGlyphs) {
        if (glyph) DeleteObject(glyph);
        glyph = nullptr;
    }
    if (!save) {
        // Nothing to write: the view still goes, and the loop still ends.
        if (g_app.textView) TextView::Destroy(g_app.textView, DestroyView::kFreeObject);
        g_app.textView = nullptr;
        PostQuitMessage(0);
        return;
    }
    if (g_app.SearchString[0] != 0) WriteRegistryBinaryText(u"SearchString", g_app.SearchString);
    if (g_app.fontSpec.faceName[0] != 0) WriteRegistryString(u"FontName", g_app.fontSpec.faceName);
    if (g_app.fontSpec.size != 0)
        WriteRegistryInteger(u"FontSize", static_cast<uint32_t>(g_app.fontSpec.size));
    if (g_app.fontSpec.letterBase != 0) {
        WriteRegistryInteger(u"FontAsciiBase", static_cast<uint32_t>(g_app.fontSpec.letterBase));
    }
    if (g_app.textView) WriteRegistryInteger(u"LastPosition", g_app.textView->topRow);
    WriteRegistryInteger(u"Flags", g_app.Flags);
    WriteRegistryInteger(u"Day", static_cast<uint32_t>(g_app.Day));
    if (g_app.Lesson != 0) WriteRegistryInteger(u"Lesson", g_app.Lesson);
    if (g_app.textView) {
        TextView::Destroy(g_app.textView, DestroyView::kFreeObject);
        g_app.textView = nullptr;
    }
    SaveBookmarks();
    PostQuitMessage(0);
}
