// Work another thread hands to the GUI thread: in order, once, a bounded
// number of steps ahead of the screen, message boxes waited for, and nothing
// handed over applied after what the GUI thread does once it has settled.
#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/gui/viewer_fixture.h"
#include "video/gui_dispatcher.h"

namespace bv {
namespace {

using namespace std::chrono_literals;

class GuiDispatcherTest : public ::testing::Test {
 protected:
  CGuiDispatcher dispatcher;
  std::vector<std::string> log;  // written on the GUI thread only

  // Work that notes its name and the thread it ran on.
  std::function<void()> Note(const std::string& name) {
    return [this, name] {
      log.push_back(dispatcher.OnGuiThread() ? name : name + " (wrong thread)");
    };
  }
  // Spins until the condition holds, serving no events meanwhile.
  static bool SpinUntil(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
};

TEST_F(GuiDispatcherTest, TheThreadRunsAFewStepsAheadOfTheScreenAndNoFurther) {
  constexpr int kSteps = 6;
  static_assert(CGuiDispatcher::kStepsInFlight < kSteps);
  std::atomic<int> flushed{0};
  std::thread player([&] {
    for (int i = 0; i < kSteps; ++i) {
      dispatcher.Post(Note("step " + std::to_string(i)));
      dispatcher.Post(Note("step " + std::to_string(i) + " again"));
      dispatcher.Flush();
      ++flushed;
      dispatcher.Flush();  // nothing posted: nothing handed over, no wait
    }
  });
  // The Flushes return while the GUI thread serves nothing, until the
  // screen is the allowed number of steps behind.
  ASSERT_TRUE(SpinUntil([&] { return flushed >= static_cast<int>(CGuiDispatcher::kStepsInFlight); }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(flushed, static_cast<int>(CGuiDispatcher::kStepsInFlight))
      << "the thread went on further ahead of the screen";
  EXPECT_TRUE(log.empty());
  ASSERT_TRUE(test::PumpUntil([&] { return flushed == kSteps && log.size() == 2 * kSteps; }));
  player.join();
  QApplication::processEvents();
  std::vector<std::string> expected;
  for (int i = 0; i < kSteps; ++i) {
    expected.push_back("step " + std::to_string(i));
    expected.push_back("step " + std::to_string(i) + " again");
  }
  EXPECT_EQ(log, expected);
}

TEST_F(GuiDispatcherTest, SettlingRunsWhatWasHandedOverOnceAndBeforeTheGuiThreadsOwnWork) {
  std::thread player([&] {
    dispatcher.Post(Note("from the step"));
    dispatcher.Flush();
  });
  player.join();
  // The queued call has not come yet: the GUI thread's own work settles first.
  dispatcher.Post(Note("from a command"));
  EXPECT_EQ(log, (std::vector<std::string>{"from the step", "from a command"}));
  QApplication::processEvents();
  EXPECT_EQ(log.size(), 2u) << "the queued call ran the batch again";

  std::thread again([&] {
    dispatcher.Post(Note("next step"));
    dispatcher.Flush();
  });
  again.join();
  dispatcher.Settle();
  EXPECT_EQ(log.back(), "next step");
  dispatcher.Settle();
  QApplication::processEvents();
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(GuiDispatcherTest, AMessageIsWaitedForAndTheStepsAfterItComeAfterIt) {
  std::atomic<bool> answered{false};
  std::atomic<int> flushed{0};
  std::thread player([&] {
    dispatcher.Post(Note("picture"));
    dispatcher.PostAndWait([&] {
      // A message box runs an event loop of its own while the user reads.
      QApplication::processEvents();
      log.push_back("message");
      answered = true;
    });
    dispatcher.Flush();
    flushed = 1;
    dispatcher.Post(Note("next picture"));
    dispatcher.Flush();
    flushed = 2;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(flushed, 0) << "the playback thread went on before the message was answered";
  ASSERT_TRUE(test::PumpUntil([&] { return flushed == 2; }));
  player.join();
  EXPECT_TRUE(answered);
  QApplication::processEvents();
  EXPECT_EQ(log, (std::vector<std::string>{"picture", "message", "next picture"}));
}

TEST_F(GuiDispatcherTest, ManyStepsArriveInOrderWhileTheGuiThreadPostsItsOwn) {
  constexpr int kSteps = 2000;
  std::atomic<bool> done{false};
  std::vector<int> seen;
  std::thread player([&] {
    for (int i = 0; i < kSteps; ++i) {
      dispatcher.Post([&seen, i] { seen.push_back(i); });
      if (i % 3 == 0) dispatcher.Post([&seen, i] { seen.push_back(-i - 1); });
      dispatcher.Flush();
    }
    done = true;
  });
  int own = 0;
  while (!done) {
    dispatcher.Post([&own] { ++own; });
    QApplication::processEvents();
  }
  player.join();
  dispatcher.Settle();
  QApplication::processEvents();
  std::vector<int> expected;
  for (int i = 0; i < kSteps; ++i) {
    expected.push_back(i);
    if (i % 3 == 0) expected.push_back(-i - 1);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_GT(own, 0);
}

}  // namespace
}  // namespace bv
