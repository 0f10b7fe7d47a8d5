#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "data/ui/MapProgressDlg.h"
#include "data/ui/ProgDlg.h"
#include "tests/TestSupport.h"

namespace velmora {
namespace {

// Every load shows the bar at once; held open, a row of loads shows one dialog.
TEST(LoadProgressDialog, ShowsEveryLoadAndStaysUpWhileHeldOpen) {
  ProgDlg progress;
  progress.Show();
  EXPECT_TRUE(progress.isVisible());
  progress.SetRange(0, 10);
  progress.SetPos(7);
  EXPECT_EQ(progress.progressBar->value(), 7);
  progress.Hide();
  EXPECT_FALSE(progress.isVisible());
  progress.HoldOpen(true);
  progress.Show();
  progress.Hide();
  EXPECT_TRUE(progress.isVisible());
  progress.HoldOpen(false);
  EXPECT_FALSE(progress.isVisible());
}

TEST(MapProgressDialog, ShowsAfterItsDelayAndEscOrCancelStopsEveryMapOfThatStep) {
  {
    MapProgressDlg patient(10000);
    EXPECT_TRUE(patient.Continue(0, 10));
    EXPECT_TRUE(patient.Continue(9, 10));
    EXPECT_FALSE(patient.isVisible()) << "a quick map shows nothing";
    patient.Finished();
  }
  for (const bool byKey : {true, false}) {
    SCOPED_TRACE(byKey ? "Esc" : "Cancel");
    MapProgressDlg dialog(0);
    EXPECT_TRUE(dialog.Continue(5, 10));
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.findChild<QProgressBar*>()->value(), 500);
    if (byKey)
      QTest::keyClick(&dialog, Qt::Key_Escape);
    else
      QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
    EXPECT_FALSE(dialog.Continue(6, 10));
    dialog.Finished();
    EXPECT_FALSE(dialog.isVisible());
    // The next sphere of the same change is not mapped either...
    EXPECT_FALSE(dialog.Continue(0, 10));
    dialog.Finished();
    // ...but the next change is.
    QTest::qWait(20);
    EXPECT_TRUE(dialog.Continue(0, 10));
    dialog.Finished();
  }
  // The maps of one change show as one run: the bar goes on from map to map and the
  // dialog names the one being computed until the run ends.
  MapProgressDlg run(0);
  run.StartStep("Main sphere", 0, 0.5);
  EXPECT_TRUE(run.Continue(5, 10));
  EXPECT_EQ(run.findChild<QProgressBar*>()->value(), 250);
  run.Finished();
  ASSERT_TRUE(run.isVisible());
  run.StartStep("Second view's Pan/Tilt sphere", 0.5, 0.5);
  EXPECT_TRUE(run.Continue(5, 10));
  EXPECT_EQ(run.findChild<QProgressBar*>()->value(), 750);
  EXPECT_EQ(run.findChild<QLabel*>()->text(), "Second view's Pan/Tilt sphere");
  run.Finished();
  run.EndRun();
  EXPECT_FALSE(run.isVisible());
}

}  // namespace
}  // namespace velmora
