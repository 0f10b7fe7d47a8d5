// Two photos into matched pixels: features, the ratio test, a RANSAC essential matrix.

#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cmath>

#include "data/import/Import.h"
#include "data/import/ImportMath.h"

namespace velmora {

namespace {

// Lowe's ratio: a match counts when its best distance is clearly below the second best.
constexpr float kRatio = 0.75f;
// RANSAC's inlier distance, in pixels of the first camera; the accurate variant refines
// the model on its inliers, which plain RANSAC leaves at its best minimal sample.
constexpr double kInlierPixels = 0.5;

}  // namespace

bool ImportPhotos(const std::string& firstPhoto, const std::string& secondPhoto,
                  const std::vector<std::string>& rigFiles, double baseline, ImportedViews& out,
                  std::string& why, PhotoMatch* match) {
  if (!(baseline > 0) || !std::isfinite(baseline)) {
    why = "the baseline must be a positive length";
    return false;
  }
  TwoViewInput input;
  if (!ReadRigFiles(rigFiles, input, why)) return false;
  cv::Mat images[2];
  const std::string names[2] = {firstPhoto, secondPhoto};
  try {
    for (int i = 0; i < 2; ++i) {
      images[i] = cv::imread(names[i], cv::IMREAD_GRAYSCALE);
      if (images[i].empty()) {
        why = names[i] + ": cannot be read as a picture";
        return false;
      }
    }
    // A low contrast threshold: flat-shaded and evenly lit pictures still give features.
    const cv::Ptr<cv::SIFT> sift = cv::SIFT::create(0, 3, 0.01);
    std::vector<cv::KeyPoint> keys[2];
    cv::Mat descriptors[2];
    for (int i = 0; i < 2; ++i)
      sift->detectAndCompute(images[i], cv::noArray(), keys[i], descriptors[i]);
    std::vector<std::vector<cv::DMatch>> knn;
    if (!descriptors[0].empty() && !descriptors[1].empty())
      cv::BFMatcher(cv::NORM_L2).knnMatch(descriptors[0], descriptors[1], knn, 2);
    std::vector<double> u[2], v[2];
    for (const std::vector<cv::DMatch>& m : knn) {
      if (m.size() < 2 || !(m[0].distance < kRatio * m[1].distance)) continue;
      const cv::Point2f a = keys[0][static_cast<std::size_t>(m[0].queryIdx)].pt;
      const cv::Point2f b = keys[1][static_cast<std::size_t>(m[0].trainIdx)].pt;
      u[0].push_back(a.x), v[0].push_back(a.y), u[1].push_back(b.x), v[1].push_back(b.y);
    }
    const std::size_t n = u[0].size();
    if (n < static_cast<std::size_t>(kMinimumMatches)) {
      why = firstPhoto + ", " + secondPhoto + ": " + std::to_string(n) +
            " features matched; at least " + std::to_string(kMinimumMatches) + " are needed";
      return false;
    }
    // The essential matrix on undistorted, normalised points.
    std::vector<double> x[2], y[2];
    for (int i = 0; i < 2; ++i)
      if (!UndistortPixels(input.cameras[i], u[i], v[i], x[i], y[i], why)) {
        why = rigFiles.front() + ": camera " + std::to_string(i + 1) + ": " + why;
        return false;
      }
    std::vector<cv::Point2d> p[2];
    for (int i = 0; i < 2; ++i)
      for (std::size_t k = 0; k < n; ++k) p[i].emplace_back(x[i][k], y[i][k]);
    const double threshold = kInlierPixels / input.cameras[0].fx;
    cv::Mat inliers;
    const cv::Mat e = cv::findEssentialMat(p[0], p[1], 1.0, cv::Point2d(0, 0), cv::USAC_ACCURATE,
                                           0.9999, threshold, inliers);
    if (e.rows != 3 || e.cols != 3) {
      why = firstPhoto + ", " + secondPhoto + ": no essential matrix fits the matches";
      return false;
    }
    if (!input.posed) {
      // The pose that puts the points in front of both cameras; its translation is a
      // direction, scaled to the baseline.
      cv::Mat r, t;
      cv::recoverPose(e, p[0], p[1], r, t, 1.0, cv::Point2d(0, 0), inliers);
      for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) input.poses[1].R[i][j] = r.at<double>(i, j);
        input.poses[1].t[i] = baseline * t.at<double>(i);
      }
    }
    for (std::size_t k = 0; k < n; ++k) {
      if (inliers.at<unsigned char>(static_cast<int>(k)) == 0) continue;
      input.u1.push_back(u[0][k]), input.v1.push_back(v[0][k]);
      input.u2.push_back(u[1][k]), input.v2.push_back(v[1][k]);
    }
    if (match != nullptr) {
      for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) match->R[i][j] = input.poses[1].R[i][j];
        match->t[i] = input.poses[1].t[i];
      }
      match->matches = static_cast<int>(n);
      match->inliers = static_cast<int>(input.u1.size());
    }
  } catch (const cv::Exception& e) {
    why = firstPhoto + ", " + secondPhoto + ": " + e.err;
    return false;
  }
  input.source = firstPhoto;
  return ConvertToViews(input, out, why);
}

}  // namespace velmora
