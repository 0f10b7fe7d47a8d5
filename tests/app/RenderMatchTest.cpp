// velmora-cli render against the real main window in the same state: the same scene code
// and the same text routine must give the same frame, anti-aliased text aside.

#include <QCheckBox>
#include <QProcess>
#include <cmath>
#include <cstdlib>

#include "camera/ui/ViewDlg.h"
#include "render/image/FrameImage.h"
#include "tests/app/WorkbenchFixture.h"

namespace velmora {
namespace {

// The error text sits at (8, 8); this box holds it with room to spare.
const QRect kTextBox(0, 0, 160, 30);

struct Dark {
  int count = 0;
  QRect box;
};

Dark DarkPixels(const QImage& image) {
  Dark d;
  for (int y = kTextBox.top(); y <= kTextBox.bottom(); ++y)
    for (int x = kTextBox.left(); x <= kTextBox.right(); ++x)
      if (qGray(image.pixel(x, y)) < 60) {
        ++d.count;
        d.box |= QRect(x, y, 1, 1);
      }
  return d;
}

// Pixels outside the text box where some channel differs by more than tolerance.
int DifferingOutsideText(const QImage& a, const QImage& b, int tolerance) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (kTextBox.contains(x, y)) continue;
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      n += std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
           std::abs(qBlue(p) - qBlue(q)) > tolerance;
    }
  return n;
}

void ExpectSameFrame(const QImage& window, const QImage& render) {
  ASSERT_FALSE(render.isNull());
  ASSERT_EQ(render.size(), window.size());
  // Identical drawing calls on the same rasteriser. The score colours may round a level
  // apart where the error maps' sums fall in another order.
  EXPECT_LE(DifferingOutsideText(window, render, 1), window.width() * window.height() / 2000);
  // The same text in the same place, however the two paint engines smooth it.
  const Dark shown = DarkPixels(window), drawn = DarkPixels(render);
  EXPECT_GT(shown.count, 20);
  EXPECT_NEAR(drawn.count, shown.count, shown.count / 4 + 2);
  EXPECT_NEAR(drawn.box.left(), shown.box.left(), 2);
  EXPECT_NEAR(drawn.box.top(), shown.box.top(), 2);
  EXPECT_NEAR(drawn.box.right(), shown.box.right(), 3);
  EXPECT_NEAR(drawn.box.bottom(), shown.box.bottom(), 3);
}

class RenderMatchTest : public test::WorkbenchTest {
 protected:
  static void SetUpTestSuite() {
    // The pair colours come from rand(); the command-line program starts from seed 1 too.
    std::srand(1);
    StartWorkbench({QStringLiteral("demo.fsd"), QStringLiteral("demo.dtx")});
    ASSERT_TRUE(QTest::qWaitFor([] {
      return control->workbench.fstObject.pointCount > 0 &&
             control->secondView.camera.imagePointCount > 0;
    }));
    QTest::qWait(100);
  }

  // Runs the command-line render in the data folder with no display.
  static QImage Render(QStringList arguments) {
    test::TempDir dir;
    const QString out = QString::fromStdString((dir.path() / "frame.png").string());
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    tool.setProcessEnvironment(environment);
    arguments.prepend(QStringLiteral("render"));
    arguments << QStringLiteral("--out") << out << QStringLiteral("demo.fsd")
              << QStringLiteral("demo.dtx");
    tool.start(QStringLiteral(VELMORA_CLI_BINARY), arguments);
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0) {
      ADD_FAILURE() << "render failed: " << tool.readAllStandardError().toStdString();
      return {};
    }
    return QImage(out).convertToFormat(QImage::Format_RGB32);
  }
  static QImage Window() { return main->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
};

TEST_F(RenderMatchTest, StartUpFrameMatchesTheWindowAtItsOwnSize) {
  ASSERT_EQ(main->devicePixelRatio(), 1.0);
  // No size given: the render takes the window's start-up size.
  ExpectSameFrame(Window(), Render({}));
}

TEST_F(RenderMatchTest, GlideToThePositionFileWithBothSpheresMatches) {
  QTest::keyClick(main, Qt::Key_F6);
  ASSERT_TRUE(QTest::qWaitFor([] { return main->CameraAnimationIdle(); }, 20000));
  QTest::qWait(100);
  control->mainSphereCheck->click();
  control->secondView.panTiltCheck->click();
  QTest::qWait(100);
  ASSERT_NE(control->workbench.mainSphere, nullptr);
  const QImage window = Window();
  ExpectSameFrame(
      window, Render({QStringLiteral("--position"), QStringLiteral("position.txt"),
                      QStringLiteral("--main-sphere"), QStringLiteral("5K"),
                      QStringLiteral("--second-options"), QStringLiteral("camera,rays,pantilt")}));
  // Not the same frame as a render that leaves out the glide.
  const QImage unmoved =
      Render({QStringLiteral("--main-sphere"), QStringLiteral("5K"),
              QStringLiteral("--second-options"), QStringLiteral("camera,rays,pantilt")});
  EXPECT_GT(DifferingOutsideText(window, unmoved, 1), 1000);
}

TEST(FrameText, FormatsTheErrorAsTheMainWindowDoes) {
  const double inf = INFINITY, nan = NAN;
  for (double error : {-29.4350166505235, 0.0, -0.0000004, 3.5e10, -inf, inf, nan})
    EXPECT_EQ(QString::fromStdString(FormatErrorText(error)), MainDlg::ErrorText(error)) << error;
  EXPECT_EQ(FormatErrorText(-28.1296395641), "-28.129640");
  EXPECT_EQ(FormatErrorText(NAN), "");
}

}  // namespace
}  // namespace velmora
