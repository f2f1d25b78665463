// The "Choose Font" dialog.
#include "textview/font_dialog.h"

#include <cstdio>
#include <cstring>

FontDialogState g_fontDialog;

namespace {

const FontDialogHost* g_host = nullptr;

constexpr int kStandardSizes[] = {10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 32, 52, 72};

void AddSizeText(HWND list, int size) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", size);
    char16_t wide[16] = {};
    for (int i = 0; text[i]; ++i) wide[i] = static_cast<char16_t>(text[i]);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide));
}

void SelectSizeText(HWND list, int size) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", size);
    char16_t wide[16] = {};
    for (int i = 0; text[i]; ++i) wide[i] = static_cast<char16_t>(text[i]);
    SendMessageW(list, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide));
}

void PlaceControls(HWND dialog, int w, int h) {
    const int W = w - 14;
    const int H = h - 14;
    const int d = 2 * W / 3;
    const int f = 2 * H / 3;
    MoveWindow(GetDlgItem(dialog, kFontFamilyList), 7, 7, d - 7, f - 7, TRUE);
    MoveWindow(GetDlgItem(dialog, kFontSizeList), d + 7, 59, W - d, f - 59, TRUE);
    MoveWindow(GetDlgItem(dialog, kFontPreview), 7, f, W, H - f, TRUE);
}

}  // namespace

void ResetFontNames() {
    g_fontDialog = FontDialogState{};
    g_fontDialog.tail = &g_fontDialog.names;
}

void FreeFontNames() {
    // Entries of one block are consecutive in the list, so a block is freed only once the walk
    // has reached the mark of the next one (or the end).
    void* block = nullptr;
    for (FontNameEntry* e = g_fontDialog.names; e;) {
        FontNameEntry* next = e->next;
        if (e->blockStart) {
            std::free(block);
            block = e;
        }
        e = next;
    }
    std::free(block);
    // The preview font is not the list's: it outlives the list until the dialog is destroyed.
    HFONT preview = g_fontDialog.previewFont;
    FontSpec* spec = g_fontDialog.spec;
    ResetFontNames();
    g_fontDialog.previewFont = preview;
    g_fontDialog.spec = spec;
}

int OnFontFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM) {
    if (g_fontDialog.leftInBlock == 0) {
        auto* block =
            static_cast<FontNameEntry*>(AllocBytes(sizeof(FontNameEntry) * kFontNamesPerBlock));
        if (!block) return 0;  // the list keeps the families enumerated so far
        std::memset(block, 0, sizeof(FontNameEntry) * kFontNamesPerBlock);
        block->blockStart = 1;
        g_fontDialog.nextFree = block;
        g_fontDialog.leftInBlock = kFontNamesPerBlock;
    }
    FontNameEntry* entry = g_fontDialog.nextFree++;
    --g_fontDialog.leftInBlock;
    std::memcpy(entry->faceName, font->lfFaceName, sizeof entry->faceName);
    entry->faceName[31] = 0;
    *g_fontDialog.tail = entry;
    g_fontDialog.tail = &entry->next;
    return 1;
}

void SetPreviewText(HWND dialog, int letterBase) {
    char16_t text[kPreviewLetters + 1];
    for (int i = 0; i < kPreviewLetters; ++i) text[i] = static_cast<char16_t>(letterBase + i);
    text[kPreviewLetters] = 0;
    SetDlgItemTextW(dialog, kFontPreview, text);
}

void InitFontDialog(HWND dialog, FontSpec* spec) {
    HWND parent = GetParent(dialog);
    HDC dc = GetDC(parent);
    if (g_host && g_host->setUpDialog) g_host->setUpDialog(dialog, 30);
    ResetFontNames();
    g_fontDialog.spec = spec;
    if (spec->letterBase == 0) spec->letterBase = 97;
    SetPreviewText(dialog, spec->letterBase);
    if (!g_fontDialog.names) EnumFontFamiliesW(dc, nullptr, OnFontFamily, 0);
    ReleaseDC(parent, dc);

    HWND families = GetDlgItem(dialog, kFontFamilyList);
    SendMessageW(families, LB_RESETCONTENT, 0, 0);
    for (FontNameEntry* e = g_fontDialog.names; e; e = e->next) {
        SendMessageW(families, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e->faceName));
    }
    SendMessageW(families, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(spec->faceName));

    HWND sizes = GetDlgItem(dialog, kFontSizeList);
    SendMessageW(sizes, LB_RESETCONTENT, 0, 0);
    if (spec->size != 0 && spec->size < 10) AddSizeText(sizes, spec->size);
    for (int size : kStandardSizes) AddSizeText(sizes, size);
    if (spec->size != 0) SelectSizeText(sizes, spec->size);
    SetFocus(families);
}

