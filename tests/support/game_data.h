// Whether the generated game data (the fw_data target) stands beside the test program.
#pragma once

#include <filesystem>

namespace fwtest {

inline bool GameDataPresent() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return !ec && std::filesystem::exists(exe.parent_path() / "data" / "tamble.res");
}

}  // namespace fwtest
