// PNG reading and writing through libpng.
#include "platform/png.h"

#include <png.h>

#include <cstdio>
#include <memory>

#include "platform/internal.h"

namespace velin::platform {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0) return false;
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<png_byte>(src[x] >> 16);
            row[3 * x + 1] = static_cast<png_byte>(src[x] >> 8);
            row[3 * x + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(f.get()) == 0;
}

bool ReadPng(const std::string& path, Image* out) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    std::vector<png_byte> row;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, f.get());
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > (1 << 26) ||
        png_get_rowbytes(png, info) != static_cast<size_t>(width) * 3) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    out->width = width;
    out->height = height;
    out->pixels.assign(static_cast<size_t>(width) * height, 0);
    row.resize(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (int x = 0; x < width; ++x) {
            out->pixels[static_cast<size_t>(y) * width + x] =
                (static_cast<uint32_t>(row[3 * x]) << 16) | (static_cast<uint32_t>(row[3 * x + 1]) << 8) | row[3 * x + 2];
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool SaveScreenshot(const std::string& path) {
    Framebuffer& fb = S().screen;
    return WritePng(path, fb.pixels.data(), fb.width, fb.height);
}

}  // namespace velin::platform
