// The desktop backend: an SDL window showing the screen through the window's own surface
// (software blits, scaled by a whole factor; no GPU context). It implements:
//   - presenting the framebuffer whenever it changed;
//   - the mouse as the pen (left button down, moves while down, up);
//   - keys with Ctrl, Alt and Shift as WM_KEYDOWN/WM_KEYUP, typed text as WM_CHAR;
//   - the window's close button as the close request to the program's main window;
//   - resizing: the screen takes the new size (in screen pixels) and windows follow it;
//   - focus and raising, for the single-instance hand-over;
//   - the desktop clipboard (UTF-8) and the browser, as hooks of the services.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/backend.h"

namespace velin::platform {

namespace {

UINT VirtualKey(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return static_cast<UINT>('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return static_cast<UINT>('0' + (k - SDLK_0));
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + static_cast<UINT>(k - SDLK_F1);
    switch (k) {
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_HOME: return VK_HOME;
        case SDLK_END: return VK_END;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_TAB: return VK_TAB;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_SPACE: return VK_SPACE;
        default: return 0;
    }
}

bool GetDesktopClipboard(std::string* utf8) {
    if (!SDL_HasClipboardText()) return false;
    char* text = SDL_GetClipboardText();
    if (!text) return false;
    *utf8 = text;
    SDL_free(text);
    return true;
}

void SetDesktopClipboard(const std::string* utf8) { SDL_SetClipboardText(utf8 ? utf8->c_str() : ""); }

bool OpenInBrowser(const std::string& url) { return SDL_OpenURL(url.c_str()) == 0; }

class SdlBackend : public Backend {
public:
    ~SdlBackend() override {
        SetClipboardHooks(ClipboardHooks{nullptr, nullptr});
        SetOpenUrlHook(nullptr);
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool Open(int scale, std::string* error) {
        // A software surface: no GL context, which costs start-up time and memory for nothing.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            *error = std::string("cannot open the display: ") + SDL_GetError();
            return false;
        }
        const Framebuffer& fb = S().screen;
        scale_ = scale;
        if (scale_ <= 0) {
            SDL_Rect usable{0, 0, 1024, 768};
            SDL_GetDisplayUsableBounds(0, &usable);
            scale_ = std::max(1, std::min(usable.w / std::max(1, fb.width), (usable.h - 40) / std::max(1, fb.height)));
        }
        window_ = SDL_CreateWindow("Velin", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, fb.width * scale_,
                                   fb.height * scale_, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
        if (!window_) {
            *error = std::string("cannot open a window: ") + SDL_GetError();
            return false;
        }
        SDL_StartTextInput();
        SetClipboardHooks(ClipboardHooks{GetDesktopClipboard, SetDesktopClipboard});
        SetOpenUrlHook(OpenInBrowser);
        return true;
    }

    void Present(Framebuffer& fb) override {
        if (!window_) return;
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        const bool sameSize = w == fb.width * scale_ && h == fb.height * scale_;
        if (sameSize && !exposed_ && shown_.size() == fb.pixels.size() &&
            std::memcmp(shown_.data(), fb.pixels.data(), fb.pixels.size() * 4) == 0) {
            return;  // nothing changed since the last time
        }
        if (!visible_) {
            // Shown at the first screen to show, so that a second copy that hands over to the
            // running one and ends never flashes a window.
            SDL_ShowWindow(window_);
            visible_ = true;
        }
        SDL_Surface* target = SDL_GetWindowSurface(window_);
        if (!target) return;
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(fb.pixels.data(), fb.width, fb.height, 32,
                                                                 fb.width * 4, SDL_PIXELFORMAT_RGB888);
        if (!source) return;
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 128, 128, 128));
        SDL_Rect dst{0, 0, fb.width * scale_, fb.height * scale_};
        SDL_BlitScaled(source, nullptr, target, &dst);  // whole factors: every pixel a block
        SDL_FreeSurface(source);
        SDL_UpdateWindowSurface(window_);
        shown_ = fb.pixels;
        exposed_ = false;
    }

    bool WaitForInput(int timeoutMs) override {
        SDL_Event e;
        // Short waits, so that the rendezvous is served while the desktop is quiet.
        bool got = SDL_WaitEventTimeout(&e, std::min(timeoutMs, 20)) == 1;
        while (got) {
            Handle(e);
            got = SDL_PollEvent(&e) == 1;
        }
        RendezvousPoll();
        // The task bar's clock moves on by the minute.
        const time_t minute = std::time(nullptr) / 60;
        if (minute != lastMinute_) {
            lastMinute_ = minute;
            TaskBarChanged();
        }
        return true;
    }

    void Pump() override {
        SDL_Event e;
        while (SDL_PollEvent(&e) == 1) Handle(e);
    }

    void Raise() override {
        if (window_) SDL_RaiseWindow(window_);
    }

    bool HasFocus() const override {
        return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS);
    }

private:
    void Handle(const SDL_Event& e) {
        State& s = S();
        switch (e.type) {
            case SDL_QUIT:
                if (HWND main = ProgramMainWindow()) PostMessageW(main, WM_CLOSE, 0, 0);
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (e.button.button == SDL_BUTTON_LEFT) {
                    const auto kind = e.type == SDL_MOUSEBUTTONDOWN ? InputEvent::kPenDown : InputEvent::kPenUp;
                    s.input.push_back(InputEvent{kind, 0, e.button.x / scale_, e.button.y / scale_});
                }
                break;
            case SDL_MOUSEWHEEL:
                if (e.wheel.y != 0) {
                    int x = 0, y = 0;
                    SDL_GetMouseState(&x, &y);
                    const int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                    s.input.push_back(InputEvent{InputEvent::kWheel,
                                                 static_cast<UINT>(notches * WHEEL_DELTA), x / scale_, y / scale_});
                }
                break;
            case SDL_MOUSEMOTION:
                if (e.motion.state & SDL_BUTTON_LMASK) {
                    s.input.push_back(InputEvent{InputEvent::kPenMove, 0, e.motion.x / scale_, e.motion.y / scale_});
                }
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                const UINT vk = VirtualKey(e.key.keysym.sym);
                if (!vk) break;
                InputEvent in{e.type == SDL_KEYDOWN ? InputEvent::kKeyDown : InputEvent::kKeyUp, vk};
                const Uint16 mod = e.key.keysym.mod;
                in.ctrl = (mod & KMOD_CTRL) != 0;
                in.alt = (mod & KMOD_ALT) != 0;
                in.shift = (mod & KMOD_SHIFT) != 0;
                // Printable keys come back as text input with the layout's character.
                const bool printable = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || vk == VK_SPACE;
                in.textFollows = printable && !in.ctrl && !in.alt;
                s.input.push_back(in);
                break;
            }
            case SDL_TEXTINPUT: {
                std::u16string text;
                DecodeUtf8(e.text.text, &text);
                for (char16_t c : text) s.input.push_back(InputEvent{InputEvent::kChar, c});
                break;
            }
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_SIZE_CHANGED: {
                        const int w = std::max(64, e.window.data1 / scale_);
                        const int h = std::max(64, e.window.data2 / scale_);
                        ResizeScreen(w, h);
                        exposed_ = true;
                        break;
                    }
                    case SDL_WINDOWEVENT_EXPOSED: exposed_ = true; break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        if (!s.inFront) {
                            s.inFront = true;
                            RendezvousClaimFront();
                        }
                        break;
                    case SDL_WINDOWEVENT_CLOSE:
                        if (HWND main = ProgramMainWindow()) PostMessageW(main, WM_CLOSE, 0, 0);
                        break;
                    default: break;
                }
                break;
            default: break;
        }
    }

    SDL_Window* window_ = nullptr;
    int scale_ = 1;
    bool exposed_ = true;
    bool visible_ = false;
    std::vector<uint32_t> shown_;
    time_t lastMinute_ = 0;
};

}  // namespace

std::unique_ptr<Backend> MakeDesktopBackend(int scale, std::string* error) {
    auto backend = std::make_unique<SdlBackend>();
    if (!backend->Open(scale, error)) return nullptr;
    return backend;
}

}  // namespace velin::platform
