// Creation of the Direct3D object and the windowed device that renders into
// Panel1, the projection, and their release at the end of the run.
#pragma once

// True when `direct3D` and `device` exist. On failure a message box says
// which step failed; `direct3D` may then exist without a device.
bool CreateD3DDevice();
// Sets the perspective projection for Panel1's aspect ratio. Always true.
bool SetProjection();
// Releases `device`, then `direct3D`, and nulls both.
void ReleaseD3DDevice();
