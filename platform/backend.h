// The backend: what shows the screen and where input comes from. Two implement it, the desktop
// one (platform/sdl/) and the headless one (platform/headless/); StartPlatform picks one.
#pragma once

#include <memory>
#include <string>

#include "platform/internal.h"

namespace velin::platform {

class Backend {
public:
    virtual ~Backend() = default;
    // Shows the screen as it is now (nothing to do when it has not changed).
    virtual void Present(Framebuffer& screen) = 0;
    // Waits up to timeoutMs for input and appends it to S().input, serving the single-instance
    // rendezvous meanwhile. False when no input can ever come again.
    virtual bool WaitForInput(int timeoutMs) = 0;
    // Takes whatever input has arrived into S().input, without waiting.
    virtual void Pump() {}
    // Brings the program's window to the front of the desktop.
    virtual void Raise() {}
    // Whether the program's window has the desktop's input focus.
    virtual bool HasFocus() const { return true; }
};

std::unique_ptr<Backend> MakeHeadlessBackend();
// Null (with *error set) when no window can be opened.
std::unique_ptr<Backend> MakeDesktopBackend(int scale, std::string* error);

}  // namespace velin::platform
