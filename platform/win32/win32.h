// The Windows calls the engine and the game make, provided by the platform layer.
#pragma once

#include "platform/win32/win_types.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_kernel.h"
#include "platform/win32/win_module.h"
