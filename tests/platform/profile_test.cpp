#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <string>

#include "platform/win32/win32.h"
#include "tests/support/resources_support.h"

namespace {

using restest::ReadAll;
using restest::ScratchFolder;

// The names in a folder, "." and ".." left out.
std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The exit status of a child process that runs `body` and exits with its value; -1 when the
// child did not exit by itself.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string Get(const char* sec, const char* key, const char* def, const std::string& file, DWORD* count = nullptr,
                DWORD size = 256) {
    char buf[256] = "garbage";
    DWORD n = GetPrivateProfileStringA(sec, key, def, buf, size, file.c_str());
    if (count) *count = n;
    return buf;
}

TEST(Profile, ReadsSectionsKeysQuotesAndBlanks) {
    ScratchFolder dir("profile_rd");
    dir.Write("a.ini",
              "; comment\r\n[General]\r\n  Name = Wagon One  \r\nquoted=\"  spaced  \"\r\nsingle='x'\r\n"
              "empty=\r\nmixed=\"x'\r\n[Other]\r\nName=second\r\n[general]\r\nName=third\r\nlate=yes\r\n");
    std::string f = dir.WinPath() + "A.INI";
    DWORD n = 0;
    EXPECT_EQ(Get("general", "NAME", "d", f, &n), "Wagon One");
    EXPECT_EQ(n, 9u);
    EXPECT_EQ(Get("General", "quoted", "d", f), "  spaced  ");
    EXPECT_EQ(Get("General", "single", "d", f), "x");
    EXPECT_EQ(Get("General", "mixed", "d", f), "\"x'");
    EXPECT_EQ(Get("General", "empty", "d", f, &n), "");
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(Get("Other", "name", "d", f), "second");
    EXPECT_EQ(Get("General", "late", "d", f), "yes");  // a repeated section is searched too
    EXPECT_EQ(Get("General", "missing", "dflt", f, &n), "dflt");
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(Get("Nope", "Name", "", f, &n), "");
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(Get("General", "Name", "def", dir.WinPath() + "missing.ini"), "def");
    EXPECT_EQ(Get("General", "Name", nullptr, dir.WinPath() + "missing.ini"), "");
}

TEST(Profile, LongValuesAreCut) {
    ScratchFolder dir("profile_long");
    dir.Write("a.ini", "[s]\nk=" + std::string(300, 'v') + "\n");
    DWORD n = 0;
    EXPECT_EQ(Get("s", "k", "", dir.WinPath() + "a.ini", &n), std::string(255, 'v'));
    EXPECT_EQ(n, 255u);
    EXPECT_EQ(Get("s", "k", "", dir.WinPath() + "a.ini", &n, 4), "vvv");
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(Get("s", "missing", "abcdef", dir.WinPath() + "a.ini", &n, 4), "abc");
}

