#include "data/NumberParse.h"

#include <locale.h>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <system_error>

#include <fast_float/fast_float.h>

namespace velmora {
namespace number_detail {

template <unsigned Base>
long ParseLongGeneral(const char* text, const char** end) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // "0x" counts as a prefix only when a hexadecimal digit follows; "0xg" reads as 0,
  // which the digit loop gives by stopping at the x.
  if (Base == 16 && p[0] == '0' && (p[1] | 0x20) == 'x' && HexDigit(p[2]) < 16) p += 2;
  const char* first = p;
  unsigned long magnitude = 0;
  bool overflow = false;
  for (;; ++p) {
    unsigned long digit;
    if constexpr (Base == 10)
      digit = static_cast<unsigned char>(*p) - static_cast<unsigned long>('0');
    else
      digit = HexDigit(*p);
    if (digit >= Base) break;
    overflow |= __builtin_mul_overflow(magnitude, static_cast<unsigned long>(Base), &magnitude);
    overflow |= __builtin_add_overflow(magnitude, digit, &magnitude);
  }
  if (p == first) {  // nothing converted (a skipped "0x" always has a digit after it)
    *end = text;
    return 0;
  }
  *end = p;
  if (negative) {
    if (overflow || magnitude > static_cast<unsigned long>(LONG_MAX) + 1UL) return LONG_MIN;
    return static_cast<long>(0UL - magnitude);  // modular: 2^63 becomes LONG_MIN
  }
  if (overflow || magnitude > static_cast<unsigned long>(LONG_MAX)) return LONG_MAX;
  return static_cast<long>(magnitude);
}

template long ParseLongGeneral<10>(const char*, const char**);
template long ParseLongGeneral<16>(const char*, const char**);

}  // namespace number_detail

namespace {

using number_detail::IsSpace;

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Beyond this many significant digits the library's exact conversion is used; the fast
// parser rounds correctly too, but only up to a digit limit of its own.
constexpr long kMaxFastDigits = 700;

}  // namespace

namespace {

// strtod in the C locale, for a text whose number the caller has found to be decimal (so
// the library reads exactly that span): the Qt side sets the user's locale, whose
// decimal point may be a comma.
double LibraryStrtod(const char* text, const char** end) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  char* stop = nullptr;
  const double value = cLocale != static_cast<locale_t>(0) ? strtod_l(text, &stop, cLocale)
                                                           : std::strtod(text, &stop);
  *end = stop;
  return value;
}

}  // namespace

double ParseAtof(const char* text) {
  const char* end;
  return ParseAtof(text, &end);
}

double ParseAtof(const char* text, const char** end) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // Find the decimal span: digits, an optional point with digits, at least one digit in
  // all, then an exponent only when it has digits. "0x1p3" stops after its "0". The
  // digits are gathered on the way for the exact shortcut below.
  const char* start = p;
  const char* q = p;
  std::uint64_t mantissa = 0;
  while (IsDigit(*q)) mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
  long digits = q - start;
  long fractionDigits = 0;
  if (*q == '.') {
    const char* r = q + 1;
    while (IsDigit(*r)) mantissa = mantissa * 10 + static_cast<unsigned>(*r++ - '0');
    fractionDigits = r - q - 1;
    digits += fractionDigits;
    if (digits > 0) q = r;
  }
  if (digits == 0) {  // "inf" and "nan" too
    *end = text;
    return 0.0;  // nothing converts: +0.0 even after a minus sign
  }
  long exponent = 0;
  if (*q == 'e' || *q == 'E') {
    const char* r = q + 1;
    const bool negativeExponent = *r == '-';
    if (*r == '+' || *r == '-') ++r;
    if (IsDigit(*r)) {
      for (; IsDigit(*r); ++r)
        if (exponent < 100000) exponent = exponent * 10 + (*r - '0');
      if (negativeExponent) exponent = -exponent;
      q = r;
    }
  }

  // Exact shortcut: a mantissa of at most 19 digits (so gathered without wrapping) that
  // a double holds exactly, scaled by an exactly representable power of ten, rounds
  // once in the one multiplication or division, as the library's correct rounding does.
  const long scale = exponent - fractionDigits;
  if (digits <= 19 && mantissa <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    double value = static_cast<double>(mantissa);
    value = scale < 0 ? value / kPowers[-scale] : value * kPowers[scale];
    *end = q;
    return negative ? -value : value;
  }
  if (digits > kMaxFastDigits) return LibraryStrtod(text, end);

  double value = 0.0;
  const auto result = fast_float::from_chars(start, q, value);
  if (result.ec != std::errc() || result.ptr != q) return LibraryStrtod(text, end);
  *end = q;
  return negative ? -value : value;
}

bool IsDecimalNumber(const char* text, double* value) {
  const char* end;
  const double number = ParseAtof(text, &end);
  if (end == text) return false;
  while (IsSpace(*end)) ++end;
  if (*end != '\0') return false;
  if (value) *value = number;
  return true;
}

bool IsWholeNumber(double v) {
  return v == std::floor(v) && std::abs(v) <= 1e15;
}

bool ParseWholeNumber(const char* text, long& value) {
  double d = 0;
  if (!IsDecimalNumber(text, &d) || !IsWholeNumber(d)) return false;
  value = static_cast<long>(d);
  return true;
}

}  // namespace velmora
