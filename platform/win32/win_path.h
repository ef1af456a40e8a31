// Windows-style paths on the Linux file system.
#pragma once

#include <string>

namespace platform {

// Maps a Windows path to a file-system path: a drive prefix "X:" is dropped, backslashes
// become slashes, "." and ".." parts are resolved by the text (a ".." takes away the part
// before it, whether that exists or not), and every component that does not exist under its
// exact name is looked up without regard to the case of ASCII letters (the first such name in
// byte order wins). Components that match nothing stay as given, so a file that is about to
// be created keeps its name. A null or empty path gives the empty text.
std::string TranslatePath(const char* path);

// True when `name` matches the wildcard as the platform's file search matches it: '*' any run
// of characters (empty included), but a '*' just before a dot does not run past the name's
// last dot; a dot followed only by '*'s (or ending the pattern) also matches the end of a name,
// so "*.*" matches every name and "*." the names without a dot; '?' exactly one character;
// letters compared without regard to case.
bool WildcardMatch(const char* pattern, const char* name);

}  // namespace platform
