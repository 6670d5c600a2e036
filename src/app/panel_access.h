// The render panel Panel1 as the device set-up sees it: its window handle
// (the RenderPanel widget, for the OpenGL backend) and its size in pixels.
#pragma once

#include "render/d3d8.h"

class QWidget;

// Null handle and 640 x 480 while no main window has registered its panel.
HWND Panel1Handle();
int Panel1Width();
int Panel1Height();

void RegisterPanel1(QWidget* panel);
