// textview/font_dialog.h: the "Choose Font" dialog, which edits the reading font (FontSpec) in
// place: a list of the installed font families, a list of sizes and a preview of 26 letters
// from the FontSpec's letter base in the chosen face and size.
//
// The family names are kept in a list of entries handed out from blocks of 25 (one allocation
// per block, not per family), alive from the dialog's start until OK or Cancel. Only one
// dialog is open at a time, so its state is one static block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/windows.h"
#include "textview/text_view.h"

constexpr int kFontDialogId = 105;
constexpr int kFontFamilyList = 1001;
constexpr int kFontPreview = 1002;
constexpr int kFontSizeList = 1006;
constexpr int kFontNamesPerBlock = 25;
constexpr int kPreviewLetters = 26;

struct FontNameEntry {
    FontNameEntry* next;
    char16_t faceName[32];
    uint8_t blockStart;  // set on the first entry of every block: the block's allocation
};

struct FontDialogState {
    FontNameEntry* names;
    FontNameEntry** tail;  // where the next entry is linked in
    FontNameEntry* nextFree;
    HFONT previewFont;
    int leftInBlock;
    LOGFONTW preview;  // all zero but lfHeight and lfFaceName
    FontSpec* spec;
};
extern FontDialogState g_fontDialog;

// What the dialog needs of the reader: its dialog set-up, and the task bar it hides on
// activation in full-screen mode.
struct FontDialogHost {
    void (*setUpDialog)(HWND dialog, DWORD shellFlags) = nullptr;
    HWND taskBar = nullptr;
    bool fullScreen = false;
};

// Runs the dialog on `spec`: 1 after OK (`spec` then holds the choice), 2 after Cancel, -1
// when the dialog could not be made.
INT_PTR RunFontDialog(HINSTANCE instance, HWND owner, FontSpec* spec, const FontDialogHost& host);

INT_PTR FontDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
void InitFontDialog(HWND dialog, FontSpec* spec);
int OnFontFamily(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM param);
void SetPreviewText(HWND dialog, int letterBase);
// Mode 1 stores the choice into the FontSpec; 0 or 2 refresh the preview font.
void ApplyFontChoice(HWND dialog, int mode);
void ResetFontNames();
void FreeFontNames();
