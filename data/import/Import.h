#pragma once
// Real data into the two views: a calibrated rig (FileStorage YAML, XML or JSON) with a
// file of matched pixels, or two images of a COLMAP text model. Every convention of the
// field is converted here and nowhere else:
// - pixels (OpenCV: centre of the top-left pixel at 0,0; COLMAP: at 0.5,0.5; y down) are
//   undistorted, centred on the principal point and divided by the focal length, then put
//   on the view's image plane at its focal length with y up;
// - poses (world-to-camera R, t with y down and z ahead) are conjugated by diag(1,-1,-1),
//   the first camera is put at the first view's default pose and the scene origin on its
//   principal axis at the median depth of the triangulated points.
// No OpenCV type appears in this header: the rest of the core never sees it.

#include <functional>
#include <string>
#include <vector>

#include "camera/CameraModel.h"
#include "camera/PositionFile.h"
#include "data/VectorData.h"
#include "render/Workbench.h"

namespace velmora {

// One camera's intrinsics in pixels (OpenCV's convention) and its distortion coefficients
// in OpenCV's order (k1, k2, p1, p2[, k3[, k4, k5, k6]]); empty for none.
struct PinholeCamera {
  double fx = 0, fy = 0, cx = 0, cy = 0;
  std::vector<double> distortion;
};

// A world-to-camera pose, OpenCV axes (x right, y down, z ahead): x_cam = R x_world + t.
struct CameraPose {
  double R[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double t[3] = {0, 0, 0};
};

// Two calibrated cameras and their matched pixels, pixel centres already moved to OpenCV's
// convention: what every reader produces and ConvertToViews consumes.
struct TwoViewInput {
  PinholeCamera cameras[2];
  CameraPose poses[2];
  std::vector<double> u1, v1, u2, v2;
  std::string source;  // named in messages
  bool posed = true;   // false: a rig file without R and T (photos take the pose from E)
};

// What the workbench takes: both views' seven parameters, the common image-plane scale
// and the point pairs on the image planes.
struct ImportedViews {
  CameraParams first, second;
  float scale = 1.0f;
  VectorData data;
  double sceneScale = 1;   // scene units per unit of the rig's translation
  double medianDepth = 0;  // of the triangulated points before scaling, in rig units
};

// The centre of the top-left pixel in a matches file's coordinates.
inline constexpr double kOpenCvPixelOrigin = 0.0;
inline constexpr double kColmapPixelOrigin = 0.5;
inline constexpr int kMinimumMatches = 5;

// Each reader returns false with "FILE:LINE: reason" (or "FILE: reason") in why.

// Intrinsics M1 D1 M2 D2 (or K1 K2) and extrinsics R T from one FileStorage file or two;
// a key in a later file does not replace one already read. The first camera is the world.
bool ReadRigFiles(const std::vector<std::string>& files, TwoViewInput& rig, std::string& why);

// Rows u1 v1 u2 v2 separated by blanks, tabs or commas; '#' starts a comment, an optional
// header line of words before the first row. pixelOrigin is where the file puts the centre
// of the top-left pixel; the coordinates are moved to OpenCV's convention.
bool ReadMatchesFile(const std::string& path, double pixelOrigin, TwoViewInput& rig,
                     std::string& why);

// The pixel pairs of two images of a COLMAP text model in dir (cameras.txt, images.txt,
// points3D.txt) that observe the same 3D point, with their cameras and poses.
bool ReadColmapPair(const std::string& dir, long firstImage, long secondImage, TwoViewInput& input,
                    std::string& why);

// Undistorts, triangulates and converts (see the top of this file). Refuses fewer than
// kMinimumMatches pairs, mismatched counts, coinciding cameras, points behind the first
// camera.
bool ConvertToViews(const TwoViewInput& input, ImportedViews& out, std::string& why);

// The nine values of a position file for the imported views: the second view's pose, both
// distances, the scale. With the first view's parameters set before, applying them as a
// finished glide does puts the views where the import says.
void PositionTargets(const ImportedViews& views, double (&targets)[kPositionTargetCount]);

// Loads the pairs, then poses the views as the import says through the same steps as a
// position file (first view's parameters, then the second's pose, both distances and the
// scale; showValues between, as there). Throws std::bad_alloc, nothing changed, when the
// pairs do not fit in memory.
void ApplyImport(const ImportedViews& views, Workbench& workbench,
                 const std::function<void()>& showValues = {});

// The relative pose two photos were matched back to, and how many matches it rests on.
struct PhotoMatch {
  double R[3][3] = {};
  double t[3] = {};  // c2 = R c1 + t, OpenCV axes
  int matches = 0, inliers = 0;
};

// Two photos of a calibrated rig: features detected and matched (with the ratio test), the
// inliers of a RANSAC essential matrix kept; the pose from the rig's R and T, or from the
// essential matrix with a baseline of the given length when the rig has none.
bool ImportPhotos(const std::string& firstPhoto, const std::string& secondPhoto,
                  const std::vector<std::string>& rigFiles, double baseline, ImportedViews& out,
                  std::string& why, PhotoMatch* match = nullptr);

// The text forms of the readers above, for the command line and the dialog.
bool ImportRigAndMatches(const std::vector<std::string>& rigFiles, const std::string& matches,
                         double pixelOrigin, ImportedViews& out, std::string& why);
bool ImportColmap(const std::string& dir, long firstImage, long secondImage, ImportedViews& out,
                  std::string& why);

}  // namespace velmora
