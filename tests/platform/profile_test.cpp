#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32.h"
#include "tests/support/resources_support.h"

namespace {

using restest::ReadAll;
using restest::ScratchFolder;

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

TEST(Profile, UnwritableFolderFails) {
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
}

}  // namespace
