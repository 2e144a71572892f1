// CPlaybackEngine's hall event operations: the event configuration of the
// backup's directory, and the event of each shown frame.
#include "playback/engine/playback_controller.h"
#include "playback/engine/playback_engine.h"

namespace bv {

void CPlaybackEngine::LoadEventConfiguration() { events_.LoadEventConfiguration(backupDirectory_); }

void CPlaybackEngine::LookUpHallEvent(const INDEX_RECORD& record) {
  SYSTEMTIME time;
  time.wYear = record.year;
  time.wMonth = record.month;
  time.wDay = record.day;
  time.wHour = record.hour;
  time.wMinute = record.minute;
  time.wSecond = record.second;
  const HallEvent event = events_.LookUp(time, record.camera);
  if (IVideoWindow* window = owner_->Host().VideoWindow(overlay_)) {
    window->SetEventInfo(event.kind, event.text, event.machineNumber, event.colour, event.label);
  }
}

}  // namespace bv
