#include "platform/number_conversion.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/platform_error.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> TryStrToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;

  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  const uint64_t base = hex ? 16 : 10;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = hex ? HexDigitValue(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * base + static_cast<uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  uint32_t bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;
  return std::bit_cast<int32_t>(bits);
}

int32_t StrToInt(const std::string& text) {
  if (std::optional<int32_t> value = TryStrToInt(text)) return *value;
  throw ConversionError(ConversionError::Kind::kInteger, text);
}

std::optional<double> TryStrToFloat(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;

  // A comma counts as the separator only in a text without a point, so files
  // written under a decimal-comma locale still read.
  const char separator = text.find('.') != std::string_view::npos ? '.' : ',';
  std::string canonical;
  canonical.reserve(text.size());
  size_t i = 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    if (negative) canonical += '-';
    ++i;
  }
  int64_t integerDigits = 0;
  int64_t digitCount = 0;
  int64_t firstNonZero = -1;
  bool seenSeparator = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      if (c != '0' && firstNonZero < 0) firstNonZero = digitCount;
      ++digitCount;
      if (!seenSeparator) ++integerDigits;
      canonical += c;
    } else if (c == separator && !seenSeparator) {
      seenSeparator = true;
      canonical += '.';
    } else {
      break;
    }
  }
  if (digitCount == 0) return std::nullopt;

  int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    canonical += 'e';
    ++i;
    bool exponentNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      exponentNegative = text[i] == '-';
      canonical += text[i];
      ++i;
    }
    const size_t exponentStart = i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      canonical += text[i];
      if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (i == exponentStart) return std::nullopt;
    if (exponentNegative) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;

  double value = 0.0;
  const auto [end, error] =
      std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Out of range either way: a magnitude of 1 or more overflowed, a smaller
    // one underflowed and reads as zero.
    if (firstNonZero < 0) return negative ? -0.0 : 0.0;
    const int64_t magnitude = exponent + integerDigits - firstNonZero - 1;
    if (magnitude >= 0) return std::nullopt;
    return negative ? -0.0 : 0.0;
  }
  if (error != std::errc() || end != canonical.data() + canonical.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

double StrToFloat(const std::string& text) {
  if (std::optional<double> value = TryStrToFloat(text)) return *value;
  throw ConversionError(ConversionError::Kind::kFloat, text);
}

std::string FloatToStrDigits(double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0.0) return "0";
  digits = std::clamp(digits, 1, 17);

  // Rounded once to the wanted digits; the exponent is the rounded value's.
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::scientific, digits - 1);
  const std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t e = text.find('e');
  std::string mantissa;
  for (char c : text.substr(0, e)) {
    if (IsDigit(c)) mantissa += c;
  }
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  int exponent = 0;
  std::string_view exponentText = text.substr(e + 1);
  if (!exponentText.empty() && exponentText.front() == '+') exponentText.remove_prefix(1);
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

  std::string out = value < 0 ? "-" : "";
  const int count = static_cast<int>(mantissa.size());
  if (exponent >= -4 && exponent < digits) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += mantissa;
    } else if (count <= exponent + 1) {
      out += mantissa;
      out.append(static_cast<size_t>(exponent + 1 - count), '0');
    } else {
      out.append(mantissa, 0, static_cast<size_t>(exponent + 1));
      out += '.';
      out.append(mantissa, static_cast<size_t>(exponent + 1), std::string::npos);
    }
  } else {
    out += mantissa[0];
    if (count > 1) {
      out += '.';
      out.append(mantissa, 1, std::string::npos);
    }
    out += 'E';
    if (exponent < 0) out += '-';
    out += std::to_string(exponent < 0 ? -exponent : exponent);
  }
  return out;
}

std::string FloatToStr(double value) { return FloatToStrDigits(value, 15); }

float RoundToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  // Halfway between FLT_MAX and 2^128: from here on the nearest float is infinity.
  constexpr double kOverflow = 0x1.ffffffp127;
  if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
  if (std::fabs(value) >= kOverflow) {
    return value < 0 ? -std::numeric_limits<float>::infinity()
                     : std::numeric_limits<float>::infinity();
  }
  if (value > kMax) return static_cast<float>(kMax);
  if (value < -kMax) return static_cast<float>(-kMax);
  return static_cast<float>(value);
}
