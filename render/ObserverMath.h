#pragma once
// The arithmetic of the observer camera that needs no OpenGL, so it can be checked on
// its own.

#include "base/Vec3.h"

namespace velmora {

constexpr double kDegreesPerRadian = 57.29577951308232;

// Scene-space position of the point 50 units in front of the observer on its view axis,
// relative to the point of rotation. Roll and offsets do not enter it.
Vec3 ComputeEyeReferencePoint(double distance, double angleXDegrees, double angleYDegrees);

// width / height, with 1 standing in for a zero height.
double AspectRatio(int width, int height);

// Column-major 4x4 modelview matrix of the observer transform:
// Rz(angleZ) * Rx(angleX) * Ry(angleY) * (p + offset) - (0, 0, distance).
void ObserverMatrix(double distance, double offsetX, double offsetY, double offsetZ, double angleX,
                    double angleY, double angleZ, double out[16]);

}  // namespace velmora
