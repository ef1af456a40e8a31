// The real program, started as a subprocess under SDL's offscreen video and dummy audio drivers
// with a damaged data folder beside it: start-up shows the "Error" box naming the cause (with
// no display to show it, the box is written to standard error) and the program ends with 0 at
// once, without entering its frame loop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/game_data.h"
#include "tests/support/resources_support.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kDeadline = std::chrono::seconds(30);  // a program still running then is killed
constexpr auto kQuick = std::chrono::seconds(10);     // "at once", with room for a loaded machine

struct Outcome {
    bool exited = false;  // on its own, before the deadline
    int status = -1;      // exit status when it exited
    double seconds = 0;
    std::string err;      // standard error
};

class DamagedData : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path bin = restest::ProgramFolder();
        if (!fwtest::GameDataPresent() || !fs::exists(bin / "farewander") || !fs::exists(bin / "libbass.so"))
            GTEST_SKIP() << "the program, the sound library and data/ are not beside the test program";
        // The program finds data/ beside its own file, so it is copied (a link would be followed
        // back to the build's folder).
        fs::copy_file(bin / "farewander", dir.path() + "farewander");
        fs::copy_file(bin / "libbass.so", dir.path() + "libbass.so");
        fs::permissions(dir.path() + "farewander", fs::perms::owner_all);
        fs::create_directory(dir.path() + "data");
        for (const auto& f : fs::directory_iterator(bin / "data"))
            fs::copy_file(f.path(), dir.path() + "data/" + f.path().filename().string());
    }

    std::string Data(const std::string& name) const { return dir.path() + "data/" + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Data(name), std::ios::binary | std::ios::trunc) << bytes;
    }

    Outcome Start() const {
        const std::string program = dir.path() + "farewander";
        const std::string errFile = dir.path() + "stderr.txt";
        Outcome run;
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            // No display: SDL cannot show the box, so it goes to standard error. Started from
            // another folder, as a user might.
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            const int out = open("/dev/null", O_WRONLY);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir("/") != 0) _exit(120);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(121);
        }
        if (pid < 0) return run;
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                run.exited = true;
                break;
            }
            if (std::chrono::steady_clock::now() - start > kDeadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (run.exited && WIFEXITED(status)) run.status = WEXITSTATUS(status);
        run.err = restest::ReadAll(errFile);
        return run;
    }

    // The program showed exactly one box, with this text, and ended with 0 at once.
    void ExpectErrorBox(const std::string& text) const {
        const Outcome run = Start();
        ASSERT_TRUE(run.exited) << "still running after " << run.seconds << " s; standard error:\n" << run.err;
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_LT(run.seconds, std::chrono::duration<double>(kQuick).count());
        std::vector<std::string> boxes;
        size_t at = 0;
        while ((at = run.err.find("\nError: ", at)) != std::string::npos) {
            const size_t end = run.err.find('\n', at + 1);
            boxes.push_back(run.err.substr(at + 8, end == std::string::npos ? std::string::npos : end - at - 8));
            at = end == std::string::npos ? run.err.size() : end;
        }
        ASSERT_EQ(boxes.size(), 1u) << run.err;
        EXPECT_EQ(boxes[0], text);
    }

    restest::ScratchFolder dir{"damaged_data"};
};

// Deterministic binary garbage: every byte value, NULs and high bytes included.
std::string Garbage(size_t n) {
    std::string out(n, 0);
    uint32_t x = 12345;
    for (char& c : out) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
    return out;
}

TEST_F(DamagedData, NoDataFolder) {
    fs::remove_all(dir.path() + "data");
    ExpectErrorBox("Can't load resource: data\\tamble.res");
}

TEST_F(DamagedData, ScriptMissing) {
    fs::remove(Data("tamble.res"));
    ExpectErrorBox("Can't load resource: data\\tamble.res");
}

TEST_F(DamagedData, ScriptUnreadable) {
    fs::remove(Data("tamble.res"));
    fs::create_directory(Data("tamble.res"));
    ExpectErrorBox("Can't load resource: data\\tamble.res");
}

TEST_F(DamagedData, ScriptEmpty) {
    Write("tamble.res", "");
    ExpectErrorBox("Can't find sprite 'title1' in data\\tamble.res");
}

