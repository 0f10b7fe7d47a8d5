// Time per load of a 100K-vertex FST file: our reader against a plain reader written
// with fgets, atof, strtol and atoi to the same rules (the file's numbers are decimal,
// where atof and our decimal-only reading agree). Both must give identical shapes.
//
//   velmora_bench_fst [benchmark flags] [file.fsd]
//
// The file comes from the argument, else from VELMORA_BENCH_FST, else a sphere of 100 000
// vertices is written to a temporary folder. "cols.fcd" is read from the current folder
// when there is one there, else an equivalent table is written beside the generated file.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench/BenchSupport.h"
#include "data/FstShape.h"

namespace velmora {
namespace {

// ---- the plain reader -------------------------------------------------------------------

// One line of any length, without its line feed and a carriage return before it.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  char chunk[4096];
  while (std::fgets(chunk, sizeof chunk, file)) {
    line += chunk;
    if (line.back() == '\n') break;
  }
  if (line.empty()) return false;
  if (line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// The text after the first blank (or comma), or the whole text when there is none.
std::string DropThrough(const std::string& text, char c) {
  const std::size_t at = text.find(c);
  return at == std::string::npos ? text : text.substr(at + 1);
}

// Reads well-formed files only: it checks nothing that our reader checks.
int ReferenceLoad(FstShape& shape, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return 0;
  std::FILE* colours = std::fopen("cols.fcd", "r");
  if (!colours) {
    std::fclose(file);
    return 0;
  }
  std::string line;
  ReadLine(colours, line);
  const int count = std::min(std::atoi(line.c_str()), 256);
  for (int i = 0; i < count; ++i) {
    ReadLine(colours, line);
    const int index = std::atoi(line.c_str());
    std::string rest = DropThrough(line, ' ');
    if (index < 0 || index >= count) continue;
    shape.paletteRed[index] = std::strtol(rest.substr(0, rest.find(',')).c_str(), nullptr, 16);
    rest = DropThrough(rest, ',');
    shape.paletteGreen[index] = std::strtol(rest.substr(0, rest.find(',')).c_str(), nullptr, 16);
    rest = DropThrough(rest, ',');
    shape.paletteBlue[index] = std::strtol(rest.c_str(), nullptr, 16);
  }
  std::fclose(colours);

  ReadLine(file, line);
  if (line != "1 FSTShape") {
    std::fclose(file);
    return 0;
  }
  ReadLine(file, line);
  const int objects = std::atoi(line.c_str());
  for (int n = 0; n < objects; ++n) {
    ReadLine(file, line);
    ReadLine(file, line);
    shape.pointCount = std::atoi(line.c_str());
    const std::size_t values = 3 * static_cast<std::size_t>(shape.pointCount);
    shape.vertices.assign(values, 0.0);
    shape.sourceVertices.assign(values, 0.0);
    std::string buffer;
    ReadLine(file, buffer);
    // The window reader: 1024 characters at a time, refilled below 64. The buffer is
    // consumed by an offset; erasing its front at each refill would make this quadratic.
    std::size_t taken = std::min<std::size_t>(1024, buffer.size());
    std::string window = buffer.substr(0, taken);
    for (std::size_t i = 0; i < values; ++i) {
      const double v = std::atof(window.c_str());
      shape.vertices[i] = shape.sourceVertices[i] = v;
      const std::size_t length = window.size();
      const std::size_t blank = window.find(' ');
      if (blank != std::string::npos) window.erase(0, blank + 1);
      if (length < 64 && taken < buffer.size()) {
        const std::size_t more = std::min<std::size_t>(1024, buffer.size() - taken);
        window.append(buffer, taken, more);
        taken += more;
      }
    }
    ReadLine(file, line);
    shape.faceCount = std::atoi(line.c_str());
    shape.faces.assign(static_cast<std::size_t>(shape.faceCount), FstFace{});
    for (FstFace& face : shape.faces) {
      ReadLine(file, line);
      face.colorIndex =
          static_cast<int>(std::strtol(line.substr(0, line.find(' ')).c_str(), nullptr, 16));
      std::string rest = DropThrough(line, ' ');
      face.vertexCount = std::atoi(rest.c_str());
      rest = DropThrough(rest, ' ');
      face.vertexIndices.resize(static_cast<std::size_t>(face.vertexCount));
      for (int& index : face.vertexIndices) {
        index = std::atoi(rest.c_str());
        rest = DropThrough(rest, ' ');
      }
    }
  }
  std::fclose(file);
  shape.faceDistance.assign(static_cast<std::size_t>(shape.faceCount), 0.0);
  shape.faceOrder.assign(static_cast<std::size_t>(shape.faceCount), 0);
  return shape.pointCount;
}

// ---- the test file ----------------------------------------------------------------------

void AppendFixed(std::string& out, double v) {
  char text[512];
  const auto result = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
  out.append(text, result.ptr);
}

// A Fibonacci sphere of radius 10 with coordinates on a 1e-6 grid, and about two
// triangles per vertex, like the generated sample spheres.
std::string SphereFile(int vertexCount) {
  std::string out = "1 FSTShape\n1\nsphere\n" + std::to_string(vertexCount) + "\n";
  bool first = true;
  for (int i = 0; i < vertexCount; ++i) {
    const Vec3 p = bench::FibonacciPoint(i, vertexCount);
    for (double c : {p.x, p.y, p.z}) {
      if (!first) out += ' ';
      first = false;
      AppendFixed(out, std::round(10.0 * c * 1e6) / 1e6 + 0.0);  // + 0.0: no "-0"
    }
  }
  const int faceCount = 2 * vertexCount - 4;
  out += "\n" + std::to_string(faceCount) + "\n";
  char line[64];
  for (int j = 0; j < faceCount; ++j) {
    const int a = j / 2, b = (a + 1) % vertexCount, c = (a + 21 + j % 2 * 13) % vertexCount;
    std::snprintf(line, sizeof line, "%x 3 %d %d %d\n", j % 256, a, b, c);
    out += line;
  }
  return out;
}

std::string ColourTable() {
  std::string out = "256\n";
  char line[32];
  for (int i = 0; i < 256; ++i) {
    std::snprintf(line, sizeof line, "%d %x,%x,%x\n", i, i, 255 - i, (i * 7) % 256);
    out += line;
  }
  return out;
}

bool SameShape(const FstShape& a, const FstShape& b) {
  if (a.pointCount != b.pointCount || a.faceCount != b.faceCount ||
      a.sourceVertices != b.sourceVertices || a.vertices != b.vertices ||
      a.faces.size() != b.faces.size() || a.faceDistance.size() != b.faceDistance.size() ||
      a.faceOrder.size() != b.faceOrder.size())
    return false;
  for (int i = 0; i < 256; ++i)
    if (a.paletteRed[i] != b.paletteRed[i] || a.paletteGreen[i] != b.paletteGreen[i] ||
        a.paletteBlue[i] != b.paletteBlue[i])
      return false;
  for (std::size_t j = 0; j < a.faces.size(); ++j)
    if (a.faces[j].colorIndex != b.faces[j].colorIndex ||
        a.faces[j].vertexCount != b.faces[j].vertexCount ||
        a.faces[j].vertexIndices != b.faces[j].vertexIndices)
      return false;
  return true;
}

std::string g_path;

void BM_LoadFst_Ours(benchmark::State& state) {
  for (auto _ : state) {
    FstShape shape;
    benchmark::DoNotOptimize(shape.Load(g_path, nullptr));
  }
}
BENCHMARK(BM_LoadFst_Ours)->Unit(benchmark::kMillisecond);

void BM_LoadFst_Reference(benchmark::State& state) {
  for (auto _ : state) {
    FstShape shape;
    benchmark::DoNotOptimize(ReferenceLoad(shape, g_path));
  }
}
BENCHMARK(BM_LoadFst_Reference)->Unit(benchmark::kMillisecond);

// Prints the usual table, then how many times faster our reader is, by wall-clock time
// and by CPU time (the steadier of the two on a shared machine).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      Times& t = times_[run.run_name.function_name];
      if (run.run_type == Run::RT_Iteration) {
        t.real += run.GetAdjustedRealTime();
        t.cpu += run.GetAdjustedCPUTime();
        ++t.count;
      } else if (run.aggregate_name == "mean" && t.count == 0) {
        t.real = run.GetAdjustedRealTime();
        t.cpu = run.GetAdjustedCPUTime();
        t.count = 1;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const Times& ours = times_["BM_LoadFst_Ours"];
    const Times& reference = times_["BM_LoadFst_Reference"];
    if (ours.count == 0 || reference.count == 0 || ours.real <= 0 || ours.cpu <= 0) return;
    std::printf("reference / ours: %.2f by wall-clock time, %.2f by CPU time\n",
                (reference.real / reference.count) / (ours.real / ours.count),
                (reference.cpu / reference.count) / (ours.cpu / ours.count));
  }

 private:
  struct Times {
    double real = 0, cpu = 0;
    int count = 0;
  };
  std::map<std::string, Times> times_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  benchmark::Initialize(&argc, argv);
  namespace fs = std::filesystem;
  const char* fromEnv = std::getenv("VELMORA_BENCH_FST");
  std::string path = argc > 1 ? argv[1] : fromEnv ? fromEnv : "";
  const fs::path scratch =
      fs::temp_directory_path() / ("velmora-bench-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  if (path.empty()) {
    path = (scratch / "sphere100K.fsd").string();
    std::ofstream(path, std::ios::binary) << SphereFile(100000);
  }
  path = fs::absolute(path).string();
  if (!fs::exists("cols.fcd")) {
    std::ofstream(scratch / "cols.fcd", std::ios::binary) << ColourTable();
    fs::current_path(scratch);
  }
  g_path = path;

  bench::MessagesToStderr();
  bool same = false;
  {
    // Checked once, then freed, so that the timed loads start from the same heap.
    FstShape ours, reference;
    const int points = ours.Load(path, nullptr);
    const int referencePoints = ReferenceLoad(reference, path);
    std::printf("%s: %d points, %d faces, %ju bytes\n", path.c_str(), points, ours.faceCount,
                static_cast<std::uintmax_t>(fs::file_size(path)));
    same = points > 0 && points == referencePoints && SameShape(ours, reference);
    if (!same) std::fprintf(stderr, "the two readers disagree on %s\n", path.c_str());
  }

  RatioReporter reporter;
  const int status = bench::RunIfChecked(same, reporter);
  std::error_code ec;
  fs::remove_all(scratch, ec);
  return status;
}
