// Test helpers for files and packs: a scratch folder beside the test program and a zip
// writer over minizip.
#pragma once

#include <minizip/zip.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace restest {

// The folder of the running program, with a trailing slash.
inline std::string ProgramFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "./";
    buf[n] = 0;
    std::string p(buf);
    return p.substr(0, p.rfind('/') + 1);
}

// A fresh folder under the program's folder, removed again on destruction. `name` is the
// folder's name relative to the program's folder (unique per test program and process).
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag)
        : name_(tag + "_" + std::to_string(getpid())), path_(ProgramFolder() + name_ + "/") {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& name() const { return name_; }  // relative to the program's folder
    const std::string& path() const { return path_; }  // absolute, with '/'
    // The Windows form of the absolute path, with backslashes and a trailing backslash.
    std::string WinPath() const {
        std::string w = path_;
        for (char& c : w)
            if (c == '/') c = '\\';
        return w;
    }
    void Write(const std::string& rel, const std::string& data) const {
        std::filesystem::path p = path_ + rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << data;
    }
    void MakeFolder(const std::string& rel) const { std::filesystem::create_directories(path_ + rel); }

private:
    std::string name_;
    std::string path_;
};

struct ZipEntry {
    std::string name;
    std::string data;
    std::string password;  // empty = not encrypted
    bool deflate = true;
};

// Writes a zip archive of the entries; false when minizip refuses.
inline bool WriteZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) return false;
    bool ok = true;
    for (const ZipEntry& e : entries) {
        zip_fileinfo zi = {};
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
        int r = zipOpenNewFileInZip3(zf, e.name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr,
                                     e.deflate ? Z_DEFLATED : 0, e.deflate ? Z_DEFAULT_COMPRESSION : 0, 0,
                                     -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                     e.password.empty() ? nullptr : e.password.c_str(), crc);
        ok = ok && r == ZIP_OK;
        if (r == ZIP_OK) {
            ok = ok && zipWriteInFileInZip(zf, e.data.data(), static_cast<unsigned>(e.data.size())) == ZIP_OK;
            ok = ok && zipCloseFileInZip(zf) == ZIP_OK;
        }
    }
    return zipClose(zf, nullptr) == ZIP_OK && ok;
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace restest
