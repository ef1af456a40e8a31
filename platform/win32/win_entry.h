// The program's entry point, defined by the game and called from main().
#pragma once

#include "platform/win32/win_types.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR cmdLine, int cmdShow);
