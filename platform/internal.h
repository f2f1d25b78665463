// Internal records of the platform layer: the screen, windows, device contexts and drawing
// objects. Shared by the layer's own files and its tests; the system's code never sees them.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/font.h"
#include "platform/windows.h"

namespace velin::platform {

class Backend;
class ScriptRunner;


// Pixels are 0x00RRGGBB, row after row without padding.
struct Surface {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

struct Framebuffer {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    Surface AsSurface() { return Surface{pixels.data(), width, height}; }
};

// A clip region: disjoint rectangles.
using RectList = std::vector<RECT>;
void SubtractRect(RectList& list, const RECT& cut);
void IntersectList(RectList& list, const RECT& with);
RECT Intersection(const RECT& a, const RECT& b);
bool Empty(const RECT& r);

// ---- drawing objects ----------------------------------------------------------------------------
enum class GdiKind { kPen, kBrush, kFont, kBitmap };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
    bool stock = false;
};

struct Pen : GdiObject {
    Pen() : GdiObject(GdiKind::kPen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Brush : GdiObject {
    Brush() : GdiObject(GdiKind::kBrush) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct Dc;
struct Bitmap : GdiObject {
    Bitmap() : GdiObject(GdiKind::kBitmap) {}
    int width = 0;
    int height = 0;
    // A monochrome bitmap keeps 0x000000 for a clear bit and 0xFFFFFF for a set one, so
    // that blitting it onto a colour surface can map them to the text and background colours.
    bool mono = false;
    std::vector<uint32_t> pixels;
    Dc* selectedInto = nullptr;
    Surface AsSurface() { return Surface{pixels.data(), width, height}; }
};

struct Font : GdiObject {
    Font() : GdiObject(GdiKind::kFont) {}
    ~Font() override;
    LOGFONTW logFont{};
    std::unique_ptr<SizedFont> sized;
};

// Converts a handle back to its object, or nullptr when it is not a live object of that kind.
// Brushes may also be the system-colour values (COLOR_x + 1) the handheld lets one pass.
GdiObject* LookupObject(HGDIOBJ handle);
Brush* LookupBrush(HBRUSH handle, Brush* scratch);
Font* DefaultFont();  // the font every context starts with
Font* LookupFont(HFONT handle);

// ---- device contexts ----------------------------------------------------------------------------
struct Window;
struct Dc {
    Window* window = nullptr;  // nullptr: a memory context drawing into its bitmap
    bool screen = false;       // GetDC(nullptr): the whole screen
    bool wholeWindow = false;  // GetWindowDC: the origin and clip include the non-client area
    Bitmap* bitmap = nullptr;
    Bitmap* defaultBitmap = nullptr;
    Font* font = nullptr;
    Pen* pen = nullptr;
    Brush* brush = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    POINT penPos{0, 0};
    bool painting = false;  // between BeginPaint and EndPaint: clipped to the update rectangle
    RECT paintRect{};       // client coordinates
    // Cached target, valid while clipGeneration matches the layer's layout generation.
    uint64_t clipGeneration = 0;
    Surface surface;
    POINT origin{0, 0};  // surface position of the context's (0, 0)
    RectList clip;       // surface coordinates
};
Dc* LookupDc(HDC handle);
// Brings surface, origin and clip up to date; false when nothing can be drawn.
bool PrepareDc(Dc* dc);
void DestroyWindowDc(Window* window);

// ---- windows ------------------------------------------------------------------------------------
struct WindowClass {
    std::u16string name;
    WNDCLASSW wc{};
};

struct ScrollBarState {
    int minPos = 0;
    int maxPos = 0;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    bool tracking = false;
    bool pressed = false;  // the pen went down on an active part of the bar
    int trackGrab = 0;  // pen offset inside the thumb while it is dragged
};

struct Window {
    uintptr_t handle = 0;
    WindowClass* cls = nullptr;
    std::u16string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};  // in the parent's client coordinates; screen coordinates at the top level
    Window* parent = nullptr;
    Window* owner = nullptr;
    std::vector<Window*> children;  // front first
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    std::vector<uint8_t> extra;
    bool destroyed = false;
    bool destroying = false;
    bool hasUpdate = false;
    bool erase = false;
    bool ncDirty = false;
    RECT update{};  // client coordinates
    ScrollBarState vscroll;
    std::unique_ptr<Dc> dc;
    std::unique_ptr<Dc> windowDc;
};

HWND ToHandle(const Window* w);
Window* LookupWindow(HWND hwnd);  // live local windows only

// Geometry helpers, in screen coordinates.
RECT ScreenRect(const Window* w);
RECT ClientScreenRect(const Window* w);
RECT NonClientInsets(const Window* w);  // left, top, right, bottom thickness
RECT VScrollRect(const Window* w);      // screen coordinates; empty without WS_VSCROLL
bool ReallyVisible(const Window* w);
// The part of the screen the window may draw on: its client area (or whole window) less
// whatever lies above it and, for the client area, its children.
RectList VisibleRegion(const Window* w, bool wholeWindow);

// ---- the layer's state -----------------------------------------------------------------------------
struct InputEvent {
    enum Kind { kKeyDown, kKeyUp, kChar, kPenDown, kPenMove, kPenUp, kWheel } kind;
    UINT key = 0;  // virtual key, character for kChar, signed wheel delta for kWheel
    int x = 0;     // screen pixels
    int y = 0;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
    bool textFollows = false;  // the backend sends the key's character itself (desktop text input)
};

struct State {
    Framebuffer screen;
    std::map<std::u16string, std::unique_ptr<WindowClass>> classes;  // key: lower-case name
    std::unordered_map<uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<std::unique_ptr<Window>> graveyard;  // destroyed, freed when no call runs
    int callDepth = 0;
    uintptr_t nextHandle = 0x10010;
    std::vector<Window*> zorder;  // top-level windows, front first
    Window* active = nullptr;
    Window* focus = nullptr;
    Window* capture = nullptr;
    Window* penWindow = nullptr;  // the window that took the last pen-down
    bool penOnScrollBar = false;
    bool penOnFrame = false;  // the pen went down on the caption or the border
    std::deque<MSG> posted;
    std::deque<InputEvent> input;
    bool quitPosted = false;
    int quitCode = 0;
    uint64_t layoutGeneration = 1;
    std::set<Dc*> dcs;
    std::set<GdiObject*> objects;
    bool keyCtrl = false;
    bool keyAlt = false;
    bool keyShift = false;
    MSG lastMsg{};
    std::unique_ptr<Backend> backend;
    std::unique_ptr<ScriptRunner> script;
    Window* taskBar = nullptr;
    bool sipButtonVisible = true;
    bool startIconVisible = true;
    HWND scriptMainWindow = nullptr;
    HWND firstTopLevel = nullptr;
    bool inFront = false;  // this program holds the device's foreground
    bool started = false;
};
State& S();

// The window manager's own steps, used across files.
void LayoutChanged();                  // geometry, visibility or z-order changed
void ExposeScreenRect(const RECT& r);  // repaint what shows through r
LRESULT CallProc(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);
void PaintNonClient(Window* w);
void PaintCaptionOk(Window* w, HDC windowDc);  // the dialogs' caption OK button (dialog.cpp)
bool NextPaintMessage(MSG* msg);
void DeliverInput(const InputEvent& e, std::deque<MSG>* out);
void ScrollBarPen(Window* w, InputEvent::Kind kind, int x, int y);
void ResizeScreen(int width, int height);
void CreateTaskBar();
void TaskBarChanged();
void FreeGraveyard();
void ResetWindowManager();  // StopPlatform: forget every window and class
// The window that the close button, the script's `command` and `quit` address.
HWND ProgramMainWindow();

// Cross-process rendezvous (single instance).
void RendezvousStart();
void RendezvousStop();
void RendezvousPoll();  // serve pending requests from other programs
int RendezvousFd();     // -1 when not listening
HWND RemoteFindWindow(const std::u16string* cls, const std::u16string* title);
bool IsRemoteHandle(HWND hwnd);
LRESULT RemoteSendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
HWND RemoteParent(HWND hwnd);
HWND RemoteForegroundWindow();
bool RemoteSetForeground(HWND hwnd);
void RendezvousClaimFront();  // tell the other program that this one is now in front

// Drawing primitives on a prepared context (coordinates are the context's).
void FillSolid(Dc* dc, const RECT& r, COLORREF color);
COLORREF SysColor(int index);

// Text conversion helpers.
std::u16string Lower(std::u16string_view s);
std::u16string FromW(LPCWSTR s);

}  // namespace velin::platform
