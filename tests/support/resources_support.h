// Test helpers for files and packs: a scratch folder beside the test program and a small
// zip writer (stored or deflated entries, traditional encryption).
#pragma once

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
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
    // A named pipe no one writes to: opening it to read waits for a writer.
    void MakePipe(const std::string& rel) const { mkfifo((path_ + rel).c_str(), 0644); }

private:
    std::string name_;
    std::string path_;
};

// Ends the test program (SIGALRM) when a scope outlives its seconds: a read that blocks fails
// the test instead of holding it until the run's time-out.
struct FailIfStuck {
    explicit FailIfStuck(unsigned seconds) { alarm(seconds); }
    ~FailIfStuck() { alarm(0); }
};

struct ZipEntry {
    std::string name;
    std::string data;
    std::string password = "";  // empty = not encrypted
    bool deflate = true;
};

// Traditional PKWARE encryption keys.
struct ZipKeys {
    uint32_t k[3] = {0x12345678u, 0x23456789u, 0x34567890u};
    static uint32_t Crc(uint32_t crc, uint8_t b) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        return crc;
    }
    explicit ZipKeys(const std::string& password) {
        for (char c : password) Update(static_cast<uint8_t>(c));
    }
    void Update(uint8_t c) {
        k[0] = Crc(k[0], c);
        k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1;
        k[2] = Crc(k[2], static_cast<uint8_t>(k[1] >> 24));
    }
    uint8_t Encrypt(uint8_t plain) {
        uint32_t t = (k[2] | 2) & 0xFFFF;
        uint8_t c = static_cast<uint8_t>(plain ^ ((t * (t ^ 1)) >> 8));
        Update(plain);
        return c;
    }
};

// Writes a zip archive of the entries (stored or deflated, optionally encrypted); false when
// the file cannot be written.
inline bool WriteZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    std::string out, central;
    auto u16 = [](std::string& s, uint32_t v) { s += static_cast<char>(v & 0xFF); s += static_cast<char>((v >> 8) & 0xFF); };
    auto u32 = [&](std::string& s, uint32_t v) { u16(s, v & 0xFFFF); u16(s, v >> 16); };
    uint32_t seed = 7;
    for (const ZipEntry& e : entries) {
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
        std::string body = e.data;
        if (e.deflate) {
            z_stream z = {};
            if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                return false;
            body.assign(deflateBound(&z, e.data.size()), 0);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(e.data.data()));
            z.avail_in = static_cast<uInt>(e.data.size());
            z.next_out = reinterpret_cast<Bytef*>(body.data());
            z.avail_out = static_cast<uInt>(body.size());
            int r = deflate(&z, Z_FINISH);
            body.resize(z.total_out);
            deflateEnd(&z);
            if (r != Z_STREAM_END) return false;
        }
        uint16_t flag = 0;
        if (!e.password.empty()) {
            flag = 1;
            ZipKeys keys(e.password);
            std::string head(12, 0);
            for (int i = 0; i < 11; ++i) head[i] = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
            head[11] = static_cast<char>(crc >> 24);
            std::string enc = head + body;
            for (char& c : enc) c = static_cast<char>(keys.Encrypt(static_cast<uint8_t>(c)));
            body = enc;
        }
        uint32_t offset = static_cast<uint32_t>(out.size());
        uint16_t method = e.deflate ? 8 : 0;
        auto common = [&](std::string& s) {
            u16(s, 20); u16(s, flag); u16(s, method); u16(s, 0); u16(s, 0x21);
            u32(s, crc); u32(s, static_cast<uint32_t>(body.size())); u32(s, static_cast<uint32_t>(e.data.size()));
            u16(s, static_cast<uint32_t>(e.name.size())); u16(s, 0);
        };
        u32(out, 0x04034b50); common(out); out += e.name; out += body;
        u32(central, 0x02014b50); u16(central, 20); common(central);
        u16(central, 0); u16(central, 0); u16(central, 0); u32(central, 0); u32(central, offset);
        central += e.name;
    }
    uint32_t cdOffset = static_cast<uint32_t>(out.size());
    out += central;
    u32(out, 0x06054b50); u16(out, 0); u16(out, 0);
    u16(out, static_cast<uint32_t>(entries.size())); u16(out, static_cast<uint32_t>(entries.size()));
    u32(out, static_cast<uint32_t>(central.size())); u32(out, cdOffset); u16(out, 0);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << out;
    return static_cast<bool>(f);
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace restest
