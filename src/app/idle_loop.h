// Rendering from the application's idle time, the frame-rate measurement,
// the demo cycle, and the 100 ms status timer.
#pragma once

#include <cstdint>

constexpr uint32_t kClearColor = 0xFF505064;
// A measurement is taken once more than this many frames were counted.
constexpr uint32_t kMeasureFrames = 20;

// One idle call: maybe render a frame, measure, advance the demo, pump
// pending events; sets done to false so that the loop never sleeps.
void ApplicationIdle(bool& done);

// The demo step of an idle call (also runs when no frame was rendered).
void AdvanceDemoCycle();

// Every 100 ms: frame rate and speed into the status bar, speed decay.
void Timer1Timer();
