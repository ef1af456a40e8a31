#include "game/utils.h"

#include <cmath>

#include "platform/win32/win32.h"

uint32_t g_RandomSeed = 0;

namespace {

const float kUnitScale = 1.0f / 65535.0f;

uint32_t StepRandom() {
    g_RandomSeed = g_RandomSeed * 214013u + 2531011u;
    return g_RandomSeed;
}

}  // namespace

uint32_t GetTimeMs() { return timeGetTime(); }

int ClampInt(int v, int lo, int hi) {
    if (v < lo) return lo;
    if (v < hi) return v;
    return hi;
}

float ClampFloat(float v, float lo, float hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

float MaxFloat(float a, float b) { return a > b ? a : b; }
float MinFloat(float a, float b) { return a < b ? a : b; }
int MaxInt(int a, int b) { return a > b ? a : b; }
int MinInt(int a, int b) { return a < b ? a : b; }

float DegToRad(float degrees) { return float(double(degrees) * double(3.1415927f) / 180.0); }

float WrapFloat(float v, float d, float lo, float hi) {
    double r = double(v) + d;
    double period = double(hi) - lo;
    if (r >= hi) r -= period;
    if (r < lo) r += period;
    return float(r);
}

float WrapUnit(float v, float d) {
    double r = double(v) + d;
    if (r >= 1.0) r -= 1.0;
    if (r < 0.0) r += 1.0;
    return float(r);
}

float TriangleEase(float t, float a, float b) {
    double span = double(b) - a;
    if (t < 0.5f) return float(a + span * 2.0 * t);
    return float(a + span * (2.0 - 2.0 * t));
}

float Lerp(float t, float a, float b) { return float(a + (double(b) - a) * t); }

float SineEase(float t, float a, float b) {
    float angle = 2.0f * 3.1415927f * t;
    return float(a + (double(b) - a) * (std::sin(double(angle)) + 1.0) / 2.0);
}

float Mix(float a, float b, float t) { return float(double(a) * (1.0 - t) + double(b) * t); }

int UnitToIntRange(float t, int a, int b) {
    // The offset is clamped to the range before it is made an integer, so t of any size gives
    // an end of the range without an out-of-range conversion; NaN counts as 0 (the value a).
    if (std::isnan(t)) t = 0.0f;
    long long lo = a < b ? a : b;
    long long span = (long long)(a < b ? b : a) - lo;
    float count = float(span + 1);
    double offset = a < b ? double(count) * t : (1.0 - t) * double(count);
    long long step = 0;
    if (offset >= double(span))
        step = span;
    else if (offset > 0.0)
        step = (long long)offset;
    return int(lo + step);
}

float PickLast(float, float, float, float, float e) { return e; }

float RemapClamped(float v, float a, float b, float c, float d) {
    double r = (double(d) - c) * (double(v) - a) / (double(b) - a) + c;
    if (d > c) {
        if (r < c) return c;
        if (r > d) return d;
        return float(r);
    }
    if (r < d) return d;
    if (r > c) return c;
    return float(r);
}

// b == 0 has no meaningful result; 0 keeps the division from trapping.
int FloorDiv(int a, int b) {
    if (b == 0) return 0;
    if (a >= 0) return a / b;
    return (a - b + 1) / b;
}

int PositiveMod(int a, int b) {
    if (b == 0) return 0;
    if (a >= 0) return a % b;
    return b - ((-a - 1) % b) - 1;
}

void SeedRandom(uint32_t seed) { g_RandomSeed = seed ? seed : GetTimeMs(); }

// n == 0 has no meaningful result; 0 keeps the modulo from trapping.
uint32_t RandomInt(uint32_t n) {
    uint32_t s = StepRandom();
    if (n == 0) return 0;
    return ((s >> 15) ^ s) % n;
}

float RandomUnit() { return float(StepRandom() >> 16) * kUnitScale; }

float RandomFloat(float lo, float hi) {
    uint32_t s = StepRandom();
    return float(double(lo) + double(s >> 16) * double(kUnitScale) * (double(hi) - lo));
}
