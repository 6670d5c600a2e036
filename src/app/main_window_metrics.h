// The main window's outer position and sizes as the button strip's hit test
// uses them: the whole non-client height counts as lying above the client.
#pragma once

struct MainWindowMetrics {
  int left = 0;          // outer left edge, screen pixels
  int top = 0;           // outer top edge, screen pixels
  int height = 0;        // outer height
  int clientHeight = 0;  // client area (render panel and status bar)
};

// Zeros while no main window exists.
MainWindowMetrics CurrentMainWindowMetrics();

using MainWindowMetricsSource = MainWindowMetrics (*)();
void SetMainWindowMetricsSource(MainWindowMetricsSource source);
