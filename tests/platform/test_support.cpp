#include "test_support.h"

#include "tests/support/golden.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace velin::platform::testing {

std::string MakeTempDir(const std::string& name) {
    const char* base = std::getenv("TEST_TMPDIR");
    std::filesystem::path p = std::filesystem::path(base && *base ? base : "/tmp") /
                              ("velin-platform-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string();
}

void PlatformTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = MakeTempDir(std::string(info->test_suite_name()) + "-" + info->name());
    SetRegistryFilePath(dir_ + "/registry.reg");
    SetDefaultFaceName(u"Velin Test");
    PlatformOptions options;
    options.headless = true;
    ASSERT_EQ(StartPlatform(options), StartStatus::kOk);
}

void PlatformTest::TearDown() {
    StopPlatform();
    std::filesystem::remove_all(dir_);
}

void PlatformTest::Pump() {
    MSG m;
    for (int guard = 0; guard < 100000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));  // leave it for the test to see
            return;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

void PlatformTest::Key(UINT vk, bool ctrl, bool alt, bool shift) {
    S().input.push_back(InputEvent{InputEvent::kKeyDown, vk, 0, 0, ctrl, alt, shift});
    S().input.push_back(InputEvent{InputEvent::kKeyUp, vk, 0, 0, ctrl, alt, shift});
    Pump();
}

void PlatformTest::PenDown(int x, int y) {
    S().input.push_back(InputEvent{InputEvent::kPenDown, 0, x, y, false, false, false});
    Pump();
}
void PlatformTest::PenMove(int x, int y) {
    S().input.push_back(InputEvent{InputEvent::kPenMove, 0, x, y, false, false, false});
    Pump();
}
void PlatformTest::PenUp(int x, int y) {
    S().input.push_back(InputEvent{InputEvent::kPenUp, 0, x, y, false, false, false});
    Pump();
}
void PlatformTest::Tap(int x, int y) {
    PenDown(x, y);
    PenUp(x, y);
}

uint32_t PlatformTest::Pixel(int x, int y) {
    const Framebuffer& fb = S().screen;
    return fb.pixels[static_cast<size_t>(y) * fb.width + x];
}

::testing::AssertionResult MatchesGolden(const Image& actual, const std::string& name) {
    return velin::testing::MatchesGoldenImage(actual, "tests/platform", name);
}

}  // namespace velin::platform::testing
