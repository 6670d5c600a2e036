// Modal message boxes. Tests install a handler that records the call instead
// of showing a window.
#pragma once

#include <functional>
#include <string>

#include "render/d3d8.h"

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr int IDOK = 1;

// owner may be null (no owner window); text and caption are UTF-8.
int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned type);

using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned type)>;
// An empty handler restores the real message box.
void SetMessageBoxHandler(MessageBoxHandler handler);
