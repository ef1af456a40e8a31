// Ini files through the layer's private-profile reader and writer, and through the engine.
// The body of the fuzz target, shared with the replay of its inputs in tests/regress.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/win32/win32.h"

namespace fwfuzz {

namespace detail {

// Up to 8 section and 8 key names seen in the text, so lookups hit what the file holds.
inline void Names(const uint8_t* data, size_t size, std::vector<std::string>* sections, std::vector<std::string>* keys) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t pos = 0;
    while (pos < text.size() && (sections->size() < 8 || keys->size() < 8)) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t open = line.find('['), close = line.find(']');
        size_t eq = line.find('=');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            if (sections->size() < 8) sections->push_back(line.substr(open + 1, close - open - 1));
        } else if (eq != std::string::npos && keys->size() < 8) {
            keys->push_back(line.substr(0, eq));
        }
    }
    if (sections->empty()) sections->push_back("s");
    if (keys->empty()) keys->push_back("k");
}

}  // namespace detail

inline int IniInput(Engine* engine, const uint8_t* data, size_t size) {
    static const std::string name = InputName("ini") + ".ini";
    static const std::string path = AppFolder() + name;
    if (!WriteInput(name, data, size)) return 0;
    std::vector<std::string> sections, keys;
    detail::Names(data, size, &sections, &keys);

    engine->System_SetState(STATE_INI_FILE, name.c_str());
    char small[4];
    for (const std::string& s : sections)
        for (const std::string& k : keys) {
            engine->Ini_GetString(s.c_str(), k.c_str(), "default");
            engine->Ini_GetInt(s.c_str(), k.c_str(), -1);
            engine->Ini_GetFloat(s.c_str(), k.c_str(), -1.0f);
            GetPrivateProfileStringA(s.c_str(), k.c_str(), "dflt", small, sizeof(small), path.c_str());
            GetPrivateProfileStringA(s.c_str(), k.c_str(), "dflt", small, 1, path.c_str());
            GetPrivateProfileStringA(s.c_str(), k.c_str(), "dflt", small, 0, path.c_str());
        }
    // Rewrites: replace a key, add one, delete a key and a section.
    WritePrivateProfileStringA(sections[0].c_str(), keys[0].c_str(), "new value", path.c_str());
    WritePrivateProfileStringA(sections.back().c_str(), "added", "1", path.c_str());
    WritePrivateProfileStringA(sections[0].c_str(), keys.back().c_str(), nullptr, path.c_str());
    engine->Ini_SetInt("fuzz", "n", 7);
    if (engine->Ini_GetInt("fuzz", "n", 0) != 7) __builtin_trap();  // a written value reads back
    WritePrivateProfileStringA(sections.back().c_str(), nullptr, nullptr, path.c_str());
    engine->System_SetState(STATE_INI_FILE, "");
    ForgetLog();
    return 0;
}

}  // namespace fwfuzz
