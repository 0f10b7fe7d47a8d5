#include "data/FstShape.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "base/Notify.h"
#include "data/DataFiles.h"
#include "data/NumberParse.h"
#include "data/TextBuffer.h"

namespace velmora {
namespace {

constexpr char kHeader[] = "1 FSTShape";
constexpr std::size_t kHeaderLength = sizeof(kHeader) - 1;
constexpr char kColourFile[] = "cols.fcd";

// Shows the progress display for the whole load and removes it on every return path.
class ProgressScope {
 public:
  explicit ProgressScope(LoadProgress* progress) : progress_(progress) {
    if (!progress_) return;
    progress_->Show();
    progress_->SetRange(0, 200);
    progress_->SetPos(0);
    progress_->SetStep(1);
  }
  ~ProgressScope() {
    if (progress_) progress_->Hide();
  }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  LoadProgress* progress_;
};

// Steps the bar about once per percent of a phase: the step size is count / 100 and the
// bar steps after item i whenever i exceeds the threshold, which then rises by the step.
class PhaseStepper {
 public:
  PhaseStepper(LoadProgress* progress, std::int64_t count)
      : progress_(progress), stepSize_(count / 100), threshold_(stepSize_) {}
  void After(std::int64_t i) {
    if (progress_ && i > threshold_) {
      progress_->Step();
      threshold_ += stepSize_;
    }
  }

 private:
  LoadProgress* progress_;
  std::int64_t stepSize_;
  std::int64_t threshold_;
};

// The first blank in text, where a number was just read from text up to end. The
// characters read hold a blank only when they start with white space, so most of the
// time the search can start where the number ended.
inline const char* NextBlank(const char* text, const char* end) {
  return FindInLine(number_detail::IsSpace(*text) ? text : end, ' ');
}

// The colour table as one load sees it; it replaces the shape's only when the load ends
// well.
struct Palette {
  int red[256], green[256], blue[256];
  std::bitset<256> named;
};

// Reads "cols.fcd". Entry lines past the end of the file are simply absent (nothing is
// set from them); a missing blank or comma leaves the fields after it 0. The count and
// the indices are read as longs, so that a value beyond an int cannot wrap into range.
void ReadColourTable(TextBuffer& text, Palette& palette) {
  const char* first = text.NextLine();
  if (!first) return;
  const char* end;
  const long count = std::min(ParseDecimalLong(first, &end), 256L);
  for (long i = 0; i < count; ++i) {
    char* line = text.NextLine();
    if (!line) return;
    const long index = ParseDecimalLong(line, &end);
    if (index < 0 || index >= count) continue;
    long component[3] = {0, 0, 0};
    if (char* blank = FindInLine(line, ' ')) {
      char* field = blank + 1;
      for (int c = 0; c < 3; ++c) {
        char* comma = c < 2 ? FindInLine(field, ',') : nullptr;
        if (comma) *comma = '\0';
        component[c] = ParseHex(field);
        if (!comma) break;
        field = comma + 1;
      }
    }
    palette.red[index] = static_cast<int>(component[0]);
    palette.green[index] = static_cast<int>(component[1]);
    palette.blue[index] = static_cast<int>(component[2]);
    palette.named.set(static_cast<std::size_t>(index));
  }
}

// The geometry of the last object block read so far.
struct Block {
  int pointCount = 0;
  int faceCount = 0;
  std::vector<double> coordinates;
  std::vector<FstFace> faces;
};

// Gives value to out[i], then once more for each blank in the run of white space that
// starts at *p, advancing *p past the last of those blanks, while i stays below count;
// returns the last i given. The text after each such blank still starts with the rest of
// the run and so reads the same number again: walking the run once here, instead of
// reading the rest of the run again after each of its blanks, keeps a line with a long
// run of blanks linear.
template <typename T, typename After>
std::int64_t GiveRepeats(T* out, std::int64_t i, std::int64_t count, T value, const char*& p,
                         After after) {
  out[i] = value;
  after(i);
  for (const char* s = p; number_detail::IsSpace(*s) && i + 1 < count; ++s)
    if (*s == ' ') {
      out[++i] = value;
      after(i);
      p = s + 1;
    }
  return i;
}

class FstReader {
 public:
  FstReader(TextBuffer& text, const std::string& path, LoadProgress* progress)
      : text_(text),
        path_(path),
        progress_(progress),
        indicesLeft_(static_cast<std::int64_t>(text.Size())) {}

  // Reads the blocks after the header; the last one ends in block. False after a message.
  bool ReadObjects(int& objectCount, Block& block) {
    const char* line = Line();
    // A count of 0 or less keeps the geometry; any other needs one line per block.
    if (!line || !ReadCount(line, objectCount, 1, true)) return false;
    for (int n = 0; n < objectCount; ++n) {
      if (!Line()) return false;  // the object header is read and ignored
      if (!ReadPoints(block) || !ReadFaces(block)) return false;
    }
    return true;
  }

