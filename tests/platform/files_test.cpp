#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32.h"
#include "tests/support/resources_support.h"

namespace {

using restest::ScratchFolder;

std::vector<std::string> Walk(const std::string& pattern, std::vector<DWORD>* attrs = nullptr) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern.c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(d.cFileName);
        if (attrs) attrs->push_back(d.dwFileAttributes);
    } while (FindNextFileA(h, &d));
    EXPECT_TRUE(FindClose(h));
    return names;
}

TEST(FilesTranslatePath, DriveBackslashesAndCaseInsensitiveComponents) {
    ScratchFolder dir("files_tp");
    dir.Write("Data/Sub/Tamble.res", "x");
    std::string win = dir.WinPath();
    EXPECT_EQ(platform::TranslatePath((win + "DATA\\sub\\TAMBLE.RES").c_str()), dir.path() + "Data/Sub/Tamble.res");
    EXPECT_EQ(platform::TranslatePath(("C:" + win + "data/SUB\\tamble.res").c_str()),
              dir.path() + "Data/Sub/Tamble.res");
    // A missing last part keeps its spelling (a file about to be created); so does
    // everything below a missing folder.
    EXPECT_EQ(platform::TranslatePath((win + "data\\New.ini").c_str()), dir.path() + "Data/New.ini");
    EXPECT_EQ(platform::TranslatePath((win + "nope\\SUB").c_str()), dir.path() + "nope/SUB");
    EXPECT_EQ(platform::TranslatePath(nullptr), "");
    EXPECT_EQ(platform::TranslatePath("rel\\x"), "rel/x");
}

