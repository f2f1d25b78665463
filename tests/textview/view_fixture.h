// Shared by the lesson view's tests: a headless screen with one plain window whose device
// context the view draws into, lessons built from records, and golden screenshots.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/png.h"
#include "tests/textview/records.h"
#include "textview/text_view.h"

namespace velin::textview::testing {

// The lesson in a buffer of exactly its size, as the view takes it over. No zero tail: a read
// past the lesson is caught by the address sanitizer.
inline ByteBuffer Buffer(const Bytes& lesson) {
    ByteBuffer b(static_cast<uint8_t*>(AllocBytes(lesson.empty() ? 1 : lesson.size())));
    if (!lesson.empty()) std::memcpy(b.get(), lesson.data(), lesson.size());
    return b;
}

// The reading font of the tests: the box face at 10 pixels. Ordinary text is 10 high with an
// advance of 6; large (12) and small (7) have advances of 7 and 4; bold adds 1.
FontSpec TestFont(int size = 10);

// The view's window: client area 240 x 200 at screen (0, 40).
class ViewTest : public ::testing::Test {
  protected:
    static constexpr int kWindowX = 0;
    static constexpr int kWindowY = 40;
    static constexpr int kWindowWidth = 240;
    static constexpr int kWindowHeight = 200;

    void SetUp() override;
    void TearDown() override;
    static void Pump();

    // A view on the rectangle, with the test font and the main window's initial table of 100.
    TextView* MakeView(RECT rect, int capacity = 100, FontSpec spec = TestFont());
    // Lays a lesson out in the view; returns SetText's status.
    static int Show(TextView* view, const Bytes& lesson) {
        return TextView::SetText(view, Buffer(lesson), lesson.size());
    }
    // Fills the client area with one colour, to see what a call draws and what it leaves.
    void FillClient(COLORREF colour);
    uint32_t At(int x, int y) const;  // client pixel as 0x00RRGGBB
    // The window's part of the screen.
    platform::Image Shot() const;

    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
    std::vector<TextView*> views_;
};

// Compares an image with tests/textview/golden/NAME.png. On a mismatch it writes
// NAME_actual.png in the build's tests/textview folder and names the first differing pixel.
// VELIN_UPDATE_GOLDEN=1 in the environment writes the reference instead; a missing reference
// fails.
::testing::AssertionResult MatchesGolden(const platform::Image& actual, const std::string& name);

}  // namespace velin::textview::testing
