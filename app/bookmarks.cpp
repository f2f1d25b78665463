// The bookmark list: loaded with the settings, written back at the end, the Bookmark command
// that sets and removes the mark of the lesson on show, and the check mark of the Bookmark
// menu item that follows it.
//
// The stored value is the list as it lives in memory: 16-bit little-endian day codes closed by
// a 0 entry. The settings file can be edited by hand, so a value of odd size, or one without
// its closing 0, is read as the whole entries before the first 0, and the list always ends
// with a 0 entry and a count that matches it.
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "book/book.h"

namespace {
// Bit of bookmarkFlags: the user answered Cancel to the removal question (this run only).
constexpr uint16_t kBookmarkRemoveWithoutAsking = 0x0001;
}  // namespace

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

namespace {

void AddBookmark(DayCode code) {
    const size_t count = g_app.bookmarks ? g_app.bookmarkCount : 0;
    for (size_t i = 0; i < count; ++i) {
        if (g_app.bookmarks[i] == code) return;
    }
    if (count >= 0xFFFF) return;  // the count is 16 bits
    // Losing this allocation only loses the new bookmark, so it does not end the program; the
    // check mark still shows the true state.
    auto* list = static_cast<uint16_t*>(AllocBytes((count + 2) * sizeof(uint16_t)));
    if (!list) return;
    for (size_t i = 0; i < count; ++i) list[i] = g_app.bookmarks[i];
    std::free(g_app.bookmarks);
    list[count] = code;
    list[count + 1] = 0;
    g_app.bookmarks = list;
    g_app.bookmarkCount = static_cast<uint16_t>(count + 1);
}

// Compacts the list in place; the array keeps its size and its closing 0 moves up.
void RemoveBookmark(DayCode code) {
    if (!g_app.bookmarks) return;
    int kept = 0;
    for (int i = 0; i < g_app.bookmarkCount; ++i) {
        if (g_app.bookmarks[i] != code) g_app.bookmarks[kept++] = g_app.bookmarks[i];
    }
    g_app.bookmarks[kept] = 0;
    g_app.bookmarkCount = static_cast<uint16_t>(kept);
}

}  // namespace

void ToggleBookmark(HWND owner) {
    if (!IsBookmarked()) {
        AddBookmark(g_app.Lesson);
    } else {
        bool remove = true;
        if ((g_app.bookmarkFlags & kBookmarkRemoveWithoutAsking) == 0) {
            const int answer = MessageBoxW(owner, u"Remove Bookmark?\n\nCancel - Don't ask again",
                                           u"Bookmark", MB_YESNOCANCEL);
            if (answer == IDNO) remove = false;
            if (answer == IDCANCEL) g_app.bookmarkFlags |= kBookmarkRemoveWithoutAsking;
        }
        if (remove) RemoveBookmark(g_app.Lesson);
    }
    RefreshBookmarkCheck();
}
