#pragma once
// Number conversion for the file readers' hot paths. The files hold decimal numbers:
// a real is the longest prefix that forms one (after white space: optional sign, digits,
// optional point and fraction, at least one digit, then an exponent only when it has
// digits), converted as the C library's strtod converts it in the C locale, bit for bit
// (correct rounding, overflow to infinity, underflow to zero). Hexadecimal, "inf" and
// "nan" forms are not numbers here: "0x10" reads 0 from its "0", "nan" reads 0. The
// integer readers give what strtol gives (base 10 or 16, C locale); they are inline: the
// face lines call them millions of times.

#include <climits>

namespace velmora {

// The decimal prefix of text as a double; 0.0 when there is none.
double ParseAtof(const char* text);

// Whether text, apart from white space before and after it, is one decimal number as
// ParseAtof reads it (so "0x10", "inf", "1,5" and "" are not); value, when given,
// receives it. A number too large for a double is one and gives an infinity.
bool IsDecimalNumber(const char* text, double* value = nullptr);

// Whether v is a whole number within +-1e15, which a double holds exactly and a long
// takes: an id or a count written as a decimal number.
bool IsWholeNumber(double v);
// IsDecimalNumber of a whole number; value receives it.
bool ParseWholeNumber(const char* text, long& value);

// As strtol(text, nullptr, 16): optional sign and 0x prefix; saturates on overflow.
inline long ParseHex(const char* text);

// As atoi(text), which on this platform is (int)strtol(text, nullptr, 10): a value beyond
// an int wraps, so readers that must refuse such a count read it with ParseDecimalLong.
inline int ParseAtoi(const char* text);

// The same, also setting *end as strtod (on the decimal prefix) and strtol set their end
// pointer: just past the characters converted, or text itself when nothing converts. Only leading
// white space among those characters can be a blank, which lets a reader find the next separator
// without scanning the number twice.
double ParseAtof(const char* text, const char** end);
inline long ParseHex(const char* text, const char** end);
inline int ParseAtoi(const char* text, const char** end);
// As strtol(text, &end, 10): saturates at the limits of a long.
inline long ParseDecimalLong(const char* text, const char** end);

namespace number_detail {

// isspace in the C locale, without the locale lookup.
inline bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// The value of c as a digit of base 16, or 16 and above when it is none.
inline unsigned HexDigit(char c) {
  const unsigned decimal = static_cast<unsigned char>(c) - unsigned{'0'};
  if (decimal <= 9) return decimal;
  const unsigned letter = (static_cast<unsigned char>(c) | 0x20u) - unsigned{'a'};
  return letter < 6 ? letter + 10 : 16;
}

// strtol for base 10 or 16: every form, with overflow.
template <unsigned Base>
long ParseLongGeneral(const char* text, const char** end);
extern template long ParseLongGeneral<10>(const char*, const char**);
extern template long ParseLongGeneral<16>(const char*, const char**);

// The usual field, a short run of plain digits, is read here inline; anything else
// (white space, a sign, a prefix, a long run) takes the general path.
template <unsigned Base>
inline long ParseLong(const char* text, const char** end) {
  constexpr long kShortRun = Base == 10 ? 18 : 15;  // cannot overflow a long
  const char* p = text;
  unsigned long value = 0;
  unsigned digit;
  for (;; ++p) {
    if constexpr (Base == 10)
      digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    else
      digit = HexDigit(*p);
    if (digit >= Base || p - text == kShortRun) break;
    value = value * Base + digit;
  }
  if (p == text || digit < Base || (Base == 16 && (*p | 0x20) == 'x'))
    return ParseLongGeneral<Base>(text, end);
  *end = p;
  return static_cast<long>(value);
}

}  // namespace number_detail

inline long ParseHex(const char* text, const char** end) {
  return number_detail::ParseLong<16>(text, end);
}

inline long ParseDecimalLong(const char* text, const char** end) {
  return number_detail::ParseLong<10>(text, end);
}

// The cast of strtol's result is modular in C++20, as glibc's atoi is.
inline int ParseAtoi(const char* text, const char** end) {
  return static_cast<int>(number_detail::ParseLong<10>(text, end));
}

inline long ParseHex(const char* text) {
  const char* end;
  return ParseHex(text, &end);
}

inline int ParseAtoi(const char* text) {
  const char* end;
  return ParseAtoi(text, &end);
}

}  // namespace velmora
