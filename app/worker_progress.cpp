#include "app/worker_progress.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <atomic>
#include <thread>

namespace bv {
namespace {

// Reports progress to the GUI thread once per percent. Each report waits
// until the progress dialog has shown it, so a cancel pressed by then is
// seen before the next step of the work.
class CProgressRelay {
 public:
  CProgressRelay(QProgressDialog& dialog, std::atomic<bool>& cancelled) : dialog_(dialog), cancelled_(cancelled) {}

  bool Report(uint32_t done, uint32_t total) {
    const int percent = total > 0 ? static_cast<int>(uint64_t{done} * 100 / total) : 100;
    if (percent != shown_) {
      shown_ = percent;
      QMetaObject::invokeMethod(
          &dialog_,
          [this, percent] {
            dialog_.setValue(percent);
            // Cancel pressed, Escape, or the dialog closed.
            if (dialog_.wasCanceled()) cancelled_ = true;
          },
          Qt::BlockingQueuedConnection);
    }
    return !cancelled_.load();
  }

 private:
  QProgressDialog& dialog_;
  std::atomic<bool>& cancelled_;
  int shown_ = -1;
};

}  // namespace

void RunWithProgressDialog(QWidget* parent, const QString& title, const QString& label,
                           const std::function<void(const WorkProgress& progress)>& work) {
  QProgressDialog progress(label, QStringLiteral("Cancel"), 0, 100, parent);
  progress.setWindowTitle(title);
  progress.setWindowModality(Qt::WindowModal);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setMinimumDuration(0);
  progress.setValue(0);
  progress.show();
  std::atomic<bool> cancelled{false};
  QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&cancelled] { cancelled = true; });

  QEventLoop loop;
  std::thread worker([&] {
    CProgressRelay relay(progress, cancelled);
    work([&relay](uint32_t done, uint32_t total) { return relay.Report(done, total); });
    QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  progress.close();
}

std::string PathWithExtension(const std::string& path, const std::string& extension) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? path.substr(0, dot) : path) + extension;
}

}  // namespace bv
