// Internal pieces shared by the dialog, control, menu, bar and message-box files, and by
// their tests. The system's code never sees them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/internal.h"

namespace velin::platform {

// ---- templates ---------------------------------------------------------------------------------
// The dialog templates and menus of resources/ui/dialogs.inc, parsed on first use. A damaged
// text stops the program with the line that is wrong (the text is ours and the tests parse
// it, so this never reaches a user).
const DLGTEMPLATE* FindDialogTemplate(int id);

struct MenuTemplateItem {
    UINT id = 0;  // 0 for a separator or a pop-up
    bool separator = false;
    std::u16string text;
    std::vector<MenuTemplateItem> popup;  // a pop-up's items
    bool isPopup = false;
};
const std::vector<MenuTemplateItem>* FindMenuTemplate(int id);
// The text of a menu's item at a position (a pop-up's label for the bars' menu buttons).
std::u16string MenuItemText(HMENU menu, int position);

// Parses a whole text of templates; false with *error ("line N: why") on the first bad line.
struct TemplateSet {
    std::vector<DLGTEMPLATE> dialogs;
    std::vector<std::pair<int, std::vector<MenuTemplateItem>>> menus;
};
bool ParseTemplates(std::string_view text, TemplateSet* out, std::string* error);

// ---- modal loops -----------------------------------------------------------------------------
// The next message for a modal loop: false when the loop must end (a quit request, which is
// posted again for the outer loop, or no input can ever come).
bool NextModalMessage(MSG* msg);

// Tests drive modal loops through this: when set, it is called whenever a modal loop finds
// its queue empty, instead of waiting for input. It returns false to abandon the loop.
using ModalIdleHook = std::function<bool()>;
void SetModalIdleHook(ModalIdleHook hook);

// ---- shared drawing and fonts ----------------------------------------------------------------------
// The font a control draws with: its own (WM_SETFONT), else the platform's default.
HFONT ControlFont(HWND hwnd);
// The font of pop-up menus, bars and message boxes.
HFONT UiFont();
// The dialog font of a template: "System" and an empty name mean the platform's face.
HFONT MakeDialogFont(const DLGTEMPLATE& t);
void FrameRect1(HDC dc, const RECT& r, COLORREF color);
void FillColor(HDC dc, const RECT& r, COLORREF color);
// The access key of a label ("&Yes" gives 'Y'), upper-case; 0 when none.
WCHAR AccessKey(std::u16string_view label);

void RegisterControlClasses();
// The caption OK button of a dialog, in window coordinates; empty when it has none.
RECT CaptionOkRect(const Window* w);
void PaintCaptionOk(Window* w, HDC windowDc);

// The message box on screen, for `print messagebox`.
std::string PrintMessageBoxText();

}  // namespace velin::platform
