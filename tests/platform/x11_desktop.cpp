#include "x11_desktop.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstring>

namespace velin::platform::testing {

namespace {

Window FindNamed(Display* d, Window w, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        const bool match = title == name;
        XFree(name);
        if (match) return w;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) found = FindNamed(d, children[i], title);
        if (children) XFree(children);
    }
    return found;
}

// Opens the display, finds the window and gives it the keyboard focus.
struct Target {
    explicit Target(const std::string& display, const std::string& title) {
        d = XOpenDisplay(display.c_str());
        if (!d) return;
        for (int attempt = 0; attempt < 40 && !w; ++attempt) {
            w = FindNamed(d, DefaultRootWindow(d), title);
            if (!w) usleep(50000);
        }
        if (w) {
            XSetInputFocus(d, w, RevertToParent, CurrentTime);
            XSync(d, False);
        }
    }
    ~Target() {
        if (d) XCloseDisplay(d);
    }
    bool Send(XEvent& e, long mask) {
        e.xany.display = d;
        e.xany.window = w;
        const bool ok = XSendEvent(d, w, True, mask, &e) != 0;
        XSync(d, False);
        return ok;
    }
    Display* d = nullptr;
    Window w = 0;
};

}  // namespace

bool ClickWindow(const std::string& display, const std::string& title, int x, int y) {
    Target t(display, title);
    if (!t.w) return false;
    // The pointer goes there first: a button event takes the pointer's position.
    XWarpPointer(t.d, None, t.w, 0, 0, 0, 0, x, y);
    XSync(t.d, False);
    for (int type : {ButtonPress, ButtonRelease}) {
        XEvent e{};
        e.xbutton.type = type;
        e.xbutton.root = DefaultRootWindow(t.d);
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.button = Button1;
        e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        e.xbutton.same_screen = True;
        if (!t.Send(e, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask)) return false;
    }
    return true;
}

bool PressKey(const std::string& display, const std::string& title, unsigned long keysym, bool control) {
    Target t(display, title);
    if (!t.w) return false;
    const KeyCode code = XKeysymToKeycode(t.d, keysym);
    const KeyCode ctrl = XKeysymToKeycode(t.d, XK_Control_L);
    if (!code || !ctrl) return false;
    auto send = [&](int type, KeyCode key, unsigned state) {
        XEvent e{};
        e.xkey.type = type;
        e.xkey.root = DefaultRootWindow(t.d);
        e.xkey.keycode = key;
        e.xkey.state = state;
        e.xkey.same_screen = True;
        return t.Send(e, type == KeyPress ? KeyPressMask : KeyReleaseMask);
    };
    // Control is a key of its own, pressed around the other one.
    const unsigned state = control ? ControlMask : 0;
    if (control && !send(KeyPress, ctrl, 0)) return false;
    if (!send(KeyPress, code, state) || !send(KeyRelease, code, state)) return false;
    return !control || send(KeyRelease, ctrl, ControlMask);
}

bool CloseWindow(const std::string& display, const std::string& title) {
    Target t(display, title);
    if (!t.w) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.message_type = XInternAtom(t.d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(t.d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    return t.Send(e, NoEventMask);
}

bool ResizeWindow(const std::string& display, const std::string& title, int width, int height) {
    Target t(display, title);
    if (!t.w) return false;
    XResizeWindow(t.d, t.w, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(t.d, False);
    return true;
}

bool GrabWindow(const std::string& display, const std::string& title, Image* out) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return false;
    bool ok = false;
    for (int attempt = 0; attempt < 40 && !ok; ++attempt) {
        const Window w = FindNamed(d, DefaultRootWindow(d), title);
        XWindowAttributes attrs;
        if (w && XGetWindowAttributes(d, w, &attrs) && attrs.map_state == IsViewable) {
            XImage* img = XGetImage(d, w, 0, 0, static_cast<unsigned>(attrs.width), static_cast<unsigned>(attrs.height),
                                    AllPlanes, ZPixmap);
            if (img) {
                out->width = attrs.width;
                out->height = attrs.height;
                out->pixels.resize(static_cast<size_t>(attrs.width) * attrs.height);
                for (int y = 0; y < attrs.height; ++y) {
                    for (int x = 0; x < attrs.width; ++x) {
                        out->pixels[static_cast<size_t>(y) * attrs.width + x] =
                            static_cast<uint32_t>(XGetPixel(img, x, y)) & 0xFFFFFF;
                    }
                }
                XDestroyImage(img);
                ok = true;
            }
        }
        if (!ok) usleep(50000);
    }
    XCloseDisplay(d);
    return ok;
}

}  // namespace velin::platform::testing
