// printf's "%.Nf" with a point as the decimal separator whatever the locale.
#pragma once

#include <string>

std::string FormatFixed(double value, int decimals);
