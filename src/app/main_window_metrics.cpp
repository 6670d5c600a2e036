#include "app/main_window_metrics.h"

namespace {
MainWindowMetricsSource source = nullptr;
}

MainWindowMetrics CurrentMainWindowMetrics() { return source ? source() : MainWindowMetrics{}; }

void SetMainWindowMetricsSource(MainWindowMetricsSource newSource) { source = newSource; }
