#include "test_support.h"

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
    const std::string reference = std::string(VELIN_SOURCE_DIR) + "/tests/platform/golden/" + name + ".png";
    const char* update = std::getenv("VELIN_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        if (!WritePng(reference, actual.pixels.data(), actual.width, actual.height)) {
            return ::testing::AssertionFailure() << "cannot write " << reference;
        }
        return ::testing::AssertionSuccess() << "wrote " << reference;
    }
    Image expected;
    if (!ReadPng(reference, &expected)) {
        return ::testing::AssertionFailure()
               << "missing reference " << reference << " (run with VELIN_UPDATE_GOLDEN=1 to create it)";
    }
    const std::string actualPath = std::string(VELIN_BINARY_DIR) + "/tests/platform/" + name + "_actual.png";
    if (expected.width != actual.width || expected.height != actual.height) {
        WritePng(actualPath, actual.pixels.data(), actual.width, actual.height);
        return ::testing::AssertionFailure() << name << ": size " << actual.width << "x" << actual.height
                                             << ", reference " << expected.width << "x" << expected.height
                                             << "; wrote " << actualPath;
    }
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        if (actual.pixels[i] != expected.pixels[i]) {
            WritePng(actualPath, actual.pixels.data(), actual.width, actual.height);
            char buf[160];
            std::snprintf(buf, sizeof buf, "first difference at (%zu, %zu): 0x%06X, reference 0x%06X",
                          i % static_cast<size_t>(actual.width), i / static_cast<size_t>(actual.width),
                          actual.pixels[i], expected.pixels[i]);
            return ::testing::AssertionFailure() << name << ": " << buf << "; wrote " << actualPath;
        }
    }
    std::remove(actualPath.c_str());
    return ::testing::AssertionSuccess();
}

}  // namespace velin::platform::testing
