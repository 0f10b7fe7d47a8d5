#pragma once
// The main window's undo, redo and pose bookmarks. Gestures are seen as the user makes
// them: a button held in the scene begins a drag, a flight key a flight, a view panel's field
// taking the focus a typed value, the wheel over the Controls window a run of steps.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "render/PoseHistory.h"

class QPainter;

namespace velmora {

class MainDlg;

class MainPoses : public QObject {
 public:
  explicit MainPoses(MainDlg& main);

  Pose Now() const;
  // The pose shown: both cameras recomputed with their panels and maps, the observer.
  void Show(const Pose& pose);
  // A gesture starts now (see PoseHistory::Begin).
  void BeginGesture(int run = 0);
  void Undo();
  void Redo();
  // Bookmark 0 is A, 1 is B.
  void Store(int mark);
  void GlideTo(int mark);
  // The bookmark drawn faintly and measured against: the other one than the last stored
  // or glided to, else that one; -1 for none.
  int ShownMark() const;
  // The faint glyph of the shown bookmark's cameras, in the scene's coordinates.
  void DrawShownMark() const;
  // Its difference line under the error text in the top-left corner.
  void PaintDifference(QPainter& painter, int width, int height) const;

  PoseHistory history;
  PoseBookmark marks[2];

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void GlideStep();

  MainDlg& main_;
  int lastMark_ = -1;
  bool dragging_ = false;
  QElapsedTimer clock_;
  // The glide to a bookmark: from, to and its start on clock_.
  QTimer glide_;
  Pose glideFrom_, glideTo_;
  qint64 glideStart_ = 0;
};

}  // namespace velmora
