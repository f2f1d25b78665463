// Helpers of the dialog, control, menu, bar and message-box tests: input queued for a modal
// loop, a plain window to own dialogs, and the screen as an image.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "platform/dialog_internal.h"
#include "platform/shell.h"
#include "test_support.h"

namespace velin::platform::testing {

class UiTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        SetFixedDate("2024-01-01");  // the task bar's clock then reads 12:00 in every picture
    }
    void TearDown() override {
        SetModalIdleHook(nullptr);
        PlatformTest::TearDown();
    }

    // Steps run one at a time whenever a modal loop has nothing left to do. A loop that waits
    // when no step is left fails the test and is abandoned, so a fault never hangs the run.
    void Steps(std::deque<std::function<void()>> steps) {
        steps_ = std::move(steps);
        SetModalIdleHook([this] {
            if (steps_.empty()) {
                ADD_FAILURE() << "a modal loop waits for input that never comes";
                return false;
            }
            auto step = std::move(steps_.front());
            steps_.pop_front();
            step();
            return true;
        });
    }
    bool StepsLeft() const { return !steps_.empty(); }

    // Input for a modal loop: queued, not pumped (the loop takes it).
    static void QueueKey(UINT vk, bool shift = false) {
        S().input.push_back(InputEvent{InputEvent::kKeyDown, vk, 0, 0, false, false, shift});
        S().input.push_back(InputEvent{InputEvent::kKeyUp, vk, 0, 0, false, false, shift});
    }
    static void QueueTap(int x, int y) {
        S().input.push_back(InputEvent{InputEvent::kPenDown, 0, x, y, false, false, false});
        S().input.push_back(InputEvent{InputEvent::kPenUp, 0, x, y, false, false, false});
    }
    static void QueueText(std::u16string_view text) {
        for (char16_t c : text) S().input.push_back(InputEvent{InputEvent::kChar, c, 0, 0, false, false, false});
    }
    static POINT Centre(HWND hwnd) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static void QueueTapOn(HWND hwnd) {
        const POINT p = Centre(hwnd);
        QueueTap(p.x, p.y);
    }

    // A plain top-level window; its procedure records the commands it receives.
    HWND MakeOwner() {
        static std::vector<UINT>* commands = nullptr;
        commands = &commands_;
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_COMMAND && commands) commands->push_back(LOWORD(w));
            return DefWindowProcW(h, m, w, l);
        };
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = u"UiTestOwner";
        RegisterClassW(&wc);
        HWND h = CreateWindowExW(0, u"UiTestOwner", u"Owner", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        Pump();
        return h;
    }

    static Image Screen() {
        const Framebuffer& fb = S().screen;
        return Image{fb.width, fb.height, fb.pixels};
    }

    std::vector<UINT> commands_;  // WM_COMMAND ids the owner received

private:
    std::deque<std::function<void()>> steps_;
};

}  // namespace velin::platform::testing
