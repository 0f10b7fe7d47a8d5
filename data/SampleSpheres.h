#pragma once
// The five sample spheres: the file the generator writes and the workbench reads, how
// many vertices it has, and the label the Controls list and velmora-cli call it by.

#include <array>
#include <string_view>

namespace velmora {

struct SampleSphere {
  const char* fileName;
  int vertexCount;
  const char* label;
};

inline constexpr int kSampleSphereCount = 5;
inline constexpr std::array<SampleSphere, kSampleSphereCount> kSampleSpheres = {{
    {"sphere100.fsd", 100, "100"},
    {"sphere1K.fsd", 1000, "1K"},
    {"sphere5K.fsd", 5000, "5K"},
    {"sphere10K.fsd", 10000, "10K"},
    {"sphere100K.fsd", 100000, "100K"},
}};

// Each view panel shows the second sphere as its pan/tilt sphere.
inline constexpr int kPanTiltSphereIndex = 1;
// The Controls list preselects this one when it loads.
inline constexpr int kDefaultMainSphereIndex = 2;

// The table row with this vertex count or this label; -1 when there is none.
constexpr int SampleSphereWithVertexCount(long long count) {
  for (int i = 0; i < kSampleSphereCount; ++i)
    if (kSampleSpheres[i].vertexCount == count) return i;
  return -1;
}
constexpr int SampleSphereWithLabel(std::string_view label) {
  for (int i = 0; i < kSampleSphereCount; ++i)
    if (label == kSampleSpheres[i].label) return i;
  return -1;
}

}  // namespace velmora
