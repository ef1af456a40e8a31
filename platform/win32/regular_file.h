// Opening a file to read it whole without ever waiting: a named pipe would block open() until a
// writer comes, and a pipe or device need never end. Header-only, so that the sound library,
// which links nothing of the layer, reads files the same way.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace platform {

// A descriptor of the regular file at path (a symbolic link counts as what it names), in
// blocking mode; -1 for anything else (a folder, a named pipe, a device, a socket) or when it
// cannot be opened. Its size goes to `bytes` when given.
inline int OpenRegularFile(const char* path, uint64_t* bytes = nullptr) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    if (bytes) *bytes = static_cast<uint64_t>(st.st_size);
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

// The same as a stdio stream opened "rb"; null when OpenRegularFile refuses the path.
inline std::FILE* OpenRegularFileStream(const char* path, uint64_t* bytes = nullptr) {
    const int fd = OpenRegularFile(path, bytes);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

// Whether a path names something other than a regular file (an absent path does not).
inline bool ExistsAsNonRegular(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

}  // namespace platform
