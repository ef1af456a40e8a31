// Kernel, timer, shell and GDI calls of the headless backend.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/backend/headless.h"
#include "platform/win32/win32.h"

namespace {

namespace hl = platform::headless;

class KernelTest : public ::testing::Test {
protected:
    void SetUp() override {
        hl::Reset();
        hl::SetDebugEcho(false);
    }
    void TearDown() override { hl::Reset(); }
};

TEST_F(KernelTest, DebugOutputIsCapturedCallByCall) {
    OutputDebugStringA("one");
    OutputDebugStringA("\n");
    OutputDebugStringA("two\n\n");
    OutputDebugStringA(nullptr);
    ASSERT_EQ(hl::DebugOutput().size(), 3u);
    EXPECT_EQ(hl::DebugText(), "one\ntwo\n\n");
    EXPECT_EQ(hl::DebugLines(), (std::vector<std::string>{"one", "two", ""}));
    hl::ClearDebugOutput();
    EXPECT_TRUE(hl::DebugLines().empty());
    // On standard error control bytes (but tab and line break) show as escapes, so that data
    // cannot drive the terminal; the record keeps the text as it was.
    hl::SetDebugEcho(true);
    const char* text = "a\x1b[31mRED\tb\r\x7f\x01\xc3\xa9\n";
    testing::internal::CaptureStderr();
    OutputDebugStringA(text);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "a\\x1b[31mRED\tb\\x0d\\x7f\\x01\xc3\xa9\n");
    EXPECT_EQ(hl::DebugText(), text);
    // The C1 controls, U+0080 to U+009F and stray bytes 0x80 to 0x9F, show byte by byte; other
    // UTF-8 (with continuation bytes of that range) and other stray bytes pass as they are.
    testing::internal::CaptureStderr();
    platform::WriteStandardError(
        "\xc2\x9b" "2J|\xc2\x80\xc2\x9f\xc2\xa0|\x9b\x80\x9f\xa0\xff|"          // C1, NBSP, strays
        "\xc3\xa9\xe2\x86\x92\xe2\x82\xac\xf0\x9f\x98\x80|"                  // e-acute, arrow, euro, emoji
        "\xe2\x82x|\xc0\x9b|\xe0\x82\x9b|\xed\xa0\x80|\xf4\x90\x80\x80|\xc2");  // cut, overlong, surrogate, too high
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\\xc2\\x9b" "2J|\\xc2\\x80\\xc2\\x9f\xc2\xa0|\\x9b\\x80\\x9f\xa0\xff|"
              "\xc3\xa9\xe2\x86\x92\xe2\x82\xac\xf0\x9f\x98\x80|"
              "\xe2\\x82x|\xc0\\x9b|\xe0\\x82\\x9b|\xed\xa0\\x80|\xf4\\x90\\x80\\x80|\xc2");
}

TEST_F(KernelTest, ClockMovesOnEveryReadByDefault) {
    hl::SetTime(100);
    EXPECT_EQ(timeGetTime(), 100u);
    EXPECT_EQ(timeGetTime(), 101u);
    Sleep(10);
    EXPECT_EQ(timeGetTime(), 112u);
    EXPECT_EQ(hl::Now(), 113u);
}

TEST_F(KernelTest, StillClockStillNeverHangsABusyWait) {
    hl::SetReadStep(0);
    hl::SetTime(5);
    EXPECT_EQ(timeGetTime(), 5u);
    EXPECT_EQ(timeGetTime(), 5u);
    DWORD start = timeGetTime();
    while (timeGetTime() - start < 3) {
    }
    EXPECT_EQ(hl::Now(), 8u);
    Sleep(1);
    EXPECT_EQ(timeGetTime(), 9u);
}

TEST_F(KernelTest, ClockWrapsModulo2To32) {
    hl::SetTime(0xFFFFFFFFu);
    DWORD a = timeGetTime();
    DWORD b = timeGetTime();
    EXPECT_EQ(a, 0xFFFFFFFFu);
    EXPECT_EQ(b, 0u);
    EXPECT_EQ(b - a, 1u);
}

TEST_F(KernelTest, TimerPeriodIsBalanced) {
    EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(hl::TimerPeriodBalance(), 1);
    EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(hl::TimerPeriodBalance(), 0);
}

TEST_F(KernelTest, FiguresComeFromTheTestSettings) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    EXPECT_EQ(t.wYear, 2024);
    EXPECT_EQ(t.wSecond, 56);
    OSVERSIONINFOA os{};
    os.dwOSVersionInfoSize = 12345;
    EXPECT_TRUE(GetVersionExA(&os));
    EXPECT_EQ(os.dwOSVersionInfoSize, 12345u);
    EXPECT_EQ(os.dwMajorVersion, 5u);
    EXPECT_EQ(os.dwBuildNumber, 2600u);
    hl::SetMemoryStatus(SIZE_T(8) << 30, SIZE_T(6) << 30);  // beyond 32 bits
    MEMORYSTATUS m;
    GlobalMemoryStatus(&m);
    EXPECT_EQ(m.dwTotalPhys >> 10, SIZE_T(8) << 20);
    EXPECT_EQ(m.dwAvailPhys >> 10, SIZE_T(6) << 20);
    GetLocalTime(nullptr);
    EXPECT_FALSE(GetVersionExA(nullptr));
    GlobalMemoryStatus(nullptr);
}

TEST_F(KernelTest, ModuleFileNameIsTheRealPathWithBackslashes) {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(GetModuleHandleA(nullptr), buf, sizeof(buf));
    ASSERT_GT(n, 0u);
    char exe[4096];
    ssize_t len = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    exe[len] = 0;
    std::string expect(exe);
    for (char& c : expect)
        if (c == '/') c = '\\';
    EXPECT_EQ(std::string(buf), expect);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    char small[4];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof(small)), 3u);
    EXPECT_EQ(small[3], 0);
}

