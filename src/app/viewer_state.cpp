#include "app/viewer_state.h"

ViewerState viewerState;

ScreenVertex quadTemplate[2][4] = {
    {{220.0f, 140.0f, 0.5f, 1.0f, 0.0f, 0.0f},
     {420.0f, 140.0f, 0.5f, 1.0f, 1.0f, 0.0f},
     {220.0f, 340.0f, 0.5f, 1.0f, 0.0f, 1.0f},
     {420.0f, 340.0f, 0.5f, 1.0f, 1.0f, 1.0f}},
    {{220.0f, 140.0f, 0.5f, 1.0f, 0.0f, 0.0f},
     {420.0f, 140.0f, 0.5f, 1.0f, 1.0f, 0.0f},
     {220.0f, 340.0f, 0.5f, 1.0f, 0.0f, 1.0f},
     {420.0f, 340.0f, 0.5f, 1.0f, 1.0f, 1.0f}},
};
