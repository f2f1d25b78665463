// Reads what an X server shows in a top-level window and sends it input, for the desktop
// backend's test.
#pragma once

#include <string>

#include "platform/png.h"

namespace velin::platform::testing {

// The contents of the first top-level window named `title` on `display`, retried for a
// couple of seconds while the window is not there yet.
bool GrabWindow(const std::string& display, const std::string& title, Image* out);

// Input to that window, as the X server would deliver it from a person: a click of the left
// button at window pixel (x, y), a key press and release (an X keysym, with Control held when
// asked), and the window manager's close request. The window gets the keyboard focus first.
bool ClickWindow(const std::string& display, const std::string& title, int x, int y);
bool PressKey(const std::string& display, const std::string& title, unsigned long keysym, bool control);
bool CloseWindow(const std::string& display, const std::string& title);
bool ResizeWindow(const std::string& display, const std::string& title, int width, int height);

}  // namespace velin::platform::testing
