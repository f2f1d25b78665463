#include "view_fixture.h"

#include "tests/support/golden.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace velin::textview::testing {

FontSpec TestFont(int size) {
    FontSpec spec;
    std::u16string_view face = u"Velin Test";
    std::copy(face.begin(), face.end(), spec.faceName);
    spec.size = size;
    return spec;
}

void ViewTest::SetUp() {
    platform::SetDefaultFaceName(u"Velin Test");
    platform::PlatformOptions options;
    options.headless = true;
    ASSERT_EQ(platform::StartPlatform(options), platform::StartStatus::kOk);
    WNDCLASSW wc{
        0,       DefWindowProcW,   0,       0,
        nullptr, nullptr,          nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
        nullptr, u"ViewTestWindow"};
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, u"ViewTestWindow", u"", WS_POPUP | WS_VISIBLE, kWindowX, kWindowY,
                            kWindowWidth, kWindowHeight, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    Pump();  // the first paint, so that it cannot cover what a test draws
    dc_ = GetDC(hwnd_);
}

void ViewTest::TearDown() {
    for (TextView* v : views_) TextView::Destroy(v, DestroyView::kFreeObject);
    views_.clear();
    if (hwnd_) ReleaseDC(hwnd_, dc_);
    platform::StopPlatform();
}

void ViewTest::Pump() {
    MSG m;
    for (int guard = 0; guard < 10000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (m.message == WM_QUIT) return;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

TextView* ViewTest::MakeView(RECT rect, int capacity, FontSpec spec) {
    TextView* view = TextView::Create(dc_, &rect, spec, capacity);
    if (view) views_.push_back(view);
    return view;
}

void ViewTest::FillClient(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all{0, 0, kWindowWidth, kWindowHeight};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

uint32_t ViewTest::At(int x, int y) const {
    const COLORREF c = GetPixel(dc_, x, y);
    // COLORREF is 0x00BBGGRR; the tests speak 0x00RRGGBB as the screenshots do.
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

platform::Image ViewTest::Shot() const {
    const std::string path =
        ::testing::TempDir() + "velin-textview-" + std::to_string(getpid()) + ".png";
    platform::Image screen;
    platform::Image out;
    if (!platform::SaveScreenshot(path) || !platform::ReadPng(path, &screen)) return out;
    std::remove(path.c_str());
    out.width = kWindowWidth;
    out.height = kWindowHeight;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            out.pixels.push_back(
                screen.pixels[static_cast<size_t>(kWindowY + y) * screen.width + kWindowX + x]);
        }
    }
    return out;
}

::testing::AssertionResult MatchesGolden(const platform::Image& actual, const std::string& name) {
    return velin::testing::MatchesGoldenImage(actual, "tests/textview", name);
}

}  // namespace velin::textview::testing
