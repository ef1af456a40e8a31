#include "platform/win32/win_profile.h"

#include <cctype>
#include <cstdio>
#include <cstring>
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
    std::fclose(f);
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
    ReadLines(path, lines, crlf);

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

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return FALSE;
    const char* eol = crlf ? "\r\n" : "\n";
    bool ok = true;
    for (const std::string& line : lines)
        ok = ok && std::fputs(line.c_str(), f) >= 0 && std::fputs(eol, f) >= 0;
    ok = (std::fclose(f) == 0) && ok;
    return ok ? TRUE : FALSE;
}
