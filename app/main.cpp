// backup-viewer [--play] [--codepage NAME] [FILE]: opens FILE (a backup or a still picture),
// and with --play starts playing it, or shows the Open dialog; a viewer with
// a backup appended plays that backup.
#include "app/viewer_app.h"

int main(int argc, char** argv) {
  bv::CViewerApp app(argc, argv);
  return app.Run();
}
