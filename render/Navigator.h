#pragma once
// What a mouse drag or a key does in the main window: the observer turns, zooms or moves its
// centre, the controlled view's camera changes, display options toggle and transitions
// start. Fed plain events; what it asks of the views and of the rest of the program goes
// through its host, which the window implements. Core code: no Qt.

#include <string>

#include "camera/CameraTransitions.h"
#include "render/FrameState.h"

namespace velmora {

// Key flags of the main window.
enum : int { MODE_CTRL = 1, MODE_SHIFT = 2, MODE_CENTRE = 4, MODE_SLOW = 8 };

// The keys navigation knows; any other key is Other.
enum class NavKey {
  Other,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
  Ctrl,
  Shift,
  Z,
  F,
  P,
  M,
  R,
  A,
  N
};

struct KeyPress {
  NavKey key = NavKey::Other;
  bool rightSide = false;  // the right-hand Ctrl or Shift key
  bool repeat = false;     // an auto-repeat of a key held down
  bool alt = false;        // Alt is held
};

enum MouseButton : int { BUTTON_LEFT = 1, BUTTON_RIGHT = 2 };

struct MouseMove {
  int x = 0, y = 0;  // client coordinates
  int buttons = 0;   // MouseButton bits
  // As the mouse event carries them: either side's key counts.
  bool shift = false, ctrl = false;
};

// A view camera as the mouse steers it: angles in radians, lengths in scene units. Each
// acts only on the view that the mouse controls.
class ViewDrags {
 public:
  virtual void DragAzAlt(double dAzimuth, double dAltitude) = 0;
  virtual void DragPanTilt(double dPan, double dTilt) = 0;
  virtual void DragFocalLength(double d) = 0;
  virtual void DragDistance(double d) = 0;
  virtual void DragRotation(double d) = 0;

 protected:
  ~ViewDrags() = default;
};

// The control panel's boxes that keys toggle.
enum class PanelBox { FstObject, PtPlane, MainSphere };
// A view panel's boxes that keys flip.
enum class ViewBox { Rays, AzAltSphere, MeanRay };

// What navigation asks of the window and the program.
class NavigatorHost {
 public:
  // View 0 is the first, 1 the second; null while that panel does not exist.
  virtual ViewDrags* View(int index) = 0;
  virtual void ShowControlPanel() = 0;
  virtual void ToggleWireframe() = 0;
  virtual void StartTransition(TransitionKind kind) = 0;
  // Reads the position file; when it cannot, the views take the fallback pose at once
  // and the answer is false.
  virtual bool LoadPositionFile() = 0;
  // Toggles a box of the control panel through its own click handling.
  virtual void TogglePanelBox(PanelBox box) = 0;
  // The view's box takes the opposite of the view's own flag, then its click handling runs.
  virtual void FlipViewBox(int view, ViewBox box) = 0;
  // A redraw through the window's message queue, behind what a change posted before it.
  virtual void PostRedraw() = 0;
  // A redraw of the window at its next paint.
  virtual void Invalidate() = 0;
  virtual void SetCaption(const std::string& caption) = 0;

 protected:
  ~NavigatorHost() = default;
};

class Navigator {
 public:
  // The observer, the centre mode and the flights' saved pose belong to the window; the
  // navigator changes them in place.
  Navigator(NavigatorHost& host, ObserverPose& observer, bool& centreMode, TransitionState& flight);

  void OnMouseMove(const MouseMove& move);
  void OnKeyDown(const KeyPress& key);
  // Either side's key ends a mode, whichever set it.
  void OnKeyUp(NavKey key);
  // Sets or clears one key flag and rewrites the caption.
  void UpdateMouseMode(int bit, bool on);
  // The keys held as modes, as they are when the window loses the keyboard (none: another
  // window takes their releases) or gets it back (the modifiers down then; Z cannot be
  // asked for and counts as up). Centre mode stays; the caption is rewritten.
  void SetHeldModes(bool ctrl, bool shift);
  // The caption that names what the mouse buttons do under these key flags.
  static std::string MouseModeCaption(int keyFlags);

  const int& KeyFlags() const { return keyFlags_; }
  // The last pointer position of a drag; -1 for none.
  int LastX() const { return lastX_; }
  int LastY() const { return lastY_; }

 private:
  // One drag step with each button, by the pixels moved and the slow factor.
  void DragLeft(double dx, double dy, double slow, bool shift, bool ctrl);
  void DragRight(double dy, double slow, bool shift, bool ctrl);
  // Calls drag on the first view and then on the second.
  template <typename Drag>
  void EachView(Drag drag);

  NavigatorHost& host_;
  ObserverPose& observer_;
  bool& centreMode_;
  TransitionState& flight_;
  int lastX_ = -1, lastY_ = -1;
  int keyFlags_ = 0;
};

}  // namespace velmora
