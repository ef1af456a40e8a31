#include "platform/win32/win_gdi.h"

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object > 19) return nullptr;
    return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x30000 + object));
}
