// Two images of a COLMAP text model: cameras.txt, images.txt (world-to-camera
// quaternions and translations, then each image's 2D points with their 3D point ids).

#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "data/NumberParse.h"
#include "data/TextBuffer.h"
#include "data/import/Import.h"
#include "data/import/ImportMath.h"

namespace velmora {

namespace {

struct ImageEntry {
  CameraPose pose;
  long camera = 0;
  std::map<long, std::pair<double, double>> points;  // 3D point id -> pixel
};

// Whitespace-separated fields of a line.
std::vector<std::string> Fields(const char* line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string f; in >> f;) out.push_back(f);
  return out;
}

bool Number(const std::string& text, double& v) {
  return IsDecimalNumber(text.c_str(), &v) && std::isfinite(v);
}

bool Integer(const std::string& text, long& v) {
  return ParseWholeNumber(text.c_str(), v);
}

bool IsComment(const char* line) {
  return line[std::strspn(line, " \t")] == '#';
}

bool IsBlank(const char* line) {
  return line[std::strspn(line, " \t")] == '\0';
}

// The camera model's parameters into OpenCV's pinhole and distortion; the reason otherwise.
std::string MakeCamera(const std::string& model, const std::vector<double>& p, PinholeCamera& c) {
  struct Model {
    const char* name;
    std::size_t count;
  };
  static const Model kModels[] = {
      {"SIMPLE_PINHOLE", 3}, {"PINHOLE", 4}, {"SIMPLE_RADIAL", 4}, {"RADIAL", 5}, {"OPENCV", 8}};
  const Model* found = nullptr;
  for (const Model& m : kModels)
    if (model == m.name) found = &m;
  if (found == nullptr) {
    if (model.find("FISHEYE") != std::string::npos || model == "FOV")
      return "the fisheye camera model " + model + " is not supported";
    return "unknown camera model " + model +
           " (supported: SIMPLE_PINHOLE, PINHOLE, SIMPLE_RADIAL, RADIAL, OPENCV)";
  }
  if (p.size() != found->count)
    return model + " takes " + std::to_string(found->count) + " parameters, not " +
           std::to_string(p.size());
  const bool oneFocal = model == "SIMPLE_PINHOLE" || model == "SIMPLE_RADIAL" || model == "RADIAL";
  const std::size_t k = oneFocal ? 1 : 2;  // index of cx
  c.fx = p[0], c.fy = oneFocal ? p[0] : p[1];
  // The model's pixel centres are at .5: both the principal point and the points move.
  c.cx = p[k] - kColmapPixelOrigin, c.cy = p[k + 1] - kColmapPixelOrigin;
  if (c.fx == 0 || c.fy == 0) return "the focal length is 0 (singular camera)";
  c.distortion.clear();
  if (p.size() > k + 2) {
    c.distortion.assign(p.begin() + static_cast<long>(k) + 2, p.end());
    c.distortion.resize(4, 0.0);  // k1 [k2 [p1 p2]]
  }
  return {};
}

bool ReadCameras(const std::string& path, std::map<long, PinholeCamera>& cameras,
                 std::string& why) {
  TextBuffer text;
  if (!text.Read(path)) {
    why = path + ": cannot be read";
    return false;
  }
  while (const char* line = text.NextLine()) {
    if (IsComment(line) || IsBlank(line)) continue;
    const std::vector<std::string> f = Fields(line);
    long id = 0;
    if (f.size() < 4 || !Integer(f[0], id)) {
      why = LineAt(path, text.LineNumber()) + "expected CAMERA_ID MODEL WIDTH HEIGHT PARAMS...";
      return false;
    }
    std::vector<double> params(f.size() - 4);
    for (std::size_t i = 4; i < f.size(); ++i)
      if (!Number(f[i], params[i - 4])) {
        why = LineAt(path, text.LineNumber()) + "'" + f[i] + "' is not a finite number";
        return false;
      }
    PinholeCamera camera;
    const std::string bad = MakeCamera(f[1], params, camera);
    if (!bad.empty()) {
      why = LineAt(path, text.LineNumber()) + bad;
      return false;
    }
    cameras[id] = camera;
  }
  return true;
}

void QuaternionToRotation(const double q[4], double r[3][3]) {
  const double w = q[0], x = q[1], y = q[2], z = q[3];
  r[0][0] = 1 - 2 * (y * y + z * z), r[0][1] = 2 * (x * y - w * z), r[0][2] = 2 * (x * z + w * y);
  r[1][0] = 2 * (x * y + w * z), r[1][1] = 1 - 2 * (x * x + z * z), r[1][2] = 2 * (y * z - w * x);
  r[2][0] = 2 * (x * z - w * y), r[2][1] = 2 * (y * z + w * x), r[2][2] = 1 - 2 * (x * x + y * y);
}

// The two wanted images of images.txt: a line of pose, then a line of 2D points.
bool ReadImages(const std::string& path, const long wanted[2], ImageEntry found[2], bool seen[2],
                std::string& why) {
  TextBuffer text;
  if (!text.Read(path)) {
    why = path + ": cannot be read";
    return false;
  }
  while (const char* line = text.NextLine()) {
    if (IsComment(line) || IsBlank(line)) continue;
    const auto poseLine = text.LineNumber();
    const std::vector<std::string> f = Fields(line);
    long id = 0;
    double q[4], t[3];
    ImageEntry entry;
    bool ok = f.size() >= 9 && Integer(f[0], id) && Integer(f[8], entry.camera);
    for (int i = 0; ok && i < 4; ++i) ok = Number(f[1 + i], q[i]);
    for (int i = 0; ok && i < 3; ++i) ok = Number(f[5 + i], t[i]);
    if (!ok) {
      why = LineAt(path, poseLine) + "expected IMAGE_ID QW QX QY QZ TX TY TZ CAMERA_ID NAME";
      return false;
    }
    // The points line follows, empty for an image without points.
    const char* pointsLine = text.NextLine();
    const int slot = id == wanted[0] ? 0 : id == wanted[1] ? 1 : -1;
    if (slot < 0 || pointsLine == nullptr) continue;
    const double norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(norm > 1e-12)) {
      why = LineAt(path, poseLine) + "the rotation quaternion is zero";
      return false;
    }
    for (double& c : q) c /= norm;
    QuaternionToRotation(q, entry.pose.R);
    for (int i = 0; i < 3; ++i) entry.pose.t[i] = t[i];
    const std::vector<std::string> p = Fields(pointsLine);
    if (p.size() % 3 != 0) {
      why = LineAt(path, text.LineNumber()) + "the 2D points are not X Y POINT3D_ID triples";
      return false;
    }
    for (std::size_t i = 0; i < p.size(); i += 3) {
      double x = 0, y = 0;
      long point = 0;
      if (!Number(p[i], x) || !Number(p[i + 1], y) || !Integer(p[i + 2], point)) {
        why = LineAt(path, text.LineNumber()) + "point " + std::to_string(i / 3 + 1) +
              " is not X Y POINT3D_ID";
        return false;
      }
      if (point >= 0) entry.points.emplace(point, std::make_pair(x, y));
    }
    found[slot] = std::move(entry);
    seen[slot] = true;
  }
  return true;
}

}  // namespace

