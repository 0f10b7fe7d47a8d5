#include "data/VectorData.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/Notify.h"
#include "data/NumberParse.h"
#include "data/TextBuffer.h"

namespace velmora {

bool ReadVectorData(const std::string& path, VectorData& out) {
  TextBuffer text;
  if (!text.Read(path)) return false;
  // The lines stay in the buffer, ended in place, so counting first costs no copies.
  std::vector<const char*> lines;
  while (const char* line = text.NextLine()) lines.push_back(line);

  const int n = static_cast<int>(lines.size() / 2);
  VectorData data;
  data.count = n;
  ResizeOrDie(data.firstX, static_cast<std::size_t>(n));
  ResizeOrDie(data.firstY, static_cast<std::size_t>(n));
  ResizeOrDie(data.secondX, static_cast<std::size_t>(n));
  ResizeOrDie(data.secondY, static_cast<std::size_t>(n));
  auto readPoint = [](const char* line, double& x, double& y) {
    x = ParseAtof(line);
    const char* blank = FindInLine(line, ' ');
    y = ParseAtof(blank ? blank + 1 : line);
  };
  for (int i = 0; i < n; ++i) {
    readPoint(lines[static_cast<std::size_t>(i)], data.firstX[i], data.firstY[i]);
    readPoint(lines[static_cast<std::size_t>(n + i)], data.secondX[i], data.secondY[i]);
  }
  out = std::move(data);
  return true;
}

Vec3 NextPairColor() {
  // rand()'s range is not the same everywhere; scaling by RAND_MAX keeps each component
  // in 0..1 as the colours need (where RAND_MAX is 32767 this is the plain / 32767).
  constexpr double kMax = RAND_MAX;
  Vec3 colour;
  colour.x = std::rand() / kMax;
  colour.y = std::rand() / kMax;
  colour.z = std::rand() / kMax;
  return colour;
}

}  // namespace velmora
