// The system millisecond clocks: 32-bit unsigned counts that wrap at 2^32.
// Tests switch to a manual clock to drive timing arithmetic exactly.
#pragma once

#include <cstdint>

uint32_t timeGetTime();
uint32_t GetTickCount();

namespace platform_clock {
// Both clocks return `now` until changed again.
void SetManual(uint32_t now);
void Advance(uint32_t milliseconds);
void UseSystem();
}  // namespace platform_clock
