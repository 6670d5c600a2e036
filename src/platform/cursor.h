// The mouse cursor's position in screen pixels.
#pragma once

#include <functional>

struct POINT {
  int x;
  int y;
};

bool GetCursorPos(POINT* point);

// Tests place the cursor without moving the real pointer; empty restores it.
void SetCursorPosSource(std::function<POINT()> source);
