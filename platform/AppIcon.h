#pragma once
#include <QIcon>

namespace velmora {

// The application icon (resource 128): two cameras whose rays meet at a point, painted
// at start-up so no binary image needs to be kept.
QIcon AppIcon();

}  // namespace velmora
