// Golden screenshots, shared by the tests of every folder: a picture is compared exactly with
// FOLDER/golden/NAME.png in the source tree (pinned screen size, the "Velin Test" face). On a
// mismatch NAME_actual.png is written to FOLDER in the build tree and the first differing pixel
// is named; a missing reference fails. VELIN_UPDATE_GOLDEN=1 writes the references instead.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/png.h"

namespace velin::testing {

// `folder` is relative to the repository, e.g. "tests/platform".
::testing::AssertionResult MatchesGoldenImage(const velin::platform::Image& actual,
                                              const std::string& folder, const std::string& name);

}  // namespace velin::testing
