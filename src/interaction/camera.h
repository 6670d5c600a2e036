// The orbiting camera: eye position from yaw, pitch and distance around the
// look-at point, the light turned with it, and wheel zoom.
#pragma once

// Recomputes cameraEye, the Label1 read-out and the light direction.
void UpdateCamera();

// Wheel towards the user: one step farther (at most 10.0).
void FormMouseWheelDown();
// Wheel away from the user: one step closer (at least 1.0).
void FormMouseWheelUp();
