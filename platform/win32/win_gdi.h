// Graphics device interface: stock objects.
#pragma once

#include "platform/win32/win_types.h"

#define WHITE_BRUSH 0
#define GRAY_BRUSH 2
#define BLACK_BRUSH 4
#define NULL_BRUSH 5

// A small non-null token per stock object; never deleted.
HGDIOBJ GetStockObject(int object);
