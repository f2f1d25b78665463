// platform/clipboard.h: the clipboard and the local memory blocks it takes over.
//
// The clipboard holds Unicode text (CF_UNICODETEXT) in a block from LocalAlloc; after
// SetClipboardData the block belongs to the clipboard. The desktop backend installs hooks that
// exchange the text with the desktop clipboard as UTF-8; without them (headless) the text stays
// in this process. The clipboard is opened and closed around each use, by one owner at a time.
#pragma once

#include <string>

#include "platform/win_types.h"

constexpr UINT CF_UNICODETEXT = 13;

// ---------------------------------------------------------------------------------------------
// Local memory. A block is used directly through the pointer LocalAlloc returns; LocalLock
// gives the same pointer back. Blocks come from the program's one allocation function, so a
// test can make LocalAlloc fail.

constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_MOVEABLE = 0x0002;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

// Null when memory runs out. Only LMEM_ZEROINIT changes anything: every block stays put.
HLOCAL LocalAlloc(UINT flags, size_t bytes);
// Returns null. Null is accepted; anything else must be a block of LocalAlloc.
HLOCAL LocalFree(HLOCAL block);
LPVOID LocalLock(HLOCAL block);
BOOL LocalUnlock(HLOCAL block);
// The size asked for at allocation (0 for null).
size_t LocalSize(HLOCAL block);

// ---------------------------------------------------------------------------------------------
// The clipboard.

// Fails while the clipboard is open (by anyone, the caller included: open and close pair up).
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Needs the clipboard open; releases the text it held.
BOOL EmptyClipboard();
// Needs the clipboard open. The block stays the clipboard's: valid until the clipboard is
// emptied or given other text; null when there is no text of that format.
HANDLE GetClipboardData(UINT format);
// Needs the clipboard open. On success the clipboard owns `block` (a LocalAlloc block holding
// UTF-16 text, read up to its first zero unit or the end of the block) and returns it; on
// failure (not open, another format, a null block) the caller keeps it and gets null.
HANDLE SetClipboardData(UINT format, HANDLE block);
BOOL IsClipboardFormatAvailable(UINT format);

// The text on the clipboard, without opening it (for scripts and tests): false when there is
// none.
bool PeekClipboardText(std::u16string* text);

// The desktop's clipboard, in UTF-8. `get` answers false when the desktop holds no text;
// `set` with null empties the desktop clipboard. Both hooks null: the clipboard stays here.
struct ClipboardHooks {
    bool (*get)(std::string* utf8);
    void (*set)(const std::string* utf8);
};
void SetClipboardHooks(const ClipboardHooks& hooks);
// Tests only: forget the text and the open state, and remove the hooks.
void ResetClipboard();
