#include "platform/clipboard.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "book/book.h"
#include "platform/shell.h"

namespace {

// Every block starts with this header, so that the clipboard knows how far it may read.
struct alignas(16) BlockHeader {
    uint64_t magic;
    size_t size;
};
constexpr uint64_t kBlockMagic = 0x4b434f4c424c4356;  // marks a live LocalAlloc block

BlockHeader* HeaderOf(HLOCAL block) {
    auto* header = static_cast<BlockHeader*>(block) - 1;
    assert(header->magic == kBlockMagic && "not a block of LocalAlloc");
    return header;
}

struct Clipboard {
    bool open = false;
    bool fetched = false;   // the desktop's text was read during this opening
    HLOCAL text = nullptr;  // owned
    ClipboardHooks hooks{};
} gClipboard;

bool HasHooks() { return gClipboard.hooks.get != nullptr && gClipboard.hooks.set != nullptr; }

void DropText() {
    LocalFree(gClipboard.text);
    gClipboard.text = nullptr;
}

// The UTF-16 text of a block, up to its first zero unit; a block without one ends at its size.
std::u16string_view BlockText(HLOCAL block) {
    size_t units = LocalSize(block) / 2;
    const auto* p = static_cast<const char16_t*>(block);
    size_t n = 0;
    while (n < units && p[n] != 0) ++n;
    return {p, n};
}

HLOCAL MakeTextBlock(std::u16string_view text) {
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE, (text.size() + 1) * 2);
    if (block == nullptr) return nullptr;
    auto* p = static_cast<char16_t*>(block);
    text.copy(p, text.size());
    p[text.size()] = 0;
    return block;
}

}  // namespace

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
    if (bytes > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    auto* header = static_cast<BlockHeader*>(AllocBytes(sizeof(BlockHeader) + bytes));
    if (header == nullptr) return nullptr;
    header->magic = kBlockMagic;
    header->size = bytes;
    if (flags & LMEM_ZEROINIT) std::memset(header + 1, 0, bytes);
    return header + 1;
}

HLOCAL LocalFree(HLOCAL block) {
    if (block == nullptr) return nullptr;
    BlockHeader* header = HeaderOf(block);
    header->magic = 0;
    std::free(header);
    return nullptr;
}

LPVOID LocalLock(HLOCAL block) { return block; }
BOOL LocalUnlock(HLOCAL) { return FALSE; }  // a fixed block has no lock count to drop
size_t LocalSize(HLOCAL block) { return block == nullptr ? 0 : HeaderOf(block)->size; }

BOOL OpenClipboard(HWND) {
    if (gClipboard.open) return FALSE;
    gClipboard.open = true;
    gClipboard.fetched = false;
    return TRUE;
}

BOOL CloseClipboard() {
    if (!gClipboard.open) return FALSE;
    gClipboard.open = false;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!gClipboard.open) return FALSE;
    DropText();
    if (HasHooks()) gClipboard.hooks.set(nullptr);
    gClipboard.fetched = true;  // the desktop is empty now, as we are
    return TRUE;
}

HANDLE GetClipboardData(UINT format) {
    if (!gClipboard.open || format != CF_UNICODETEXT) return nullptr;
    if (HasHooks() && !gClipboard.fetched) {
        // Another program may have changed the desktop's clipboard since we last looked; read
        // it once per opening, so that a block handed out stays valid until the close.
        gClipboard.fetched = true;
        DropText();
        std::string utf8;
        if (gClipboard.hooks.get(&utf8)) gClipboard.text = MakeTextBlock(Utf8ToUtf16(utf8));
    }
    return gClipboard.text;
}

HANDLE SetClipboardData(UINT format, HANDLE block) {
    if (!gClipboard.open || format != CF_UNICODETEXT || block == nullptr) return nullptr;
    if (block != gClipboard.text) DropText();
    gClipboard.text = block;
    gClipboard.fetched = true;
    if (HasHooks()) {
        std::string utf8 = Utf16ToUtf8(BlockText(block));
        gClipboard.hooks.set(&utf8);
    }
    return block;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    if (format != CF_UNICODETEXT) return FALSE;
    std::u16string text;
    return PeekClipboardText(&text) ? TRUE : FALSE;
}

bool PeekClipboardText(std::u16string* text) {
    if (HasHooks() && !(gClipboard.open && gClipboard.fetched)) {
        std::string utf8;
        if (!gClipboard.hooks.get(&utf8)) return false;
        *text = Utf8ToUtf16(utf8);
        return true;
    }
    if (gClipboard.text == nullptr) return false;
    *text = BlockText(gClipboard.text);
    return true;
}

void SetClipboardHooks(const ClipboardHooks& hooks) { gClipboard.hooks = hooks; }

void ResetClipboard() {
    DropText();
    gClipboard = Clipboard{};
}
