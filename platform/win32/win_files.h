// Whole-file access and file search.
#pragma once

#include "platform/win32/win_types.h"

#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x1
#define OPEN_EXISTING 3
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define INVALID_FILE_SIZE 0xFFFFFFFFu

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

// Opens an existing file for reading (the only access the engine asks for). Fails with
// INVALID_HANDLE_VALUE for missing files, directories and any other access or disposition.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped);
BOOL CloseHandle(HANDLE object);

// The pattern is a folder followed by a wildcard ('*', '?', no case); entries come sorted by
// name, "." and ".." included when they match, folders flagged FILE_ATTRIBUTE_DIRECTORY.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

namespace platform {
// Balances for tests: handles opened by CreateFileA / FindFirstFileA and not yet closed.
int OpenFileHandleCount();
int OpenFindHandleCount();
// Fault switches for tests: while set, every ReadFile fails, or every GetFileSize gives
// INVALID_FILE_SIZE.
void SetReadFileFails(bool fails);
void SetGetFileSizeFails(bool fails);
}  // namespace platform
