#include <minizip/unzip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/engine_impl.h"

namespace {

// Upper-cases a to z and turns slashes into backslashes, in place.
void PackName(char* s) {
    for (; *s; ++s) {
        if (*s >= 'a' && *s <= 'z') *s = static_cast<char>(*s - 'a' + 'A');
        else if (*s == '/') *s = '\\';
    }
}

bool IsAbsolute(const char* name) {
    return name[0] == '\\' || name[0] == '/' || (name[0] && name[1] == ':');
}

// Archives are opened through the layer's path translation: stored pack paths are
// upper-cased Windows paths.
unzFile OpenPack(const char* path) {
    std::string real = platform::TranslatePath(path);
    if (real.empty()) return nullptr;
    return unzOpen(real.c_str());
}

}  // namespace

char* EngineImpl::Resource_FullPath(const char* filename) {
    // A result that does not fit the buffer is given as the empty text: no caller may use a
    // cut path, which would name some other file.
    char result[MAX_PATH];
    if (!filename) {
        std::snprintf(result, sizeof(result), "%s", appPath);
    } else {
        const char* folder = IsAbsolute(filename) ? "" : appPath;
        size_t a = std::strlen(folder), b = std::strlen(filename);
        if (a + b >= sizeof(result)) {
            pathBuffer[0] = 0;
            return pathBuffer;
        }
        std::memcpy(result, folder, a);
        std::memcpy(result + a, filename, b + 1);
    }
    for (char* p = result; *p; ++p)
        if (*p == '/') *p = '\\';
    std::memcpy(pathBuffer, result, sizeof(pathBuffer));
    return pathBuffer;
}

void* EngineImpl::Resource_Load(const char* filename, DWORD* size) {
    if (!filename) filename = "";
    char message[MAX_PATH];
    std::snprintf(message, sizeof(message), "Can't load resource: %s", filename);

    if (!IsAbsolute(filename) && std::strlen(filename) < MAX_PATH) {
        char wanted[MAX_PATH];
        std::strcpy(wanted, filename);
        PackName(wanted);
        for (ResourcePack* pack = packs; pack; pack = pack->next) {
            unzFile zip = OpenPack(pack->path);
            if (!zip) continue;
            int done = unzGoToFirstFile(zip);
            while (done == UNZ_OK) {
                char stored[MAX_PATH + 1];
                unz_file_info info;
                if (unzGetCurrentFileInfo(zip, &info, stored, MAX_PATH, nullptr, 0, nullptr, 0) != UNZ_OK)
                    break;
                // Names of 260 characters or more are cut by the reader and match nothing.
                if (info.size_filename < MAX_PATH) {
                    stored[info.size_filename] = 0;
                    PackName(stored);
                    if (std::strcmp(stored, wanted) == 0) {
                        if (unzOpenCurrentFilePassword(zip, pack->password[0] ? pack->password : nullptr) !=
                            UNZ_OK) {
                            unzClose(zip);
                            System_PostError(message);
                            return nullptr;
                        }
                        // One read call delivers at most INT_MAX bytes.
                        if (info.uncompressed_size > 0x7FFFFFFFu) {
                            unzCloseCurrentFile(zip);
                            unzClose(zip);
                            System_PostError(message);
                            return nullptr;
                        }
                        DWORD length = static_cast<DWORD>(info.uncompressed_size);
                        void* block = std::malloc(length ? length : 1);
                        if (!block) {
                            unzCloseCurrentFile(zip);
                            unzClose(zip);
                            System_PostError(message);
                            return nullptr;
                        }
                        // The entry must deliver its whole stated size and pass its CRC check:
                        // a short, damaged or wrongly decrypted entry is a failed load, never a
                        // block of garbage.
                        int got = unzReadCurrentFile(zip, block, length);
                        int closed = unzCloseCurrentFile(zip);
                        unzClose(zip);
                        if (got < 0 || static_cast<DWORD>(got) != length || closed != UNZ_OK) {
                            std::free(block);
                            System_PostError(message);
                            return nullptr;
                        }
                        if (size) *size = length;
                        return block;
                    }
                }
                done = unzGoToNextFile(zip);
            }
            unzClose(zip);
        }
    }

    const char* path = Resource_FullPath(filename);
    HANDLE file = path[0] ? CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr)
                          : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        System_PostError(message);
        return nullptr;
    }
    DWORD length = GetFileSize(file, nullptr);
    void* block = length == INVALID_FILE_SIZE ? nullptr : std::malloc(length ? length : 1);
    if (!block) {
        CloseHandle(file);
        System_PostError(message);
        return nullptr;
    }
    DWORD read = 0;
    if (!ReadFile(file, block, length, &read, nullptr)) {
        CloseHandle(file);
        std::free(block);
        System_PostError(message);
        return nullptr;
    }
    CloseHandle(file);
    if (size) *size = read;
    return block;
}

