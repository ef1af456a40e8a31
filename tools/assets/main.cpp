// Writes the game's generated data (pictures, font bitmap, sound effects, music) into the
// folder given as the only argument. The same files come out on every run.
#include <cstdio>
#include <string>

#include "tools/assets/pictures.h"
#include "tools/assets/synth.h"

namespace {

bool PowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

bool Png(const std::string& dir, const char* name, const assets::Canvas& c) {
    if (!PowerOfTwo(c.width) || !PowerOfTwo(c.height)) {
        std::fprintf(stderr, "fw_assets: %s is not a power of two in size\n", name);
        return false;
    }
    if (!assets::WritePng(dir + "/" + name, c)) {
        std::fprintf(stderr, "fw_assets: can't write %s\n", name);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fw_assets OUTPUT_FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = true;
    ok &= Png(dir, "c64.png", assets::MakeFontBitmap());
    ok &= Png(dir, "title.png", assets::MakeTitleAtlas());
    ok &= Png(dir, "world.png", assets::MakeWorldAtlas());

    const char* effects[] = {"good", "bad", "click1", "grunt1", "grunt2", "grunt3", "grunt4", "grunt5",
                             "hit1", "hit2", "hit3", "hit4"};
    for (const char* e : effects) {
        if (!assets::WriteWav(dir + "/" + e + ".wav", assets::MakeEffect(e))) {
            std::fprintf(stderr, "fw_assets: can't write %s.wav\n", e);
            ok = false;
        }
    }
    for (int i = 1; i <= 5; ++i) {
        std::string name = "tune" + std::to_string(i) + ".ogg";
        if (!assets::WriteOgg(dir + "/" + name, assets::MakeTune(i))) {
            std::fprintf(stderr, "fw_assets: can't write %s\n", name.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
