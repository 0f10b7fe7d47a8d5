#include "camera/ErrorKind.h"

#include <cmath>

#include "camera/CameraModel.h"  // kRejectedScore

namespace velmora {

const char* ErrorKindName(ErrorKind kind) {
  return kind == ErrorKind::kBaseline ? "baseline" : "plain";
}

bool ParseErrorKind(const std::string& text, ErrorKind& kind) {
  if (text == "plain")
    kind = ErrorKind::kPlain;
  else if (text == "baseline")
    kind = ErrorKind::kBaseline;
  else
    return false;
  return true;
}

double BaselineError(double plainError, std::size_t pairs, double baseline, double reach) {
  if (pairs == 0) return plainError;
  // NaN baselines are rejected with the coincident ones.
  if (!(baseline > kCoincidentShare * reach) || plainError >= kRejectedScore) return kRejectedScore;
  // ln(sqrt(sum / n) / b) = ln sqrt(sum) - ln(n) / 2 - ln b
  return plainError - 0.5 * std::log(static_cast<double>(pairs)) - std::log(baseline);
}

}  // namespace velmora
