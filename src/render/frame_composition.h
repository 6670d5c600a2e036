// The content of one frame, drawn between BeginScene and EndScene; also the
// per-frame hover test of the control points.
#pragma once

void RenderFrame();
