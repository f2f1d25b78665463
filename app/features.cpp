// The entry points of the features that arrive later (the calendar, the Index, the search,
// bookmarks, the font dialog, the clipboard export, the About box and the update link). The
// main window already dispatches to them; until each lands it changes nothing visible: a
// dialog "returns" as if cancelled, a command does nothing.
#include "app/app.h"

DayNumber OpenCalendar(HINSTANCE, HWND, DayNumber, const FontSpec&) { return 0; }

DayCode OpenIndex(HWND, DayCode, const FontSpec&) { return 0; }

void OpenSearchDialog(HWND) {}

int FindNext(HWND) { return 0; }

void ToggleBookmark(HWND) { RefreshBookmarkCheck(); }

void ShowAboutBox(HWND) {}

void CheckForUpdates(HWND) {}

INT_PTR OpenFontDialog(HWND, FontSpec*) { return 0; }

void CopyLessonToClipboard(TextView*, int) {}
