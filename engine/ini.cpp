#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engine_impl.h"

namespace {

// The decimal number at the start of the text (leading blanks, a sign, a fraction and an
// exponent allowed), 0 when there is none. strtod alone would also read hexadecimal
// numbers, infinities and NaNs, which are no decimal numbers.
double DecimalAtStart(const char* text) {
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* q = (*p == '+' || *p == '-') ? p + 1 : p;
    bool digit = std::isdigit(static_cast<unsigned char>(q[0])) ||
                 (q[0] == '.' && std::isdigit(static_cast<unsigned char>(q[1])));
    if (!digit) return 0.0;
    if (q[0] == '0' && (q[1] == 'x' || q[1] == 'X')) return 0.0;  // "0x1A" reads as its "0"
    return std::strtod(p, nullptr);
}

}  // namespace

void EngineImpl::Ini_SetInt(const char* section, const char* name, int value) {
    if (!iniFile[0]) return;
    char buf[256];
    std::snprintf(buf, sizeof(buf), "%d", value);
    WritePrivateProfileStringA(section, name, buf, iniFile);
}

int EngineImpl::Ini_GetInt(const char* section, const char* name, int def_val) {
    if (!iniFile[0]) return def_val;
    char buf[256];
    if (!GetPrivateProfileStringA(section, name, "", buf, sizeof(buf), iniFile)) return def_val;
    // The decimal number at the start of the text; out-of-range values are held at the
    // limits of int.
    long v = std::strtol(buf, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

void EngineImpl::Ini_SetFloat(const char* section, const char* name, float value) {
    if (!iniFile[0]) return;
    char buf[256];
    std::snprintf(buf, sizeof(buf), "%f", static_cast<double>(value));
    WritePrivateProfileStringA(section, name, buf, iniFile);
}

float EngineImpl::Ini_GetFloat(const char* section, const char* name, float def_val) {
    if (!iniFile[0]) return def_val;
    char buf[256];
    if (!GetPrivateProfileStringA(section, name, "", buf, sizeof(buf), iniFile)) return def_val;
    return static_cast<float>(DecimalAtStart(buf));
}

void EngineImpl::Ini_SetString(const char* section, const char* name, const char* value) {
    if (!iniFile[0]) return;
    WritePrivateProfileStringA(section, name, value, iniFile);
}

char* EngineImpl::Ini_GetString(const char* section, const char* name, const char* def_val) {
    if (!def_val) def_val = "";
    if (!iniFile[0]) {
        std::snprintf(iniString, sizeof(iniString), "%s", def_val);
        return iniString;
    }
    GetPrivateProfileStringA(section, name, def_val, iniString, sizeof(iniString), iniFile);
    return iniString;
}
