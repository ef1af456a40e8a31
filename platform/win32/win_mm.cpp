#include "platform/win32/win_mm.h"

#include <ctime>

#include "platform/backend/backend_internal.h"

using platform::detail::Headless;

namespace {
// After this many reads in a row without a change, a read-step-0 clock moves by 1 ms.
const int kSpinLimit = 1000;

DWORD RealMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}
}  // namespace

namespace platform::detail {
DWORD ClockPeek() { return IsHeadless() ? Headless().clock : RealMs(); }
}  // namespace platform::detail

DWORD timeGetTime() {
    if (!platform::detail::IsHeadless()) return RealMs();
    platform::detail::HeadlessState& s = Headless();
    if (s.readStep == 0 && ++s.sameReads >= kSpinLimit) {
        s.clock += 1;
        s.sameReads = 0;
    }
    DWORD now = s.clock;
    s.clock += s.readStep;
    return now;
}

MMRESULT timeBeginPeriod(UINT periodMs) {
    if (periodMs == 0) return TIMERR_NOCANDO;
    ++Headless().periodBalance;
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT periodMs) {
    if (periodMs == 0 || Headless().periodBalance <= 0) return TIMERR_NOCANDO;
    --Headless().periodBalance;
    return TIMERR_NOERROR;
}
