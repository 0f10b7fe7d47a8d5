#include "render/Navigator.h"

namespace velmora {

namespace {

// Z held: every drag moves at a twentieth of its speed.
constexpr double kSlowFactor = 0.05;

// What one pixel of mouse movement changes. The views' angles are in radians, their
// lengths in scene units; the observer turns in degrees and moves in its own units.
constexpr double kRotationPerPixel = 0.0125;  // a view's rotation about its principal ray
constexpr double kPanTiltPerPixel = 0.003125;
constexpr double kAzAltPerPixel = 0.00625;
constexpr double kLensPerPixel = 0.1;  // a view's focal length or distance
constexpr double kObserverAnglePerPixel = 1.0;
constexpr double kObserverDistancePerPixel = 2.0;
constexpr double kCentreShiftPerPixel = 1.0;  // the point the observer turns about

}  // namespace

Navigator::Navigator(NavigatorHost& host, ObserverPose& observer, bool& centreMode,
                     TransitionState& flight)
    : host_(host), observer_(observer), centreMode_(centreMode), flight_(flight) {}

std::string Navigator::MouseModeCaption(int flags) {
  std::string caption;
  if ((flags & ~MODE_SLOW) == 0)
    caption = "Left: move around, Right: zoom in/out";
  else if (flags & MODE_CENTRE)
    caption = "Left: move around center X,Z, Right: move around center Y, F6 - center";
  else if (flags & MODE_CTRL)
    caption = (flags & MODE_SHIFT) ? "Left: rotate around principal ray"
                                   : "Left: azimuth/altitude, Right: distance";
  else
    caption = "Left: pan/tilt, Right: focal length";
  if (flags & MODE_SLOW) caption += " x20 slower";
  return caption;
}

void Navigator::UpdateMouseMode(int bit, bool on) {
  if (on)
    keyFlags_ |= bit;
  else
    keyFlags_ &= ~bit;
  host_.SetCaption(MouseModeCaption(keyFlags_));
}

void Navigator::SetHeldModes(bool ctrl, bool shift) {
  keyFlags_ = (keyFlags_ & MODE_CENTRE) | (ctrl ? MODE_CTRL : 0) | (shift ? MODE_SHIFT : 0);
  host_.SetCaption(MouseModeCaption(keyFlags_));
}

void Navigator::OnMouseMove(const MouseMove& move) {
  const double f = (keyFlags_ & MODE_SLOW) ? kSlowFactor : 1.0;
  bool changed = false;
  if (move.buttons & BUTTON_LEFT) {
    changed = lastX_ != -1;
    if (changed) DragLeft(move.x - lastX_, move.y - lastY_, f, move.shift, move.ctrl);
    lastX_ = move.x;
    // The principal-ray rotation reads only x; y stays where the drag left it.
    if (centreMode_ || !(move.shift && move.ctrl)) lastY_ = move.y;
    // The next fly-to saves the pose afresh instead of flying back.
    flight_.savedPoseOwner = OWNER_HOME;
  } else if (move.buttons & BUTTON_RIGHT) {
    changed = lastY_ != -1;
    if (changed) DragRight(move.y - lastY_, f, move.shift, move.ctrl);
    lastY_ = move.y;
    flight_.savedPoseOwner = OWNER_HOME;
  } else {
    lastX_ = lastY_ = -1;
  }
  if (changed) host_.PostRedraw();
}

template <typename Drag>
void Navigator::EachView(Drag drag) {
  for (int i : {0, 1})
    if (ViewDrags* view = host_.View(i)) drag(*view);
}

void Navigator::DragLeft(double dx, double dy, double f, bool shift, bool ctrl) {
  if (centreMode_) {
    observer_.offsetX += dx * f * kCentreShiftPerPixel;
    observer_.offsetZ += dy * f * kCentreShiftPerPixel;
  } else if (shift && ctrl) {
    EachView([&](ViewDrags& view) { view.DragRotation(-dx * f * kRotationPerPixel); });
  } else if (shift) {
    EachView([&](ViewDrags& view) {
      view.DragPanTilt(-dx * f * kPanTiltPerPixel, -dy * f * kPanTiltPerPixel);
    });
  } else if (ctrl) {
    EachView(
        [&](ViewDrags& view) { view.DragAzAlt(dx * f * kAzAltPerPixel, dy * f * kAzAltPerPixel); });
  } else {
    observer_.angleX += dy * f * kObserverAnglePerPixel;
    observer_.angleY += dx * f * kObserverAnglePerPixel;
  }
}

void Navigator::DragRight(double dy, double f, bool shift, bool ctrl) {
  if (centreMode_) {
    observer_.offsetY -= dy * f * kCentreShiftPerPixel;
  } else if (shift) {
    EachView([&](ViewDrags& view) { view.DragFocalLength(dy * f * kLensPerPixel); });
  } else if (ctrl) {
    EachView([&](ViewDrags& view) { view.DragDistance(dy * f * kLensPerPixel); });
  } else {
    observer_.distance += kObserverDistancePerPixel * dy * f;
  }
}

void Navigator::OnKeyDown(const KeyPress& press) {
  // First presses only, and nothing with Alt held.
  if (press.repeat || press.alt) return;
  switch (press.key) {
    case NavKey::F4:  // the control panel may have been closed
      host_.ShowControlPanel();
      break;
    case NavKey::F5:
      host_.ToggleWireframe();
      host_.Invalidate();
      break;
    case NavKey::Ctrl:
      if (!press.rightSide) UpdateMouseMode(MODE_CTRL, true);
      break;
    case NavKey::Shift:
      if (!press.rightSide) UpdateMouseMode(MODE_SHIFT, true);
      break;
    case NavKey::F6:
      if (centreMode_) {
        // Shows at the next redraw.
        observer_.offsetX = observer_.offsetY = observer_.offsetZ = 0;
      } else if (host_.LoadPositionFile()) {
        // Without the file the views took the fallback pose at once; there is nothing to
        // glide to then.
        host_.StartTransition(TRANSITION_POSITION);
      }
      break;
    case NavKey::F7:
      centreMode_ = !centreMode_;
      UpdateMouseMode(MODE_CENTRE, centreMode_);
      host_.Invalidate();
      break;
    case NavKey::Z:
      UpdateMouseMode(MODE_SLOW, true);
      break;
    case NavKey::F8:
      host_.StartTransition(TRANSITION_FIRST_VIEW);
      break;
    case NavKey::F9:
      host_.StartTransition(TRANSITION_SECOND_VIEW);
      break;
    case NavKey::F11:
      host_.StartTransition(TRANSITION_ZOOM);
      break;
    case NavKey::F12:
      host_.StartTransition(TRANSITION_OVERVIEW);
      break;
    case NavKey::F:
      host_.TogglePanelBox(PanelBox::FstObject);
      break;
    case NavKey::P:
      host_.TogglePanelBox(PanelBox::PtPlane);
      break;
    case NavKey::M:
      host_.TogglePanelBox(PanelBox::MainSphere);
      break;
    // Each view's box flips from that view's own flag.
    case NavKey::R:
      for (int view : {0, 1}) host_.FlipViewBox(view, ViewBox::Rays);
      break;
    case NavKey::A:  // the second view only
      host_.FlipViewBox(1, ViewBox::AzAltSphere);
      break;
    case NavKey::N:
      for (int view : {0, 1}) host_.FlipViewBox(view, ViewBox::MeanRay);
      break;
    default:
      break;
  }
}

void Navigator::OnKeyUp(NavKey key) {
  switch (key) {
    case NavKey::Ctrl:
      UpdateMouseMode(MODE_CTRL, false);
      break;
    case NavKey::Shift:
      UpdateMouseMode(MODE_SHIFT, false);
      break;
    case NavKey::Z:
      UpdateMouseMode(MODE_SLOW, false);
      break;
    default:
      break;
  }
}

}  // namespace velmora
