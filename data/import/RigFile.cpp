// A calibrated rig from OpenCV FileStorage files (YAML, XML or JSON), as stereo
// calibration writes them.

#include <unistd.h>

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>

#include <cmath>

#include "data/TextBuffer.h"
#include "data/import/Import.h"
#include "data/import/ImportMath.h"

namespace velmora {

namespace {

// The first file that holds one of the names, its matrix as doubles; empty when none does.
cv::Mat FindMatrix(const std::vector<cv::FileStorage>& files, const std::vector<std::string>& names,
                   std::size_t& where) {
  for (std::size_t f = 0; f < files.size(); ++f)
    for (const std::string& name : names) {
      const cv::FileNode node = files[f][name];
      if (node.empty()) continue;
      cv::Mat m;
      node >> m;
      if (m.empty()) continue;
      m.convertTo(m, CV_64F);
      where = f;
      return m;
    }
  return {};
}

bool AllFinite(const cv::Mat& m) {
  return cv::checkRange(m, true, nullptr, -1e300, 1e300);
}

bool ReadCamera(const std::vector<cv::FileStorage>& stores, const std::vector<std::string>& files,
                int index, PinholeCamera& camera, std::string& why) {
  const std::string k = "M" + std::to_string(index), alt = "K" + std::to_string(index);
  std::size_t at = 0;
  const cv::Mat m = FindMatrix(stores, {k, alt}, at);
  if (m.empty()) {
    why = files.front() + ": no camera matrix " + k + " (or " + alt + ")";
    return false;
  }
  const std::string where = files[at] + ": " + k + ": ";
  if (m.rows != 3 || m.cols != 3 || m.channels() != 1) {
    why = where + "the camera matrix is not 3x3";
    return false;
  }
  if (!AllFinite(m)) {
    why = where + "the camera matrix is not finite";
    return false;
  }
  const cv::Matx33d a = m;
  if (a(0, 1) != 0) {
    why = where + "the camera has skew (" + std::to_string(a(0, 1)) +
          "), which the views cannot hold";
    return false;
  }
  if (a(1, 0) != 0 || a(2, 0) != 0 || a(2, 1) != 0 || a(2, 2) != 1) {
    why = where + "not a camera matrix (its last row must be 0 0 1)";
    return false;
  }
  if (a(0, 0) == 0 || a(1, 1) == 0) {
    why = where + "the camera matrix is singular (a focal length is 0)";
    return false;
  }
  camera.fx = a(0, 0), camera.fy = a(1, 1), camera.cx = a(0, 2), camera.cy = a(1, 2);
  const std::string d = "D" + std::to_string(index);
  const cv::Mat dist = FindMatrix(stores, {d}, at);
  camera.distortion.clear();
  if (dist.empty()) return true;
  const std::size_t count = dist.total() * static_cast<std::size_t>(dist.channels());
  if (count != 4 && count != 5 && count != 8 && count != 12 && count != 14) {
    why = files[at] + ": " + d + ": " + std::to_string(count) +
          " distortion coefficients; OpenCV's model has 4, 5, 8, 12 or 14";
    return false;
  }
  if (!AllFinite(dist)) {
    why = files[at] + ": " + d + ": the distortion is not finite";
    return false;
  }
  const cv::Mat flat = dist.reshape(1, 1);
  camera.distortion.assign(flat.begin<double>(), flat.end<double>());
  return true;
}

}  // namespace

bool ReadRigFiles(const std::vector<std::string>& files, TwoViewInput& rig, std::string& why) {
  if (files.empty()) {
    why = "no rig file given";
    return false;
  }
  std::vector<cv::FileStorage> stores;
  for (const std::string& file : files) {
    // A file that cannot be opened is named here, before the library logs its own line.
    const int fd = OpenRegularFile(file);
    if (fd < 0) {
      why = file + ": " + ReadFailure(file);
      return false;
    }
    ::close(fd);
    try {
      cv::FileStorage fs(file, cv::FileStorage::READ);
      if (!fs.isOpened()) {
        why = file + ": cannot be read as a FileStorage file (YAML, XML or JSON)";
        return false;
      }
      stores.push_back(std::move(fs));
    } catch (const cv::Exception& e) {
      why = file + ": " + e.err;  // OpenCV names the line
      return false;
    }
  }
  TwoViewInput result;
  try {
    if (!ReadCamera(stores, files, 1, result.cameras[0], why) ||
        !ReadCamera(stores, files, 2, result.cameras[1], why))
      return false;
    std::size_t at = 0;
    cv::Mat r = FindMatrix(stores, {"R"}, at);
    std::size_t atT = 0;
    const cv::Mat t = FindMatrix(stores, {"T"}, atT);
    if (r.empty() && t.empty()) {
      result.posed = false;  // intrinsics only
      result.source = files.front();
      rig = std::move(result);
      return true;
    }
    if (r.empty()) {
      why = files.front() + ": no rotation R";
      return false;
    }
    const std::string rWhere = files[at] + ": R: ";
    if (!AllFinite(r)) {
      why = rWhere + "the rotation is not finite";
      return false;
    }
    if (r.total() == 3) cv::Rodrigues(r.reshape(1, 3), r);  // a rotation vector
    if (r.rows != 3 || r.cols != 3) {
      why = rWhere + "not a 3x3 matrix or a rotation vector";
      return false;
    }
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) result.poses[1].R[i][j] = r.at<double>(i, j);
    const std::string bad = CheckRotation(result.poses[1].R);
    if (!bad.empty()) {
      why = rWhere + bad;
      return false;
    }
    if (t.empty()) {
      why = files.front() + ": no translation T";
      return false;
    }
    if (t.total() * static_cast<std::size_t>(t.channels()) != 3 || !AllFinite(t)) {
      why = files[atT] + ": T: not three finite numbers";
      return false;
    }
    const cv::Mat column = t.reshape(1, 3);
    for (int i = 0; i < 3; ++i) result.poses[1].t[i] = column.at<double>(i, 0);
  } catch (const cv::Exception& e) {
    why = files.front() + ": " + e.err;
    return false;
  }
  result.source = files.front();
  rig = std::move(result);
  return true;
}

}  // namespace velmora
