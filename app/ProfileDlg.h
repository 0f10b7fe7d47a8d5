#pragma once
// The error landscape window (G): the error along one camera parameter of either view
// around its current value, or over two as a heat map (a slice), in either error kind. It
// follows every change of the views, and a click on a sample moves the view there.

#include <QWidget>
#include <functional>

#include "render/Landscape.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace velmora {

class Workbench;

class ProfileDlg : public QWidget {
 public:
  // moveView sets one view's seven parameters as an edit of its panel would.
  using MoveView = std::function<void(int view, const CameraParams& params)>;
  ProfileDlg(Workbench& workbench, MoveView moveView, QWidget* parent = nullptr);

  // Computes the profile or slice again with the views as they stand (when shown).
  void Refresh();
  const LandscapeFigure& Figure() const { return figure_; }
  // The plot's area, in the plot widget's coordinates, and a click there: the view (both,
  // for a slice across views) moves to the sample under point. False on no sample.
  QRect PlotRect() const;
  bool ClickAt(const QPointF& point);

  // The choices, for the keyboard and for tests.
  QComboBox* mode = nullptr;  // Profile, Slice
  QComboBox* kind = nullptr;  // plain, baseline
  QComboBox* view = nullptr;
  QComboBox* param = nullptr;
  QDoubleSpinBox* range = nullptr;
  QComboBox* view2 = nullptr;
  QComboBox* param2 = nullptr;
  QDoubleSpinBox* range2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class PlotArea;
  LandscapeAxis Axis(const QComboBox* v, const QComboBox* p, const QDoubleSpinBox* r,
                     int steps) const;

  Workbench& workbench_;
  MoveView moveView_;
  PlotArea* plot_ = nullptr;
  LandscapeFigure figure_;
  LandscapeAxis axis_, axis2_;
};

}  // namespace velmora