TEST(Profile, WritesCreateReplaceAppendAndDelete) {
    ScratchFolder dir("profile_wr");
    std::string f = dir.WinPath() + "Settings.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("Video", "Width", "640", f.c_str()));
    EXPECT_EQ(ReadAll(dir.path() + "Settings.ini"), "[Video]\nWidth=640\n");
    EXPECT_TRUE(WritePrivateProfileStringA("Video", "Height", "480", f.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("Sound", "On", "1", f.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("VIDEO", "width", "800", f.c_str()));
    EXPECT_EQ(ReadAll(dir.path() + "Settings.ini"), "[Video]\nwidth=800\nHeight=480\n\n[Sound]\nOn=1\n");
    // A different case of the file name reaches the same file.
    EXPECT_EQ(Get("video", "WIDTH", "", dir.WinPath() + "SETTINGS.INI"), "800");

    EXPECT_TRUE(WritePrivateProfileStringA("Video", "Height", nullptr, f.c_str()));
    EXPECT_EQ(Get("Video", "Height", "gone", f), "gone");
    EXPECT_TRUE(WritePrivateProfileStringA("Video", nullptr, nullptr, f.c_str()));
    EXPECT_EQ(ReadAll(dir.path() + "Settings.ini"), "[Sound]\nOn=1\n");
}

TEST(Profile, KeepsCrLfFilesAndOtherLines) {
    ScratchFolder dir("profile_crlf");
    dir.Write("a.ini", "; keep me\r\n[s]\r\nk=1\r\n\r\n[t]\r\nx=2\r\n");
    std::string f = dir.WinPath() + "a.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("s", "n", "new", f.c_str()));
    EXPECT_EQ(ReadAll(dir.path() + "a.ini"), "; keep me\r\n[s]\r\nk=1\r\nn=new\r\n\r\n[t]\r\nx=2\r\n");
}

TEST(Profile, ReplacesTheFileKeepingItsModeAndLinks) {
    ScratchFolder dir("profile_mode");
    dir.Write("a.ini", "[s]\nk=1\n");
    const std::string a = dir.path() + "a.ini";
    ASSERT_EQ(chmod(a.c_str(), 0640), 0);
    EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "2", (dir.WinPath() + "a.ini").c_str()));
    EXPECT_EQ(ReadAll(a), "[s]\nk=2\n");
    EXPECT_EQ(ModeOf(a), 0640u);
    // A new file is made as any other: the process's umask decides its mode.
    const mode_t mask = umask(027);
    EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "1", (dir.WinPath() + "new.ini").c_str()));
    umask(mask);
    EXPECT_EQ(ModeOf(dir.path() + "new.ini"), 0640u);

    // Through a symbolic link the file it names is replaced; the link stays.
    dir.Write("real/target.ini", "[s]\nk=1\n");
    ASSERT_EQ(symlink("real/target.ini", (dir.path() + "link.ini").c_str()), 0);
    ASSERT_EQ(symlink("real/later.ini", (dir.path() + "dangling.ini").c_str()), 0);
    EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "via link", (dir.WinPath() + "link.ini").c_str()));
    EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "made", (dir.WinPath() + "dangling.ini").c_str()));
    struct stat st;
    ASSERT_EQ(lstat((dir.path() + "link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadAll(dir.path() + "real/target.ini"), "[s]\nk=via link\n");
    EXPECT_EQ(ReadAll(dir.path() + "real/later.ini"), "[s]\nk=made\n");
    // No file of the writes is left over.
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"a.ini", "dangling.ini", "link.ini", "new.ini", "real"}));
    EXPECT_EQ(Entries(dir.path() + "real"), (std::set<std::string>{"later.ini", "target.ini"}));
}

TEST(Profile, FailedWritesLeaveTheFileAsItWas) {
    ScratchFolder dir("profile_bad");
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", (dir.WinPath() + "nofolder\\a.ini").c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", (dir.WinPath() + "a.ini").c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", nullptr));
    // A named pipe is neither read nor written: either would wait for the other end.
    restest::FailIfStuck stuck(20);
    dir.MakePipe("pipe.ini");
    const std::string pipe = dir.WinPath() + "pipe.ini";
    char value[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "none", value, sizeof(value), pipe.c_str()), 4u);
    EXPECT_STREQ(value, "none");
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", pipe.c_str()));

    // The new text does not fit under the process's file-size limit: the write fails half-way.
    const std::string old = "; mine\n[s]\nk=1\n";
    dir.Write("a.ini", old);
    const std::string a = dir.WinPath() + "a.ini";
    const int cut = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {2000, 2000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        return WritePrivateProfileStringA("s", "big", std::string(3000, 'n').c_str(), a.c_str()) ? 1 : 0;
    });
    EXPECT_EQ(cut, 0);
    EXPECT_EQ(ReadAll(dir.path() + "a.ini"), old);
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"a.ini", "pipe.ini"}));

    // A file that is there but cannot be read is not replaced (written as a user who may
    // write it but not read it: another one when the tests run as root).
    dir.Write("locked.ini", old);
    const std::string locked = dir.path() + "locked.ini";
    ASSERT_EQ(chmod(locked.c_str(), 0200), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(locked.c_str(), 65534, 65534), 0);
    }
    const int unread = InChild([&] {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
        if (access(locked.c_str(), W_OK) != 0 || access(locked.c_str(), R_OK) == 0) return 2;
        return WritePrivateProfileStringA("s", "k", "v", (dir.WinPath() + "locked.ini").c_str()) ? 1 : 0;
    });
    ASSERT_EQ(chmod(locked.c_str(), 0600), 0);
    if (unread == 2) GTEST_SKIP() << "no user who may write the file but not read it";
    EXPECT_EQ(unread, 0);
    EXPECT_EQ(ReadAll(locked), old);
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"a.ini", "locked.ini", "pipe.ini"}));
}

}  // namespace
