// The About box and the update check.
#include "app/about.h"

#include <cstring>

#include "app/app.h"

#ifndef VELIN_MAKER_SITE
#error "VELIN_MAKER_SITE (the maker's web-site address) is set in app/CMakeLists.txt"
#endif
#ifndef VELIN_MAKER_NOTICE
#error "VELIN_MAKER_NOTICE (the maker's notice line) is set in app/CMakeLists.txt"
#endif

#define VELIN_WIDEN2(s) u##s
#define VELIN_WIDEN(s) VELIN_WIDEN2(s)

namespace {

constexpr char16_t kSiteAddress[] = VELIN_WIDEN(VELIN_MAKER_SITE);
constexpr char16_t kNotice[] = VELIN_WIDEN(VELIN_MAKER_NOTICE);
constexpr char16_t kUpdatePath[] = u"/cgi-bin/upgrade?p=arm/";
constexpr char16_t kProductId[] = u"Ostrelle/Velin-English";
constexpr char16_t kVersionSuffix[] = u"&v=1.84a";
constexpr int kCaptionChars = 100;  // of the link's caption

// Made when the box opens, deleted when it closes.
HFONT g_linkFont = nullptr;

// The site address without its scheme, for the link's caption.
const char16_t* HostOf(const char16_t* address) {
    for (const char16_t* p = address; p[0] && p[1] && p[2]; ++p) {
        if (p[0] == u':' && p[1] == u'/' && p[2] == u'/') return p + 3;
    }
    return address;
}

// Appends units while there is room for them and the closing zero.
struct AddressWriter {
    char16_t* out;
    char16_t* end;  // one past the last unit that may hold text
    void Put(char16_t unit) {
        if (out < end) *out++ = unit;
    }
    void Put(const char16_t* text) {
        while (*text) Put(*text++);
    }
};

bool CopiedAsIs(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
           (unit >= u'0' && unit <= u'9') || unit == u'.' || unit == u'/';
}

void MakeLinkFont(HWND dialog) {
    HWND link = GetDlgItem(dialog, kAboutLinkId);
    if (!link) return;
    HDC dc = GetDC(link);
    LOGFONTW lf{};
    auto current = reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0));
    if (current) GetObjectW(current, sizeof(lf), &lf);
    lf.lfUnderline = TRUE;
    // A font without a face name is left so: here the empty name is the system's own face,
    // the face the link is meant to share with the rest of the box (and the pinned test face
    // in screenshots), where naming one face would pick whatever the desktop matches to it.
    // A 10-point font; the division truncates toward zero.
    if (lf.lfHeight == 0) lf.lfHeight = -(10 * GetDeviceCaps(dc, LOGPIXELSY) / 72);
    lf.lfWeight = 800;
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) {  // the button keeps its own font and size
        ReleaseDC(link, dc);
        return;
    }
    g_linkFont = font;
    SelectObject(dc, font);
    char16_t caption[kCaptionChars + 1] = {};
    const int length = GetWindowTextW(link, caption, kCaptionChars + 1);
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SIZE size{};
    GetTextExtentPoint32W(dc, caption, length, &size);
    SetWindowPos(link, nullptr, 0, 0, size.cx + 2 * GetSystemMetrics(SM_CXEDGE),
                 size.cy + 2 * GetSystemMetrics(SM_CYEDGE),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
    ReleaseDC(link, dc);
}

void DrawLink(const DRAWITEMSTRUCT* item) {
    char16_t caption[kCaptionChars + 1] = {};
    const int length = GetWindowTextW(item->hwndItem, caption, kCaptionChars + 1);
    SetTextColor(item->hDC, RGB(0, 0, 255));
    SetBkMode(item->hDC, TRANSPARENT);
    SetBkColor(item->hDC, RGB(255, 255, 255));
    // Opaque: the whole button is painted white behind the text. Selected and focused states
    // look the same.
    ExtTextOutW(item->hDC, GetSystemMetrics(SM_CXEDGE) / 2, 0, ETO_OPAQUE, &item->rcItem, caption,
                static_cast<UINT>(length), nullptr);
}

}  // namespace

const char16_t* MakerSiteAddress() { return kSiteAddress; }
const char16_t* MakerSiteHost() { return HostOf(kSiteAddress); }
const char16_t* MakerNotice() { return kNotice; }

void BuildUpdateAddress(char16_t (&buffer)[kUpdateAddressUnits]) {
    std::memset(buffer, 0, sizeof(buffer));
    AddressWriter w{buffer, buffer + kUpdateAddressUnits - 1};
    w.Put(kSiteAddress);
    w.Put(kUpdatePath);
    for (const char16_t* p = kProductId; *p; ++p) {
        if (CopiedAsIs(*p)) {
            w.Put(*p);
        } else if (*p == u' ') {
            w.Put(u'+');
        } else {
            // "%" and the unit in upper-case hexadecimal, at least two digits.
            static constexpr char16_t kHex[] = u"0123456789ABCDEF";
            w.Put(u'%');
            bool started = false;
            for (int shift = 12; shift >= 0; shift -= 4) {
                const int digit = (*p >> shift) & 0xF;
                if (digit != 0 || started || shift <= 4) {
                    w.Put(kHex[digit]);
                    started = true;
                }
            }
        }
    }
    w.Put(kVersionSuffix);
}

void OpenAddress(HWND owner, const char16_t* address) {
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = u"Open";
    info.lpFile = address;
    ShellExecuteEx(&info);  // no browser or no connection is not reported
}

INT_PTR AboutDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            MakeLinkFont(dialog);
            return FALSE;
        case WM_DRAWITEM:
            DrawLink(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                case IDCANCEL:
                    EndDialog(dialog, LOWORD(wParam));
                    if (g_linkFont) {
                        DeleteObject(g_linkFont);
                        g_linkFont = nullptr;
                    }
                    return TRUE;
                case kAboutLinkId:
                    // The box stays open while the browser starts.
                    OpenAddress(GetDlgItem(dialog, kAboutLinkId), kSiteAddress);
                    return FALSE;
            }
            return FALSE;
    }
    return FALSE;
}

void ShowAboutBox(HWND owner) {
    HINSTANCE instance = g_app.instance;
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(kAboutDialogId), RT_DIALOG);
    const auto* stored =
        found ? static_cast<const DLGTEMPLATE*>(LoadResource(instance, found)) : nullptr;
    if (!stored) return;
    // The notice and the link's caption are the build's choice, so they are filled in here
    // rather than kept twice.
    DLGTEMPLATE tmpl = *stored;
    for (DLGITEMTEMPLATEW& item : tmpl.items) {
        if (item.id == kAboutLinkId) item.text = MakerSiteHost();
        // The notice is the one static text at its place under the version line.
        if (item.id == -1 && item.y == 41) item.text = MakerNotice();
    }
    DialogBoxIndirectParamW(instance, &tmpl, owner, AboutDialogProc, 0);
}

void CheckForUpdates(HWND owner) {
    char16_t address[kUpdateAddressUnits];
    BuildUpdateAddress(address);
    OpenAddress(owner, address);
}
