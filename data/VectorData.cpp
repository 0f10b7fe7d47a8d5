#include "data/VectorData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "base/Notify.h"
#include "data/NumberParse.h"
#include "data/TextBuffer.h"

namespace velmora {

bool ReadVectorData(const std::string& path, VectorData& out, bool* lowMemory) {
  if (lowMemory != nullptr) *lowMemory = false;
  // Everything is built aside and moved into out only when it is whole: a file too large
  // for memory is refused with "Low memory!" and the points held so far stay.
  try {
    TextBuffer text;
    if (!text.Read(path)) return false;
    // Counted first, so the points need their four arrays and nothing for each line.
    const std::size_t pairs = text.LinesLeft() / 2;
    if (pairs > static_cast<std::size_t>(std::numeric_limits<int>::max())) throw std::bad_alloc();
    const int n = static_cast<int>(pairs);
    VectorData data;
    data.count = n;
    for (std::vector<double>* v : {&data.firstX, &data.firstY, &data.secondX, &data.secondY})
      v->resize(pairs);
    auto readPoint = [](const char* line, double& x, double& y) {
      x = ParseAtof(line);
      const char* blank = FindInLine(line, ' ');
      y = ParseAtof(blank ? blank + 1 : line);
    };
    for (int i = 0; i < n; ++i) readPoint(text.NextLine(), data.firstX[i], data.firstY[i]);
    for (int i = 0; i < n; ++i) readPoint(text.NextLine(), data.secondX[i], data.secondY[i]);
    out = std::move(data);
    return true;
  } catch (const std::bad_alloc&) {
    ShowMessage("Low memory!");
    if (lowMemory != nullptr) *lowMemory = true;
    return false;
  }
}

namespace {
long long g_coloursDrawn = 0;
}  // namespace

long long PairColoursDrawn() {
  return g_coloursDrawn;
}

void RestartPairColours(long long drawn) {
  std::srand(1);  // the state of a generator that was never seeded
  for (long long i = 0; i < drawn; ++i) NextPairColor();
  g_coloursDrawn = drawn;
}

Vec3 NextPairColor() {
  ++g_coloursDrawn;
  // rand()'s range is not the same everywhere; scaling by RAND_MAX keeps each component
  // in 0..1 as the colours need (where RAND_MAX is 32767 this is the plain / 32767).
  constexpr double kMax = RAND_MAX;
  Vec3 colour;
  colour.x = std::rand() / kMax;
  colour.y = std::rand() / kMax;
  colour.z = std::rand() / kMax;
  return colour;
}

std::string VectorDataText(const VectorData& data) {
  std::string text;
  char line[64];
  for (int half = 0; half < 2; ++half)
    for (int i = 0; i < data.count; ++i) {
      const std::size_t k = static_cast<std::size_t>(i);
      std::snprintf(line, sizeof line, "%.17g %.17g\n", half ? data.secondX[k] : data.firstX[k],
                    half ? data.secondY[k] : data.firstY[k]);
      text += line;
    }
  return text;
}

}  // namespace velmora
