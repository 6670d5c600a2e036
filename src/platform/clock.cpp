#include "platform/clock.h"

#include <chrono>

namespace {

bool manual = false;
uint32_t manualNow = 0;

uint32_t SystemMilliseconds() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  // Truncation to 32 bits is the wrap-around the callers expect.
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

uint32_t Now() { return manual ? manualNow : SystemMilliseconds(); }

}  // namespace

uint32_t timeGetTime() { return Now(); }
uint32_t GetTickCount() { return Now(); }

namespace platform_clock {
void SetManual(uint32_t now) {
  manual = true;
  manualNow = now;
}
void Advance(uint32_t milliseconds) { manualNow += milliseconds; }
void UseSystem() { manual = false; }
}  // namespace platform_clock
