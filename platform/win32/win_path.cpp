#include "platform/win32/win_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>

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

    std::string out;
    const char* p = path;
    if (*p == '\\' || *p == '/') {
        out = "/";
        while (*p == '\\' || *p == '/') ++p;
    }
    bool resolving = true;
    while (*p) {
        const char* end = p;
        while (*end && *end != '\\' && *end != '/') ++end;
        std::string component(p, end);
        if (resolving && component != "." && component != "..") {
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
        p = end;
        if (*p) {
            out += '/';
            while (*p == '\\' || *p == '/') ++p;
        }
    }
    return out;
}

bool WildcardMatch(const char* pattern, const char* name) {
    // Iterative matcher with one backtracking point for the last '*'.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' ||
                   (*pattern && std::tolower(static_cast<unsigned char>(*pattern)) ==
                                    std::tolower(static_cast<unsigned char>(*name)))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == 0;
}

}  // namespace platform
