// The workbench on a display that offers no OpenGL at all: it must say so, not crash.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

TEST(Workbench, WithoutOpenGlSaysSoInsteadOfCrashing) {
  QProcess workbench;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // The X11 platform without any OpenGL integration: windows open, contexts cannot.
  environment.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
  environment.remove(QStringLiteral("VELMORA_SCRIPT"));
  workbench.setProcessEnvironment(environment);
  workbench.start(QStringLiteral(VELMORA_BINARY), {QStringLiteral("demo.fsd")});
  ASSERT_TRUE(workbench.waitForStarted(10000));
  // The message box waits for its OK; the same text is on stderr before it opens.
  QByteArray errors;
  QElapsedTimer clock;
  clock.start();
  while (!errors.contains("Cannot create an OpenGL context.") && clock.elapsed() < 20000 &&
         workbench.state() == QProcess::Running) {
    workbench.waitForReadyRead(200);
    errors += workbench.readAllStandardError();
  }
  const bool crashed =
      workbench.state() != QProcess::Running && workbench.exitStatus() == QProcess::CrashExit;
  workbench.kill();
  workbench.waitForFinished();
  EXPECT_FALSE(crashed) << errors.toStdString();
  EXPECT_TRUE(errors.contains("velmora: Cannot create an OpenGL context.")) << errors.toStdString();
}
