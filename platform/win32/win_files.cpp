#include "platform/win32/win_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/regular_file.h"
#include "platform/win32/win_path.h"

namespace {

struct FileObject {
    int fd;
};

struct FindObject {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

std::set<FileObject*>& Files() {
    static std::set<FileObject*> files;
    return files;
}

std::set<FindObject*>& Finds() {
    static std::set<FindObject*> finds;
    return finds;
}

bool g_readFails = false;
bool g_sizeFails = false;

FileObject* AsFile(HANDLE h) {
    auto* f = static_cast<FileObject*>(h);
    return Files().count(f) ? f : nullptr;
}

FindObject* AsFind(HANDLE h) {
    auto* f = static_cast<FindObject*>(h);
    return Finds().count(f) ? f : nullptr;
}

FILETIME ToFileTime(const timespec& t) {
    // 100-ns intervals since 1601-01-01.
    uint64_t v = (static_cast<uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
                 static_cast<uint64_t>(t.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD /*shareMode*/, SECURITY_ATTRIBUTES* /*security*/,
                   DWORD disposition, DWORD /*flags*/, HANDLE /*templateFile*/) {
    if (!name || access != GENERIC_READ || disposition != OPEN_EXISTING) return INVALID_HANDLE_VALUE;
    std::string path = platform::TranslatePath(name);
    if (path.empty()) return INVALID_HANDLE_VALUE;
    // Only regular files: a folder, a named pipe or a device is not a file to read whole.
    int fd = platform::OpenRegularFile(path.c_str());
    if (fd < 0) return INVALID_HANDLE_VALUE;
    auto* f = new FileObject{fd};
    Files().insert(f);
    return f;
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    FileObject* f = AsFile(file);
    struct stat st;
    if (!f || g_sizeFails || fstat(f->fd, &st) != 0) return INVALID_FILE_SIZE;
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, OVERLAPPED* /*overlapped*/) {
    if (read) *read = 0;
    FileObject* f = AsFile(file);
    if (!f || (!buffer && toRead) || g_readFails) return FALSE;
    DWORD total = 0;
    char* out = static_cast<char*>(buffer);
    while (total < toRead) {
        ssize_t n = ::read(f->fd, out + total, toRead - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FALSE;
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (read) *read = total;
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    FileObject* f = AsFile(object);
    if (!f) return FALSE;
    Files().erase(f);
    close(f->fd);
    delete f;
    return TRUE;
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    if (!pattern || !data) return INVALID_HANDLE_VALUE;
    const char* sep = nullptr;
    for (const char* p = pattern; *p; ++p)
        if (*p == '\\' || *p == '/') sep = p;
    std::string folderPart, wildcard;
    if (sep) {
        folderPart.assign(pattern, sep + 1);
        wildcard = sep + 1;
    } else if (std::isalpha(static_cast<unsigned char>(pattern[0])) && pattern[1] == ':') {
        folderPart.assign(pattern, 2);
        wildcard = pattern + 2;
    } else {
        wildcard = pattern;
    }
    if (wildcard.empty()) return INVALID_HANDLE_VALUE;
    std::string folder = folderPart.empty() ? std::string(".") : platform::TranslatePath(folderPart.c_str());
    if (folder.empty()) folder = ".";
    if (folder.back() != '/') folder += '/';

    DIR* dir = opendir(folder.c_str());
    if (!dir) return INVALID_HANDLE_VALUE;
    auto* find = new FindObject;
    while (dirent* e = readdir(dir)) {
        size_t len = std::strlen(e->d_name);
        if (len >= MAX_PATH || !platform::WildcardMatch(wildcard.c_str(), e->d_name)) continue;
        WIN32_FIND_DATAA d;
        std::memset(&d, 0, sizeof(d));
        std::memcpy(d.cFileName, e->d_name, len + 1);
        struct stat st;
        if (stat((folder + e->d_name).c_str(), &st) == 0) {
            d.dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
            uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
            d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
            d.nFileSizeLow = static_cast<DWORD>(size);
            d.ftCreationTime = ToFileTime(st.st_ctim);
            d.ftLastAccessTime = ToFileTime(st.st_atim);
            d.ftLastWriteTime = ToFileTime(st.st_mtim);
        } else {
            // A dangling link or an entry that vanished: reported by its directory type.
            d.dwFileAttributes = e->d_type == DT_DIR ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        }
        find->entries.push_back(d);
    }
    closedir(dir);
    if (find->entries.empty()) {
        delete find;
        return INVALID_HANDLE_VALUE;
    }
    std::sort(find->entries.begin(), find->entries.end(),
              [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
                  return std::strcmp(a.cFileName, b.cFileName) < 0;
              });
    *data = find->entries[0];
    find->next = 1;
    Finds().insert(find);
    return find;
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
    FindObject* find = AsFind(handle);
    if (!find || !data || find->next >= find->entries.size()) return FALSE;
    *data = find->entries[find->next++];
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    FindObject* find = AsFind(handle);
    if (!find) return FALSE;
    Finds().erase(find);
    delete find;
    return TRUE;
}

namespace platform {
int OpenFileHandleCount() { return static_cast<int>(Files().size()); }
int OpenFindHandleCount() { return static_cast<int>(Finds().size()); }
void SetReadFileFails(bool fails) { g_readFails = fails; }
void SetGetFileSizeFails(bool fails) { g_sizeFails = fails; }
}  // namespace platform
