#pragma once
// Vector data files: 2n lines of "x y" image coordinates, the first n lines for the first
// view and the next n for the second. The reading half of the control panel's data load;
// the panel shows the messages and the views' panels show the counts.

#include <string>
#include <vector>

#include "base/Vec3.h"

namespace velmora {

struct VectorData {
  int count = 0;  // n, points per view
  std::vector<double> firstX, firstY, secondX, secondY;
};

// Reads path. L counts every line (empty ones too; a last line without a line feed when
// it holds any text; a carriage return before a line feed is dropped) and n = L / 2; an
// odd last line is ignored. x is atof of the line, y atof of the text after its first
// blank. A tab is not a separator, and a line without a blank gives y equal to x, since
// y is then read from the whole line. False when the file cannot be read, or after "Low
// memory!" when its points do not fit in memory; out is then unchanged. The file is read
// as far as its size when opened. lowMemory, when given, tells the second failure from
// the first.
bool ReadVectorData(const std::string& path, VectorData& out, bool* lowMemory = nullptr);

// data as a vector data file's text: the first view's points, then the second's, each with
// seventeen digits, so that reading the text back gives the same doubles.
std::string VectorDataText(const VectorData& data);

// The colour of the next point pair: three successive rand() values as red, green and
// blue, each scaled into 0..1.
Vec3 NextPairColor();
// How many pair colours have been drawn since start-up, as far as the colours go: the
// next colour is the same whenever this count is.
long long PairColoursDrawn();
// Makes the next colour the one drawn after `drawn` colours since start-up, as though the
// program had just drawn them: a reopened session colours its pairs as they were.
void RestartPairColours(long long drawn);

}  // namespace velmora
