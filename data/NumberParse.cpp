#include "data/NumberParse.h"

#include <climits>
#include <cstdlib>
#include <system_error>

#include <fast_float/fast_float.h>

namespace velmora {
namespace {

// isspace in the C locale, without the locale lookup.
inline bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

inline int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(c | 0x20);
  if (lower >= 'a' && lower <= 'z') return lower - 'a' + 10;
  return -1;
}

// Beyond this many significant digits the library's exact conversion is used; the fast
// parser rounds correctly too, but only up to a digit limit of its own.
constexpr long kMaxFastDigits = 700;

// strtol for bases up to 36, without the locale lookup.
long ParseLong(const char* p, int base) {
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // "0x" counts as a prefix only when a hexadecimal digit follows; "0xg" reads as 0,
  // which the digit loop below gives by stopping at the x.
  if (base == 16 && p[0] == '0' && (p[1] | 0x20) == 'x') {
    const int d = DigitValue(p[2]);
    if (d >= 0 && d < 16) p += 2;
  }
  unsigned long magnitude = 0;
  bool overflow = false;
  const unsigned long ubase = static_cast<unsigned long>(base);
  for (;; ++p) {
    const int d = DigitValue(*p);
    if (d < 0 || d >= base) break;
    const unsigned long ud = static_cast<unsigned long>(d);
    if (magnitude > (ULONG_MAX - ud) / ubase)
      overflow = true;
    else
      magnitude = magnitude * ubase + ud;
  }
  if (negative) {
    if (overflow || magnitude > static_cast<unsigned long>(LONG_MAX) + 1UL) return LONG_MIN;
    return static_cast<long>(0UL - magnitude);  // modular: 2^63 becomes LONG_MIN
  }
  if (overflow || magnitude > static_cast<unsigned long>(LONG_MAX)) return LONG_MAX;
  return static_cast<long>(magnitude);
}

}  // namespace

double ParseAtof(const char* text) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // Hexadecimal floats go to the library (the fast parser does not take them).
  if (p[0] == '0' && (p[1] | 0x20) == 'x') return std::strtod(text, nullptr);

  // Find the exact span the library would accept: digits, an optional point with
  // digits, at least one digit in all, then an exponent only when it has digits.
  const char* start = p;
  const char* q = p;
  while (IsDigit(*q)) ++q;
  long digits = q - start;
  if (*q == '.') {
    const char* r = q + 1;
    while (IsDigit(*r)) ++r;
    digits += r - q - 1;
    if (digits > 0) q = r;
  }
  if (digits == 0) {
    const char lower = static_cast<char>(*start | 0x20);
    if (lower == 'i' || lower == 'n') return std::strtod(text, nullptr);  // inf, nan
    return 0.0;  // nothing converts: +0.0 even after a minus sign
  }
  if (*q == 'e' || *q == 'E') {
    const char* r = q + 1;
    if (*r == '+' || *r == '-') ++r;
    if (IsDigit(*r)) {
      while (IsDigit(*r)) ++r;
      q = r;
    }
  }
  if (digits > kMaxFastDigits) return std::strtod(text, nullptr);

  double value = 0.0;
  const auto result = fast_float::from_chars(start, q, value);
  if (result.ec != std::errc() || result.ptr != q) return std::strtod(text, nullptr);
  return negative ? -value : value;
}

long ParseHex(const char* text) {
  return ParseLong(text, 16);
}

int ParseAtoi(const char* text) {
  // glibc's atoi is the cast of strtol; the cast is modular in C++20.
  return static_cast<int>(ParseLong(text, 10));
}

}  // namespace velmora