 private:
  char* Line() {
    char* line = text_.NextLine();
    if (!line)
      Reject(" ends too early: line " + std::to_string(text_.LineNumber() + 1) + " is missing!");
    return line;
  }

  void Reject(const std::string& what) { ShowMessage("File " + path_ + what); }
  std::string AtLine() const { return " at line " + std::to_string(text_.LineNumber()) + "!"; }

  // A count of things each of which needs at least bytesEach bytes of the file from here
  // on, so that what a count makes the load allocate stays within a multiple of the
  // file's size. It is read as a long: a count beyond an int is refused rather than
  // wrapped.
  bool ReadCount(const char* line, int& count, std::size_t bytesEach, bool mayBeNegative = false,
                 const char** end = nullptr) {
    const char* stop;
    const long value = ParseDecimalLong(line, &stop);
    if (end) *end = stop;
    if (value < INT_MIN || value > INT_MAX) {
      Reject(" has a count outside the range of a 32-bit integer" + AtLine());
      return false;
    }
    count = static_cast<int>(value);
    if (count < 0 && !mayBeNegative) {
      Reject(" has a negative count" + AtLine());
      return false;
    }
    if (count > 0 && static_cast<std::size_t>(count) > text_.BytesFromLastLine() / bytesEach) {
      Reject(" has a count larger than the file can hold" + AtLine());
      return false;
    }
    return true;
  }

  bool ReadPoints(Block& block) {
    const char* countLine = Line();
    // A short line repeats its last value for the rest, but real files write every
    // coordinate, each in two bytes at least (a digit and the blank or line end after
    // it). Counting one byte a coordinate still refuses a file of blank lines declaring
    // as many points as it has bytes, which took 49 times its size.
    if (!countLine || !ReadCount(countLine, block.pointCount, 3)) return false;
    const std::int64_t values = std::int64_t{3} * block.pointCount;
    block.coordinates.assign(static_cast<std::size_t>(values), 0.0);
    if (progress_) progress_->SetCaption("Caching points..");
    const char* p = Line();
    if (!p) return false;
    if (progress_) progress_->SetCaption("Loading points..");

    // A single blank is the only separator: each value is read from where the text after
    // the previous blank starts (atof skips further white space, so a double blank reads
    // the next value twice). Once no blank is left, every remaining value repeats the
    // last one.
    PhaseStepper stepper(progress_, values);
    const auto after = [&stepper](std::int64_t i) { stepper.After(i); };
    double* out = block.coordinates.data();
    std::int64_t i = 0;
    for (; i < values; ++i) {
      const char* start = p;
      const char* end;
      const double value = ParseAtof(p, &end);
      i = GiveRepeats(out, i, values, value, p, after);
      if (end == start) end = p;  // nothing converted: the search starts where p is
      const char* blank = NextBlank(p, end);
      if (!blank) break;
      p = blank + 1;
    }
    if (i < values) {
      std::fill(out + i + 1, out + values, out[i]);
      for (++i; i < values; ++i) stepper.After(i);
    }
    if (progress_) progress_->SetPos(100);
    return true;
  }

  bool ReadFaces(Block& block) {
    const char* countLine = Line();
    // Each face has a line of its own with a blank on it.
    if (!countLine || !ReadCount(countLine, block.faceCount, 2)) return false;
    block.faces.clear();
    block.faces.resize(static_cast<std::size_t>(block.faceCount));
    PhaseStepper stepper(progress_, block.faceCount);
    for (int j = 0; j < block.faceCount; ++j) {
      char* line = Line();
      if (!line || !ReadFace(line, block.pointCount, block.faces[j])) return false;
      stepper.After(j);
    }
    return true;
  }

  bool ReadFace(char* line, int pointCount, FstFace& face) {
    char* blank = FindInLine(line, ' ');
    if (!blank) {
      Reject(" has a face line without a blank" + AtLine());
      return false;
    }
    *blank = '\0';  // the colour index is the text before the first blank only
    const long colour = ParseHex(line);
    if (colour < 0 || colour > 255) {
      Reject(" has a colour index outside 0..255" + AtLine());
      return false;
    }
    const char* p = blank + 1;
    int k = 0;
    const char* end;
    if (!ReadCount(p, k, 1, false, &end)) return false;
    // Each face's count is bounded by the bytes left, but many faces could each declare
    // nearly that many (a short line repeats its last index), asking for memory far
    // beyond the file. A written index takes two bytes at least (a digit and the blank
    // or line end after it), so all the indices of one load together are bounded by the
    // file's size: no real file comes near it, and what the indices take stays within
    // four times the file's size.
    if (k > indicesLeft_) {
      Reject(" has more face vertices in all than the file can hold" + AtLine());
      return false;
    }
    indicesLeft_ -= k;
    face.colorIndex = static_cast<int>(colour);
    face.vertexCount = k;
    face.vertexIndices.assign(static_cast<std::size_t>(k), 0);
    int* out = face.vertexIndices.data();
    long value = k;  // what the text at p reads as
    for (std::int64_t m = 0; m < k; ++m) {
      // Dropping through the next blank comes first: it is the one after k, then the
      // one after each index. Without one the text stays where it is, so every index
      // left reads the value read last.
      const char* next = NextBlank(p, end);
      if (!next) {
        if (!CheckIndex(value, pointCount)) return false;
        std::fill(out + m, out + k, static_cast<int>(value));
        break;
      }
      p = next + 1;
      const char* start = p;
      value = ParseDecimalLong(p, &end);
      if (!CheckIndex(value, pointCount)) return false;
      m = GiveRepeats(out, m, k, static_cast<int>(value), p, [](std::int64_t) {});
      if (end == start) end = p;
    }
    return true;
  }

