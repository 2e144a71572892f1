#include "tests/gui/viewer_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace bv::test {

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents();
    QTest::qWait(1);
  }
  return true;
}

void WriteMjpgBackup(const std::string& path, int frames, int width, int height) {
  CBackupWriter writer(7, samples::DemoCameraInfo(2));
  for (int i = 0; i < frames; ++i) {
    writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM " + std::to_string(i), "LOC " + std::to_string(i),
                         samples::MakeMjpgPayload(samples::MakeTestPicture(width, height, i), 60));
  }
  ASSERT_TRUE(writer.WriteContainer(path));
}

std::string ViewerFixture::PlainProgram() {
  const std::string path = dir.File("viewer");
  WriteFileBytes(path, std::vector<uint8_t>(kProgramFileLength, 0));
  return path;
}

void ViewerFixture::Start(CViewerDlg::Options options) {
  if (options.programPath.empty()) options.programPath = PlainProgram();
  if (!options.chooseFileToOpen) {
    options.chooseFileToOpen = [this] {
      ++openDialogs;
      return chosen;
    };
  }
  if (!options.messageBox) options.messageBox = [this](const QString& text, bool) { messages.push_back(text); };
  dialog.reset();
  dialog = std::make_unique<CViewerDlg>(options);
  ASSERT_TRUE(dialog->OnInitDialog());
  dialog->show();
  QApplication::processEvents();
}

void ViewerFixture::Click(int id) { QTest::mouseClick(dialog->Button(id), Qt::LeftButton); }

QString ViewerFixture::Edit(int id) { return dialog->Edit(id)->text(); }

void ViewerFixture::OpenWithButton(const std::string& path) {
  chosen = path;
  Click(IDC_OPEN);
  QApplication::processEvents();
}

void ViewerFixture::Activate() {
  dialog->activateWindow();
  QApplication::setActiveWindow(dialog.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
}

}  // namespace bv::test
