#include "video/gui_dispatcher.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>

namespace bv {

CGuiDispatcher::CGuiDispatcher(QObject* parent) : QObject(parent) {}

bool CGuiDispatcher::OnGuiThread() const { return QThread::currentThread() == thread(); }

void CGuiDispatcher::Post(std::function<void()> work) {
  if (OnGuiThread()) {
    work();
    return;
  }
  std::lock_guard lock(mutex_);
  pending_.push_back(std::move(work));
}

void CGuiDispatcher::Flush() {
  if (OnGuiThread()) return;
  std::vector<std::function<void()>> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(pending_);
  }
  if (batch.empty()) return;
  // Qt hands the batch to the GUI thread and releases this thread once it
  // has run; the two flags say so again in terms a race detector sees (the
  // queue and semaphore of an uninstrumented Qt are invisible to it).
  std::atomic<bool> handedOver{false};
  std::atomic<bool> ran{false};
  handedOver.store(true, std::memory_order_release);
  const bool delivered = QMetaObject::invokeMethod(
      this,
      [&batch, &handedOver, &ran] {
        static_cast<void>(handedOver.load(std::memory_order_acquire));
        for (auto& work : batch) work();
        ran.store(true, std::memory_order_release);
      },
      Qt::BlockingQueuedConnection);
  if (delivered) static_cast<void>(ran.load(std::memory_order_acquire));
}

}  // namespace bv
