#include "app/ProfileDlg.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "render/Workbench.h"
#include "render/image/LandscapePlot.h"

namespace velmora {

namespace {

bool IsLength(CameraParam p) {
  return p == CameraParam::kFocalLength || p == CameraParam::kDistance;
}

QComboBox* Choice(QWidget* parent, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->addItems(items);
  return box;
}

QStringList ParamNames() {
  QStringList names;
  for (int k = 0; k < kCameraParamCount; ++k)
    names << QString::fromUtf8(CameraParamName(static_cast<CameraParam>(k)));
  return names;
}

QDoubleSpinBox* RangeBox(QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setDecimals(4);
  box->setRange(1e-4, 1000);
  box->setSingleStep(0.1);
  box->setValue(0.5);
  return box;
}

}  // namespace

class ProfileDlg::PlotArea : public QWidget {
 public:
  explicit PlotArea(ProfileDlg& owner) : QWidget(&owner), owner_(owner) {
    setMinimumSize(640, 420);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    PaintLandscape(painter, rect(), owner_.figure_);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) owner_.ClickAt(event->position());
  }

 private:
  ProfileDlg& owner_;
};

ProfileDlg::ProfileDlg(Workbench& workbench, MoveView moveView, QWidget* parent)
    : QWidget(parent, Qt::Window), workbench_(workbench), moveView_(std::move(moveView)) {
  setWindowTitle(QStringLiteral("Error landscape"));
  const QStringList views{QStringLiteral("first view"), QStringLiteral("second view")};
  mode = Choice(this, {QStringLiteral("Profile"), QStringLiteral("Slice")});
  kind = Choice(this, {QStringLiteral("plain"), QStringLiteral("baseline")});
  view = Choice(this, views);
  view->setCurrentIndex(1);
  param = Choice(this, ParamNames());
  range = RangeBox(this);
  view2 = Choice(this, views);
  view2->setCurrentIndex(1);
  param2 = Choice(this, ParamNames());
  param2->setCurrentIndex(static_cast<int>(CameraParam::kAltitude));
  range2 = RangeBox(this);
  plot_ = new PlotArea(*this);

  auto* first = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{mode, new QLabel(QStringLiteral("Error:"), this), kind,
                                       new QLabel(QStringLiteral("Along:"), this), view, param,
                                       new QLabel(QStringLiteral("+-"), this), range})
    first->addWidget(w);
  first->addStretch();
  auto* second = new QHBoxLayout;
  for (QWidget* w :
       std::initializer_list<QWidget*>{new QLabel(QStringLiteral("Up (slice):"), this), view2,
                                       param2, new QLabel(QStringLiteral("+-"), this), range2})
    second->addWidget(w);
  second->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(first);
  layout->addLayout(second);
  layout->addWidget(plot_, 1);

  // One refresh a choice; the second axis's choices count in a slice only.
  const auto refresh = [this] { Refresh(); };
  const auto refreshSlice = [this] {
    if (mode->currentIndex() == 1) Refresh();
  };
  for (QComboBox* box : {mode, kind, view})
    connect(box, &QComboBox::currentIndexChanged, this, refresh);
  connect(view2, &QComboBox::currentIndexChanged, this, refreshSlice);
  connect(range, &QDoubleSpinBox::valueChanged, this, refresh);
  connect(range2, &QDoubleSpinBox::valueChanged, this, refreshSlice);
  // A length's useful range is larger than an angle's.
  const auto rangeFor = [](int index) {
    return IsLength(static_cast<CameraParam>(index)) ? 5.0 : 0.5;
  };
  connect(param, &QComboBox::currentIndexChanged, this, [this, rangeFor](int index) {
    const QSignalBlocker blocker(range);
    range->setValue(rangeFor(index));
    Refresh();
  });
  connect(param2, &QComboBox::currentIndexChanged, this, [this, rangeFor, refreshSlice](int index) {
    const QSignalBlocker blocker(range2);
    range2->setValue(rangeFor(index));
    refreshSlice();
  });
}

LandscapeAxis ProfileDlg::Axis(const QComboBox* v, const QComboBox* p, const QDoubleSpinBox* r,
                               int steps) const {
  return LandscapeAxis{v->currentIndex(), static_cast<CameraParam>(p->currentIndex()), r->value(),
                       steps};
}

void ProfileDlg::Refresh() {
  if (!isVisible()) return;
  const bool slice = mode->currentIndex() == 1;
  const ErrorKind errorKind = kind->currentIndex() == 1 ? ErrorKind::kBaseline : ErrorKind::kPlain;
  axis_ = Axis(view, param, range, slice ? kSliceSteps : kProfileSteps);
  axis2_ = Axis(view2, param2, range2, kSliceSteps);
  CameraModel& first = workbench_.First();
  CameraModel& second = workbench_.Second();
  MapSettings settings = workbench_.mapSettings;
  settings.progress = nullptr;  // quick enough to follow a drag; nothing to cancel
  const bool sameAxis = axis_.view == axis2_.view && axis_.param == axis2_.param;
  if (slice && !sameAxis)
    figure_ = DescribeLandscape(first, second,
                                ComputeSlice(first, second, axis_, axis2_, errorKind, settings),
                                errorKind, axis_, &axis2_);
  else
    figure_ = DescribeLandscape(
        first, second, ComputeProfile(first, second, axis_, errorKind, settings), errorKind, axis_);
  plot_->update();
}

QRect ProfileDlg::PlotRect() const {
  return LayOutLandscape(plot_->rect(), figure_).plot;
}

bool ProfileDlg::ClickAt(const QPointF& point) {
  const int i = LandscapeSampleAt(plot_->rect(), figure_, point);
  if (i < 0 || !moveView_) return false;
  const LandscapeSample s = figure_.samples[static_cast<std::size_t>(i)];
  CameraParams params[2] = {workbench_.First().GetParams(), workbench_.Second().GetParams()};
  SetCameraParam(params[axis_.view], axis_.param, s.value);
  if (figure_.slice) SetCameraParam(params[axis2_.view], axis2_.param, s.value2);
  for (int v = 0; v < 2; ++v) {
    const bool moves = v == axis_.view || (figure_.slice && v == axis2_.view);
    if (moves) moveView_(v, params[v]);
  }
  Refresh();
  return true;
}

void ProfileDlg::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
}

}  // namespace velmora