void EngineImpl::Resource_Free(void* res) {
    if (res) std::free(res);
}

bool EngineImpl::Resource_AttachPack(const char* filename, const char* password) {
    if (password && std::strlen(password) >= sizeof(ResourcePack::password)) return false;
    char* path = Resource_FullPath(filename);
    if (!path[0]) return false;
    PackName(path);
    for (ResourcePack* pack = packs; pack; pack = pack->next)
        if (std::strcmp(pack->path, path) == 0) return false;
    unzFile zip = OpenPack(path);
    if (!zip) return false;
    unzClose(zip);

    auto* pack = new ResourcePack;
    std::memcpy(pack->path, path, sizeof(pack->path));
    std::snprintf(pack->password, sizeof(pack->password), "%s", password ? password : "");
    pack->next = packs;
    packs = pack;
    return true;
}

void EngineImpl::Resource_RemovePack(const char* filename) {
    char* path = Resource_FullPath(filename);
    PackName(path);
    for (ResourcePack** link = &packs; *link; link = &(*link)->next) {
        if (std::strcmp((*link)->path, path) == 0) {
            ResourcePack* gone = *link;
            *link = gone->next;
            delete gone;
            return;
        }
    }
}

void EngineImpl::Resource_RemoveAllPacks() {
    while (packs) {
        ResourcePack* gone = packs;
        packs = gone->next;
        delete gone;
    }
}

namespace {

bool IsFolderEntry(const WIN32_FIND_DATAA& d) {
    return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::strcmp(d.cFileName, ".") != 0 &&
           std::strcmp(d.cFileName, "..") != 0;
}

bool IsFileEntry(const WIN32_FIND_DATAA& d) { return !(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY); }

}  // namespace

// One search serves both operations; each applies its own filter to the entries it takes.
static char* NextMatch(HANDLE& search, WIN32_FIND_DATAA& data, const char* pattern,
                       bool (*wanted)(const WIN32_FIND_DATAA&)) {
    if (pattern) {
        if (search) {
            FindClose(search);
            search = nullptr;
        }
        HANDLE h = pattern[0] ? FindFirstFileA(pattern, &data) : INVALID_HANDLE_VALUE;
        if (h == INVALID_HANDLE_VALUE) return nullptr;
        search = h;
        if (wanted(data)) return data.cFileName;
    }
    if (!search) return nullptr;
    while (FindNextFileA(search, &data))
        if (wanted(data)) return data.cFileName;
    FindClose(search);
    search = nullptr;
    return nullptr;
}

char* EngineImpl::Resource_FindFile(const char* wildcard) {
    return NextMatch(search, searchData, wildcard ? Resource_FullPath(wildcard) : nullptr, IsFileEntry);
}

char* EngineImpl::Resource_FindFolder(const char* wildcard) {
    return NextMatch(search, searchData, wildcard ? Resource_FullPath(wildcard) : nullptr, IsFolderEntry);
}
