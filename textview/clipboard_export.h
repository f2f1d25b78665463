// textview/clipboard_export.h: the lesson on show as plain text on the clipboard.
//
// Copy replaces the clipboard's text with the export text of the view's lesson (one line per
// record, see ConvertForExport in lesson_text.h); Append puts it after the text already there,
// with no separator. The clipboard is opened and closed within each step and never held
// across a return to the message loop. The clipboard takes over the LocalAlloc block it is
// given; every other buffer here is freed by whoever allocated it.
//
// The program supplies its guarded allocation (which reports a lack of memory and shuts the
// program down) and the owner of the conversion's message box through SetClipboardExportHost;
// without it the ordinary allocator is used and the box has no owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "book/book.h"
#include "platform/windows.h"
#include "textview/text_view.h"

// The guarded allocation gives null only after it has begun the program's shutdown, so a null
// block means "stop now, touch nothing" (the view may already be gone).
using GuardedAllocFn = void* (*)(size_t size);
void SetClipboardExportHost(GuardedAllocFn alloc, HWND messageOwner);

// A block of the guarded allocation, released with free().
using ExportBuffer = std::unique_ptr<char16_t[], FreeBytes>;

// The export buffer for `lesson`: ExportBufferSize bytes from the guarded allocation, with the
// size in *sizeBytes. Null (and *sizeBytes 0) when memory ran out.
ExportBuffer AllocExportBuffer(std::span<const uint8_t> lesson, size_t* sizeBytes);

// A copy of the clipboard's Unicode text without its zero unit, and its length in bytes
// (units x 2). Null with length 0 when the clipboard cannot be opened or holds no text.
// *outOfMemory (when given) tells apart the one case where there was text but no memory for
// its copy.
ExportBuffer ReadClipboardText(size_t* lengthBytes, bool* outOfMemory = nullptr);

enum class ClipboardMode { kReplace, kAppend };
// Places `text` (zero-terminated) on the clipboard, after the old text with kAppend.
void PutClipboardText(const char16_t* text, ClipboardMode mode);
