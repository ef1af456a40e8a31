// Multimedia timer: the millisecond clock and the timer resolution.
#pragma once

#include "platform/win32/win_types.h"

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Milliseconds, wrapping modulo 2^32. Headless: the test clock, which moves on every read
// (or, with a read step of 0, on Sleep and after a long run of reads), so polling never hangs.
DWORD timeGetTime();
MMRESULT timeBeginPeriod(UINT periodMs);
// TIMERR_NOCANDO without a matching timeBeginPeriod.
MMRESULT timeEndPeriod(UINT periodMs);
