// Matched pixels: one match a row, u1 v1 u2 v2, as a spreadsheet or a script writes them.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "data/NumberParse.h"
#include "data/TextBuffer.h"
#include "data/import/Import.h"
#include "data/import/ImportMath.h"

namespace velmora {

namespace {

constexpr const char* kSeparators = " \t,;";

// Splits the line in place at separators; at most four fields are kept, the count is
// returned in full.
int SplitFields(char* line, char* fields[4]) {
  int count = 0;
  char* p = line;
  for (;;) {
    p += std::strspn(p, kSeparators);
    if (*p == '\0') return count;
    char* end = p + std::strcspn(p, kSeparators);
    if (count < 4) fields[count] = p;
    ++count;
    if (*end == '\0') return count;
    *end = '\0';
    p = end + 1;
  }
}

}  // namespace

bool ReadMatchesFile(const std::string& path, double pixelOrigin, TwoViewInput& rig,
                     std::string& why) {
  TextBuffer text;
  if (!text.Read(path)) {
    why = path + ": cannot be read";
    return false;
  }
  std::vector<double> columns[4];
  bool headerAllowed = true;
  while (char* line = text.NextLine()) {
    if (char* hash = std::strchr(line, '#')) *hash = '\0';
    char* fields[4];
    const int count = SplitFields(line, fields);
    if (count == 0) continue;
    double values[4];
    bool numbers = true;
    int bad = -1;
    for (int i = 0; i < std::min(count, 4) && numbers; ++i)
      if (!IsDecimalNumber(fields[i], &values[i])) numbers = false, bad = i;
    if (!numbers && headerAllowed) {
      headerAllowed = false;  // the words of a header line, once, before the first row
      continue;
    }
    headerAllowed = false;
    if (!numbers) {
      why = LineAt(path, text.LineNumber()) + "'" + fields[bad] + "' is not a number";
      return false;
    }
    if (count != 4) {
      why = LineAt(path, text.LineNumber()) + std::to_string(count) +
            " fields; a match is u1 v1 u2 v2";
      return false;
    }
    for (int i = 0; i < 4; ++i) {
      if (!std::isfinite(values[i])) {
        why = LineAt(path, text.LineNumber()) + "'" + fields[i] + "' is not a finite number";
        return false;
      }
      columns[i].push_back(values[i] - pixelOrigin);
    }
  }
  rig.u1 = std::move(columns[0]), rig.v1 = std::move(columns[1]);
  rig.u2 = std::move(columns[2]), rig.v2 = std::move(columns[3]);
  return true;
}

}  // namespace velmora
