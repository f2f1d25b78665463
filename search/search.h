// search/ (reader half): the search through the whole book and its dialog.
//
// FindNext looks for SearchString after the last hit: in the rest of the lesson on screen, then
// lesson by lesson in the order of the study year (every month with days 1 to 31, keeping the
// leap flag of the lesson on screen) until the walk comes back to where it started. A hit in
// another lesson makes its day the current day; the hit is brought to the top of the view,
// highlighted, under the box with the lesson's title and heading. Nothing is kept between
// calls but the highlight, so Search Again goes on one byte after the last hit's start.
// The search text and the Match Case bit live in AppState and persist with the settings.
#pragma once

#include "app/app.h"
#include "search/lesson_search.h"

// 1 when a hit is shown; 0 for an empty search text or after "Not Found!" (owned by `owner`).
int FindNext(HWND owner);
// The Search dialog (template 115), modal over `owner`.
void OpenSearchDialog(HWND owner);
INT_PTR SearchDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

constexpr int kSearchDialogId = 115;
constexpr int kSearchEditId = 1013;
constexpr int kMatchCaseBoxId = 1014;
