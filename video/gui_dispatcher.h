#pragma once
// Hands on-screen work to the GUI thread. Work posted on the GUI thread runs
// at once; work posted by another thread (the playback thread) is kept and
// run, in order, by that thread's next Flush, in one blocking invocation on
// the GUI thread. So a displayed record changes the screen in one go, and the
// playback thread waits for the screen as the dialog's controls require. A
// GUI thread that waits for the playback thread must keep serving events
// (PumpOneMessage), or the two would wait for each other.
#include <QObject>
#include <functional>
#include <mutex>
#include <vector>

namespace bv {

class CGuiDispatcher : public QObject {
 public:
  explicit CGuiDispatcher(QObject* parent = nullptr);

  bool OnGuiThread() const;
  void Post(std::function<void()> work);
  void Flush();

 private:
  std::mutex mutex_;
  std::vector<std::function<void()>> pending_;
};

}  // namespace bv
