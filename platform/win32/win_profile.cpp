#include "platform/win32/win_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/regular_file.h"
#include "platform/win32/win_path.h"

namespace {

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The file's lines without their line breaks; false when it cannot be read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines, bool& crlf) {
    crlf = false;
    FILE* f = platform::OpenRegularFileStream(path.c_str());
    if (!f) return false;
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0) text.append(chunk, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            crlf = true;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return true;
}

// Section name of a "[name]" line, or false for any other line.
bool SectionOf(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[') return false;
    size_t close = t.find(']');
    name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// Key and raw value of a "key=value" line.
bool KeyOf(const std::string& line, std::string& key, std::string& value) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq));
    value = line.substr(eq + 1);
    return true;
}

// The file a path names once its symbolic links are followed (the last one may name nothing
// yet); empty when the links go round or cannot be read.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string to(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = readlink(path.c_str(), to.data(), to.size());
        if (n <= 0 || static_cast<size_t>(n) >= to.size()) return "";
        to.resize(static_cast<size_t>(n));
        if (to[0] != '/') {
            const size_t slash = path.rfind('/');
            to = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + to;
        }
        path = to;
    }
    return "";
}

// Whether a replaced file is on disk before the call returns. Fuzzing builds skip it: it
// would take most of the time of an input.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kSync = false;
#else
constexpr bool kSync = true;
#endif

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Replaces the file at path (what its links name) with text. The text goes to a new file
// beside it, which is renamed over the old one only when every write has succeeded, so a
// failure leaves the old file whole. The new file takes the old one's permissions, and its
// owner when the process may give it.
bool ReplaceFile(const std::string& path, const std::string& text) {
    const std::string target = FollowLinks(path);
    if (target.empty()) return false;
    struct stat old;
    const bool existed = stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) return false;
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    // A name no one else holds: O_EXCL never opens a file that is already there, a link included.
    std::random_device seed;
    std::mt19937_64 random((static_cast<uint64_t>(seed()) << 32) ^ seed() ^ static_cast<uint64_t>(getpid()));
    std::string temp;
    int fd = -1;
    for (int tries = 0; tries < 100 && fd < 0; ++tries) {
        char suffix[24];
        std::snprintf(suffix, sizeof(suffix), ".%016llx", static_cast<unsigned long long>(random()));
        temp = folder + "." + base + suffix;
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = true;
    if (existed) {
        // Owner first, as a change of owner may clear the set-id bits.
        if (fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Neither is the process's to give: the file stays its own.
        }
        ok = fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, text);
    ok = ok && (!kSync || fsync(fd) == 0 || errno == EINVAL);  // EINVAL: a file system without fsync
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // The rename itself survives a crash once the folder is on disk.
    const int dir = kSync ? open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

std::string Unquote(const std::string& raw) {
    std::string v = Trim(raw);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName) {
    if (!buffer || size == 0) return 0;
    std::string result = defaultValue ? defaultValue : "";
    std::vector<std::string> lines;
    bool crlf;
    if (section && key && fileName && ReadLines(platform::TranslatePath(fileName), lines, crlf)) {
        bool inSection = false;
        for (const std::string& line : lines) {
            std::string name, k, v;
            if (SectionOf(line, name)) {
                inSection = EqualNoCase(name, section);
            } else if (inSection && KeyOf(line, k, v) && EqualNoCase(k, key)) {
                result = Unquote(v);
                break;
            }
        }
    }
    size_t n = result.size() < size - 1 ? result.size() : size - 1;
    std::memcpy(buffer, result.data(), n);
    buffer[n] = 0;
    return static_cast<DWORD>(n);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (!section || !fileName) return FALSE;
    std::string path = platform::TranslatePath(fileName);
    if (path.empty()) return FALSE;
    // A named pipe or a device is neither read nor written: opening it could wait for ever.
    if (platform::ExistsAsNonRegular(path.c_str())) return FALSE;
    std::vector<std::string> lines;
    bool crlf = false;
    // A file that is there but cannot be read is not replaced by one holding only the new line.
    if (!ReadLines(path, lines, crlf)) {
        struct stat st;
        if (stat(path.c_str(), &st) == 0 || errno != ENOENT) return FALSE;
        lines.clear();
    }

    // Locate the first matching section: its header line and the end of its body.
    size_t header = lines.size(), bodyEnd = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (!SectionOf(lines[i], name)) continue;
        if (header < lines.size()) {
            bodyEnd = i;
            break;
        }
        if (EqualNoCase(name, section)) header = i;
    }

    std::string entry = key && value ? std::string(key) + "=" + value : std::string();
    if (header == lines.size()) {
        if (!key || !value) return TRUE;  // nothing to delete
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(entry);
    } else if (!key) {
        lines.erase(lines.begin() + static_cast<long>(header), lines.begin() + static_cast<long>(bodyEnd));
    } else {
        size_t found = bodyEnd;
        for (size_t i = header + 1; i < bodyEnd; ++i) {
            std::string k, v;
            if (KeyOf(lines[i], k, v) && EqualNoCase(k, key)) {
                found = i;
                break;
            }
        }
        if (found < bodyEnd) {
            if (value)
                lines[found] = entry;
            else
                lines.erase(lines.begin() + static_cast<long>(found));
        } else if (value) {
            size_t at = bodyEnd;
            while (at > header + 1 && Trim(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + static_cast<long>(at), entry);
        }
    }

    const char* eol = crlf ? "\r\n" : "\n";
    std::string text;
    for (const std::string& line : lines) text += line + eol;
    return ReplaceFile(path, text) ? TRUE : FALSE;
}
