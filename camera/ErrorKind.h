#pragma once
// Which reconstruction error a pose is scored by. The plain error, ln of the root of the
// summed squared gaps, falls as the two centres of projection come together and moves with
// the scene's scale and the number of pairs; the baseline error divides the root mean
// squared gap by the distance between the two centres, so poses can be compared across
// scales and data sets.

#include <cstddef>
#include <string>

namespace velmora {

enum class ErrorKind { kPlain, kBaseline };

// Centres closer than this share of their distances from the origin count as coincident:
// there is no baseline to divide by, and the pose is rejected (kRejectedScore). A share,
// not a length, so that scaling the scene changes nothing.
constexpr double kCoincidentShare = 1e-9;

// "plain" or "baseline", as the command line and the JSON name them.
const char* ErrorKindName(ErrorKind kind);
// The reverse; false (kind untouched) for any other text.
bool ParseErrorKind(const std::string& text, ErrorKind& kind);

// The baseline error from the plain one: plainError is ln sqrt(sum of squared gaps) over
// pairs pairs, baseline the distance between the centres and reach the sum of their
// distances from the origin. kRejectedScore when the centres coincide or a pair was
// rejected (a plain error of kRejectedScore or more); without pairs the plain error (-inf).
double BaselineError(double plainError, std::size_t pairs, double baseline, double reach);

}  // namespace velmora
