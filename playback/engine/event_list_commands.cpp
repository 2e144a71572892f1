// The open backup's hall events as a list, and the record an event starts at.
#include "playback/engine/playback_controller.h"

namespace bv {

BackupEventListRequest CPlaybackController::EventListRequest() {
  BackupEventListRequest request;
  if (count_ == 0) return request;
  const CEventState& events = engine_.Events();
  request.eventDirectory = events.EventDirectory();
  request.labelsDirectory = events.ProgramDirectory();
  request.configuration.textColour = events.TextColour();
  request.configuration.machineLabel = events.MachineLabel();
  request.configuration.codeTable = events.CodeTable();
  request.firstMs = TimeSearch().FirstTimeMs();
  request.lastMs = TimeSearch().LastTimeMs();
  request.cameras = CamerasInIndex();
  return request;
}

uint32_t CPlaybackController::FirstRecordOfEvent(const BackupEvent& event) {
  if (count_ == 0) return CRecordTimeSearch::kNone;
  const uint8_t camera = event.camera;
  return TimeSearch().FindFirstWithin(event.startMs, event.endMs,
                                      [camera](const INDEX_RECORD& r) { return !r.IsAudio() && r.camera == camera; });
}

}  // namespace bv
