// CViewerDlg: the snapshot and print commands, their dialogs, and the
// message boxes of the picture files.
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/message_box.h"
#include "app/viewer_dlg.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"
#include "export/legacy_qstring.h"
#include "outputs/commands/picture_commands.h"
#include "video/dib_video_wnd.h"

namespace bv {
namespace {

const QString kBmpFilter = QStringLiteral("bmp file(*.BMP) (*.BMP *.bmp)");
const QString kJpgFilter = QStringLiteral("JPG file(*.JPG) (*.JPG *.jpg)");

// The dialog names the selected type with or without its patterns (it
// hides them), so only the type's name is compared.
QString SuffixOfFilter(const QString& filter) {
  return filter.startsWith(QStringLiteral("JPG file")) ? QStringLiteral("JPG") : QStringLiteral("BMP");
}

// The save-as dialog of the snapshot: a name typed without extension gets
// the extension of the type chosen when the name is accepted (".BMP" or
// ".JPG"), however the type was chosen (the type box changed from the
// keyboard tells no one); an existing file is replaced only after asking.
class CSnapshotSaveDialog : public QFileDialog {
 public:
  CSnapshotSaveDialog() : QFileDialog(nullptr) {
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // Patterns in both cases: file names on Linux are case-sensitive.
    setNameFilters({kBmpFilter, kJpgFilter});
    setOption(QFileDialog::HideNameFilterDetails);
    setDefaultSuffix(SuffixOfFilter(kBmpFilter));
  }
  void accept() override {
    setDefaultSuffix(SuffixOfFilter(selectedNameFilter()));
    QFileDialog::accept();
  }
};

// No owner window.
std::string DefaultChooseFileToSave() {
  CSnapshotSaveDialog dialog;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
  QString chosen = dialog.selectedFiles().first();
  // A dialog that does not add the suffix itself (a platform's own) leaves
  // a bare name: it gets the chosen type's extension here.
  if (QFileInfo(chosen).suffix().isEmpty()) chosen += QLatin1Char('.') + SuffixOfFilter(dialog.selectedNameFilter());
  return chosen.toStdString();
}

}  // namespace

void CViewerDlg::SetPictureDialogDefaults() {
  if (!options_.chooseFileToSave) options_.chooseFileToSave = DefaultChooseFileToSave;
  if (options_.captionedMessageBox) return;
  if (options_.messageBox) {
    // Whoever replaced the message boxes gets these texts too.
    options_.captionedMessageBox = [box = options_.messageBox](const QString&, const QString& text, bool) {
      box(text, false);
    };
    return;
  }
  options_.captionedMessageBox = [](const QString& caption, const QString& text, bool errorIcon) {
    // The JPEG library's fatal errors have no owner window.
    QMessageBox box(errorIcon ? QMessageBox::Critical : QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    ExecMessageBox(box);
  };
}

void CViewerDlg::ConnectPictureCommands() {
  controller_.Engine().SetPictureMessageSink([this](const PictureMessage& message) {
    dispatcher_.Post([this, message] {
      options_.captionedMessageBox(FromLegacy(message.caption), FromLegacy(message.text),
                                   message.icon == MessageIcon::kError);
    });
  });
  dib_->SetPrintSupport(MakePrintSupport());
  connect(Button(IDC_SAVE_SNAPSHOT), &QAbstractButton::clicked, this, [this] { OnSaveSnapshot(); });
  connect(Button(IDC_PRINT), &QAbstractButton::clicked, this, [this] { OnPrint(); });
}

PrintSupport CViewerDlg::MakePrintSupport() {
  return PrintSupport{options_.choosePrinter, [this](const std::string& text) { ShowMessage(text); }};
}

void CViewerDlg::OnSaveSnapshot() { RunSnapshotCommand(controller_, options_.chooseFileToSave); }

void CViewerDlg::OnPrint() { RunPrintCommand(controller_); }

}  // namespace bv
