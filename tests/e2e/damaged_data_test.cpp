// The real program, started as a subprocess under SDL's offscreen video and dummy audio drivers
// with a damaged data folder beside it: start-up shows the "Error" box naming the cause (with
// no display to show it, the box is written to standard error) and the program ends with 0 at
// once, without entering its frame loop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
#include "tests/support/jpeg_files.h"
#include "tests/support/ogg_pages.h"
#include "tests/support/resources_support.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kDeadline = std::chrono::seconds(30);  // a program still running then is killed
constexpr auto kQuick = std::chrono::seconds(10);     // "at once", with room for a loaded machine
// A sanitizer build (unoptimised and instrumented) runs the program a few times slower: what
// must take seconds may take this many times as long there.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kSlowdown = 4;
#else
constexpr double kSlowdown = 1;
#endif

struct Outcome {
    bool exited = false;  // on its own, before the deadline (or at SIGTERM after its first frame)
    int status = -1;      // exit status when it exited
    double seconds = 0;
    double firstFrame = -1;  // when the frame loop put its first frame on the window, if it did
    long peakMegabytes = 0;  // the program's largest resident size
    std::string err;         // standard error
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

    // Starts the program. With untilFirstFrame, SDL's offscreen driver saves every frame it
    // puts on the window into a folder of the test (the working folder), and the program is
    // ended with SIGTERM once the first is there.
    Outcome Start(bool untilFirstFrame = false) const {
        const std::string program = dir.path() + "farewander";
        const std::string errFile = dir.path() + "stderr.txt";
        const std::string frames = dir.path() + "frames";
        fs::remove_all(frames);
        fs::create_directory(frames);
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
            if (untilFirstFrame) setenv("SDL_VIDEO_OFFSCREEN_SAVE_FRAMES", "1", 1);
            const int out = open("/dev/null", O_WRONLY);
            const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(frames.c_str()) != 0) _exit(120);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(121);
        }
        if (pid < 0) return run;
        int status = 0;
        rusage usage = {};
        for (;;) {
            const pid_t done = wait4(pid, &status, WNOHANG, &usage);
            if (done == pid) {
                run.exited = true;
                break;
            }
            if (untilFirstFrame && run.firstFrame < 0 && !fs::is_empty(frames)) {
                run.firstFrame = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                kill(pid, SIGTERM);
            }
            if (std::chrono::steady_clock::now() - start > kDeadline) {
                kill(pid, SIGKILL);
                wait4(pid, &status, 0, &usage);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (run.exited && WIFEXITED(status)) run.status = WEXITSTATUS(status);
        run.peakMegabytes = usage.ru_maxrss / 1024;
        run.err = restest::ReadAll(errFile);
        return run;
    }

    // The program showed exactly one box, with this text, and ended with 0 at once (within
    // seconds, and within megabytes of memory).
    void ExpectErrorBox(const std::string& text, double seconds = std::chrono::duration<double>(kQuick).count(),
                        long megabytes = 1024) const {
        const Outcome run = Start();
        ASSERT_TRUE(run.exited) << "still running after " << run.seconds << " s; standard error:\n" << run.err;
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_LT(run.seconds, seconds * kSlowdown);
        EXPECT_LT(run.peakMegabytes, megabytes);
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

    // The program passed its start-up and drew its first frame within seconds, showed no box,
    // and ended with 0 on SIGTERM.
    void ExpectGameStarts(double seconds, long megabytes = 1024) const {
        const Outcome run = Start(true);
        ASSERT_TRUE(run.exited) << "still running after " << run.seconds << " s; standard error:\n" << run.err;
        EXPECT_GE(run.firstFrame, 0) << run.err;
        EXPECT_LT(run.firstFrame, seconds * kSlowdown);
        EXPECT_LT(run.peakMegabytes, megabytes);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("\nError: "), std::string::npos) << run.err;
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

// Files that are not regular files are refused at once (opening a named pipe would wait for a
// writer); a symbolic link to a file is read.
TEST_F(DamagedData, PicturesAndTunesThatAreNotFiles) {
    ExpectGameStarts(3);  // the control
    for (const char* name : {"world.png", "tune3.ogg"}) {
        fs::rename(Data(name), Data(std::string(name) + ".real"));
        ASSERT_EQ(mkfifo(Data(name).c_str(), 0644), 0);
        ExpectErrorBox(std::string("Can't load resource: data\\") + name, 3);
        fs::remove(Data(name));
        fs::create_symlink(Data(std::string(name) + ".real"), Data(name));
    }
    ExpectGameStarts(3);
}

// A file name of the script with an escape sequence in it: standard error shows the escape, and
// the terminal gets no control byte.
TEST_F(DamagedData, ControlBytesOfTheDataReachNoTerminal) {
    std::string script = restest::ReadAll(Data("tamble.res"));
    const std::string world = "data\\world.png";
    ASSERT_NE(script.find(world), std::string::npos);
    script.replace(script.find(world), world.size(), "data\\w\x1b[31mRED.png");
    Write("tamble.res", script);
    ExpectErrorBox("Can't load resource: data\\w\\x1b[31mRED.png");
    EXPECT_EQ(Start().err.find('\x1b'), std::string::npos);
    // A C1 control (U+009B, a CSI) in UTF-8 shows as the escapes of its two bytes.
    const std::string esc = "w\x1b[31mRED";
    script.replace(script.find(esc), esc.size(), "w\xc2\x9b" "31mRED");
    Write("tamble.res", script);
    ExpectErrorBox("Can't load resource: data\\w\\xc2\\x9b31mRED.png");
    EXPECT_EQ(Start().err.find("\xc2\x9b"), std::string::npos);
}

// Pictures crafted so that what they claim would cost their decoder seconds, each decided within
// 3 s and 1 GB: a 4096 x 4096 progressive JPEG whose last scan (a refinement of every
// coefficient, a pass over the picture in 33 bytes) is repeated 10,000 times is refused once it
// starts its 101st scan. A PNG with 50 MB of compressed text (dropped unread) or with 40 MB of
// image data past its one row (within what is read of it) starts the game, and so does a real
// progressive JPEG of that size.
TEST_F(DamagedData, CraftedPicturesAreDecidedAtOnce) {
    const auto flat = jpegtest::MakeJpeg(
        4096, 4096, [](unsigned x, unsigned y) -> uint32_t { return (x / 512 + y / 512) % 2 ? 0x806040 : 0x204060; },
        jpegtest::SimpleProgression());
    const auto repeated = jpegtest::WithScanRepeated(flat, jpegtest::JpegScans(flat).size() - 1, 10000);
    Write("world.png", std::string(repeated.begin(), repeated.end()));
    ExpectErrorBox("Can't create texture: data\\world.png", 3);
    for (const char* name : {"png_50_ztxt_chunks_of_a_megabyte.png", "png_40mb_of_image_data_past_its_one_row.png"}) {
        SCOPED_TRACE(name);
        const std::string png = restest::ReadAll(std::string(FW_TEST_DATA_DIR) + "/../fuzz/corpus/image/" + name);
        ASSERT_GT(png.size(), 1000u);
        Write("world.png", png);
        ExpectGameStarts(3);
    }
    // Decoding and converting 16 million pixels takes a loaded machine seconds of its own.
    Write("world.png", std::string(flat.begin(), flat.end()));
    ExpectGameStarts(std::chrono::duration<double>(kQuick).count());
}

TEST_F(DamagedData, TuneMissingOrDamaged) {
    const std::string tune = restest::ReadAll(Data("tune3.ogg"));
    fs::remove(Data("tune3.ogg"));
    ExpectErrorBox("Can't load resource: data\\tune3.ogg");
    Write("tune3.ogg", Garbage(4096));
    ExpectErrorBox("Can't load stream: data\\tune3.ogg");
    Write("tune3.ogg", tune.substr(0, 3000));
    ExpectErrorBox("Can't load stream: data\\tune3.ogg");
    // Headers that parse but set up no decoder (alone, or in a chain's second link), and a flood
    // of first pages of distinct streams (10 MB), all decided at once.
    for (const char* name : {"tune_setup_damaged.ogg", "chain_good_then_broken_link.ogg"}) {
        const std::string file = restest::ReadAll(std::string(FW_TEST_DATA_DIR) + "/../fuzz/corpus/sound/" + name);
        ASSERT_GT(file.size(), 1u);
        Write("tune3.ogg", file.substr(1));  // without the fuzz input's flag byte
        ExpectErrorBox("Can't load stream: data\\tune3.ogg", 3);
    }
    const std::vector<unsigned char> flood = oggtest::FirstPages(345000);
    Write("tune3.ogg", std::string(flood.begin(), flood.end()));
    ExpectErrorBox("Can't load stream: data\\tune3.ogg", 3);
    // Valid, with the bytes of another rate's first page inside its comment: it plays.
    const std::string fake = restest::ReadAll(std::string(FW_TEST_DATA_DIR) +
                                              "/../fuzz/corpus/sound/valid_ogg_comment_fake_page.ogg");
    Write("tune3.ogg", fake.substr(1));
    ExpectGameStarts(3);
    // Cut short: the game starts and the tune plays up to the cut.
    Write("tune3.ogg", tune.substr(0, tune.size() / 2));
    ExpectGameStarts(3);
}

// Sounds crafted so that what they claim would cost a decoder seconds and gigabytes: each is
// decided within 3 s and 1 GB, as a tune and as a sound effect.
TEST_F(DamagedData, CraftedSoundsAreDecidedAtOnce) {
    auto corpus = [](const char* name) {
        const std::string file = restest::ReadAll(std::string(FW_TEST_DATA_DIR) + "/../fuzz/corpus/sound/" + name);
        return file.empty() ? file : file.substr(1);  // without the fuzz input's flag byte
    };
    const std::string tune = restest::ReadAll(Data("tune3.ogg"));
    // False page captures ("OggS" and 0xFF bytes every 32 bytes, each claiming a 56 KB page).
    std::string captures(32, '\xFF');
    captures.replace(0, 5, std::string("OggS\0", 5));
    auto withCaptures = [&](std::string head, size_t bytes) {
        head.reserve(head.size() + bytes);
        while (head.size() + 32 <= bytes) head += captures;
        return head;
    };
    // A chain of 1,024 links of a short tune, each with a setup header 41,000 bytes longer than
    // its codebooks (47 MB).
    const std::string link = corpus("valid_ogg_comment_fake_page.ogg");
    const auto chain = oggtest::Chain(oggtest::PadSetupHeader({link.begin(), link.end()}, 41000), 1024);
    ASSERT_GT(chain.size(), 45000000u);
    ASSERT_LT(chain.size(), 50000000u);
    // FLAC without a total in its STREAMINFO: 3.7 million frames in 18 bytes each, repeated.
    const std::string flac = corpus("flac_no_total_77m_frames.flac");
    ASSERT_GT(flac.size(), 42u);
    auto flacBomb = [&](size_t bytes) {
        std::string out = flac.substr(0, 42);
        while (out.size() < bytes) out += flac.substr(42);
        return out;
    };
    const struct {
        const char* name;
        std::string file;
    } refused[] = {
        {"a codebook of 2^22 entries", corpus("codebook_2e22.ogg")},
        {"two codebooks of 2^19 entries", corpus("setup_two_books_of_2e19_entries.ogg")},
        {"a lookup book of 4 million values", corpus("setup_lookup_book_of_4m_values.ogg")},
        {"no comment header", corpus("no_comment_packet.ogg")},
        {"chained setup headers", std::string(chain.begin(), chain.end())},
        {"50 MB of false page captures", withCaptures("", 50000000)},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        ASSERT_GT(r.file.size(), 1000u);
        Write("tune3.ogg", r.file);
        ExpectErrorBox("Can't load stream: data\\tune3.ogg", 3);
    }
    Write("tune3.ogg", tune);
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        Write("hit2.wav", r.file);
        ExpectErrorBox("Can't load sound effect: data\\hit2.wav", 3);
    }
    Write("hit2.wav", flacBomb(100000));
    ExpectErrorBox("Can't load sound effect: data\\hit2.wav", 3);
    // Every sound effect such a bomb: the first that start-up loads shows the box.
    const std::string bomb = flacBomb(100000);
    for (const auto& f : fs::directory_iterator(dir.path() + "data"))
        if (f.path().extension() == ".wav") Write(f.path().filename().string(), bomb);
    const Outcome run = Start();
    EXPECT_TRUE(run.exited);
    EXPECT_LT(run.seconds, 3 * kSlowdown);
    EXPECT_LT(run.peakMegabytes, 1024);
    EXPECT_NE(run.err.find("\nError: Can't load sound effect: data\\"), std::string::npos) << run.err;

    // Played: the tune with 4 MB of false captures after it (the decoders are given the tune
    // alone), and 50 MB of FLAC whose length is not told (it plays with its length unknown).
    for (const auto& f : fs::directory_iterator(dir.path() + "data"))
        if (f.path().extension() == ".wav") fs::remove(f.path());
    for (const auto& f : fs::directory_iterator(fs::path(restest::ProgramFolder()) / "data"))
        if (f.path().extension() == ".wav") fs::copy_file(f.path(), Data(f.path().filename().string()));
    Write("tune3.ogg", withCaptures(tune, tune.size() + 4000000));
    ExpectGameStarts(3);
    Write("tune3.ogg", flacBomb(50000000));
    ExpectGameStarts(3);
}

}  // namespace
