// platform/dialogs.h: dialogs, controls, menus, the two bars and message boxes.
//
// Dialog templates are kept as text in resources/ui/dialogs.inc and compiled into the program;
// FindResourceW with RT_DIALOG or RT_MENU finds them, LoadResource gives the parsed template
// (a DLGTEMPLATE) or menu description that DialogBoxIndirectParamW and LoadMenuW take.
// A modal dialog, a pop-up menu and a message box each run their own message loop with the
// owner disabled; that loop takes the script's next command when it is idle, as the main loop
// does. Controls (STATIC, BUTTON, EDIT, LISTBOX) are window classes drawn black on white with
// one-pixel frames. The command bar sits at the top of its window; the shell menu bar is a
// window of its own at the bottom of the screen. Both carry a menu and bitmap tool buttons.
// Included by platform/windows.h.
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

// ---- Dialog templates and modal dialogs ------------------------------------------------------
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr DWORD DS_ABSALIGN = 0x0001;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_SETFOREGROUND = 0x0200;
constexpr DWORD DS_CENTER = 0x0800;

// One control of a template; positions and sizes in dialog units.
struct DLGITEMTEMPLATEW {
    int id = -1;
    std::u16string className;  // "STATIC", "BUTTON", "EDIT", "LISTBOX" or a registered class
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::u16string text;  // "#N" in a static bitmap's text names bitmap resource N
};

// A dialog template of our own shape (the handheld's binary layout is not needed: templates
// only ever come from our resource table or from code).
struct DLGTEMPLATE {
    int resourceId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;  // dialog units; cx x cy is the client area
    std::u16string caption;
    int pointSize = 0;  // with DS_SETFONT
    std::u16string faceName;  // "System" means the platform's own face
    std::vector<DLGITEMTEMPLATEW> items;
};
using LPCDLGTEMPLATEW = const DLGTEMPLATE*;

// Runs the dialog modally: creates it hidden with its controls, gives them the dialog font,
// sends WM_INITDIALOG with `param`, shows it, disables the owner and runs the loop until
// EndDialog. Returns EndDialog's result, or -1 when the dialog cannot be made.
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW tmpl, HWND owner,
                                DLGPROC proc, LPARAM param);
// The same with a dialog resource of the program.
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc,
                        LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int capacity);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
// Dialog units to pixels with the dialog's font.
BOOL MapDialogRect(HWND dialog, RECT* rect);
// Enter, Escape, Tab and access keys for a dialog; true when the message was used.
BOOL IsDialogMessageW(HWND dialog, MSG* msg);
LRESULT DefDlgProcW(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr int DWL_MSGRESULT = 0;

constexpr UINT DLGC_WANTARROWS = 0x0001;
constexpr UINT DLGC_WANTTAB = 0x0002;
constexpr UINT DLGC_WANTALLKEYS = 0x0004;
constexpr UINT DLGC_HASSETSEL = 0x0008;
constexpr UINT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr UINT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr UINT DLGC_RADIOBUTTON = 0x0040;
constexpr UINT DLGC_WANTCHARS = 0x0080;
constexpr UINT DLGC_STATIC = 0x0100;
constexpr UINT DLGC_BUTTON = 0x2000;

// The shell's dialog set-up.
struct SHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
};
constexpr DWORD SHIDIM_FLAGS = 0x0001;
constexpr DWORD SHIDIF_DONEBUTTON = 0x0001;
constexpr DWORD SHIDIF_SIZEDLG = 0x0002;
constexpr DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
constexpr DWORD SHIDIF_SIPDOWN = 0x0008;
constexpr DWORD SHIDIF_FULLSCREENNOMENUBAR = 0x0010;
BOOL SHInitDialog(SHINITDLGINFO* info);

// ---- Controls ------------------------------------------------------------------------------------
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_CENTER = 0x0001;
constexpr DWORD SS_RIGHT = 0x0002;
constexpr DWORD SS_BITMAP = 0x000E;
constexpr DWORD SS_TYPEMASK = 0x001F;
constexpr DWORD SS_NOPREFIX = 0x0080;
constexpr DWORD SS_NOTIFY = 0x0100;
constexpr DWORD SS_CENTERIMAGE = 0x0200;
constexpr UINT STM_SETIMAGE = 0x0172;
constexpr UINT STM_GETIMAGE = 0x0173;
constexpr WPARAM IMAGE_BITMAP = 0;

constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_CHECKBOX = 0x0002;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
constexpr DWORD BS_OWNERDRAW = 0x000B;
constexpr DWORD BS_TYPEMASK = 0x000F;
constexpr DWORD BS_NOTIFY = 0x4000;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BST_UNCHECKED = 0x0000;
constexpr UINT BST_CHECKED = 0x0001;
constexpr UINT BST_PUSHED = 0x0004;
constexpr UINT BST_FOCUS = 0x0008;
constexpr WORD BN_CLICKED = 0;
constexpr WORD BN_SETFOCUS = 6;
constexpr WORD BN_KILLFOCUS = 7;

struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    uintptr_t itemData;
};
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;

constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD EN_MAXTEXT = 0x0501;

constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD LBN_SETFOCUS = 4;
constexpr WORD LBN_KILLFOCUS = 5;

// ---- Menus -----------------------------------------------------------------------------------------
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);
HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
// `item` is a command id, or with MF_POPUP the sub-menu's handle (which the menu then owns).
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR item, LPCWSTR text);
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
// By command (sub-menus searched too) or by position; the previous state, or -1 (0xFFFFFFFF)
// when there is no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// Shows the pop-up with its top-left corner at x, y (bottom-left with TPM_BOTTOMALIGN) and
// runs it until an item is chosen or it is dismissed. The choice is posted to `owner` as
// WM_COMMAND, or returned with TPM_RETURNCMD; 0 when nothing was chosen.
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const void* params);
inline BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                           const RECT* rect) {
    (void)reserved;
    (void)rect;
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

// ---- Common controls: the command bar ------------------------------------------------------------
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
constexpr DWORD ICC_BAR_CLASSES = 0x0004;
void InitCommonControls();
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

struct TBBUTTON {
    int iBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    BYTE bReserved[2];
    uintptr_t dwData;
    INT_PTR iString;
};
constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE TBSTYLE_BUTTON = 0x00;
constexpr BYTE TBSTYLE_SEP = 0x01;
constexpr BYTE TBSTYLE_CHECK = 0x02;
constexpr BYTE TBSTYLE_DROPDOWN = 0x08;
constexpr BYTE TBSTYLE_AUTOSIZE = 0x10;
constexpr DWORD CMDBAR_HELP = 0x0001;
constexpr DWORD CMDBAR_OK = 0x0002;

HWND CommandBar_Create(HINSTANCE instance, HWND parent, int id);
BOOL CommandBar_InsertMenubar(HWND bar, HINSTANCE instance, WORD menuId, WORD button);
// Adds `count` images of width x height from bitmap resource `bitmapId`; the index of the
// first one, or -1.
int CommandBar_AddBitmap(HWND bar, HINSTANCE instance, int bitmapId, int count, int width,
                         int height);
BOOL CommandBar_AddButtons(HWND bar, UINT count, const TBBUTTON* buttons);
// One tooltip per button position, the menu's position included; the texts are copied.
BOOL CommandBar_AddToolTips(HWND bar, UINT count, LPWSTR* tips);
// The close button at the bar's right end (sends WM_CLOSE to the bar's window).
BOOL CommandBar_AddAdornments(HWND bar, DWORD flags, DWORD reserved);
int CommandBar_Height(HWND bar);
HMENU CommandBar_GetMenu(HWND bar, int button);
BOOL CommandBar_Show(HWND bar, BOOL show);
inline void CommandBar_Destroy(HWND bar);

// ---- The shell menu bar ----------------------------------------------------------------------------
struct SHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    COLORREF clrBk;
};
constexpr DWORD SHCMBF_EMPTYBAR = 0x0001;
constexpr DWORD SHCMBF_HIDDEN = 0x0002;
constexpr DWORD SHCMBF_HIDESIPBUTTON = 0x0004;
constexpr DWORD SHCMBF_COLORBK = 0x0008;
constexpr DWORD SHCMBF_HMENU = 0x0010;
// The pop-up menu of a bar button (lParam: the button's command).
constexpr UINT SHCMBM_GETSUBMENU = 0x0591;
constexpr UINT SHCMBM_GETMENU = 0x05B3;
// Builds the bar from the menu-bar record (raw data `nToolBarId`) and its menu; the bar's
// window comes back in hwndMB.
BOOL SHCreateMenuBar(SHMENUBARINFO* info);

// ---- Message boxes -------------------------------------------------------------------------------
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFMASK = 0x00000F00;
// A modal box with the text, the caption ("Error" when none is given) and the buttons and icon
// `type` asks for; the id of the button that answered it.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

BOOL DestroyWindow(HWND hwnd);
inline void CommandBar_Destroy(HWND bar) { DestroyWindow(bar); }
