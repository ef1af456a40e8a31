// Golden-image comparison for device readbacks: tests/golden/NAME.png holds the expected
// picture. On a mismatch the actual picture is written to golden-actual/NAME.png beside the
// test program. FW_UPDATE_GOLDEN=1 rewrites the golden file instead.
#pragma once

#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3d9/d3d9_test.h"

namespace golden {

// Reads an 8-bit RGBA (or RGB) PNG into ARGB pixels; false when the file is missing or bad.
inline bool ReadPng(const std::string& path, d3d9test::Image* out) {
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;  // bytes B, G, R, A = little-endian 0xAARRGGBB
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    out->width = image.width;
    out->height = image.height;
    out->pixels = std::move(pixels);
    return true;
}

inline bool WritePng(const std::string& path, const d3d9test::Image& img) {
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = img.width;
    image.height = img.height;
    image.format = PNG_FORMAT_BGRA;
    return png_image_write_to_file(&image, path.c_str(), 0, img.pixels.data(), 0, nullptr) != 0;
}

inline std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return ".";
    buf[n] = 0;
    std::string path(buf);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Compares img with tests/golden/<name>.png; each channel may differ by at most tolerance.
inline ::testing::AssertionResult Matches(const std::string& name, const d3d9test::Image& img,
                                          int tolerance = 2) {
    std::string goldenPath = std::string(FW_TEST_DATA_DIR) + "/golden/" + name + ".png";
    const char* update = getenv("FW_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        if (!WritePng(goldenPath, img)) return ::testing::AssertionFailure() << "cannot write " << goldenPath;
        return ::testing::AssertionSuccess();
    }

    d3d9test::Image expected;
    std::string message;
    if (!ReadPng(goldenPath, &expected)) {
        message = "no golden image " + goldenPath;
    } else if (expected.width != img.width || expected.height != img.height) {
        message = "size " + std::to_string(img.width) + "x" + std::to_string(img.height) + " differs from golden " +
                  std::to_string(expected.width) + "x" + std::to_string(expected.height);
    } else {
        size_t bad = 0;
        UINT firstX = 0, firstY = 0;
        for (UINT y = 0; y < img.height; y++) {
            for (UINT x = 0; x < img.width; x++) {
                uint32_t a = img.At(x, y), b = expected.At(x, y);
                for (int shift = 0; shift < 32; shift += 8) {
                    int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
                    if (d > tolerance || d < -tolerance) {
                        if (!bad) {
                            firstX = x;
                            firstY = y;
                        }
                        bad++;
                        break;
                    }
                }
            }
        }
        if (!bad) return ::testing::AssertionSuccess();
        char buf[160];
        snprintf(buf, sizeof(buf), "%zu pixels differ; first at (%u, %u): 0x%08X, golden 0x%08X", bad, firstX,
                 firstY, img.At(firstX, firstY), expected.At(firstX, firstY));
        message = buf;
    }

    std::string dir = ProgramFolder() + "/golden-actual";
    mkdir(dir.c_str(), 0755);
    std::string actualPath = dir + "/" + name + ".png";
    WritePng(actualPath, img);
    return ::testing::AssertionFailure() << name << ": " << message << " (actual picture: " << actualPath << ")";
}

}  // namespace golden
