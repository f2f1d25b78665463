// PNG files of 0x00RRGGBB pixels: the script's screenshots and the tests' golden images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velin::platform {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows from the top
};

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height);
// Any PNG libpng reads (palette, grey, alpha and 16-bit ones are converted); alpha is dropped.
bool ReadPng(const std::string& path, Image* out);

}  // namespace velin::platform
