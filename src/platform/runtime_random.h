// The C runtime's pseudo-random generator as the viewer's platform had it:
// a 32-bit linear congruential generator, state 1 at program start, never
// reseeded, so every run draws the same succession.
#pragma once

#include <cstdint>

constexpr int kRuntimeRandomMax = 32767;

// state = state * 22695477 + 1 (mod 2^32); the result is bits 16..30 of the
// new state, 0 .. kRuntimeRandomMax.
int RuntimeRandom();

// Puts the generator back to its program-start state.
void ResetRuntimeRandom();
