#include "video/gui_dispatcher.h"

#include <QThread>

namespace bv {

CGuiDispatcher::CGuiDispatcher(QObject* parent) : QObject(parent) {}

bool CGuiDispatcher::OnGuiThread() const { return QThread::currentThread() == thread(); }

void CGuiDispatcher::Post(std::function<void()> work) { Add(std::move(work), false); }

void CGuiDispatcher::PostAndWait(std::function<void()> work) { Add(std::move(work), true); }

void CGuiDispatcher::Add(std::function<void()> work, bool waitForIt) {
  if (OnGuiThread()) {
    Settle();
    work();
    return;
  }
  std::lock_guard lock(mutex_);
  pending_.push_back(std::move(work));
  pendingWaitedFor_ = pendingWaitedFor_ || waitForIt;
}

void CGuiDispatcher::Flush() {
  if (OnGuiThread()) return;
  std::unique_lock lock(mutex_);
  if (pending_.empty()) return;
  ran_.wait(lock, [this] { return stepsHandedOver_ - stepsRun_ < kStepsInFlight; });
  for (auto& work : pending_) handedOver_.push_back(std::move(work));
  pending_.clear();
  const uint64_t step = ++stepsHandedOver_;
  const bool waitForIt = pendingWaitedFor_;
  pendingWaitedFor_ = false;
  if (!callQueued_) {
    callQueued_ = true;
    lock.unlock();
    const bool posted = QMetaObject::invokeMethod(this, [this] { Settle(); }, Qt::QueuedConnection);
    lock.lock();
    if (!posted) {
      // Nothing will run it: drop it rather than wait for ever.
      callQueued_ = false;
      handedOver_.clear();
      stepsRun_ = stepsHandedOver_;
      return;
    }
  }
  if (waitForIt) ran_.wait(lock, [this, step] { return stepsRun_ >= step; });
}

void CGuiDispatcher::Settle() {
  std::unique_lock lock(mutex_);
  // Work that runs an event loop of its own (a message box) comes back here;
  // what was handed over after it waits until it has finished.
  if (running_) return;
  running_ = true;
  std::vector<std::function<void()>> batch;
  while (!handedOver_.empty()) {
    batch.swap(handedOver_);
    const uint64_t upTo = stepsHandedOver_;
    callQueued_ = false;
    lock.unlock();
    for (auto& work : batch) work();
    batch.clear();
    lock.lock();
    stepsRun_ = upTo;
    ran_.notify_all();
  }
  running_ = false;
}

}  // namespace bv
