#include "tests/support/golden.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace velin::testing {

::testing::AssertionResult MatchesGoldenImage(const velin::platform::Image& actual,
                                              const std::string& folder, const std::string& name) {
    using velin::platform::ReadPng;
    using velin::platform::WritePng;
    const std::string reference =
        std::string(VELIN_SOURCE_DIR) + "/" + folder + "/golden/" + name + ".png";
    const char* update = std::getenv("VELIN_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::filesystem::create_directories(std::filesystem::path(reference).parent_path());
        if (!WritePng(reference, actual.pixels.data(), actual.width, actual.height)) {
            return ::testing::AssertionFailure() << "cannot write " << reference;
        }
        return ::testing::AssertionSuccess() << "wrote " << reference;
    }
    velin::platform::Image expected;
    if (!ReadPng(reference, &expected)) {
        return ::testing::AssertionFailure() << "missing reference " << reference
                                             << " (run with VELIN_UPDATE_GOLDEN=1 to create it)";
    }
    const std::string actualPath =
        std::string(VELIN_BINARY_DIR) + "/" + folder + "/" + name + "_actual.png";
    if (expected.width != actual.width || expected.height != actual.height) {
        WritePng(actualPath, actual.pixels.data(), actual.width, actual.height);
        return ::testing::AssertionFailure()
               << name << ": size " << actual.width << "x" << actual.height << ", reference "
               << expected.width << "x" << expected.height << "; wrote " << actualPath;
    }
    for (size_t i = 0; i < actual.pixels.size(); ++i) {
        if (actual.pixels[i] != expected.pixels[i]) {
            WritePng(actualPath, actual.pixels.data(), actual.width, actual.height);
            char where[160];
            std::snprintf(where, sizeof where,
                          "first difference at (%zu, %zu): 0x%06X, reference 0x%06X",
                          i % static_cast<size_t>(actual.width),
                          i / static_cast<size_t>(actual.width), actual.pixels[i],
                          expected.pixels[i]);
            return ::testing::AssertionFailure() << name << ": " << where << "; wrote "
                                                 << actualPath;
        }
    }
    std::remove(actualPath.c_str());
    return ::testing::AssertionSuccess();
}

}  // namespace velin::testing
