// The stored bookmark list: loaded with the settings, written back at the end, and the check
// mark of the Bookmark menu item that follows the lesson on show.
//
// The stored value is the list as it lives in memory: 16-bit little-endian day codes closed by
// a 0 entry. The settings file can be edited by hand, so a value of odd size, or one without
// its closing 0, is read as the whole entries before the first 0, and the list always ends
// with a 0 entry and a count that matches it.
#include <cstdlib>
#include <cstring>

#include "app/app.h"

void LoadBookmarks() {
    std::free(g_app.bookmarks);
    g_app.bookmarks = nullptr;
    g_app.bookmarkCount = 0;
    size_t size = 0;
    uint8_t* stored = ReadRegistryBinary(u"Bookmarks", &size);
    if (!stored) return;
    // A count is 16 bits: entries past 65535 could never be counted.
    const size_t entries = std::min<size_t>(size / 2, 0xFFFF);
    size_t count = 0;
    while (count < entries && (stored[2 * count] | stored[2 * count + 1]) != 0) ++count;
    auto* list = static_cast<uint16_t*>(AllocOrQuit((count + 1) * sizeof(uint16_t)));
    if (list) {
        for (size_t i = 0; i < count; ++i) {
            list[i] = static_cast<uint16_t>(stored[2 * i] | (stored[2 * i + 1] << 8));
        }
        list[count] = 0;
        g_app.bookmarks = list;
        g_app.bookmarkCount = static_cast<uint16_t>(count);
    }
    std::free(stored);
}

void SaveBookmarks() {
    const size_t count = g_app.bookmarks ? g_app.bookmarkCount : 0;
    // Little-endian on every host; room for the closing 0 entry.
    auto* bytes = static_cast<uint8_t*>(std::calloc(count + 1, 2));
    if (bytes) {
        for (size_t i = 0; i < count; ++i) {
            bytes[2 * i] = static_cast<uint8_t>(g_app.bookmarks[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>(g_app.bookmarks[i] >> 8);
        }
        WriteRegistryBinary(u"Bookmarks", bytes, (count + 1) * 2);
        std::free(bytes);
    }
    std::free(g_app.bookmarks);
    g_app.bookmarks = nullptr;
    g_app.bookmarkCount = 0;
}

bool IsBookmarked() {
    if (!g_app.bookmarks) return false;
    for (int i = 0; i < g_app.bookmarkCount; ++i) {
        if (g_app.bookmarks[i] == g_app.Lesson) return true;
    }
    return false;
}

void RefreshBookmarkCheck() {
    HMENU menu = GoMenu();
    if (!menu) return;
    CheckMenuItem(menu, kCmdBookmark, MF_BYCOMMAND | (IsBookmarked() ? MF_CHECKED : MF_UNCHECKED));
}
