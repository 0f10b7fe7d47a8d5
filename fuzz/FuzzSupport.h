#pragma once
// What the fuzz targets share: a private working folder, a silent message sink that
// keeps the last messages, and a check that ends the run when an invariant breaks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::fuzz {

// Creates the folder on first use, makes it the current directory and removes it when
// the process ends. Every call returns the same absolute path.
const std::string& WorkDir();

// Writes bytes to name inside WorkDir() and returns the file's path.
std::string WriteFile(const std::string& name, std::string_view bytes);

// Removes name from WorkDir(), if it is there.
void RemoveFile(const std::string& name);

// Messages shown since the last ClearMessages(); the sink is installed by WorkDir().
const std::vector<std::string>& Messages();
void ClearMessages();

// A broken invariant: prints what and aborts, so libFuzzer keeps the input.
[[noreturn]] void Fail(const char* what);

inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// atof of the text's decimal prefix: the C library reading the text cut at its first
// character that no decimal number (with the white space before it) holds, which leaves
// it no hexadecimal, "inf" or "nan" form. The readers' numbers must equal it bit for bit.
double DecimalAtof(const char* text);

// The lines of a text file as the readers see them: split at each line feed; a final
// piece without one counts when it is not empty. Each line ends at its first NUL, as a
// C string does. With dropCarriageReturn, a carriage return before a line feed goes.
std::vector<std::string> SplitLines(std::string_view bytes, bool dropCarriageReturn);

}  // namespace velmora::fuzz
