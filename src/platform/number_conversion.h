// Whole and decimal numbers as text, with the notations the settings files
// rely on. Independent of the process locale: decimals are written with a
// point, and read with a point or, when the text has none, a comma.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Leading spaces, an optional sign, then decimal digits or hexadecimal digits
// after '$', 'x', 'X', '0x' or '0X'. Trailing text, an empty text and a value
// outside 32 bits are refused; hexadecimal takes all 32 bits ("$FFFFFFFF" is -1).
std::optional<int32_t> TryStrToInt(std::string_view text);
// Raises ConversionError ("'%s' は整数ではありません").
int32_t StrToInt(const std::string& text);

// Surrounding spaces, an optional sign, digits with at most one separator,
// then optionally 'E' or 'e' with an optional sign and digits. A value too
// large for a double is refused; one too small becomes zero.
std::optional<double> TryStrToFloat(std::string_view text);
// Raises ConversionError ("'%s' は浮動小数点数ではありません").
double StrToFloat(const std::string& text);

// The general number form with 15 significant digits: 0.5, 2, 1E-5, 1.5E20,
// -2.5E-7, INF, -INF, NAN.
std::string FloatToStr(double value);
// The same form with `digits` significant digits (1 to 17): fixed notation
// for exponents from -4 up to digits - 1, scientific otherwise.
std::string FloatToStrDigits(double value, int digits);

// Rounds to the nearest 32-bit float; values beyond its range become
// infinities of their sign instead of being undefined.
float RoundToFloat(double value);
