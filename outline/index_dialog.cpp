// The Index dialog: the table of contents with the bookmarks in front, full screen, in an
// outline view with the dialog's vertical scroll bar.
#include <cstring>

#include "outline/outline.h"

namespace {

// The dialog's state, one block zeroed at each opening.
struct IndexState {
    uint16_t result;  // the lesson on show; 0 after Cancel; the tapped lesson
    HWND window;
    HDC dc;       // the dialog's own context; the view draws with it
    RECT client;  // the client area less the scroll bar's width (used for erasing)
    OutlineView* view;
    const FontSpec* font;
    const IndexHost* host;
};
IndexState g_index;

void StoreClientRect(HWND dialog) {
    GetClientRect(dialog, &g_index.client);
    g_index.client.right -= GetSystemMetrics(SM_CXVSCROLL);
}

void UpdateIndexScrollBar() {
    if (!g_index.view) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    si.nMin = 0;
    si.nMax = g_index.view->maxTop;
    si.nPos = g_index.view->top;
    SetScrollInfo(g_index.window, SB_VERT, &si, TRUE);
    // The dialog's template has no scroll bar; the platform shows one only for windows made
    // with it, so the bar is brought in once there is something to scroll. (The client area
    // narrows, and the WM_SIZE that follows lays the rows out for it.)
    if (si.nMax > 0 && !(GetWindowLongW(g_index.window, GWL_STYLE) & WS_VSCROLL)) {
        ShowScrollBar(g_index.window, SB_VERT, TRUE);
    }
}

void OpenOutline() {
    OutlineData outline = MakeIndexOutline(FetchContents(), g_index.host->bookmarks);
    g_index.view =
        OutlineView::Create(g_index.dc, g_index.client, *g_index.font, 100, g_index.host->glyphs);
    OutlineView::Build(g_index.view, std::move(outline), OutlineReplace::kReplace);
    OutlineView::Reveal(g_index.view, g_index.result);
    UpdateIndexScrollBar();
}

void OnSize(HWND dialog, LPARAM size) {
    StoreClientRect(dialog);
    OutlineView* v = g_index.view;
    if (!v) return;
    ExpansionList saved = OutlineView::SaveExpansion(v);
    OutlineView::Resize(v, LOWORD(size), HIWORD(size));
    OutlineView::RestoreExpansion(v, saved.get());
    if (v->maxTop == 0) v->top = 0;
    OutlineView::Paint(v, OutlineErase::kYes);
    UpdateIndexScrollBar();
}

int ScrollDelta(WPARAM request) {
    const OutlineView* v = g_index.view;
    switch (LOWORD(request)) {
        case SB_LINEUP:
            return -1;
        case SB_LINEDOWN:
        case SB_BOTTOM:  // one row down, not to the end
            return 1;
        case SB_PAGEUP:
            return -v->drawnRows;
        case SB_PAGEDOWN:
            return v->drawnRows;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            return static_cast<int16_t>(HIWORD(request)) - v->top;
        case SB_TOP:
            return -v->top;
        default:
            return 0;
    }
}

}  // namespace

INT_PTR IndexDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            g_index.window = dialog;
            g_index.dc = GetDC(dialog);
            StoreClientRect(dialog);
            OpenOutline();
            if (g_index.host->setUpDialog) g_index.host->setUpDialog(dialog, 0x1E);
            return FALSE;
        case WM_SIZE:
            OnSize(dialog, lParam);
            return FALSE;
        case WM_PAINT:
            OutlineView::Paint(g_index.view, OutlineErase::kYes);
            return FALSE;
        case WM_ERASEBKGND:
            FillRect(reinterpret_cast<HDC>(wParam), &g_index.client,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            InvalidateRect(dialog, &g_index.client, FALSE);
            return TRUE;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE && g_index.host->fullScreen && g_index.host->taskBar) {
                ShowWindow(g_index.host->taskBar, SW_HIDE);
            }
            return FALSE;
        case WM_KEYDOWN:
            switch (wParam) {
                case VK_PRIOR:
                case VK_UP:
                    OutlineView::Scroll(g_index.view, -1);
                    break;
                case VK_NEXT:
                case VK_DOWN:
                    OutlineView::Scroll(g_index.view, 1);
                    break;
                default:
                    return TRUE;
            }
            UpdateIndexScrollBar();
            return FALSE;
        case WM_VSCROLL:
            if (g_index.view) {
                const int delta = ScrollDelta(wParam);
                if (delta != 0) {
                    OutlineView::Scroll(g_index.view, delta);
                    UpdateIndexScrollBar();
                }
            }
            return TRUE;
        case WM_LBUTTONDOWN: {
            const int32_t code = OutlineView::HitTest(g_index.view, LOWORD(lParam), HIWORD(lParam));
            if (code > 0) {
                g_index.result = static_cast<uint16_t>(code);
                EndDialog(dialog, 1);
            } else if (code < 0) {
                UpdateIndexScrollBar();
            }
            return FALSE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                g_index.result = 0;
                EndDialog(dialog, 2);
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            ReleaseDC(dialog, g_index.dc);
            g_index.dc = nullptr;
            OutlineView::Destroy(g_index.view, OutlineFree::kFreeObject);
            g_index.view = nullptr;
            return FALSE;
    }
    return FALSE;
}

uint16_t OpenIndexDialog(HINSTANCE instance, HWND owner, uint16_t lesson, const FontSpec& font,
                         const IndexHost& host) {
    g_index = IndexState{};
    g_index.result = lesson;
    g_index.font = &font;
    g_index.host = &host;
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(kIndexDialogId), RT_DIALOG);
    const auto* tmpl =
        found ? static_cast<const DLGTEMPLATE*>(LoadResource(instance, found)) : nullptr;
    if (!tmpl) return 0;
    // -1: the dialog could not be made, and nothing was chosen.
    if (DialogBoxIndirectParamW(instance, tmpl, owner, IndexDialogProc, 0) == -1) return 0;
    return g_index.result;
}
