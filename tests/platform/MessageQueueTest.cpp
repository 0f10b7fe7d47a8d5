#include "platform/MessageQueue.h"

#include <QCoreApplication>
#include <QObject>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

class Recorder : public QObject, public MessageReceiver {
 public:
  void WindowProc(unsigned msg, WPARAM wParam, LPARAM lParam) override {
    received.emplace_back(msg, wParam, lParam);
  }
  bool event(QEvent* e) override { return DispatchAppMessage(e, *this) || QObject::event(e); }
  std::vector<std::tuple<unsigned, WPARAM, LPARAM>> received;
};

TEST(AppMessages, FloatsTravelAsTheirBits) {
  for (float v :
       {0.0f, -0.0f, 1.0f, -2.5f, 1e-40f, 3.4e38f, std::numeric_limits<float>::infinity()}) {
    const float back = LParamToFloat(FloatToLParam(v));
    EXPECT_EQ(std::signbit(back), std::signbit(v));
    EXPECT_EQ(back, v);
  }
  EXPECT_EQ(FloatToLParam(1.0f), 0x3F800000);
  EXPECT_TRUE(std::isnan(LParamToFloat(FloatToLParam(std::nanf("")))));
}

TEST(PostAppMessage, DeliversLaterInOrderAndDropsUnpublishedTargets) {
  Recorder receiver;
  EXPECT_FALSE(PostAppMessage(nullptr, UWM_REDRAW));
  EXPECT_TRUE(PostAppMessage(&receiver, UWM_VIEWS_CHANGED, 0, VIEW_AZALT));
  EXPECT_TRUE(PostAppMessage(&receiver, UWM_REDRAW));
  EXPECT_TRUE(PostAppMessage(&receiver, UWM_SHOW_MAIN_SPHERE, 2, BST_CHECKED));
  EXPECT_TRUE(receiver.received.empty()) << "posting must not wait for the receiver";
  PumpPendingMessages();
  using M = std::tuple<unsigned, WPARAM, LPARAM>;
  EXPECT_THAT(receiver.received,
              testing::ElementsAre(M{UWM_VIEWS_CHANGED, 0, VIEW_AZALT}, M{UWM_REDRAW, 0, 0},
                                   M{UWM_SHOW_MAIN_SPHERE, 2, BST_CHECKED}));
}

TEST(DeferAppMessages, HoldsMessagesBackAndReleasesThemInOrder) {
  Recorder receiver;
  PostAppMessage(&receiver, UWM_REDRAW, 0, 1);
  {
    DeferAppMessages hold;
    PumpPendingMessages();
    EXPECT_TRUE(receiver.received.empty());
    PostAppMessage(&receiver, UWM_REDRAW, 0, 2);
  }
  PostAppMessage(&receiver, UWM_REDRAW, 0, 3);
  PumpPendingMessages();
  ASSERT_EQ(receiver.received.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::get<2>(receiver.received[i]), i + 1);
}

}  // namespace
}  // namespace velmora
