#pragma once
// The real dialog on the platform of the run (offscreen, or Xvfb), with
// backups of real MJPG frames titled "CAM n", and what its injected Open
// dialog and message boxes were asked.
#include <gtest/gtest.h>

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/viewer_dlg.h"
#include "controls/skin_button.h"
#include "tests/support/temp_dir.h"

namespace bv::test {

// Serves events until condition holds; false after limit.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

// A backup of frames real MJPG frames of width x height at 10 per second,
// record n titled "CAM n" / "LOC n", camera number 2 (shown as 3).
void WriteMjpgBackup(const std::string& path, int frames, int width = 160, int height = 120);

class ViewerFixture : public ::testing::Test {
 protected:
  TempDir dir;
  std::vector<QString> messages;
  int openDialogs = 0;
  std::string chosen;  // what the Open dialog answers
  std::unique_ptr<CViewerDlg> dialog;

  // A plain program file: exactly the program length.
  std::string PlainProgram();
  // Starts the dialog. options are filled in where the test left them
  // empty: the program (a plain one), the Open dialog (answers chosen), the
  // message boxes (recorded).
  void Start(CViewerDlg::Options options = {});
  void Click(int id);
  CPlaybackController& controller() { return dialog->Controller(); }
  QString Edit(int id);
  // Opens path through the Open button.
  void OpenWithButton(const std::string& path);
  // Makes the dialog the active window, as a user's click would.
  void Activate();
  // The camera title of the record shown, as edit 1016 formats it.
  static QString TitleOf(uint32_t record) { return QStringLiteral(" CAM %1 (3)").arg(record); }
};

}  // namespace bv::test
