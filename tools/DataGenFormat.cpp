// Text formats of the generated files: FST shapes, the colour table, the position file
// and the vector data file, and the palette written into the colour table.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

#include "tools/DataGen.h"

namespace velmora::datagen {

namespace {

// Half the image plane at scale 1, in image units.
constexpr double kPlaneHalfWidth = 4.096;
constexpr double kPlaneHalfHeight = 3.072;

void AppendInt(std::string& out, int v, int base = 10) {
  char buf[16];
  auto result = std::to_chars(buf, buf + sizeof buf, v, base);
  out.append(buf, result.ptr);
}

// sRGB component (0..1, linear light) to an 8-bit gamma-encoded value.
int EncodeSrgb(double linear) {
  linear = std::clamp(linear, 0.0, 1.0);
  const double v =
      linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
  return static_cast<int>(std::lround(v * 255.0));
}

// Oklab to linear sRGB; false when the colour lies outside the sRGB cube.
bool OklabToLinear(double l, double a, double b, double rgb[3]) {
  const double l1 = l + 0.3963377774 * a + 0.2158037573 * b;
  const double m1 = l - 0.1055613458 * a - 0.0638541728 * b;
  const double s1 = l - 0.0894841775 * a - 1.2914855480 * b;
  const double lc = l1 * l1 * l1, mc = m1 * m1 * m1, sc = s1 * s1 * s1;
  rgb[0] = 4.0767416621 * lc - 3.3077115913 * mc + 0.2309699292 * sc;
  rgb[1] = -1.2684380046 * lc + 2.6097574011 * mc - 0.3413193965 * sc;
  rgb[2] = -0.0041960863 * lc - 0.7034186147 * mc + 1.7076147010 * sc;
  constexpr double eps = 1e-9;
  for (int i = 0; i < 3; ++i)
    if (rgb[i] < -eps || rgb[i] > 1.0 + eps) return false;
  return true;
}

Rgb LchColour(double lightness, double chroma, double hueRadians) {
  // Keep the hue and lightness, give up chroma until the colour is displayable.
  double rgb[3];
  double lo = 0.0, hi = chroma;
  if (!OklabToLinear(lightness, hi * std::cos(hueRadians), hi * std::sin(hueRadians), rgb)) {
    for (int step = 0; step < 40; ++step) {
      const double mid = 0.5 * (lo + hi);
      if (OklabToLinear(lightness, mid * std::cos(hueRadians), mid * std::sin(hueRadians), rgb))
        lo = mid;
      else
        hi = mid;
    }
    hi = lo;
  }
  OklabToLinear(lightness, hi * std::cos(hueRadians), hi * std::sin(hueRadians), rgb);
  return {static_cast<std::uint8_t>(EncodeSrgb(rgb[0])),
          static_cast<std::uint8_t>(EncodeSrgb(rgb[1])),
          static_cast<std::uint8_t>(EncodeSrgb(rgb[2]))};
}

// The triangulation rejects points between the centre of projection and the image plane,
// so the point must lie farther from the centre than its image does.
bool BeyondImagePlane(const CameraModel& view, const Vec3& p, double x, double y) {
  Vec3 onPlane;
  view.PlaneToWorld(x, y, onPlane);
  const Vec3& c = view.cameraPosition;
  auto squared = [&c](const Vec3& q) {
    return (q.x - c.x) * (q.x - c.x) + (q.y - c.y) * (q.y - c.y) + (q.z - c.z) * (q.z - c.z);
  };
  return squared(p) > squared(onPlane);
}

}  // namespace

double SnapToGrid(double v) {
  // + 0.0 turns a negative zero into a plain 0 in the text.
  return std::round(v * 1e6) / 1e6 + 0.0;
}

void AppendNumber(std::string& out, double v) {
  char buf[512];  // the longest fixed-notation double
  auto result = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (result.ec != std::errc()) throw std::runtime_error("number does not format");
  out.append(buf, result.ptr);
}

std::array<Rgb, 256> Palette() {
  std::array<Rgb, 256> palette;
  for (int i = 0; i < 32; ++i) {
    // Greys in even steps of the encoded value, black and white at the ends.
    const auto grey = static_cast<std::uint8_t>((i * 255 + 15) / 31);
    palette[i] = {grey, grey, grey};
  }
  // Muted when dark, strongest in the middle, pastel when light.
  constexpr double kChroma[8] = {0, 0.09, 0.12, 0.14, 0.14, 0.12, 0.09, 0.06};
  for (int band = 1; band < 8; ++band) {
    const double lightness = 0.2 + 0.1 * band;  // 0.3 .. 0.9
    for (int hue = 0; hue < 32; ++hue) {
      palette[PaletteIndex(band, hue)] =
          LchColour(lightness, kChroma[band], hue * (std::numbers::pi / 16.0));
    }
  }
  return palette;
}

std::string FormatFst(const Mesh& mesh) {
  std::string out;
  size_t faceCorners = 0;
  for (const MeshFace& f : mesh.faces) faceCorners += f.vertexIndices.size();
  out.reserve(64 + mesh.vertices.size() * 36 + mesh.faces.size() * 12 + faceCorners * 7);
  out += "1 FSTShape\n1\n";
  out += mesh.name;
  out += '\n';
  AppendInt(out, static_cast<int>(mesh.vertices.size()));
  out += '\n';
  bool first = true;
  for (const Vec3& v : mesh.vertices) {
    for (double c : {v.x, v.y, v.z}) {
      if (!first) out += ' ';
      first = false;
      AppendNumber(out, c);
    }
  }
  out += '\n';
  AppendInt(out, static_cast<int>(mesh.faces.size()));
  out += '\n';
  for (const MeshFace& f : mesh.faces) {
    AppendInt(out, f.colorIndex, 16);
    out += ' ';
    AppendInt(out, static_cast<int>(f.vertexIndices.size()));
    for (int index : f.vertexIndices) {
      out += ' ';
      AppendInt(out, index);
    }
    out += '\n';
  }
  return out;
}

std::string FormatColourTable(const std::array<Rgb, 256>& palette) {
  std::string out = "256\n";
  for (int i = 0; i < 256; ++i) {
    AppendInt(out, i);
    out += ' ';
    AppendInt(out, palette[i].r, 16);
    out += ',';
    AppendInt(out, palette[i].g, 16);
    out += ',';
    AppendInt(out, palette[i].b, 16);
    out += '\n';
  }
  return out;
}

std::string FormatPositionFile(const CameraParams& first, const CameraParams& second,
                               double scale) {
  std::string out;
  for (double v : {second.azimuth, second.altitude, second.rotation, second.focalLength,
                   first.distance, second.distance, second.pan, second.tilt, scale}) {
    AppendNumber(out, v);
    out += '\n';
  }
  return out;
}

std::string FormatVectorData(const std::vector<Vec3>& points, const CameraParams& first,
                             const CameraParams& second) {
  CameraModel views[2];
  views[0].otherView = &views[1];
  views[1].otherView = &views[0];
  views[0].SetParams(first);
  views[1].SetParams(second);
  std::string out;
  for (int v = 0; v < 2; ++v) {
    views[v].UpdateCamera(VIEW_ALL);
    for (size_t i = 0; i < points.size(); ++i) {
      double x = 0, y = 0;
      if (!views[v].ProjectToImage(points[i], x, y) || std::abs(x) > kPlaneHalfWidth ||
          std::abs(y) > kPlaneHalfHeight || !BeyondImagePlane(views[v], points[i], x, y)) {
        throw std::runtime_error("vertex " + std::to_string(i) + " is not seen by view " +
                                 std::to_string(v + 1));
      }
      AppendNumber(out, x);
      out += ' ';
      AppendNumber(out, y);
      out += '\n';
    }
  }
  return out;
}

}  // namespace velmora::datagen
