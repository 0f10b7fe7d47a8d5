#pragma once
// The sample-data generator: reference spheres, the colour table, the plane picture and
// a demo model with its two views' image points and the pose that explains them.
// Everything here is deterministic: the same build writes the same bytes on every run.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "camera/CameraModel.h"
#include "data/SampleSpheres.h"

namespace velmora::datagen {

struct MeshFace {
  int colorIndex = 0;
  std::vector<int> vertexIndices;
};

// A polygon shape as the FST files hold it: one object block.
struct Mesh {
  std::string name;
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

struct RgbImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // rows top to bottom, r g b per pixel, no padding
};

// Radius of every reference sphere, and the colour index of its faces (a light grey;
// the spheres are drawn with computed per-vertex colours, the index only has to be valid).
inline constexpr double kSphereRadius = 100.0;
inline constexpr int kSphereColorIndex = 0x18;

// Every file WriteAll produces.
std::vector<std::string> OutputFileNames();

// Rounds to a grid of 1e-6 units, so that coordinates print short and read back exactly.
double SnapToGrid(double v);

// Appends v in plain decimal (no exponent), the shortest text that reads back as v.
void AppendNumber(std::string& out, double v);

// count points spread evenly over a sphere about the origin (a Fibonacci lattice with
// its poles on the y axis), snapped to the output grid.
std::vector<Vec3> FibonacciSphere(int count, double radius);

// The convex hull of the Fibonacci points as triangles wound counter-clockwise seen
// from outside, in a canonical order. Throws std::runtime_error when the hull is not
// the expected closed triangulation over every point.
Mesh SphereMesh(int count, double radius, int colorIndex);

// The 256-entry palette: entries 0..31 a neutral ramp from black to white, then seven
// bands of 32 hues each, darkest band first, evenly spaced in a perceptual colour space.
std::array<Rgb, 256> Palette();
inline constexpr int PaletteIndex(int band, int hue) {
  return band * 32 + hue;
}

// File texts.
std::string FormatFst(const Mesh& mesh);
std::string FormatColourTable(const std::array<Rgb, 256>& palette);
std::string FormatPositionFile(const CameraParams& first, const CameraParams& second, double scale);
// The vertices projected into both views, first view's lines first. Throws
// std::runtime_error when a vertex falls behind a camera or outside its image plane.
std::string FormatVectorData(const std::vector<Vec3>& points, const CameraParams& first,
                             const CameraParams& second);

// The plane picture: a numbered colour grid whose width is not a multiple of 4.
RgbImage PlanePicture();
// A 24-bit RGB PNG (colour type 2, depth 8) of the image.
std::string EncodePng(const RgbImage& image);

// A small house with a gable roof, chimney, door and windows, centred at the origin.
Mesh DemoModel();
// The pose of the second view for the demo; the first view keeps the defaults.
CameraParams DemoSecondView();

// Writes every output file into outDir (created when missing). Throws
// std::runtime_error on any failure.
void WriteAll(const std::filesystem::path& outDir);

}  // namespace velmora::datagen