void ApplyFontChoice(HWND dialog, int mode) {
    LOGFONTW& preview = g_fontDialog.preview;
    HWND families = GetDlgItem(dialog, kFontFamilyList);
    const LRESULT family = SendMessageW(families, LB_GETCURSEL, 0, 0);
    if (family >= 0 && SendMessageW(families, LB_GETTEXTLEN, family, 0) < LF_FACESIZE) {
        SendMessageW(families, LB_GETTEXT, family, reinterpret_cast<LPARAM>(preview.lfFaceName));
    }
    HWND sizes = GetDlgItem(dialog, kFontSizeList);
    const LRESULT size = SendMessageW(sizes, LB_GETCURSEL, 0, 0);
    if (size >= 0 && SendMessageW(sizes, LB_GETTEXTLEN, size, 0) < 8) {
        char16_t text[8] = {};
        SendMessageW(sizes, LB_GETTEXT, size, reinterpret_cast<LPARAM>(text));
        // A stored size below 10 may be negative (a character height): its sign is read too,
        // or "-5" would come back as -25.
        const bool negative = text[0] == u'-';
        LONG value = 0;
        for (int i = negative ? 1 : 0; text[i]; ++i) value = value * 10 + (text[i] - u'0');
        preview.lfHeight = negative ? -value : value;
    }
    if (g_fontDialog.previewFont) {
        DeleteObject(g_fontDialog.previewFont);
        g_fontDialog.previewFont = nullptr;
    }
    if (!(mode & 1)) {
        g_fontDialog.previewFont = CreateFontIndirectW(&preview);
        SendMessageW(GetDlgItem(dialog, kFontPreview), WM_SETFONT,
                     reinterpret_cast<WPARAM>(g_fontDialog.previewFont), 1);
        return;
    }
    FontSpec* spec = g_fontDialog.spec;
    if (preview.lfHeight != 0) spec->size = preview.lfHeight;
    if (preview.lfFaceName[0] != 0) {
        static_assert(sizeof spec->faceName == sizeof preview.lfFaceName);
        std::memcpy(spec->faceName, preview.lfFaceName, sizeof spec->faceName);
    }
}

INT_PTR FontDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            InitFontDialog(dialog, reinterpret_cast<FontSpec*>(lParam));
            return 0;
        case WM_SIZE:
            PlaceControls(dialog, LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE && g_host && g_host->fullScreen && g_host->taskBar) {
                ShowWindow(g_host->taskBar, SW_HIDE);
            }
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    ApplyFontChoice(dialog, 1);
                    FreeFontNames();
                    EndDialog(dialog, 1);
                    return 1;
                case IDCANCEL:
                    FreeFontNames();
                    EndDialog(dialog, 2);
                    return 1;
                case kFontFamilyList:
                case kFontSizeList:
                    ApplyFontChoice(dialog, 2);
                    return 0;
            }
            return 0;
        case WM_DESTROY:
            if (g_fontDialog.previewFont) {
                // The preview control lets go of the font before it is deleted.
                SendMessageW(GetDlgItem(dialog, kFontPreview), WM_SETFONT, 0, 0);
                DeleteObject(g_fontDialog.previewFont);
                g_fontDialog.previewFont = nullptr;
            }
            return 1;
    }
    return 0;
}

INT_PTR RunFontDialog(HINSTANCE instance, HWND owner, FontSpec* spec, const FontDialogHost& host) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(kFontDialogId), RT_DIALOG);
    const auto* tmpl =
        found ? static_cast<const DLGTEMPLATE*>(LoadResource(instance, found)) : nullptr;
    if (!tmpl) return -1;
    g_host = &host;
    const INT_PTR result = DialogBoxIndirectParamW(instance, tmpl, owner, FontDialogProc,
                                                   reinterpret_cast<LPARAM>(spec));
    // A dialog that could not be made never reached OK or Cancel: its list goes now.
    FreeFontNames();
    g_host = nullptr;
    return result;
}
