// The game's own small helpers: clock, clamps, interpolation, remapping, floor division and
// the game's random-number generator (separate from the engine's).
#pragma once

#include <cstdint>

extern uint32_t g_RandomSeed;

uint32_t GetTimeMs();
int ClampInt(int v, int lo, int hi);
float ClampFloat(float v, float lo, float hi);
float MaxFloat(float a, float b);
float MinFloat(float a, float b);
int MaxInt(int a, int b);
int MinInt(int a, int b);
float DegToRad(float degrees);
// v + d wrapped by at most one period each way into [lo, hi).
float WrapFloat(float v, float d, float lo, float hi);
float WrapUnit(float v, float d);
// a at t 0, b at t 0.5, a at t 1.
float TriangleEase(float t, float a, float b);
float Lerp(float t, float a, float b);
// The midpoint at t 0, b at t 0.25, a at t 0.75.
float SineEase(float t, float a, float b);
float Mix(float a, float b, float t);
// An integer from a (t 0) to b (t 1), a and b in either order.
int UnitToIntRange(float t, int a, int b);
float PickLast(float a, float b, float c, float d, float e);
// v mapped from [a, b] onto [c, d], clamped into the output range.
float RemapClamped(float v, float a, float b, float c, float d);
// Quotient and remainder rounded toward minus infinity (for b > 0).
int FloorDiv(int a, int b);
int PositiveMod(int a, int b);

// Seed 0 takes the clock.
void SeedRandom(uint32_t seed);
uint32_t RandomInt(uint32_t n);
float RandomUnit();
float RandomFloat(float lo, float hi);
