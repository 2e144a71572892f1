// The hall events of the open backup: listed on a worker thread after every
// open, marked under the position slider, and shown in the Events window.
#include <QAction>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

#include "app/event_list_wnd.h"
#include "app/viewer_dlg.h"
#include "base/format/record_time.h"
#include "base/host/control_ids.h"
#include "controls/custom_slider_ctrl.h"
#include "events/event_records.h"

namespace bv {

void CViewerDlg::StopEventListing() {
  cancelEventListing_ = true;
  if (eventWorker_.joinable()) eventWorker_.join();
  cancelEventListing_ = false;
}

void CViewerDlg::StartEventListing() {
  StopEventListing();
  const uint64_t generation = ++eventGeneration_;
  events_.clear();
  eventsListed_ = false;
  auto* slider = static_cast<CPositionSliderCtrl*>(sliders_[IDC_POSITION_SLIDER]);
  slider->SetEventMarks({});
  if (eventsWnd_) eventsWnd_->SetEvents({});
  if (controller_.Count() == 0 || !actions_[ID_FILE_SHOW_INFORMATION]->isEnabled()) {
    if (eventRelist_) eventRelist_->stop();
    return;
  }
  if (eventsWnd_) eventsWnd_->ShowProgress(0, 1);
  const BackupEventListRequest request = controller_.EventListRequest();
  WatchEventFiles(request);
  // The worker reads only files named in its own copy of the request.
  eventWorker_ = std::thread([this, generation, request] {
    std::vector<BackupEvent> events = ListBackupEvents(request, [this, generation](uint32_t done, uint32_t total) {
      QMetaObject::invokeMethod(
          this,
          [this, generation, done, total] {
            if (generation == eventGeneration_ && eventsWnd_) eventsWnd_->ShowProgress(done, total);
          },
          Qt::QueuedConnection);
      return !cancelEventListing_.load();
    });
    if (cancelEventListing_) return;
    QMetaObject::invokeMethod(
        this,
        [this, generation, events = std::move(events)]() mutable { OnEventsListed(generation, std::move(events)); },
        Qt::QueuedConnection);
  });
}

void CViewerDlg::WatchEventFiles(const BackupEventListRequest& request) {
  if (!eventWatcher_) {
    eventWatcher_ = new QFileSystemWatcher(this);
    eventRelist_ = new QTimer(this);
    eventRelist_->setSingleShot(true);
    // A host computer writes a day file in pieces: list once it is quiet.
    eventRelist_->setInterval(300);
    connect(eventRelist_, &QTimer::timeout, this, [this] { StartEventListing(); });
    connect(eventWatcher_, &QFileSystemWatcher::directoryChanged, eventRelist_, qOverload<>(&QTimer::start));
    connect(eventWatcher_, &QFileSystemWatcher::fileChanged, eventRelist_, qOverload<>(&QTimer::start));
  }
  if (!eventWatcher_->files().isEmpty()) eventWatcher_->removePaths(eventWatcher_->files());
  if (!eventWatcher_->directories().isEmpty()) eventWatcher_->removePaths(eventWatcher_->directories());
  const QString directory = QString::fromStdString(request.eventDirectory.empty() ? "./" : request.eventDirectory);
  if (QFileInfo(directory).isDir()) eventWatcher_->addPath(directory);
  // The day files that exist now; new ones show as a change of the directory.
  for (int64_t day = request.firstMs / 86400000;
       day <= request.lastMs / 86400000 && day < request.firstMs / 86400000 + 366; ++day) {
    const CivilTime date = CivilTimeOfMs(day * 86400000);
    for (const std::string& name : {MachineEventFileName(request.eventDirectory, date.year, date.month, date.day),
                                    R40MaxEventFileName(request.eventDirectory, date.year, date.month, date.day)}) {
      const QString path = QString::fromStdString(name);
      if (QFileInfo::exists(path)) eventWatcher_->addPath(path);
    }
  }
}

void CViewerDlg::OnEventsListed(uint64_t generation, std::vector<BackupEvent> events) {
  if (generation != eventGeneration_) return;  // listed for a backup no longer open
  events_ = std::move(events);
  eventsListed_ = true;
  std::vector<int> marks;
  marks.reserve(events_.size());
  for (const BackupEvent& event : events_) {
    uint32_t record = controller_.FirstRecordOfEvent(event);
    if (record == CRecordTimeSearch::kNone) record = controller_.TimeSearch().Find(event.startMs);
    if (record != CRecordTimeSearch::kNone) marks.push_back(static_cast<int>(record));
  }
  std::sort(marks.begin(), marks.end());
  static_cast<CPositionSliderCtrl*>(sliders_[IDC_POSITION_SLIDER])->SetEventMarks(std::move(marks));
  if (eventsWnd_) eventsWnd_->SetEvents(events_);
}

void CViewerDlg::OnShowEvents() {
  if (!actions_[ID_GO_EVENTS]->isEnabled()) return;
  if (!eventsWnd_) {
    eventsWnd_ = new CEventListWnd(this);
    eventsWnd_->SetShowEvent([this](const BackupEvent& event) {
      const uint32_t record = controller_.FirstRecordOfEvent(event);
      if (record != CRecordTimeSearch::kNone) {
        controller_.ShowRecord(record);
      } else {
        controller_.GoToTime(event.startMs);  // no record inside it: the moment it began
      }
    });
    if (eventsListed_) {
      eventsWnd_->SetEvents(events_);
    } else {
      eventsWnd_->ShowProgress(0, 1);
    }
  }
  eventsWnd_->show();
  eventsWnd_->raise();
  eventsWnd_->activateWindow();
}

}  // namespace bv
