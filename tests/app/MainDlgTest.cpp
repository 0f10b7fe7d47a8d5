#include "app/MainDlg.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <cmath>
#include <numbers>

#include "app/AboutDlg.h"
#include "platform/DialogBuilder.h"
#include "tests/FramePixels.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

// The triangulation example: the second view at azimuth pi/2 sees the scene point (2, 4, 40)
// that the first view sees at (1, 2).
void LoadExamplePair(ControlDlg& control) {
  auto load = [](ViewDlg& view, double x, double y) {
    view.camera.AllocatePoints(1);
    view.camera.imageX[0] = x;
    view.camera.imageY[0] = y;
    view.vectorsWindow.Allocate(1);
  };
  load(control.firstView, 1, 2);
  load(control.secondView, -200.0 / 29, 20.0 / 29);
  control.secondView.camera.SetAzAlt(std::numbers::pi / 2, 0);
  control.firstView.UpdateCamera(VIEW_ALL);
  control.secondView.UpdateCamera(VIEW_ALL);
}

class MainWindowTest : public test::WorkbenchTest {
 protected:
  static QImage Frame() { return main->grabFramebuffer(); }
};

TEST_F(MainWindowTest, WritesTheErrorOnlyWhenItIsFinite) {
  EXPECT_EQ(test::DarkPixelsInTextCorner(Frame()), 0) << "no points: no text";
  LoadExamplePair(*control);
  const double error = control->secondView.ReconstructionError();
  ASSERT_LT(error, -20);
  EXPECT_EQ(MainDlg::ErrorText(error), QString::asprintf("%.6f", error));
  const QImage first = Frame();
  EXPECT_GT(test::DarkPixelsInTextCorner(first), 20);
  const struct {
    double error;
    const char* text;
  } rows[] = {
      {-28.1296395641, "-28.129640"}, {3.5e10, "35000000000.000000"}, {INFINITY, ""}, {NAN, ""}};
  for (const auto& row : rows) EXPECT_EQ(MainDlg::ErrorText(row.error), row.text) << row.error;
  // The text painter must not leave the scene's OpenGL state changed: the frame drawn
  // after it matches the one before it outside the text.
  const QImage second = Frame();
  int differing = 0;
  for (int y = 40; y < first.height(); ++y)
    for (int x = 0; x < first.width(); ++x) differing += first.pixel(x, y) != second.pixel(x, y);
  EXPECT_EQ(differing, 0);
  // Wireframe is the scene's mode: the text keeps its filled glyphs.
  main->scene.ToggleWireframe();
  const QImage wireframe = Frame();
  main->scene.ToggleWireframe();
  EXPECT_EQ(test::DarkPixelsInTextCorner(wireframe), test::DarkPixelsInTextCorner(first));
}

// F1 and the About entry of the menu key's menu open the About box; the right mouse
// button's menu request belongs to navigation and opens nothing.
TEST_F(MainWindowTest, F1AndTheMenuKeyOpenTheAboutBox) {
  QStringList seen;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&seen] {
    if (auto* about = qobject_cast<AboutDlg*>(QApplication::activeModalWidget())) {
      seen << about->windowTitle();
      about->reject();
    } else if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
               menu != nullptr && menu->activeAction() == nullptr) {
      menu->setActiveAction(menu->actions().first());
      seen << menu->activeAction()->text();
      // Not from this slot: the About box it opens needs the timer free to close it.
      QTimer::singleShot(0, menu, [menu] { QTest::keyClick(menu, Qt::Key_Return); });
    }
  });
  closer.start(20);
  test::PressKey(main, Qt::Key_F1);
  for (auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard}) {
    QContextMenuEvent event(reason, QPoint(8, 8), main->mapToGlobal(QPoint(8, 8)));
    QCoreApplication::sendEvent(main, &event);
  }
  EXPECT_EQ(seen, QStringList({"About Velmora", kAboutMenuText, "About Velmora"}));
}

TEST_F(MainWindowTest, ResizingKeepsTheSceneFillingTheWindow) {
  const QSize before = main->size();
  for (const QSize size : {QSize(500, 260), QSize(240, 420), before}) {
    main->resize(size);
    QTest::qWait(20);
    const QImage frame = Frame();
    EXPECT_EQ(frame.size(), size * main->devicePixelRatio());
    EXPECT_EQ(QSize(main->scene.width, main->scene.height), frame.size());
  }
}

}  // namespace
}  // namespace velmora
