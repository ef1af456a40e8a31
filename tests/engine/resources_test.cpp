#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "engine/engine_impl.h"
#include "tests/support/resources_support.h"

namespace {

using restest::ScratchFolder;
using restest::WriteZip;
using restest::ZipEntry;

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        engine = static_cast<EngineImpl*>(CreateEngine(ENGINE_VERSION));
        ASSERT_NE(engine, nullptr);
        files = platform::OpenFileHandleCount();
        finds = platform::OpenFindHandleCount();
    }
    void TearDown() override {
        engine->System_Release();
        EXPECT_EQ(platform::OpenFileHandleCount(), files);
        EXPECT_EQ(platform::OpenFindHandleCount(), finds);
    }
    // Loads a name and gives its text, or "<null>".
    std::string Load(const std::string& name) {
        DWORD size = 12345;
        void* block = engine->Resource_Load(name.c_str(), &size);
        if (!block) {
            EXPECT_EQ(size, 12345u) << "size written on failure";
            return "<null>";
        }
        std::string text(static_cast<char*>(block), size);
        engine->Resource_Free(block);
        return text;
    }
    std::string Error() { return engine->System_GetErrorMessage(); }

    EngineImpl* engine = nullptr;
    int files = 0;
    int finds = 0;
};

std::string AppFolder() {
    std::string p = restest::ProgramFolder();
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

TEST_F(Resources, FullPathRules) {
    EXPECT_STREQ(engine->Resource_FullPath(nullptr), AppFolder().c_str());
    EXPECT_EQ(std::string(engine->Resource_FullPath(nullptr)).back(), '\\');
    EXPECT_EQ(std::string(engine->Resource_FullPath("data/sub/../x.png")), AppFolder() + "data\\sub\\..\\x.png");
    EXPECT_STREQ(engine->Resource_FullPath("C:/games/a//b.txt"), "C:\\games\\a\\\\b.txt");
    EXPECT_STREQ(engine->Resource_FullPath("/abs/Name"), "\\abs\\Name");
    EXPECT_STREQ(engine->Resource_FullPath("\\abs"), "\\abs");
    char* p = engine->Resource_FullPath("x");
    EXPECT_EQ(p, engine->pathBuffer);
    // Too long for the buffer: the empty text, never a cut path.
    EXPECT_STREQ(engine->Resource_FullPath(std::string(300, 'a').c_str()), "");
    std::string abs259 = "\\" + std::string(258, 'b');
    EXPECT_EQ(std::string(engine->Resource_FullPath(abs259.c_str())), abs259);
    EXPECT_STREQ(engine->Resource_FullPath(("\\" + std::string(259, 'b')).c_str()), "");
}

TEST_F(Resources, DiskFilesEmptyFilesAndFailures) {
    ScratchFolder dir("res_disk");
    dir.Write("Data/Hello.TXT", "hello");
    dir.Write("empty.bin", "");
    dir.MakeFolder("folder");
    EXPECT_EQ(Load(dir.name() + "\\data\\hello.txt"), "hello");
    EXPECT_EQ(Load(dir.name() + "/DATA/HELLO.txt"), "hello");
    EXPECT_EQ(Load(dir.WinPath() + "Data\\Hello.TXT"), "hello");  // absolute

    DWORD size = 9;
    void* block = engine->Resource_Load((dir.name() + "\\empty.bin").c_str(), &size);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(size, 0u);
    engine->Resource_Free(block);
    engine->Resource_Free(nullptr);

    std::string missing = dir.name() + "\\missing.txt";
    EXPECT_EQ(Load(missing), "<null>");
    EXPECT_EQ(Error(), "Can't load resource: " + missing);
    EXPECT_EQ(Load(dir.name() + "\\folder"), "<null>");
    EXPECT_EQ(Error(), "Can't load resource: " + dir.name() + "\\folder");
    EXPECT_EQ(Load(""), "<null>");
    // Only regular files are read: a named pipe is refused at once, a link to a file is read.
    restest::FailIfStuck stuck(20);
    dir.MakePipe("pipe.png");
    EXPECT_EQ(Load(dir.name() + "\\pipe.png"), "<null>");
    EXPECT_EQ(Error(), "Can't load resource: " + dir.name() + "\\pipe.png");
    std::filesystem::create_symlink(dir.path() + "Data/Hello.TXT", dir.path() + "link.txt");
    EXPECT_EQ(Load(dir.name() + "\\link.txt"), "hello");
    void* unsized = engine->Resource_Load((dir.name() + "\\data\\hello.txt").c_str());  // no size asked
    EXPECT_NE(unsized, nullptr);
    engine->Resource_Free(unsized);
}

TEST_F(Resources, ReadFailureFreesAndReports) {
    ScratchFolder dir("res_readfail");
    dir.Write("f.txt", "abc");
    platform::SetReadFileFails(true);
    EXPECT_EQ(Load(dir.name() + "\\f.txt"), "<null>");
    platform::SetReadFileFails(false);
    EXPECT_EQ(Error(), "Can't load resource: " + dir.name() + "\\f.txt");
    platform::SetGetFileSizeFails(true);
    EXPECT_EQ(Load(dir.name() + "\\f.txt"), "<null>");
    platform::SetGetFileSizeFails(false);
    EXPECT_EQ(Load(dir.name() + "\\f.txt"), "abc");
}

TEST_F(Resources, LongNamesFailCleanly) {
    std::string name259(259, 'n');
    EXPECT_EQ(Load(name259), "<null>");
    // The message is cut to the error text's 255 characters.
    EXPECT_EQ(Error(), ("Can't load resource: " + name259).substr(0, 255));
    EXPECT_EQ(Load(std::string(1000, 'm')), "<null>");
    EXPECT_EQ(Load("\\" + std::string(400, 'x')), "<null>");
}

TEST_F(Resources, PacksNewestFirstBeforeDiskAndRemoval) {
    ScratchFolder dir("res_packs");
    dir.Write("data/packed.res", "disk");
    ASSERT_TRUE(WriteZip(dir.path() + "one.zip", {{"data/packed.res", "one"}, {"only1.txt", "1"}}));
    ASSERT_TRUE(WriteZip(dir.path() + "two.zip", {{"DATA\\Packed.RES", "two", "", false}}));
    std::string rel = dir.name() + "\\data\\packed.res";
    EXPECT_EQ(Load(rel), "disk");

    EXPECT_TRUE(engine->Resource_AttachPack((dir.name() + "/one.zip").c_str()));
    EXPECT_EQ(Load(rel), "disk");  // the pack holds "data/packed.res", not the scratch folder's name
    EXPECT_EQ(Load("data\\packed.res"), "one");
    EXPECT_EQ(Load("Data/Packed.Res"), "one");
    EXPECT_EQ(Load("packed.res"), "<null>");  // stored names are compared whole
    EXPECT_EQ(Load("only1.txt"), "1");

    EXPECT_TRUE(engine->Resource_AttachPack((dir.name() + "\\two.zip").c_str()));
    EXPECT_EQ(Load("data/PACKED.res"), "two");
    EXPECT_EQ(Load("only1.txt"), "1");  // older packs still searched

    engine->Resource_RemovePack((dir.name() + "\\TWO.ZIP").c_str());
    EXPECT_EQ(Load("data\\packed.res"), "one");
    engine->Resource_RemovePack((dir.name() + "\\nothing.zip").c_str());  // not attached: nothing
    engine->Resource_RemoveAllPacks();
    EXPECT_EQ(engine->packs, nullptr);
    EXPECT_EQ(Load("data\\packed.res"), "<null>");
}

TEST_F(Resources, PackEntriesShadowDiskFilesForRelativeNamesOnly) {
    ScratchFolder dir("res_shadow");
    dir.Write("cfg.txt", "disk");
    std::string entry = dir.name() + "/cfg.txt";
    ASSERT_TRUE(WriteZip(dir.path() + "p.zip", {{entry, "pack"}}));
    ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\p.zip").c_str()));
    EXPECT_EQ(Load(dir.name() + "\\cfg.txt"), "pack");
    // An absolute name goes to the disk, whatever the packs hold.
    EXPECT_EQ(Load(dir.WinPath() + "cfg.txt"), "disk");
    EXPECT_EQ(Load("C:" + dir.WinPath() + "cfg.txt"), "disk");
    engine->Resource_RemovePack((dir.name() + "/p.zip").c_str());
    EXPECT_EQ(Load(dir.name() + "\\cfg.txt"), "disk");
}

TEST_F(Resources, AttachRules) {
    ScratchFolder dir("res_attach");
    dir.MakeFolder("sub");
    ASSERT_TRUE(WriteZip(dir.path() + "Pack.zip", {{"a.txt", "a"}}));
    dir.Write("notzip.zip", "this is not a zip archive at all, just text");
    std::string n = dir.name();
    EXPECT_TRUE(engine->Resource_AttachPack((n + "\\Pack.zip").c_str()));
    // The stored path is the upper-cased full path, also left in the path buffer.
    EXPECT_EQ(std::string(engine->packs->path), [&] {
        std::string s = AppFolder() + n + "\\PACK.ZIP";
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }());
    EXPECT_STREQ(engine->pathBuffer, engine->packs->path);
    EXPECT_FALSE(engine->Resource_AttachPack((n + "/PACK.zip").c_str()));
    EXPECT_FALSE(engine->Resource_AttachPack((AppFolder() + n + "\\pack.ZIP").c_str()));
    EXPECT_TRUE(engine->Resource_AttachPack((n + "\\sub\\..\\Pack.zip").c_str()));  // another path text
    EXPECT_FALSE(engine->Resource_AttachPack((n + "\\missing.zip").c_str()));
    EXPECT_FALSE(engine->Resource_AttachPack((n + "\\notzip.zip").c_str()));
    EXPECT_FALSE(engine->Resource_AttachPack((n + "\\sub").c_str()));
    EXPECT_FALSE(engine->Resource_AttachPack(std::string(300, 'z').c_str()));
    EXPECT_FALSE(engine->Resource_AttachPack((n + "\\Pack.zip").c_str(), std::string(64, 'p').c_str()));
    EXPECT_EQ(Error(), "");  // attaching reports nothing
    int count = 0;
    for (ResourcePack* p = engine->packs; p; p = p->next) ++count;
    EXPECT_EQ(count, 2);
}

TEST_F(Resources, VanishedPackIsPassedOverSilently) {
    ScratchFolder dir("res_vanish");
    dir.Write("x.txt", "disk");
    ASSERT_TRUE(WriteZip(dir.path() + "p.zip", {{dir.name() + "\\x.txt", "pack"}}));
    ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\p.zip").c_str()));
    EXPECT_EQ(Load(dir.name() + "\\x.txt"), "pack");
    std::filesystem::remove(dir.path() + "p.zip");
    EXPECT_EQ(Load(dir.name() + "\\x.txt"), "disk");
    EXPECT_EQ(Error(), "");
    // A pack that became a named pipe is passed over as well, and none is attached.
    restest::FailIfStuck stuck(20);
    dir.MakePipe("p.zip");
    EXPECT_EQ(Load(dir.name() + "\\x.txt"), "disk");
    EXPECT_EQ(Error(), "");
    engine->Resource_RemovePack((dir.name() + "\\p.zip").c_str());
    EXPECT_FALSE(engine->Resource_AttachPack((dir.name() + "\\p.zip").c_str()));
}

TEST_F(Resources, PasswordProtectedEntries) {
    ScratchFolder dir("res_pw");
    std::string secret(3000, 's');
    ASSERT_TRUE(WriteZip(dir.path() + "pw.zip", {{"secret.txt", secret, "open sesame"},
                                                 {"stored.txt", "stored secret", "open sesame", false},
                                                 {"plain.txt", "plain"}}));
    ASSERT_TRUE(WriteZip(dir.path() + "wrong.zip", {{"w_secret.txt", secret, "open sesame"},
                                                    {"w_stored.txt", "stored secret", "open sesame", false},
                                                    {"w_plain.txt", "plain"}}));
    ASSERT_TRUE(WriteZip(dir.path() + "none.zip", {{"n_secret.txt", secret, "open sesame"},
                                                   {"n_stored.txt", "stored secret", "open sesame", false}}));
    ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\pw.zip").c_str(), "open sesame"));
    ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\wrong.zip").c_str(), "open sesamE"));
    ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\none.zip").c_str()));

    EXPECT_EQ(Load("secret.txt"), secret);
    EXPECT_EQ(Load("STORED.TXT"), "stored secret");
    EXPECT_EQ(Load("plain.txt"), "plain");
    EXPECT_EQ(Load("w_plain.txt"), "plain");
    // A wrong or missing password never yields the scrambled bytes.
    for (const char* name : {"w_secret.txt", "w_stored.txt", "n_secret.txt", "n_stored.txt"}) {
        EXPECT_EQ(Load(name), "<null>") << name;
        EXPECT_EQ(Error(), std::string("Can't load resource: ") + name);
    }
}

// Byte offset of the first local entry's data in an archive written by WriteZip.
size_t FirstDataOffset(const std::string& zip) {
    auto u16 = [&](size_t at) { return static_cast<size_t>(static_cast<unsigned char>(zip[at])) |
                                       static_cast<size_t>(static_cast<unsigned char>(zip[at + 1])) << 8; };
    return 30 + u16(26) + u16(28);
}

TEST_F(Resources, DamagedEntryFailsEvenWithTheFileOnDisk) {
    ScratchFolder dir("res_damaged");
    dir.Write("d.txt", "disk copy");
    std::string entry = dir.name() + "/d.txt";
    for (bool deflate : {false, true}) {
        std::string zipPath = dir.path() + (deflate ? "deflated.zip" : "stored.zip");
        ASSERT_TRUE(WriteZip(zipPath, {{entry, std::string(2000, 'q') + "tail", "", deflate}}));
        std::string bytes = restest::ReadAll(zipPath);
        bytes[FirstDataOffset(bytes) + 5] ^= 0x41;
        std::FILE* f = std::fopen(zipPath.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        ASSERT_TRUE(engine->Resource_AttachPack(zipPath.substr(restest::ProgramFolder().size()).c_str()));
        EXPECT_EQ(Load(dir.name() + "\\d.txt"), "<null>") << deflate;
        EXPECT_EQ(Error(), "Can't load resource: " + dir.name() + "\\d.txt");
        engine->Resource_RemoveAllPacks();
    }
    EXPECT_EQ(Load(dir.name() + "\\d.txt"), "disk copy");
}

// An entry's directory record claims its sizes; a claim that no data in the pack can meet
// (more than the pack holds, a stored entry larger than its data, deflate past its 1032:1
// limit, a method without a decoder) is refused before its block is allocated. Real entries
// near the limit load.
TEST_F(Resources, EntryClaimsBeyondTheirDataAreRefused) {
    ScratchFolder dir("res_claims");
    const std::string zeros(8 << 20, '\0');
    const std::vector<ZipEntry> entries = {{"zeros.bin", zeros}, {"s.txt", "stored", "", false},
                                           {"d.txt", std::string(3000, 'd')}, {"p.txt", "secret", "pw"}};
    ASSERT_TRUE(WriteZip(dir.path() + "real.zip", entries));
    const std::string real = restest::ReadAll(dir.path() + "real.zip");
    ASSERT_GT(zeros.size() / real.size(), 950u) << "the deflated zeros are near the limit";
    ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\real.zip").c_str(), "pw"));
    EXPECT_TRUE(Load("zeros.bin") == zeros);
    EXPECT_EQ(Load("s.txt"), "stored");
    EXPECT_EQ(Load("p.txt"), "secret");
    engine->Resource_RemoveAllPacks();

    // Central directory record of `name`: method at +10, compressed size at +20, uncompressed
    // at +24, the name at +46.
    auto record = [&](const std::string& zip, const std::string& name) {
        for (size_t at = zip.find("PK\1\2"); at != std::string::npos; at = zip.find("PK\1\2", at + 4))
            if (zip.compare(at + 46, name.size(), name) == 0) return at;
        return std::string::npos;
    };
    auto put32 = [](std::string& zip, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>(v >> (8 * i));
    };
    struct Patch {
        const char* name;
        size_t field;
        uint32_t value;
    };
    const uint32_t kGiB = 1u << 30;
    for (const Patch& p : {Patch{"s.txt", 24, 7}, Patch{"s.txt", 24, kGiB}, Patch{"d.txt", 24, kGiB},
                           Patch{"d.txt", 20, static_cast<uint32_t>(real.size()) + 1}, Patch{"p.txt", 24, kGiB},
                           Patch{"p.txt", 10, 12}, Patch{"zeros.bin", 24, 0x7FFFFFFF}}) {
        std::string bytes = real;
        size_t at = record(bytes, p.name);
        ASSERT_NE(at, std::string::npos);
        if (p.field == 10) bytes[at + 10] = static_cast<char>(p.value);
        else put32(bytes, at + p.field, p.value);
        dir.Write("claims.zip", bytes);
        ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\claims.zip").c_str(), "pw"));
        EXPECT_EQ(Load(p.name), "<null>") << p.name << " +" << p.field << " = " << p.value;
        EXPECT_EQ(Error(), std::string("Can't load resource: ") + p.name);
        engine->Resource_RemoveAllPacks();
    }
}

TEST_F(Resources, TruncatedPacks) {
    ScratchFolder dir("res_trunc");
    ASSERT_TRUE(WriteZip(dir.path() + "full.zip", {{"a.txt", std::string(500, 'a')}, {"b.txt", "bbb"}}));
    std::string bytes = restest::ReadAll(dir.path() + "full.zip");
    for (size_t cut : {size_t(0), size_t(10), bytes.size() / 2, bytes.size() - 30}) {
        dir.Write("cut.zip", bytes.substr(0, cut));
        EXPECT_FALSE(engine->Resource_AttachPack((dir.name() + "\\cut.zip").c_str())) << cut;
    }
    // Attached whole, then cut behind the engine's back: no entries, no crash.
    dir.Write("late.zip", bytes);
    ASSERT_TRUE(engine->Resource_AttachPack((dir.name() + "\\late.zip").c_str()));
    dir.Write("late.zip", bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(Load("a.txt"), "<null>");
}

TEST_F(Resources, SearchFilesAndFolders) {
    ScratchFolder dir("res_find");
    dir.Write("b.txt", "x");
    dir.Write("A.TXT", "x");
    dir.Write("c.dat", "x");
    dir.MakeFolder("folder.txt");
    dir.MakeFolder("zsub");
    EXPECT_EQ(engine->Resource_FindFile(), nullptr);
    EXPECT_EQ(engine->Resource_FindFolder(), nullptr);

    std::vector<std::string> got;
    for (char* n = engine->Resource_FindFile((dir.name() + "/*.txt").c_str()); n; n = engine->Resource_FindFile())
        got.push_back(n);
    EXPECT_EQ(got, (std::vector<std::string>{"A.TXT", "b.txt"}));
    EXPECT_EQ(engine->search, nullptr);  // closed when it ran out
    EXPECT_EQ(engine->Resource_FindFile(), nullptr);

    got.clear();
    for (char* n = engine->Resource_FindFolder((dir.name() + "\\*").c_str()); n; n = engine->Resource_FindFolder())
        got.push_back(n);
    EXPECT_EQ(got, (std::vector<std::string>{"folder.txt", "zsub"}));

    // One search shared by both: a file search continued as a folder search.
    char* first = engine->Resource_FindFile((dir.name() + "\\*").c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "A.TXT");
    EXPECT_EQ(first, engine->searchData.cFileName);
    got.clear();
    for (char* n = engine->Resource_FindFolder(); n; n = engine->Resource_FindFolder()) got.push_back(n);
    EXPECT_EQ(got, (std::vector<std::string>{"folder.txt", "zsub"}));

    // A new wildcard replaces an open search; nothing matching gives null.
    EXPECT_NE(engine->Resource_FindFile((dir.name() + "\\*").c_str()), nullptr);
    EXPECT_EQ(engine->Resource_FindFile((dir.name() + "\\*.none").c_str()), nullptr);
    EXPECT_EQ(engine->search, nullptr);
    EXPECT_EQ(engine->Resource_FindFolder((dir.name() + "\\*.dat").c_str()), nullptr);
    EXPECT_EQ(engine->Resource_FindFile(std::string(300, 'w').c_str()), nullptr);
    EXPECT_NE(engine->Resource_FindFile((dir.name() + "\\*").c_str()), nullptr);
    engine->Resource_FindFile((dir.name() + "\\nothing").c_str());  // leaves no search open
}

TEST_F(Resources, DotStarFindsEveryFileAndFolder) {
    ScratchFolder dir("res_dotstar");
    dir.Write("README", "x");
    dir.Write("b.txt", "x");
    dir.MakeFolder("bin");
    dir.MakeFolder("v1.2");
    std::vector<std::string> got;
    for (char* n = engine->Resource_FindFile((dir.name() + "\\*.*").c_str()); n; n = engine->Resource_FindFile())
        got.push_back(n);
    EXPECT_EQ(got, (std::vector<std::string>{"README", "b.txt"}));
    got.clear();
    for (char* n = engine->Resource_FindFolder((dir.name() + "\\*.*").c_str()); n; n = engine->Resource_FindFolder())
        got.push_back(n);
    EXPECT_EQ(got, (std::vector<std::string>{"bin", "v1.2"}));
}

TEST_F(Resources, DotDotPartsNeedNoFolderBeforeThem) {
    ScratchFolder dir("res_dotdot");
    dir.Write("file.txt", "content");
    EXPECT_EQ(Load(dir.name() + "\\sub\\..\\file.txt"), "content");
    EXPECT_EQ(Load(dir.name() + "/a/b/../../file.txt"), "content");
    EXPECT_EQ(Load(dir.WinPath() + "nowhere\\..\\FILE.TXT"), "content");
    EXPECT_EQ(Load(dir.name() + "\\file.txt\\..\\file.txt"), "content");
    EXPECT_EQ(Load(dir.name() + "\\sub\\..\\..\\file.txt"), "<null>");
    EXPECT_STREQ(engine->Resource_FindFile((dir.name() + "\\sub\\..\\*.txt").c_str()), "file.txt");
    EXPECT_EQ(engine->Resource_FindFile(), nullptr);
}

// Random and mutated archives must never crash attaching or loading, nor leak handles.
TEST_F(Resources, FuzzedArchives) {
    ScratchFolder dir("res_fuzz");
    ASSERT_TRUE(WriteZip(dir.path() + "seed.zip", {{"a.txt", std::string(700, 'a') + "end"},
                                                   {"dir/b.bin", std::string("\0\1\2\3", 4)},
                                                   {"c.txt", "stored", "", false},
                                                   {"s.txt", "secret", "pw"}}));
    const std::string seed = restest::ReadAll(dir.path() + "seed.zip");
    std::mt19937 rng(20261209);
    const std::string pack = dir.name() + "\\f.zip";
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        if (round % 10 == 0) {
            bytes.resize(rng() % 600);
            for (char& c : bytes) c = static_cast<char>(rng());
        } else {
            bytes = seed;
            int flips = 1 + static_cast<int>(rng() % 6);
            for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] = static_cast<char>(rng());
            if (round % 7 == 0) bytes.resize(rng() % bytes.size());
        }
        dir.Write("f.zip", bytes);
        if (!engine->Resource_AttachPack(pack.c_str(), round % 2 ? "pw" : nullptr)) continue;
        for (const char* name : {"a.txt", "DIR\\B.BIN", "c.txt", "s.txt", "missing"}) {
            DWORD size = 0;
            void* block = engine->Resource_Load(name, &size);
            engine->Resource_Free(block);
        }
        engine->Resource_RemovePack(pack.c_str());
        ASSERT_EQ(engine->packs, nullptr);
    }
}

}  // namespace