TEST(FilesTranslatePath, DotPartsAreResolvedByTheText) {
    ScratchFolder dir("files_dots");
    dir.Write("Data/file.txt", "x");
    std::string win = dir.WinPath();
    // The folder before ".." need not exist: the text alone decides.
    EXPECT_EQ(platform::TranslatePath((win + "nosuch\\..\\DATA\\.\\File.TXT").c_str()), dir.path() + "Data/file.txt");
    EXPECT_EQ(platform::TranslatePath((win + "data\\a\\b\\..\\..\\file.txt").c_str()), dir.path() + "Data/file.txt");
    EXPECT_EQ(platform::TranslatePath("\\..\\..\\tmp"), "/tmp");  // ".." at the root stays there
    EXPECT_EQ(platform::TranslatePath("a\\..\\..\\b\\"), "../b/");
    EXPECT_EQ(platform::TranslatePath("a\\.."), ".");
    EXPECT_EQ(platform::TranslatePath("C:"), "");

    HANDLE h = CreateFileA((win + "gone\\..\\data\\file.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(Walk(win + "gone\\..\\data\\*.*"), (std::vector<std::string>{".", "..", "file.txt"}));
}

TEST(FilesTranslatePath, ExactNameWinsOverOtherCase) {
    ScratchFolder dir("files_tp2");
    dir.Write("abc", "1");
    dir.Write("ABC", "2");
    dir.Write("Abc", "3");
    EXPECT_EQ(platform::TranslatePath((dir.WinPath() + "ABC").c_str()), dir.path() + "ABC");
    // Without an exact match the first name in byte order is taken.
    EXPECT_EQ(platform::TranslatePath((dir.WinPath() + "aBC").c_str()), dir.path() + "ABC");
}

TEST(FilesRead, WholeFileEmptyFileAndBalances) {
    ScratchFolder dir("files_rd");
    dir.Write("a.bin", std::string("he\0llo", 6));
    dir.Write("empty", "");
    int before = platform::OpenFileHandleCount();

    HANDLE h = CreateFileA((dir.WinPath() + "A.BIN").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(platform::OpenFileHandleCount(), before + 1);
    DWORD high = 77;
    EXPECT_EQ(GetFileSize(h, &high), 6u);
    EXPECT_EQ(high, 0u);
    char buf[16] = {};
    DWORD got = 99;
    EXPECT_TRUE(ReadFile(h, buf, 6, &got, nullptr));
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(std::memcmp(buf, "he\0llo", 6), 0);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));  // already closed

    h = CreateFileA((dir.WinPath() + "empty").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    0x10000080, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    got = 5;
    EXPECT_TRUE(ReadFile(h, buf, 0, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(platform::OpenFileHandleCount(), before);
}

TEST(FilesRead, DirectoriesMissingFilesAndFaults) {
    ScratchFolder dir("files_bad");
    dir.MakeFolder("folder");
    dir.Write("f", "abc");
    auto open = [](const std::string& p) {
        return CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0x10000080, nullptr);
    };
    EXPECT_EQ(open(dir.WinPath() + "folder"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(open(dir.WinPath() + "missing"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(open(""), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(INVALID_HANDLE_VALUE, nullptr), INVALID_FILE_SIZE);
    DWORD got = 1;
    char c;
    EXPECT_FALSE(ReadFile(nullptr, &c, 1, &got, nullptr));

    HANDLE h = open(dir.WinPath() + "f");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    platform::SetReadFileFails(true);
    char buf[4];
    EXPECT_FALSE(ReadFile(h, buf, 3, &got, nullptr));
    platform::SetReadFileFails(false);
    EXPECT_TRUE(ReadFile(h, buf, 3, &got, nullptr));
    EXPECT_EQ(got, 3u);
    CloseHandle(h);
}

TEST(FilesSearch, WildcardsCaseSortingFoldersAndDots) {
    ScratchFolder dir("files_find");
    for (const char* n : {"shot001.bmp", "SHOTabc.BMP", "shot12.bmp", "shot0001.bmp", "zeta.txt", "Alpha.txt"})
        dir.Write(n, "x");
    dir.MakeFolder("sub");
    std::string w = dir.WinPath();

    EXPECT_EQ(Walk(w + "shot???.bmp"), (std::vector<std::string>{"SHOTabc.BMP", "shot001.bmp"}));
    EXPECT_EQ(Walk(w + "*.TXT"), (std::vector<std::string>{"Alpha.txt", "zeta.txt"}));
    EXPECT_EQ(Walk(w + "shot*"),
              (std::vector<std::string>{"SHOTabc.BMP", "shot0001.bmp", "shot001.bmp", "shot12.bmp"}));
    EXPECT_EQ(Walk(w + "*p*t*"), (std::vector<std::string>{"Alpha.txt"}));

    std::vector<DWORD> attrs;
    std::vector<std::string> all = Walk(w + "*", &attrs);
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[0], ".");
    EXPECT_EQ(all[1], "..");
    EXPECT_EQ(all.back(), "zeta.txt");
    for (size_t i = 0; i < all.size(); ++i) {
        bool isDir = all[i] == "." || all[i] == ".." || all[i] == "sub";
        EXPECT_EQ((attrs[i] & FILE_ATTRIBUTE_DIRECTORY) != 0, isDir) << all[i];
    }
}

TEST(FilesSearch, NothingMatchingMissingFolderAndClosing) {
    ScratchFolder dir("files_none");
    dir.Write("a.txt", "x");
    int before = platform::OpenFindHandleCount();
    WIN32_FIND_DATAA d;
    EXPECT_EQ(FindFirstFileA((dir.WinPath() + "*.bmp").c_str(), &d), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileA((dir.WinPath() + "nofolder\\*").c_str(), &d), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileA((dir.WinPath()).c_str(), &d), INVALID_HANDLE_VALUE);  // no wildcard part
    EXPECT_EQ(platform::OpenFindHandleCount(), before);

    HANDLE h = FindFirstFileA((dir.WinPath() + "A.TXT").c_str(), &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(d.cFileName, "a.txt");
    EXPECT_EQ(d.nFileSizeLow, 1u);
    EXPECT_EQ(platform::OpenFindHandleCount(), before + 1);
    EXPECT_FALSE(FindNextFileA(h, &d));
    EXPECT_FALSE(FindNextFileA(h, &d));  // stays at the end
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h));
    EXPECT_FALSE(FindNextFileA(h, &d));
    EXPECT_EQ(platform::OpenFindHandleCount(), before);
}

TEST(FilesSearch, WildcardMatcher) {
    using platform::WildcardMatch;
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("a*b*c", "aXXbYYc"));
    EXPECT_TRUE(WildcardMatch("a*b*c", "abbbc"));
    EXPECT_FALSE(WildcardMatch("a*b*c", "abcx"));
    EXPECT_FALSE(WildcardMatch("?", ""));
    EXPECT_TRUE(WildcardMatch("??", "Ab"));
    EXPECT_FALSE(WildcardMatch("??", "Abc"));
    EXPECT_TRUE(WildcardMatch("*.BMP", "x.bmp"));
    EXPECT_FALSE(WildcardMatch("*.bmp", "x.bmpx"));
}

TEST(FilesSearch, DotStarMatchesNamesWithAndWithoutADot) {
    using platform::WildcardMatch;
    for (const char* name : {"README", "a.txt", "archive.tar.gz", ".hidden", ".", "..", "x."})
        EXPECT_TRUE(WildcardMatch("*.*", name)) << name;
    // A dot followed only by stars, or ending the pattern, also matches the end of the name.
    EXPECT_TRUE(WildcardMatch("readme.*", "README"));
    EXPECT_TRUE(WildcardMatch("readme.*", "readme.md"));
    EXPECT_FALSE(WildcardMatch("readme.*", "readmex"));
    EXPECT_TRUE(WildcardMatch("a.**", "a"));
    EXPECT_FALSE(WildcardMatch("a.*b", "a"));
    // A star before a dot stops at the name's last dot, so "*." takes only names without one.
    EXPECT_TRUE(WildcardMatch("*.", "Makefile"));
    EXPECT_FALSE(WildcardMatch("*.", "a.txt"));
    EXPECT_FALSE(WildcardMatch("*.", "archive.tar.gz"));
    EXPECT_TRUE(WildcardMatch("*.gz", "archive.tar.gz"));
    EXPECT_TRUE(WildcardMatch("*.t*", "archive.tar.gz"));
    // "?" stays exactly one character.
    EXPECT_FALSE(WildcardMatch("shot???.bmp", "shot1.bmp"));
    EXPECT_TRUE(WildcardMatch("shot???.bmp", "shot1.2.bmp"));
    // Long names and many stars match in time.
    std::string longName(250, 'a');
    EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a*a*b", longName.c_str()));
    EXPECT_TRUE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a*a*", longName.c_str()));

    ScratchFolder dir("files_dotstar");
    dir.Write("README", "x");
    dir.Write("b.txt", "x");
    dir.MakeFolder("sub");
    EXPECT_EQ(Walk(dir.WinPath() + "*.*"), (std::vector<std::string>{".", "..", "README", "b.txt", "sub"}));
    EXPECT_EQ(Walk(dir.WinPath() + "*."), (std::vector<std::string>{".", "..", "README", "sub"}));
}

}  // namespace
