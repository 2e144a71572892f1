#pragma once
// The main dialog's snapshot (1022) and print (1023) commands, apart from
// the dialogs they show, so that the viewer, tools and tests run the same
// steps.
#include <functional>
#include <string>

#include "playback/engine/playback_controller.h"

namespace bv {

// Snapshot: nothing while playing forward or backward. The snapshot button
// is disabled from the save dialog until the file is written or the command
// gives up. chooseFileToSave returns the chosen name ("" when cancelled); a
// name not ending in ".bmp" or ".jpg" (any case) saves nothing and says
// nothing. 1 when a file was written. (outputs/commands/snapshot_command.cpp)
int RunSnapshotCommand(CPlaybackController& controller, const std::function<std::string()>& chooseFileToSave);

// The record's picture decoded again (the engine's still decode), composed as
// the snapshot (a single field doubled, the checked information texts drawn)
// and saved as a BMP (format 0) or JPEG (1): 1 written, 0 not (the reason
// shown). (outputs/commands/snapshot_composition.cpp)
int ComposeSnapshot(CPlaybackController& controller, const INDEX_RECORD& record, const std::string& fileName,
                    int format);
// Print: the print button is disabled while the current record is printed
// through the active video window. 1 when printed. (outputs/commands/print_command.cpp)
int RunPrintCommand(CPlaybackController& controller);

}  // namespace bv
