// Number conversion of the settings file's lines, independent of the process
// locale and safe for any text: values that do not fit saturate.
#include <cmath>
#include <cstdint>
#include <limits>

#include "settings/settings_internal.h"

namespace settings_file {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips leading blanks and reads an optional sign; returns true for '-'.
bool SkipBlanksAndSign(const char*& p) {
  while (IsBlank(*p)) ++p;
  bool negative = (*p == '-');
  if (*p == '-' || *p == '+') ++p;
  return negative;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPower = 22;
constexpr int kMaxMantissaDigits = 19;  // fits in 64 bits
constexpr int kExponentCap = 100000;    // far past any double's range

// mantissa x 10^exponent, correctly rounded while both factors are exact.
double Scale(uint64_t mantissa, int exponent) {
  double m = static_cast<double>(mantissa);
  if (mantissa == 0) return 0.0;
  if (exponent >= 0 && exponent <= kMaxExactPower) return m * kExactPowers[exponent];
  if (exponent < 0 && -exponent <= kMaxExactPower) return m / kExactPowers[-exponent];
  if (exponent > 400) return std::numeric_limits<double>::infinity();
  if (exponent < -400) return 0.0;
  return m * std::pow(10.0, exponent);
}

}  // namespace

int32_t TextToInt(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  bool negative = SkipBlanksAndSign(p);
  // Accumulate as a negative number so INT32_MIN fits.
  int64_t value = 0;
  constexpr int64_t kLimit = -static_cast<int64_t>(INT32_MIN);
  for (; IsDigit(*p); ++p) {
    value = value * 10 + (*p - '0');
    if (value > kLimit) value = kLimit;  // saturated; keep consuming digits
  }
  if (negative) return static_cast<int32_t>(-value);
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

double TextToDouble(const char* text) {
  if (text == nullptr) return 0.0;
  const char* p = text;
  bool negative = SkipBlanksAndSign(p);
  uint64_t mantissa = 0;
  int digits = 0;    // significant digits taken into the mantissa
  int exponent = 0;  // power of ten the mantissa is scaled by
  bool any = false;
  for (; IsDigit(*p); ++p) {
    any = true;
    if (mantissa == 0 && *p == '0') continue;
    if (digits < kMaxMantissaDigits) {
      mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
      ++digits;
    } else {
      ++exponent;  // an integer digit past what the mantissa holds
    }
  }
  if (*p == '.') {
    ++p;
    for (; IsDigit(*p); ++p) {
      any = true;
      if (mantissa == 0 && *p == '0') {
        --exponent;
        continue;
      }
      if (digits < kMaxMantissaDigits) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
        ++digits;
        --exponent;
      }
    }
  }
  if (!any) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    bool expNegative = (*q == '-');
    if (*q == '-' || *q == '+') ++q;
    if (IsDigit(*q)) {
      int e = 0;
      for (; IsDigit(*q); ++q) {
        if (e < kExponentCap) e = e * 10 + (*q - '0');
      }
      exponent += expNegative ? -e : e;
    }
  }
  double value = Scale(mantissa, exponent);
  return negative ? -value : value;
}

int32_t SecondsToMs(float seconds) {
  double ms = static_cast<double>(seconds) * 1000.0;
  // Also false for a value that is not a number.
  if (!(ms > -2147483649.0 && ms < 2147483648.0)) return kDefaultShowtimeMs;
  return static_cast<int32_t>(ms);
}

}  // namespace settings_file
