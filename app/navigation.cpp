// Keeping the text view on the lesson of the selected day: the first display at window
// creation and the two moves every navigation command ends in.
//
// This book carries the lessons of 13-month study years only, so a day whose study year has
// 12 months has no lesson, and a failed move leaves the view on the lesson it had.
#include "app/app.h"
#include "book/book.h"

namespace {

// The lesson of Lesson, or null when its study year has no lessons in this book.
ByteBuffer LoadCurrentLesson(size_t* length) {
    if (IsLeapScheduleYear() == 0) return nullptr;
    int reason = 0;
    return LoadLesson(g_app.Lesson, &reason, length);
}

}  // namespace

int IsLeapScheduleYear() {
    return StudyYearIsLeap(g_app.date.month, g_app.date.day, g_app.date.year) ? 1 : 0;
}

int InitialDisplay(HWND window) {
    RECT textRect{};
    SetUpLayout(window, &textRect);
    g_app.textView = TextView::Create(GetDC(window), &textRect, g_app.fontSpec, 100);
    if (!g_app.textView) return -1;
    size_t length = 0;
    ByteBuffer text = LoadCurrentLesson(&length);
    if (!text) {
        MessageBoxW(window, u"Resource not found", u"Error", MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    TextView::SetText(g_app.textView, std::move(text), length);
    // A position past the lesson's rows is brought back to lastTopRow by the next paint.
    g_app.textView->topRow = g_app.LastPosition;
    UpdateScrollBar(window);
    return 0;
}

int ShowDay(HWND window, DayNumber n) {
    const DayNumber previous = g_app.Day;
    SelectDay(n, 1);
    size_t length = 0;
    ByteBuffer text = LoadCurrentLesson(&length);
    if (text) {
        // A lesson the view refuses leaves the old one showing, so it is reported like a
        // missing one instead of pretending the move happened.
        if (!g_app.textView ||
            TextView::SetText(g_app.textView, std::move(text), length) == kLayoutDone) {
            if (g_app.textView) g_app.textView->topRow = 0;
            RepaintNow(window, kPaintAll);
            RefreshBookmarkCheck();
            return 0;
        }
    }
    SelectDay(previous, 0);
    return MessageBoxW(window, u"Could not access the\r\nThe lesson for the selected day", u"Error",
                       MB_OK | MB_ICONEXCLAMATION);
}

int ShowDayCode(HWND window, DayCode code) {
    g_app.date.month = (code >> 8) & 0x0F;
    g_app.date.day = code & 0x1F;
    const int wantLeap = (code >> 12) & 1;
    // Two study years in a row are never both of the other kind (a 19-year cycle has no
    // three common years running), but stop anyway at the calendar's edge.
    for (int i = 0; i < 4 && IsLeapScheduleYear() != wantLeap; ++i) ++g_app.date.year;
    return ShowDay(window, HebrewToDayNumber(g_app.date.month, g_app.date.day, g_app.date.year));
}
