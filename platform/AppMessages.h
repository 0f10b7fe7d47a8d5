#pragma once
// The application messages by which the windows report changes to each other, and the
// packing of their parameters. Free of Qt: the core and the tests use the numbers too.

#include <cstdint>
#include <cstring>

namespace velmora {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

constexpr unsigned WM_APP = 0x8000;

enum AppMessage : unsigned {
  UWM_LOAD_FST = WM_APP + 1,
  UWM_REDRAW = WM_APP + 2,
  // WM_APP + 3 and + 4 are not assigned.
  UWM_FST_LOADED = WM_APP + 5,
  UWM_VIEWS_CHANGED = WM_APP + 6,
  UWM_SHOW_COORDINATES = WM_APP + 7,
  UWM_SHOW_FST_OBJECT = WM_APP + 8,
  UWM_SHOW_MAIN_SPHERE = WM_APP + 9,
  UWM_FRONT_ONLY = WM_APP + 10,
  UWM_SET_ALPHA = WM_APP + 11,
  UWM_DISTANCE_MODE = WM_APP + 12,
  UWM_ADD_SPHERE_SIZE = WM_APP + 13,
  UWM_SHOW_PT_PLANE = WM_APP + 14,
  UWM_SET_SCALE = WM_APP + 15,
  UWM_WHITE_BACKGROUND = WM_APP + 16,
  UWM_UPDATE_PANELS = WM_APP + 17,
};

// Check-box states as they travel in lParam; receivers compare with BST_CHECKED.
enum CheckState : int { BST_UNCHECKED = 0, BST_CHECKED = 1, BST_INDETERMINATE = 2 };

// A single-precision value travels as its raw 32 bits in lParam.
inline LPARAM FloatToLParam(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return static_cast<LPARAM>(bits);
}

inline float LParamToFloat(LPARAM lParam) {
  const auto bits = static_cast<std::uint32_t>(lParam);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace velmora