TEST_F(KernelTest, AModuleNotLoadedSaysWhichFilesWereTriedAndWhy) {
    char exe[4096];
    ssize_t len = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    ASSERT_GT(len, 0);
    exe[len] = 0;
    const std::string folder = std::string(exe).substr(0, std::string(exe).rfind('/') + 1);
    // By default the program's own folder is the only one tried (see the copy run below).
    EXPECT_EQ(LoadLibraryA("C:\\x\\FW_NONE.DLL"), nullptr);
    EXPECT_EQ(std::string(platform::LastModuleSearch()), "no " + folder + "libfw_none.so");

    const std::string junk = folder + "libfw_junk.so";
    FILE* f = fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("not a shared object", f);
    fclose(f);
    EXPECT_EQ(LoadLibraryA("fw_junk.dll"), nullptr);
    const std::string why = platform::LastModuleSearch();
    unlink(junk.c_str());
    EXPECT_EQ(why.rfind(junk + ": ", 0), 0u) << why;
    EXPECT_EQ(why.find(';'), std::string::npos) << why;

    // An extra folder that does not exist is still named; the program's, written differently,
    // is tried once.
    struct RestoreFolder {
        ~RestoreFolder() { platform::SetModuleFolder(nullptr); }
    } restore;
    platform::SetModuleFolder("/fw-no-such-folder/x/");
    EXPECT_EQ(LoadLibraryA("fw_none.dll"), nullptr);
    EXPECT_EQ(std::string(platform::LastModuleSearch()),
              "no " + folder + "libfw_none.so; no /fw-no-such-folder/x/libfw_none.so");
    platform::SetModuleFolder((folder + ".").c_str());
    EXPECT_EQ(LoadLibraryA("fw_none.dll"), nullptr);
    EXPECT_EQ(std::string(platform::LastModuleSearch()), "no " + folder + "libfw_none.so");

    // A relative extra folder is never looked in, whatever the working folder holds.
    char dir[] = "/tmp/fw_module_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string planted = std::string(dir) + "/rel/libfw_planted.so";
    mkdir((std::string(dir) + "/rel").c_str(), 0755);
    f = fopen(planted.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("not a shared object", f);
    fclose(f);
    char* cwd = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(dir), 0);
    platform::SetModuleFolder("rel/");
    EXPECT_EQ(LoadLibraryA("fw_planted.dll"), nullptr);
    const std::string relative = platform::LastModuleSearch();
    EXPECT_EQ(chdir(cwd), 0);
    free(cwd);
    unlink(planted.c_str());
    rmdir((std::string(dir) + "/rel").c_str());
    rmdir(dir);
    EXPECT_EQ(relative, "no " + folder + "libfw_planted.so");
    EXPECT_EQ(platform::ModuleLoadBalance(), 0);

    // A copy of this program in another folder runs this test again: it too names only its own
    // folder, and not the one it was built in.
    if (getenv("FW_MODULE_TEST_COPY")) return;
    const std::string copyFolder = folder + "module_copy_" + std::to_string(getpid()) + "/";
    ASSERT_EQ(mkdir(copyFolder.c_str(), 0755), 0);
    const std::string copy = copyFolder + "kernel_test";
    const std::string output = copyFolder + "output.txt";
    const std::string run = "cp '" + std::string(exe) + "' '" + copy + "' && FW_MODULE_TEST_COPY=1 '" + copy +
                            "' --gtest_filter=KernelTest.AModuleNotLoadedSaysWhichFilesWereTriedAndWhy >'" + output +
                            "' 2>&1";
    const int status = std::system(run.c_str());
    FILE* out = fopen(output.c_str(), "rb");
    std::string text;
    char chunk[4096];
    for (size_t n; out && (n = fread(chunk, 1, sizeof(chunk), out)) > 0;) text.append(chunk, n);
    if (out) fclose(out);
    unlink(copy.c_str());
    unlink(output.c_str());
    rmdir(copyFolder.c_str());
    EXPECT_EQ(status, 0) << text;
}

TEST_F(KernelTest, ShellCallsAreRecordedWithTheChosenResult) {
    HINSTANCE r = ShellExecuteA(nullptr, nullptr, "http://x/", nullptr, nullptr, SW_SHOWMAXIMIZED);
    EXPECT_GT(reinterpret_cast<intptr_t>(r), 32);
    hl::SetShellResult(SE_ERR_NOASSOC);
    r = ShellExecuteA(nullptr, "open", "doc.txt", "-a", "C:\\", SW_SHOW);
    EXPECT_EQ(reinterpret_cast<intptr_t>(r), SE_ERR_NOASSOC);
    ASSERT_EQ(hl::ShellCalls().size(), 2u);
    EXPECT_FALSE(hl::ShellCalls()[0].hasVerb);
    EXPECT_EQ(hl::ShellCalls()[1].verb, "open");
    EXPECT_EQ(hl::ShellCalls()[1].parameters, "-a");
    EXPECT_EQ(hl::ShellCalls()[1].showCmd, SW_SHOW);
}

TEST_F(KernelTest, StockObjectsAreSmallStableTokens) {
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_NE(black, nullptr);
    EXPECT_EQ(black, GetStockObject(BLACK_BRUSH));
    EXPECT_NE(black, GetStockObject(WHITE_BRUSH));
    EXPECT_LE(reinterpret_cast<uintptr_t>(black), 0xFFFFFFFFu);
    EXPECT_EQ(GetStockObject(-1), nullptr);
}

}  // namespace
