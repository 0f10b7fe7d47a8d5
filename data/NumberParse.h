#pragma once
// Number conversion for the file readers' hot paths. Each function gives exactly what
// the C library function named beside it gives for the same text (C locale), bit for
// bit, including the corner cases: leading white space, a lone sign, an exponent
// without digits, overflow. The common decimal forms are converted without the
// library's locale and errno overhead; rare forms are handed to the library itself.

namespace velmora {

// As atof(text): decimal, hexadecimal, inf and nan forms; 0.0 when nothing converts.
double ParseAtof(const char* text);

// As strtol(text, nullptr, 16): optional sign and 0x prefix; saturates on overflow.
long ParseHex(const char* text);

// As atoi(text), which on this platform is (int)strtol(text, nullptr, 10).
int ParseAtoi(const char* text);

}  // namespace velmora
