#pragma once
// Hands on-screen work to the GUI thread. Work posted on the GUI thread runs
// at once; work posted by another thread (the playback thread) is kept and
// handed to the GUI thread, in order, by that thread's next Flush; the GUI
// thread applies what it finds handed over in one go, so a displayed record
// changes the screen at once.
//
// Flush does not wait for its own step to be applied: the playback thread
// decodes its next record while the screen shows the last one, instead of
// waiting for two thread wake-ups per record. It waits while the screen is
// kStepsInFlight steps behind, so play is still paced by the screen, and
// for a step holding a message box until the user has answered it: the
// playback stays where it is meanwhile.
//
// A GUI thread that waits for the playback thread must keep serving events
// (PumpOneMessage), or the two would wait for each other, and once that
// thread is between steps or gone it calls Settle, so that nothing the
// thread handed over is applied after what the GUI thread does next. Work
// posted on the GUI thread settles first for the same reason.
#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace bv {

class CGuiDispatcher : public QObject {
 public:
  static constexpr uint64_t kStepsInFlight = 3;

  explicit CGuiDispatcher(QObject* parent = nullptr);

  bool OnGuiThread() const;
  void Post(std::function<void()> work);
  // As Post; from another thread, that thread's Flush also waits until the
  // work has run (a modal message box, answered).
  void PostAndWait(std::function<void()> work);
  void Flush();
  // GUI thread: runs at once what was handed over and has not run yet.
  void Settle();

 private:
  void Add(std::function<void()> work, bool waitForIt);

  std::mutex mutex_;
  std::condition_variable ran_;
  std::vector<std::function<void()>> pending_;  // posted, not handed over
  bool pendingWaitedFor_ = false;
  std::vector<std::function<void()>> handedOver_;
  uint64_t stepsHandedOver_ = 0;  // Flushes that handed work over, ever
  uint64_t stepsRun_ = 0;         // of which the GUI thread has run
  bool callQueued_ = false;       // a queued call to Settle is on its way
  bool running_ = false;          // the GUI thread is running a batch
};

}  // namespace bv
