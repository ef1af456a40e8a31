// Private-profile (ini) files: "[section]" lines and "key=value" lines.
#pragma once

#include "platform/win32/win_types.h"

// Copies the value of key in section (both matched without regard to case, first match wins,
// blanks around the value trimmed, one pair of surrounding quotes removed) into buffer, or
// the default when the key or the file is missing. At most size - 1 characters are copied;
// the result is their count.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName);

// Sets key in section to value, replacing the key, adding it to the section or adding the
// section; the file is created when missing. A null value deletes the key, a null key the
// section. FALSE when the file cannot be written.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
