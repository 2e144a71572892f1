#include "app/gui_dispatcher.h"

#include <QCoreApplication>
#include <QThread>

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
  QMetaObject::invokeMethod(
      this,
      [&batch] {
        for (auto& work : batch) work();
      },
      Qt::BlockingQueuedConnection);
}

}  // namespace bv
