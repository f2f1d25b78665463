// Shared helpers of the platform tests: a headless screen per test, input, and pixels.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/internal.h"
#include "platform/png.h"

namespace velin::platform::testing {

// Starts the layer headless on a 240 x 320 screen with the box face as the default face and
// a registry file of its own, and stops it afterwards.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Handles every pending message, paints included.
    static void Pump();
    static void Key(UINT vk, bool ctrl = false, bool alt = false, bool shift = false);
    static void PenDown(int x, int y);
    static void PenMove(int x, int y);
    static void PenUp(int x, int y);
    static void Tap(int x, int y);
    static uint32_t Pixel(int x, int y);  // screen pixel, 0x00RRGGBB

    std::string dir_;
};

// A fresh empty folder under the test's temporary directory.
std::string MakeTempDir(const std::string& name);

// Compares an image with tests/platform/golden/NAME.png. On a mismatch it writes
// NAME_actual.png beside the build's copy and reports the first differing pixel. With
// VELIN_UPDATE_GOLDEN=1 in the environment the reference is written instead.
::testing::AssertionResult MatchesGolden(const Image& actual, const std::string& name);

}  // namespace velin::platform::testing
