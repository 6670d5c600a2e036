#include "interaction/control_points.h"

#include <cmath>
#include <limits>

#include "app/globals.h"
#include "app/main_window_metrics.h"
#include "platform/cursor.h"
#include "render/d3dx8.h"
#include "render/my_2dobj.h"

namespace {

// Truncation toward zero that saturates instead of overflowing.
int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (value <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

bool ProjectToScreen(int& sx, int& sy, int& depth) {
  IDirect3DDevice8* dev = GetDevice();
  if (!dev) return false;
  D3DXMATRIX projection, world, view, m;
  dev->GetTransform(D3DTS_PROJECTION, &projection);
  dev->GetTransform(D3DTS_WORLD, &world);
  dev->GetTransform(D3DTS_VIEW, &view);
  D3DXMatrixMultiply(&m, &world, &view);
  D3DXMatrixMultiply(&m, &m, &projection);
  const float x = m._41, y = m._42, z = m._43, w = m._44;
  // w == 0 (a point in the eye's plane) cannot be placed on the screen.
  if (w == 0.0f) {
    depth = 0;
    return false;
  }
  depth = TruncateToInt(z / w);
  if (depth < 0 || static_cast<float>(depth) >= w) return false;
  sx = TruncateToInt((x / w + 1.0f) * 320.0f);
  sy = TruncateToInt((1.0f - y / w) * 240.0f);
  return true;
}

int DrawSceneButtons() {
  POINT pt{};
  GetCursorPos(&pt);
  const MainWindowMetrics window = CurrentMainWindowMetrics();
  const int x = pt.x - window.left;
  const int y = pt.y - window.top - (window.height - window.clientHeight);
  const int row = (y - 15) / 40;
  const bool overStrip = x > 600 && x < 640;
  if (overStrip) {
    for (int i = 0; i < 5; ++i) {
      My2DOBJ* button = buttonSprites[i == row ? 5 + i : i];
      if (!button) continue;
      button->PlaceCentered(620.0f, float(40 * i + 30));
      button->Draw();
    }
  }
  return overStrip ? row : noButton;
}
