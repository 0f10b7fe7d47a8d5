#include "platform/MessageQueue.h"

#include <QCoreApplication>
#include <QObject>
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

}  // namespace
}  // namespace velmora
