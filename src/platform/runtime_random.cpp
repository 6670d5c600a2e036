#include "platform/runtime_random.h"

namespace {
uint32_t randomState = 1;
}  // namespace

int RuntimeRandom() {
  randomState = randomState * 22695477u + 1u;
  return static_cast<int>((randomState >> 16) & 0x7fffu);
}

void ResetRuntimeRandom() { randomState = 1; }
