// The lesson on show as plain text on the clipboard: Copy and Append.
#include "textview/clipboard_export.h"

#include <cstring>

namespace {

GuardedAllocFn g_alloc = AllocBytes;
HWND g_messageOwner = nullptr;

// Units before the zero that ends `text`.
size_t UnitCount(const char16_t* text) {
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

void SetClipboardExportHost(GuardedAllocFn alloc, HWND messageOwner) {
    g_alloc = alloc ? alloc : AllocBytes;
    g_messageOwner = messageOwner;
}

ExportBuffer AllocExportBuffer(std::span<const uint8_t> lesson, size_t* sizeBytes) {
    const size_t size = ExportBufferSize(lesson);
    ExportBuffer buffer(static_cast<char16_t*>(g_alloc(size)));
    *sizeBytes = buffer ? size : 0;
    return buffer;
}

ExportBuffer ReadClipboardText(size_t* lengthBytes, bool* outOfMemory) {
    *lengthBytes = 0;
    if (outOfMemory) *outOfMemory = false;
    if (!OpenClipboard(nullptr)) return nullptr;
    const auto* text = static_cast<const char16_t*>(GetClipboardData(CF_UNICODETEXT));
    if (!text) {
        CloseClipboard();
        return nullptr;
    }
    const size_t length = UnitCount(text) * 2;
    // One unit more than the copy needs, so that an empty text still gets a
    // block and a null block always means that memory ran out.
    ExportBuffer copy(static_cast<char16_t*>(g_alloc(length + 2)));
    if (copy) {
        std::memcpy(copy.get(), text, length);
        copy[length / 2] = 0;
        *lengthBytes = length;
    } else if (outOfMemory) {
        *outOfMemory = true;
    }
    CloseClipboard();
    return copy;
}

void PutClipboardText(const char16_t* text, ClipboardMode mode) {
    size_t oldBytes = 0;
    ExportBuffer old;
    if (mode == ClipboardMode::kAppend) {
        bool outOfMemory = false;
        old = ReadClipboardText(&oldBytes, &outOfMemory);
        // The guarded allocation has begun the shutdown: writing the lesson alone now would
        // throw away what the user had on the clipboard.
        if (outOfMemory) return;
    }
    const size_t n = UnitCount(text);
    const size_t at = oldBytes & ~size_t{1};
    auto* block = static_cast<char*>(LocalAlloc(LMEM_MOVEABLE, oldBytes + (n + 1) * 2));
    if (block) {
        if (oldBytes > 0) std::memcpy(block, old.get(), oldBytes);
        std::memcpy(block + at, text, (n + 1) * 2);
    }
    old.reset();
    // Without a block there is nothing to give; emptying the clipboard anyway would only lose
    // the text the user had there.
    if (!block) return;
    if (!OpenClipboard(nullptr)) {
        LocalFree(block);  // never handed over: still ours
        return;
    }
    EmptyClipboard();
    // A failed hand-over leaves the block with us.
    if (!SetClipboardData(CF_UNICODETEXT, block)) LocalFree(block);
    CloseClipboard();
}

int TextView::CopyToClipboard(TextView* view, int append) {
    if (!view) return kViewMissing;
    if (!view->text || view->textLength == 0) return 0;
    const std::span<const uint8_t> lesson(view->text.get(), view->textLength);
    size_t size = 0;
    ExportBuffer buffer = AllocExportBuffer(lesson, &size);
    if (!buffer) return 0;  // the guarded allocation is shutting the program down
    if (ConvertForExport(lesson, buffer.get(), size) == kExportOk) {
        PutClipboardText(buffer.get(), append ? ClipboardMode::kAppend : ClipboardMode::kReplace);
    } else {
        // The size rule leaves room for every lesson; this only guards against a broken rule.
        MessageBoxW(g_messageOwner, u"(obuf > (start + size))", u"", MB_OK);
    }
    return 0;
}
