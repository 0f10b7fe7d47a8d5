#pragma once
// Number conversion for the file readers' hot paths. Each function gives exactly what
// the C library function named beside it gives for the same text (C locale), bit for
// bit, including the corner cases: leading white space, a lone sign, an exponent
// without digits, overflow. The common decimal forms are converted without the
// library's locale and errno overhead; rare forms are handed to the library itself.
// The integer readers are inline: the face lines call them millions of times.

#include <climits>

namespace velmora {

// As atof(text): decimal, hexadecimal, inf and nan forms; 0.0 when nothing converts.
double ParseAtof(const char* text);

// As strtol(text, nullptr, 16): optional sign and 0x prefix; saturates on overflow.
inline long ParseHex(const char* text);

// As atoi(text), which on this platform is (int)strtol(text, nullptr, 10).
inline int ParseAtoi(const char* text);

// The same, also setting *end as strtod and strtol set their end pointer: just past the
// characters converted, or text itself when nothing converts. Only leading white space
// among those characters can be a blank, which lets a reader find the next separator
// without scanning the number twice.
double ParseAtof(const char* text, const char** end);
inline long ParseHex(const char* text, const char** end);
inline int ParseAtoi(const char* text, const char** end);

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
