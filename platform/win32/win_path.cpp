#include "platform/win32/win_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <vector>

namespace platform {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool EqualNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

// The entry of `folder` whose name equals `component` without regard to case, or "".
std::string FindNoCase(const std::string& folder, const std::string& component) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::string();
    std::string best;
    while (dirent* e = readdir(dir)) {
        if (!EqualNoCase(e->d_name, component.c_str())) continue;
        if (best.empty() || std::strcmp(e->d_name, best.c_str()) < 0) best = e->d_name;
    }
    closedir(dir);
    return best;
}

}  // namespace

std::string TranslatePath(const char* path) {
    if (!path) return std::string();
    if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') path += 2;
    if (!*path) return std::string();

    // "." and ".." parts are resolved by the text, as the platform does, so a path through a
    // folder that does not exist still names its file. ".." at the root stays at the root;
    // leading ".." parts of a relative path are kept.
    bool absolute = *path == '\\' || *path == '/';
    std::vector<std::string> parts;
    size_t kept = 0;  // leading ".." parts of a relative path
    const char* p = path;
    while (*p) {
        while (*p == '\\' || *p == '/') ++p;
        const char* end = p;
        while (*end && *end != '\\' && *end != '/') ++end;
        std::string component(p, end);
        p = end;
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (parts.size() > kept) {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(component);
                kept++;
            }
            continue;
        }
        parts.push_back(component);
    }
    size_t len = std::strlen(path);
    bool trailing = len > 0 && (path[len - 1] == '\\' || path[len - 1] == '/');

    std::string out = absolute ? "/" : "";
    if (parts.empty()) return absolute ? out : std::string(trailing ? "./" : ".");
    bool resolving = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string component = parts[i];
        if (resolving && i >= kept) {
            std::string exact = out + component;
            if (!Exists(exact)) {
                std::string found = FindNoCase(out, component);
                if (found.empty())
                    resolving = false;  // nothing below a missing folder can exist
                else
                    component = found;
            }
        }
        out += component;
        if (i + 1 < parts.size() || trailing) out += '/';
    }
    return out;
}

namespace {

// Pattern elements: the platform's file search turns "*" before a dot into a star that stops
// at the name's last dot, and a dot before "*" or at the end into one that also matches the
// end of a name ("*.*" matches every name, "*." the names without a dot). "?" is one character.
enum Element : char { kStar = 1, kStarToLastDot = 2, kDotOrEnd = 3, kOne = 4, kLiteral = 5 };

bool OnlyStarsFollow(const char* p) {
    while (*p == '*') ++p;
    return *p == 0;
}

}  // namespace

bool WildcardMatch(const char* pattern, const char* name) {
    std::vector<Element> kind;
    std::vector<char> ch;
    for (const char* p = pattern; *p; ++p) {
        Element e = kLiteral;
        if (*p == '*')
            e = p[1] == '.' ? kStarToLastDot : kStar;
        else if (*p == '?')
            e = kOne;
        else if (*p == '.' && OnlyStarsFollow(p + 1))
            e = kDotOrEnd;
        kind.push_back(e);
        ch.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(*p))));
    }
    const size_t m = kind.size(), n = std::strlen(name);
    const char* dot = std::strrchr(name, '.');
    const size_t lastDot = dot ? static_cast<size_t>(dot - name) : n;

    // next[j]: the rest of the pattern from element i + 1 matches name[j..]; filled from the end.
    std::vector<char> next(n + 1, 0), cur(n + 1, 0);
    next[n] = 1;
    for (size_t i = m; i-- > 0;) {
        for (size_t j = n + 1; j-- > 0;) {
            bool ok = false;
            switch (kind[i]) {
            case kStar: ok = next[j] || (j < n && cur[j + 1]); break;
            case kStarToLastDot: ok = next[j] || (j < n && j != lastDot && cur[j + 1]); break;
            case kDotOrEnd: ok = (j < n && name[j] == '.' && next[j + 1]) || (j == n && next[j]); break;
            case kOne: ok = j < n && next[j + 1]; break;
            case kLiteral:
                ok = j < n && std::tolower(static_cast<unsigned char>(name[j])) == ch[i] && next[j + 1];
                break;
            }
            cur[j] = ok;
        }
        next.swap(cur);
    }
    return next[0];
}

}  // namespace platform
