// Screen projection of the control points and the scene-button strip.
#pragma once

constexpr int noButton = 99;

// Projects the origin of the current world transform to 640 x 480 pixels.
// False (only depth written) for points behind or too close to the eye.
bool ProjectToScreen(int& sx, int& sy, int& depth);

// Draws the strip when the cursor is over it; returns the row under the
// cursor (not limited to 0..4), or noButton.
int DrawSceneButtons();
