// The demo model: a house with a gable roof, a chimney, a door and windows.

#include <initializer_list>

#include "tools/DataGen.h"

namespace velmora::datagen {

namespace {

// Model units are scaled up so the house fills a good part of both views.
constexpr double kModelScale = 1.4;

const int kWall = PaletteIndex(7, 9);     // pale cream
const int kWindow = PaletteIndex(5, 22);  // sky blue
const int kDoor = PaletteIndex(2, 5);     // brown
const int kRoofA = PaletteIndex(3, 3);    // terracotta
const int kRoofB = PaletteIndex(2, 3);    // darker tile row
const int kChimney = PaletteIndex(3, 2);  // brick
const int kChimneyTop = 8;                // dark grey
const int kFloor = 10;                    // grey

Vec3 At(const Vec3& origin, const Vec3& u, const Vec3& v, double a, double b) {
  return {SnapToGrid(kModelScale * (origin.x + u.x * a + v.x * b)),
          SnapToGrid(kModelScale * (origin.y + u.y * a + v.y * b)),
          SnapToGrid(kModelScale * (origin.z + u.z * a + v.z * b))};
}

// A planar wall cut into quads at the given steps along u and v. u x v must point out
// of the house so that every quad is counter-clockwise seen from outside.
template <typename ColourOf>
void AddGrid(Mesh& mesh, const Vec3& origin, const Vec3& u, const Vec3& v,
             std::initializer_list<double> us, std::initializer_list<double> vs,
             ColourOf colourOf) {
  const int first = static_cast<int>(mesh.vertices.size());
  const int nu = static_cast<int>(us.size()), nv = static_cast<int>(vs.size());
  for (double b : vs)
    for (double a : us) mesh.vertices.push_back(At(origin, u, v, a, b));
  for (int j = 0; j + 1 < nv; ++j)
    for (int i = 0; i + 1 < nu; ++i) {
      const int p = first + j * nu + i;
      mesh.faces.push_back({colourOf(i, j), {p, p + 1, p + nu + 1, p + nu}});
    }
}

void AddTriangle(Mesh& mesh, int colour, const Vec3& a, const Vec3& b, const Vec3& c) {
  const int first = static_cast<int>(mesh.vertices.size());
  for (const Vec3* p : {&a, &b, &c}) mesh.vertices.push_back(At(*p, {}, {}, 0, 0));
  mesh.faces.push_back({colour, {first, first + 1, first + 2}});
}

}  // namespace

Mesh DemoModel() {
  // Before scaling: walls x -8..8, z -6..6, ground at y -7, eaves at 1, ridge at 6.
  Mesh m;
  m.name = "house";
  const Vec3 right{1, 0, 0}, left{-1, 0, 0}, up{0, 1, 0}, front{0, 0, 1}, back{0, 0, -1};

  // Front: a door in the middle, a window on each side.
  AddGrid(m, {0, 0, 6}, right, up, {-8, -6, -3.5, -1.5, 1.5, 3.5, 6, 8}, {-7, -4.5, -2, -1.5, 1},
          [&](int i, int j) {
            if (i == 3 && j <= 1) return kDoor;
            if ((i == 1 || i == 5) && (j == 1 || j == 2)) return kWindow;
            return kWall;
          });
  // Back: two windows.
  AddGrid(m, {0, 0, -6}, left, up, {-8, -5, -1, 1, 5, 8}, {-7, -4.5, -1.5, 1},
          [&](int i, int j) { return (i == 1 || i == 3) && j == 1 ? kWindow : kWall; });
  // Sides: one window each.
  auto sideColour = [&](int i, int j) { return i == 1 && j == 1 ? kWindow : kWall; };
  AddGrid(m, {8, 0, 0}, back, up, {-6, -2, 2, 6}, {-7, -4.5, -1.5, 1}, sideColour);
  AddGrid(m, {-8, 0, 0}, front, up, {-6, -2, 2, 6}, {-7, -4.5, -1.5, 1}, sideColour);
  // Gables.
  AddTriangle(m, kWall, {8, 1, 6}, {8, 1, -6}, {8, 6, 0});
  AddTriangle(m, kWall, {-8, 1, -6}, {-8, 1, 6}, {-8, 6, 0});
  // Roof slopes in four tile rows from the eaves up to the ridge.
  auto tiles = [&](int, int j) { return j % 2 == 0 ? kRoofA : kRoofB; };
  AddGrid(m, {0, 1, 6}, right, {0, 5, -6}, {-8, 8}, {0, 0.25, 0.5, 0.75, 1}, tiles);
  AddGrid(m, {0, 1, -6}, left, {0, 5, 6}, {-8, 8}, {0, 0.25, 0.5, 0.75, 1}, tiles);
  // Chimney on the back slope, its foot hidden under the roof, a dark rim at the top.
  auto brick = [&](int, int j) { return j == 0 ? kChimney : kChimneyTop; };
  AddGrid(m, {0, 0, -1.5}, right, up, {3, 5}, {3, 7.2, 8}, brick);
  AddGrid(m, {0, 0, -3.5}, left, up, {-5, -3}, {3, 7.2, 8}, brick);
  AddGrid(m, {5, 0, 0}, back, up, {1.5, 3.5}, {3, 7.2, 8}, brick);
  AddGrid(m, {3, 0, 0}, front, up, {-3.5, -1.5}, {3, 7.2, 8}, brick);
  AddGrid(m, {0, 8, 0}, right, back, {3, 5}, {1.5, 3.5}, [&](int, int) { return kChimneyTop; });
  // Floor.
  AddGrid(m, {0, -7, 0}, right, front, {-8, 8}, {-6, 6}, [&](int, int) { return kFloor; });
  return m;
}

CameraParams DemoSecondView() {
  CameraParams p;
  p.azimuth = 0.6;
  p.altitude = -0.2;
  return p;
}

}  // namespace velmora::datagen
