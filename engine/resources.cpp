#include <minizip/unzip.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/engine_impl.h"
#include "platform/win32/regular_file.h"

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

// minizip's stdio file functions, but a pack must be a regular file: a named pipe would block
// the open. The file's size goes to the uint64_t that `opaque` points at, if any.
voidpf ZCALLBACK OpenRegularPack(voidpf opaque, const void* path, int) {
    return platform::OpenRegularFileStream(static_cast<const char*>(path), static_cast<uint64_t*>(opaque));
}

// Archives are opened through the layer's path translation: stored pack paths are
// upper-cased Windows paths. `bytes`, when given, receives the pack file's size.
unzFile OpenPack(const char* path, uint64_t* bytes = nullptr) {
    std::string real = platform::TranslatePath(path);
    if (real.empty()) return nullptr;
    zlib_filefunc64_def io;
    fill_fopen64_filefunc(&io);
    io.zopen64_file = OpenRegularPack;
    io.opaque = bytes;
    return unzOpen2_64(real.c_str(), &io);
}

// Deflate writes at least 2 bits for a match of at most 258 bytes, so no stream inflates to
// more than 1032 times its size.
constexpr uint64_t kMaxDeflateRatio = 1032;

// Whether an entry can hold what its directory record claims: its data lies within the pack,
// and stored or deflated data of that size can give the uncompressed size. The block for the
// entry is allocated at the claimed size, so a claim no data can meet is refused before it.
bool ClaimFitsPack(const unz_file_info& info, uint64_t packBytes) {
    const uint64_t packed = info.compressed_size, size = info.uncompressed_size;
    if (packed > packBytes || size > 0x7FFFFFFFu) return false;
    if (info.compression_method == 0) return size <= packed;
    if (info.compression_method == Z_DEFLATED) return size <= packed * kMaxDeflateRatio;
    return false;
}

// Traditional PKWARE decryption. The reader of the system's minizip is built without it, so
// encrypted entries are read raw and decrypted, inflated and checked here.
class ZipDecrypter {
public:
    explicit ZipDecrypter(const char* password) {
        for (; *password; ++password) Update(static_cast<unsigned char>(*password));
    }
    unsigned char Decrypt(unsigned char c) {
        uint32_t t = (keys_[2] | 2) & 0xFFFF;
        unsigned char plain = static_cast<unsigned char>(c ^ ((t * (t ^ 1)) >> 8));
        Update(plain);
        return plain;
    }

private:
    static uint32_t Crc(uint32_t crc, unsigned char b) { return Table()[(crc ^ b) & 0xFF] ^ (crc >> 8); }
    static const uint32_t* Table() {
        static const auto table = [] {
            struct T {
                uint32_t v[256];
            } t;
            for (uint32_t n = 0; n < 256; ++n) {
                uint32_t c = n;
                for (int i = 0; i < 8; ++i) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
                t.v[n] = c;
            }
            return t;
        }();
        return table.v;
    }
    void Update(unsigned char c) {
        keys_[0] = Crc(keys_[0], c);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = Crc(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
    }
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

// Reads the current entry, encrypted with `password`, into block (its uncompressed size).
// False for a wrong password, a damaged entry or an unknown method; the entry is closed.
bool ReadEncryptedEntry(unzFile zip, const unz_file_info& info, const char* password, void* block) {
    const unsigned long kHeader = 12;
    int method = 0, level = 0;
    if (info.compressed_size < kHeader || info.compressed_size > 0x7FFFFFFFu) return false;
    if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK) return false;
    unsigned length = static_cast<unsigned>(info.compressed_size);
    auto* raw = static_cast<unsigned char*>(std::malloc(length));
    bool ok = raw && unzReadCurrentFile(zip, raw, length) == static_cast<int>(length);
    unzCloseCurrentFile(zip);
    if (ok) {
        ZipDecrypter keys(password);
        for (unsigned i = 0; i < length; ++i) raw[i] = keys.Decrypt(raw[i]);
        // The last header byte repeats the CRC's high byte, or the time's with a data descriptor.
        unsigned char check = (info.flag & 8) ? static_cast<unsigned char>((info.dosDate >> 8) & 0xFF)
                                              : static_cast<unsigned char>((info.crc >> 24) & 0xFF);
        ok = raw[kHeader - 1] == check;
    }
    uLong size = info.uncompressed_size;
    if (ok && method == 0) {
        ok = length - kHeader == size;
        if (ok && size) std::memcpy(block, raw + kHeader, size);
    } else if (ok && method == Z_DEFLATED) {
        z_stream z = {};
        ok = inflateInit2(&z, -MAX_WBITS) == Z_OK;
        if (ok) {
            z.next_in = raw + kHeader;
            z.avail_in = length - static_cast<unsigned>(kHeader);
            z.next_out = static_cast<Bytef*>(block);
            z.avail_out = static_cast<uInt>(size);
            int r = inflate(&z, Z_FINISH);
            ok = (r == Z_STREAM_END || (r == Z_BUF_ERROR && size == 0 && z.avail_in == 0)) && z.total_out == size;
            inflateEnd(&z);
        }
    } else {
        ok = false;
    }
    ok = ok && crc32(0, static_cast<const Bytef*>(block), static_cast<uInt>(size)) == info.crc;
    std::free(raw);
    return ok;
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
            uint64_t packBytes = 0;
            unzFile zip = OpenPack(pack->path, &packBytes);
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
                        // An encrypted entry needs the pack's password; the library opens
                        // only plain entries, so the password is never handed to it.
                        bool encrypted = (info.flag & 1) != 0;
                        DWORD length = static_cast<DWORD>(info.uncompressed_size);
                        void* block = nullptr;
                        bool ok = ClaimFitsPack(info, packBytes) && (!encrypted || pack->password[0]);
                        if (ok && !encrypted) ok = unzOpenCurrentFilePassword(zip, nullptr) == UNZ_OK;
                        if (ok) {
                            block = std::malloc(length ? length : 1);
                            if (!block) {
                                if (!encrypted) unzCloseCurrentFile(zip);
                                ok = false;
                            }
                        }
                        if (ok && encrypted) {
                            ok = ReadEncryptedEntry(zip, info, pack->password, block);
                        } else if (ok) {
                            // The entry must deliver its whole stated size and pass its CRC
                            // check: a short or damaged entry is a failed load, never a block
                            // of garbage.
                            int got = unzReadCurrentFile(zip, block, length);
                            int closed = unzCloseCurrentFile(zip);
                            ok = got >= 0 && static_cast<DWORD>(got) == length && closed == UNZ_OK;
                        }
                        unzClose(zip);
                        if (!ok) {
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
    DWORD read = 0;
    bool ok = block && ReadFile(file, block, length, &read, nullptr);
    CloseHandle(file);
    if (!ok) {
        std::free(block);
        System_PostError(message);
        return nullptr;
    }
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
