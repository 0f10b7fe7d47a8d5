// The workbench started on the demo files as a user would, in a process of its own: the
// second camera glides to the true pose (F6), the observer flies to the second view (F9)
// to look at the model, and the main sphere is ticked. (How the model follows the views
// and the frames are drawn, the workbench's and the scene's own tests pin.) Its frames are grabbed
// through the VELMORA_SCRIPT hook and read back here.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdlib>

#include "tests/FramePixels.h"

namespace {

using velmora::test::ColouredPixels;
using velmora::test::DarkPixelsInTextCorner;

// Pixels that differ between two frames of the same size, below the text line.
int Differences(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 30; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      n += (a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff);
  return n;
}

TEST(Workbench, GlideToTheTruePoseUnfoldsTheModelAndTheMainSphereShows) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto file = [&dir](const char* name) { return dir.filePath(QString::fromUtf8(name)); };
  // The FST object is where the frames with and without it differ, seen from the
  // second view's viewpoint after the glide. The first command sees the command line's
  // files loaded.
  const QString script = QStringLiteral(
                             "print-error\n"
                             "key F6\nwait-idle\n"
                             "key F9\nwait-idle\n"
                             "uncheck \"FST object\"\ngrab %1\ncheck \"FST object\"\ngrab %2\n"
                             "print-error\n"
                             "check \"Main sphere\"\ngrab %3\n"
                             "grab /dev/full\nquit\n")
                             .arg(file("bare.png"), file("after.png"), file("sphere.png"));
  QFile scriptFile(file("script.txt"));
  ASSERT_TRUE(scriptFile.open(QIODevice::WriteOnly | QIODevice::Text));
  scriptFile.write(script.toUtf8());
  scriptFile.close();

  QProcess workbench;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("VELMORA_SCRIPT"), scriptFile.fileName());
  workbench.setProcessEnvironment(environment);
  workbench.start(QStringLiteral(VELMORA_BINARY),
                  {QStringLiteral("demo.fsd"), QStringLiteral("demo.dtx")});
  ASSERT_TRUE(workbench.waitForStarted(10000));
  if (!workbench.waitForFinished(60000)) {
    workbench.kill();
    workbench.waitForFinished();
    FAIL() << "the workbench did not finish its script";
  }
  const QString errors = QString::fromLocal8Bit(workbench.readAllStandardError());
  ASSERT_EQ(workbench.exitStatus(), QProcess::NormalExit) << errors.toStdString();
  // A grab that cannot be written ends the script as a failure, naming the file.
  EXPECT_EQ(workbench.exitCode(), 3) << errors.toStdString();
  EXPECT_TRUE(errors.contains(QLatin1String("script line 13: cannot write /dev/full: ")))
      << errors.toStdString();

  QStringList shown;
  for (const QString& line : QString::fromLocal8Bit(workbench.readAllStandardOutput()).split('\n'))
    if (line.startsWith(QLatin1String("error "))) shown << line.mid(6);
  ASSERT_EQ(shown.size(), 2) << errors.toStdString();
  bool ok = false;
  const double errorAfter = shown[1].toDouble(&ok);
  ASSERT_TRUE(ok) << shown[1].toStdString();
  EXPECT_LT(errorAfter, -20);
  EXPECT_NE(shown[0], shown[1]) << "the glide changes the second camera and so the error";

  const QImage bare(file("bare.png")), after(file("after.png")), sphere(file("sphere.png"));
  ASSERT_FALSE(after.isNull());
  ASSERT_EQ(after.size(), sphere.size());
  EXPECT_GT(DarkPixelsInTextCorner(after), 20) << "the error is written in the corner";
  // The reconstructed model covers a good part of the window.
  EXPECT_GT(Differences(bare, after), after.width() * after.height() / 20);
  // The main sphere is drawn over most of the window from this close, in score colours.
  EXPECT_GT(Differences(after, sphere), after.width() * after.height() / 3);
  EXPECT_GT(ColouredPixels(sphere), ColouredPixels(after) + after.width() * after.height() / 4);
}

}  // namespace