TEST_F(DamagedData, ScriptIsBinaryGarbage) {
    Write("tamble.res", Garbage(4096));
    ExpectErrorBox("Can't find sprite 'title1' in data\\tamble.res");
}

TEST_F(DamagedData, ScriptLacksANameTheGameFetches) {
    std::string script = restest::ReadAll(Data("tamble.res"));
    const size_t at = script.find("Sound \"grunt4\"");
    ASSERT_NE(at, std::string::npos);
    script.erase(at, script.find('\n', at) - at);
    Write("tamble.res", script);
    ExpectErrorBox("Can't find sound 'grunt4' in data\\tamble.res");
}

TEST_F(DamagedData, SoundEffectDamaged) {
    // The header of a sound no loader takes; the rest of the file as it was.
    std::string wav = restest::ReadAll(Data("hit2.wav"));
    ASSERT_GT(wav.size(), 64u);
    wav.replace(0, 16, Garbage(16));
    Write("hit2.wav", wav);
    ExpectErrorBox("Can't load sound effect: data\\hit2.wav");
}

TEST_F(DamagedData, PictureTruncated) {
    const std::string png = restest::ReadAll(Data("world.png"));
    Write("world.png", png.substr(0, png.size() / 4));
    ExpectErrorBox("Can't create texture: data\\world.png");
}

// Declared resources that load but that the game could not draw or play.
TEST_F(DamagedData, ScriptWithoutAPictureOrWithASpriteWithoutItsBase) {
    const std::string script = restest::ReadAll(Data("tamble.res"));
    std::string without = script;
    const size_t at = without.find("Texture \"world\"");
    ASSERT_NE(at, std::string::npos);
    without.erase(at, without.find('\n', at) - at);
    Write("tamble.res", without);
    ExpectErrorBox("Can't find texture 'world' in data\\tamble.res");

    std::string orphan = script;
    const std::string base = "Sprite \"wagon2\" : \"wagon1\"";
    ASSERT_NE(orphan.find(base), std::string::npos);
    orphan.replace(orphan.find(base), base.size(), "Sprite \"wagon2\" : \"wagon0\"");
    Write("tamble.res", orphan);
    ExpectErrorBox("Sprite 'wagon2' names no texture in data\\tamble.res");
}

TEST_F(DamagedData, FontMissingEmptyCutOrWithoutItsBitmap) {
    const std::string font = restest::ReadAll(Data("c64.fnt"));
    const std::string bitmap = restest::ReadAll(Data("c64.png"));
    fs::remove(Data("c64.fnt"));
    ExpectErrorBox("Can't load resource: data\\c64.fnt");
    Write("c64.fnt", "");
    ExpectErrorBox("Font data\\c64.fnt has incorrect format.");
    Write("c64.fnt", Garbage(2048));
    ExpectErrorBox("Font data\\c64.fnt has incorrect format.");
    Write("c64.fnt", "[ZEVFONT]\nChar = 41, 0, 0, 6, 8, 0, 0\n");
    ExpectErrorBox("Font data\\c64.fnt names no bitmap");
    // Cut in half: the characters after the cut would be drawn as '?'.
    const size_t half = font.find('\n', font.size() / 2) + 1;
    Write("c64.fnt", font.substr(0, half));
    const size_t last = std::stoul(font.substr(half + 7, 2), nullptr, 16);
    ExpectErrorBox(std::string("Font data\\c64.fnt has no character '") + char(last) + "'");

    Write("c64.fnt", font);
    fs::remove(Data("c64.png"));
    ExpectErrorBox("Can't load resource: data\\c64.png");
    Write("c64.png", bitmap.substr(0, bitmap.size() / 2));
    ExpectErrorBox("Can't create texture: data\\c64.png");
}

TEST_F(DamagedData, TuneMissingOrDamaged) {
    const std::string tune = restest::ReadAll(Data("tune3.ogg"));
    fs::remove(Data("tune3.ogg"));
    ExpectErrorBox("Can't load resource: data\\tune3.ogg");
    Write("tune3.ogg", Garbage(4096));
    ExpectErrorBox("Can't load stream: data\\tune3.ogg");
    Write("tune3.ogg", tune.substr(0, 3000));
    ExpectErrorBox("Can't load stream: data\\tune3.ogg");
}

}  // namespace