bool ReadColmapPair(const std::string& dir, long firstImage, long secondImage, TwoViewInput& input,
                    std::string& why) {
  const std::string camerasPath = dir + "/cameras.txt", imagesPath = dir + "/images.txt";
  if (firstImage == secondImage) {
    why = imagesPath + ": the two images are the same (" + std::to_string(firstImage) + ")";
    return false;
  }
  std::map<long, PinholeCamera> cameras;
  if (!ReadCameras(camerasPath, cameras, why)) return false;
  const long wanted[2] = {firstImage, secondImage};
  ImageEntry images[2];
  bool seen[2] = {false, false};
  if (!ReadImages(imagesPath, wanted, images, seen, why)) return false;
  TwoViewInput result;
  for (int i = 0; i < 2; ++i) {
    if (!seen[i]) {
      why = imagesPath + ": no image " + std::to_string(wanted[i]);
      return false;
    }
    const auto camera = cameras.find(images[i].camera);
    if (camera == cameras.end()) {
      why = camerasPath + ": no camera " + std::to_string(images[i].camera) + " (of image " +
            std::to_string(wanted[i]) + ")";
      return false;
    }
    result.cameras[i] = camera->second;
    result.poses[i] = images[i].pose;
  }
  // Pairs in the order of their 3D point ids.
  for (const auto& [point, pixel] : images[0].points) {
    const auto other = images[1].points.find(point);
    if (other == images[1].points.end()) continue;
    result.u1.push_back(pixel.first - kColmapPixelOrigin);
    result.v1.push_back(pixel.second - kColmapPixelOrigin);
    result.u2.push_back(other->second.first - kColmapPixelOrigin);
    result.v2.push_back(other->second.second - kColmapPixelOrigin);
  }
  result.source = imagesPath;
  input = std::move(result);
  return true;
}

}  // namespace velmora
