// Test helpers of the helper classes: files in the application folder, a headless graphics
// start-up and golden-image comparison against tests/golden/*.png.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/d3d9/d3d9_test.h"

namespace helpers_test {

// The folder of the test program: the engine's application folder.
inline std::string AppFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    buf[n] = 0;
    std::string path(buf);
    return path.substr(0, path.rfind('/') + 1);
}

// The running test's name: file names built from it keep tests that run in parallel processes
// apart.
inline std::string TestName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "_" + info->name() : "none";
}

// Files and folders the tests wrote into the application folder, removed after the last test.
inline std::vector<std::string>& WrittenPaths() {
    static std::vector<std::string> paths;
    return paths;
}

class WrittenFilesCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        std::vector<std::string>& paths = WrittenPaths();
        for (auto it = paths.rbegin(); it != paths.rend(); ++it) std::remove(it->c_str());  // files, then folders
        paths.clear();
    }
};
inline const bool kWrittenFilesCleanupRegistered =
    (::testing::AddGlobalTestEnvironment(new WrittenFilesCleanup), true);

// Writes a file under the application folder and returns its relative name.
inline std::string WriteAppFile(const std::string& name, const std::string& content) {
    std::string path = AppFolder() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    WrittenPaths().push_back(path);
    return name;
}

// Makes a folder under the application folder, removed with the written files.
inline void MakeAppFolder(const std::string& name) {
    std::string path = AppFolder() + name;
    mkdir(path.c_str(), 0755);
    WrittenPaths().push_back(path);
}

inline void RemoveAppFile(const std::string& name) { std::remove((AppFolder() + name).c_str()); }

// True when Resource_Load reads the (existing) file: the resource layer is in place.
inline bool ResourceLayerReads(Engine* engine, const std::string& name) {
    void* data = engine->Resource_Load(name.c_str());
    if (!data) return false;
    engine->Resource_Free(data);
    return true;
}

// ---- PNG files, 32-bit ARGB in memory.
inline bool SavePng(const std::string& path, const d3d9test::Image& img) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, img.width, img.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(img.width * 4);
    for (UINT y = 0; y < img.height; y++) {
        for (UINT x = 0; x < img.width; x++) {
            uint32_t p = img.At(x, y);
            row[x * 4 + 0] = (p >> 16) & 0xFF;
            row[x * 4 + 1] = (p >> 8) & 0xFF;
            row[x * 4 + 2] = p & 0xFF;
            row[x * 4 + 3] = p >> 24;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

inline bool LoadPng(const std::string& path, d3d9test::Image* img) {
    png_image im{};
    im.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&im, path.c_str())) return false;
    im.format = PNG_FORMAT_BGRA;  // little-endian 32-bit ARGB words
    img->width = im.width;
    img->height = im.height;
    img->pixels.assign(size_t(im.width) * im.height, 0);
    if (!png_image_finish_read(&im, nullptr, img->pixels.data(), 0, nullptr)) {
        png_image_free(&im);
        return false;
    }
    return true;
}

// ---- Headless graphics: a windowed, silent engine of the given size. Returns false (with
// the engine's error text in *why) when start-up fails.
inline bool StartGraphics(Engine* engine, int width, int height, std::string* why) {
    engine->System_SetState(STATE_WINDOWED, true);
    engine->System_SetState(STATE_USE_SOUND, false);
    engine->System_SetState(STATE_SCREEN_WIDTH, width);
    engine->System_SetState(STATE_SCREEN_HEIGHT, height);
    engine->System_SetState(STATE_TEXTURE_FILTER, false);
    engine->System_SetState(STATE_HIDE_MOUSE, false);
    engine->System_SetState(STATE_TITLE, "helpers golden");
    if (engine->System_Initiate() && engine->Gfx_GetDevice()) return true;
    const char* msg = engine->System_GetErrorMessage();
    *why = std::string("System_Initiate failed: ") + (msg && *msg ? msg : "(no error text)");
    engine->System_Shutdown();
    return false;
}

// The picture of the last presented frame.
inline d3d9test::Image Capture(Engine* engine) {
    d3d9test::Image img = d3d9test::ReadPresented(engine->Gfx_GetDevice());
    if (img.pixels.empty()) img = d3d9test::ReadBackBuffer(engine->Gfx_GetDevice());
    for (uint32_t& p : img.pixels) p |= 0xFF000000u;  // the screen has no alpha
    return img;
}

inline bool CloseColour(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// Compares with tests/golden/<name>.png; FW_UPDATE_GOLDEN=1 (re)writes the golden file.
// The rasterizer's rounding decides the texel or the edge of a pixel that lies on a
// boundary, so a pixel passes when the golden picture has its colour (each channel within 2)
// at the same place or at one of the eight places around it; up to `slack` pixels may fail
// even that. A misplaced, mirrored or miscoloured picture fails in far more pixels.
// On a mismatch the actual picture is written beside the test program.
inline ::testing::AssertionResult MatchesGolden(const d3d9test::Image& img, const std::string& name,
                                                size_t slack = 4) {
    std::string path = std::string(FW_TEST_DATA_DIR) + "/golden/" + name + ".png";
    const char* update = std::getenv("FW_UPDATE_GOLDEN");
    if (update && *update == '1') {
        if (!SavePng(path, img)) return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess();
    }
    d3d9test::Image want;
    if (!LoadPng(path, &want))
        return ::testing::AssertionFailure() << "no golden image " << path << " (FW_UPDATE_GOLDEN=1 writes it)";
    std::string actual = AppFolder() + "actual_" + name + ".png";
    if (want.width != img.width || want.height != img.height) {
        SavePng(actual, img);
        return ::testing::AssertionFailure() << name << ": size " << img.width << "x" << img.height << ", golden "
                                             << want.width << "x" << want.height << "; actual in " << actual;
    }
    size_t bad = 0, firstX = 0, firstY = 0;
    for (UINT y = 0; y < img.height; y++)
        for (UINT x = 0; x < img.width; x++) {
            uint32_t p = img.At(x, y);
            bool ok = false;
            for (int dy = -1; dy <= 1 && !ok; dy++)
                for (int dx = -1; dx <= 1 && !ok; dx++) {
                    long nx = static_cast<long>(x) + dx, ny = static_cast<long>(y) + dy;
                    if (nx < 0 || ny < 0 || nx >= static_cast<long>(img.width) || ny >= static_cast<long>(img.height))
                        continue;
                    ok = CloseColour(p, want.At(static_cast<UINT>(nx), static_cast<UINT>(ny)), 2);
                }
            if (!ok) {
                if (!bad) firstX = x, firstY = y;
                bad++;
            }
        }
    if (bad <= slack) return ::testing::AssertionSuccess();
    SavePng(actual, img);
    char buf[160];
    std::snprintf(buf, sizeof(buf), "%zu pixels differ; first at (%zu, %zu): 0x%08X, golden 0x%08X", bad, firstX,
                  firstY, img.At(static_cast<UINT>(firstX), static_cast<UINT>(firstY)),
                  want.At(static_cast<UINT>(firstX), static_cast<UINT>(firstY)));
    return ::testing::AssertionFailure() << name << ": " << buf << "; actual in " << actual;
}

}  // namespace helpers_test
