// The Windows calls the engine and the game make, provided by the platform layer.
#pragma once

#include "platform/win32/win_types.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_kernel.h"
#include "platform/win32/win_module.h"
#include "platform/win32/win_path.h"
#include "platform/win32/win_power.h"
#include "platform/win32/win_profile.h"
#include "platform/win32/win_user.h"
#include "platform/win32/win_keyboard.h"
#include "platform/win32/win_mm.h"
#include "platform/win32/win_shell.h"
#include "platform/win32/win_gdi.h"
