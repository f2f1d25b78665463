#include "search/search.h"

#include <cstring>
#include <string_view>

#include "book/book.h"

namespace {

std::string_view SearchText() {
    return std::string_view(g_app.SearchString, strnlen(g_app.SearchString, kSearchStringSize));
}

MatchCase CurrentMatchCase() {
    return (g_app.Flags & kFlagMatchCase) != 0 ? MatchCase::kYes : MatchCase::kNo;
}

size_t SearchView(TextView* view, size_t from) {
    if (!view || !view->text) return 0;
    return SearchLessonText(std::span<const uint8_t>(view->text.get(), view->textLength), from,
                            SearchText(), CurrentMatchCase());
}

void ShowHit(size_t hit) {
    TextView* view = g_app.textView;
    TextView::ScrollToOffset(view, static_cast<int>(hit));
    RepaintNow(nullptr, kPaintAll);
    const size_t end = hit + SearchText().size();
    view->highlightStart = static_cast<uint16_t>(hit);
    view->highlightEnd = static_cast<uint16_t>(end > 0xFFFF ? 0xFFFF : end);
    TextView::Paint(view, PaintBackground::kClear);
    RefreshBookmarkCheck();
    TextView::DrawSearchCaption(view);
}

}  // namespace

int FindNext(HWND owner) {
    if (SearchText().empty()) return 0;
    TextView* view = g_app.textView;
    if (!view) return 0;
    const bool viewHasLesson = view->text != nullptr;
    if (viewHasLesson) {
        const size_t hit = SearchView(view, view->highlightStart + 1u);
        if (hit != 0) {
            ShowHit(hit);
            return 1;
        }
    }
    const DayCode start = g_app.Lesson;
    DayCode code = start;
    for (int step = 0; step < kWalkLength; ++step) {
        code = NextWalkCode(code);
        if (code == start) break;
        int reason = 0;
        size_t length = 0;
        ByteBuffer lesson = LoadLesson(code, &reason, &length);
        if (!lesson) continue;
        const std::span<const uint8_t> bytes(lesson.get(), length);
        const size_t hit = SearchLessonText(bytes, 0, SearchText(), CurrentMatchCase());
        if (hit == 0) continue;
        // The day shown must be one whose lesson this is, so that Lesson is the found code and
        // Search Again goes on from it. A lesson no day of the calendar keys is passed over.
        const DayNumber day = ChooseHitDay(code, g_app.date);
        if (day == 0) continue;
        const DayNumber previous = g_app.Day;
        SelectDay(day, 1);
        if (TextView::SetText(view, std::move(lesson), length) != kLayoutDone) {
            // A lesson the view refuses leaves the old one on screen: keep its day too.
            SelectDay(previous, 1);
            continue;
        }
        ShowHit(hit);
        return 1;
    }
    // The walk is complete: the lesson on screen, from its beginning, unless it was searched
    // from there already.
    if (viewHasLesson && view->highlightStart != 0) {
        const size_t hit = SearchView(view, 0);
        if (hit != 0) {
            ShowHit(hit);
            return 1;
        }
    }
    MessageBoxW(owner, u"Not Found!", u"Velin", MB_OK);
    return 0;
}

namespace {

void CloseSearchDialog(HWND dialog, INT_PTR code) {
    EndDialog(dialog, code);
    // The input panel goes down whether or not the switch let it come up.
    SHSipPreference(g_app.mainWindow, SIP_FORCEDOWN);
    SipShowIM(0);
    SHFullScreen(g_app.mainWindow, SHFS_HIDESIPBUTTON);
}

void OnSearchOk(HWND dialog) {
    if (SendDlgItemMessageW(dialog, kMatchCaseBoxId, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        g_app.Flags |= kFlagMatchCase;
    } else {
        g_app.Flags &= ~kFlagMatchCase;
    }
    char16_t wide[kSearchStringSize] = {};
    const UINT count = GetDlgItemTextW(dialog, kSearchEditId, wide, kSearchStringSize);
    // The book's text is 8-bit: a character beyond U+00FF keeps its low 8 bits.
    size_t n = 0;
    for (; n < count && n < kSearchStringChars && wide[n] != 0; ++n) {
        g_app.SearchString[n] = static_cast<char>(wide[n] & 0xFF);
    }
    g_app.SearchString[n] = '\0';
    if (g_app.SearchString[0] != '\0' && FindNext(dialog) == 0) {
        SendDlgItemMessageW(dialog, kSearchEditId, EM_SETSEL, 0, -1);
        return;
    }
    CloseSearchDialog(dialog, IDOK);
}

}  // namespace

INT_PTR SearchDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            SendDlgItemMessageW(dialog, kSearchEditId, EM_LIMITTEXT, kSearchStringChars, 0);
            WideText text = WidenText(g_app.SearchString, SearchText().size());
            if (text) SetDlgItemTextW(dialog, kSearchEditId, text.get());
            SendDlgItemMessageW(dialog, kMatchCaseBoxId, BM_SETCHECK,
                                (g_app.Flags & kFlagMatchCase) != 0 ? BST_CHECKED : BST_UNCHECKED,
                                0);
            return 1;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) != 0) {
                if (g_switches.AllowSipInHebrewSearch) {
                    SHFullScreen(g_app.mainWindow, SHFS_SHOWSIPBUTTON);
                }
                if (LOWORD(wParam) == WA_ACTIVE && g_switches.FullScreen && g_switches.taskBar) {
                    ShowWindow(g_switches.taskBar, SW_HIDE);
                }
            }
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    OnSearchOk(dialog);
                    return 1;
                case IDCANCEL:
                    CloseSearchDialog(dialog, IDCANCEL);
                    return 1;
                default:
                    return 0;
            }
        default:
            return 0;
    }
}

void OpenSearchDialog(HWND owner) {
    DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(kSearchDialogId), owner, SearchDialogProc, 0);
}
