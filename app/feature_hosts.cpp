// The reader's side of the Index, the font dialog and the clipboard export: each feature
// lives in its own folder and is lent what it needs of AppState here.
#include "app/app.h"
#include "outline/outline.h"
#include "textview/clipboard_export.h"
#include "textview/font_dialog.h"

DayCode OpenIndex(HWND owner, DayCode lesson, const FontSpec& font) {
    SetOutlineAllocator(AllocOrQuit);
    IndexHost host;
    if (g_app.bookmarks) host.bookmarks = {g_app.bookmarks, g_app.bookmarkCount};
    host.glyphs = g_app.outlineGlyphs;
    host.setUpDialog = SetUpDialog;
    host.taskBar = g_switches.taskBar;
    host.fullScreen = g_switches.FullScreen != 0;
    return OpenIndexDialog(g_app.instance, owner, lesson, font, host);
}

void CopyLessonToClipboard(TextView* view, int append) {
    SetClipboardExportHost(AllocOrQuit, g_app.mainWindow);
    TextView::CopyToClipboard(view, append);
}

INT_PTR OpenFontDialog(HWND owner, FontSpec* font) {
    FontDialogHost host;
    host.setUpDialog = SetUpDialog;
    host.taskBar = g_switches.taskBar;
    host.fullScreen = g_switches.FullScreen != 0;
    return RunFontDialog(g_app.instance, owner, font, host);
}
