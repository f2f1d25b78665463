// Starting and stopping the layer: the platform's switches, the screen, the backend (chosen
// here and nowhere else), the task bar and the script.
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/backend.h"
#include "platform/font.h"
#include "platform/internal.h"
#include "platform/script.h"

namespace velin::platform {

namespace {

bool ParseSize(const char* text, int* w, int* h) {
    char* end = nullptr;
    const long a = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* second = end + 1;
    const long b = std::strtol(second, &end, 10);
    if (end == second || *end) return false;
    // Smaller screens cannot hold the task bar and a window; larger ones waste memory.
    if (a < 64 || b < 64 || a > 4096 || b > 4096) return false;
    *w = static_cast<int>(a);
    *h = static_cast<int>(b);
    return true;
}

}  // namespace

OptionsStatus ParsePlatformOptions(int& argc, char** argv, PlatformOptions* options, std::string* error) {
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* name, std::string* v) -> bool {
            const std::string eq = std::string(name) + "=";
            if (arg.rfind(eq, 0) == 0) {
                *v = arg.substr(eq.size());
                return true;
            }
            if (arg == name) {
                if (i + 1 >= argc) {
                    *error = std::string(name) + " needs a value";
                    return false;
                }
                *v = argv[++i];
                return true;
            }
            return false;
        };
        std::string v;
        if (arg == "--headless") {
            options->headless = true;
        } else if (arg == "--screen" || arg.rfind("--screen=", 0) == 0) {
            if (!value("--screen", &v)) return OptionsStatus::kError;
            if (!ParseSize(v.c_str(), &options->screenWidth, &options->screenHeight)) {
                *error = "--screen " + v + ": expected WIDTHxHEIGHT, each from 64 to 4096";
                return OptionsStatus::kError;
            }
        } else if (arg == "--scale" || arg.rfind("--scale=", 0) == 0) {
            if (!value("--scale", &v)) return OptionsStatus::kError;
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || n < 1 || n > 16) {
                *error = "--scale " + v + ": expected a whole factor from 1 to 16";
                return OptionsStatus::kError;
            }
            options->scale = static_cast<int>(n);
        } else if (arg == "--script" || arg.rfind("--script=", 0) == 0) {
            if (!value("--script", &v)) return OptionsStatus::kError;
            if (v.empty()) {
                *error = "--script needs a file name";
                return OptionsStatus::kError;
            }
            options->scriptPath = v;
        } else {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    argv[argc] = nullptr;
    return OptionsStatus::kOk;
}

bool DesktopAvailable() {
    const char* x = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wl && *wl);
}

StartStatus StartPlatform(const PlatformOptions& options) {
    State& s = S();
    if (s.started) StopPlatform();
    std::unique_ptr<ScriptRunner> script;
    if (!options.scriptPath.empty()) {
        std::string error;
        script = ScriptRunner::Open(options.scriptPath, &error);
        if (!script) {
            std::cerr << error << std::endl;
            return StartStatus::kBadScript;
        }
    }
    s.screen.width = options.screenWidth;
    s.screen.height = options.screenHeight;
    s.screen.pixels.assign(static_cast<size_t>(s.screen.width) * s.screen.height, 0);
    if (options.headless) {
        s.backend = MakeHeadlessBackend();
    } else {
        if (!DesktopAvailable()) return StartStatus::kNoDisplay;
        std::string error;
        s.backend = MakeDesktopBackend(options.scale, &error);
        if (!s.backend) {
            std::cerr << "velin: " << error << std::endl;
            return StartStatus::kNoDisplay;
        }
    }
    s.script = std::move(script);
    LayoutChanged();
    ExposeScreenRect(RECT{0, 0, s.screen.width, s.screen.height});
    RendezvousStart();
    CreateTaskBar();
    s.started = true;
    return StartStatus::kOk;
}

void StopPlatform() {
    State& s = S();
    ResetWindowManager();
    s.script.reset();
    s.backend.reset();
    RendezvousStop();
    s.inFront = false;
    s.started = false;
}

}  // namespace velin::platform

// With the leak checker on, the caches that fontconfig, D-Bus (opened by SDL's desktop
// integration) and the X libraries keep until the process ends are not the program's leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libX11.so\nleak:libSDL2-2.0.so\n";
}