  // Read as a long, so an index beyond an int is out of range, not wrapped into it.
  bool CheckIndex(long index, int pointCount) {
    if (index >= 0 && index < pointCount) return true;
    Reject(" has a vertex index outside the points" + AtLine());
    return false;
  }

  TextBuffer& text_;
  const std::string& path_;
  LoadProgress* progress_;
  std::int64_t indicesLeft_;  // vertex indices the faces may still declare
};

}  // namespace

int FstShape::Load(const std::string& path, LoadProgress* progress) {
  ProgressScope scope(progress);
  // A file too large for the memory left is refused like any other: the shape stays as
  // it was and the session goes on.
  try {
    return LoadChecked(path, progress);
  } catch (const std::bad_alloc&) {
    ShowMessage("Low memory!");
  }
  return 0;
}

int FstShape::LoadChecked(const std::string& path, LoadProgress* progress) {
  TextBuffer fst;
  if (!fst.Read(path)) return 0;
  TextBuffer colours;
  if (!colours.Read(FindDataFile(kColourFile))) {
    ShowMessage("Cannot load cols.fcd file!");
    return 0;
  }

  // Entries that no line names keep their values.
  Palette palette;
  std::copy(std::begin(paletteRed), std::end(paletteRed), palette.red);
  std::copy(std::begin(paletteGreen), std::end(paletteGreen), palette.green);
  std::copy(std::begin(paletteBlue), std::end(paletteBlue), palette.blue);
  palette.named = namedEntries_;
  ReadColourTable(colours, palette);

  std::size_t length = 0;
  const char* header = fst.NextLine(&length);
  if (!header || length != kHeaderLength || std::memcmp(header, kHeader, length) != 0) {
    ShowMessage("File " + path + " is not FST file!");
    return 0;
  }

  int objectCount = 0;
  Block block;
  FstReader reader(fst, path, progress);
  if (!reader.ReadObjects(objectCount, block)) return 0;

  // Everything is read and checked, and all the shape will hold is allocated: only now
  // does the shape change, by moves that cannot fail.
  const bool replace = objectCount > 0;
  std::vector<double> drawn;
  if (replace) drawn = block.coordinates;
  const std::size_t faceTotal = static_cast<std::size_t>(replace ? block.faceCount : faceCount);
  std::vector<double> distances(faceTotal);
  std::vector<int> order(faceTotal);

  std::copy(std::begin(palette.red), std::end(palette.red), paletteRed);
  std::copy(std::begin(palette.green), std::end(palette.green), paletteGreen);
  std::copy(std::begin(palette.blue), std::end(palette.blue), paletteBlue);
  namedEntries_ = palette.named;
  if (replace) {
    pointCount = block.pointCount;
    faceCount = block.faceCount;
    vertices = std::move(drawn);
    sourceVertices = std::move(block.coordinates);
    faces = std::move(block.faces);
  }
  faceDistance = std::move(distances);
  faceOrder = std::move(order);
  return pointCount;
}

std::vector<int> FstShape::NamedPaletteEntries() const {
  std::vector<int> entries;
  for (int i = 0; i < 256; ++i)
    if (namedEntries_.test(static_cast<std::size_t>(i))) entries.push_back(i);
  return entries;
}

bool FstShape::GetBoundingBox(Vec3& lo, Vec3& hi) const {
  const std::size_t n =
      std::min(sourceVertices.size() / 3, static_cast<std::size_t>(std::max(pointCount, 0)));
  if (n == 0) return false;
  lo = hi = Vec3{sourceVertices[0], sourceVertices[1], sourceVertices[2]};
  for (std::size_t v = 1; v < n; ++v) {
    const double* c = &sourceVertices[3 * v];
    lo.x = std::min(lo.x, c[0]), hi.x = std::max(hi.x, c[0]);
    lo.y = std::min(lo.y, c[1]), hi.y = std::max(hi.y, c[1]);
    lo.z = std::min(lo.z, c[2]), hi.z = std::max(hi.z, c[2]);
  }
  return true;
}

}  // namespace velmora
