// zrvtool still, snapshot and print: the still-picture display, the snapshot
// command and the printed page of the viewer, from the command line.
#include <cstdio>
#include <vector>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "base/platform/legacy_text.h"
#include "export/dib_image.h"
#include "export/legacy_qstring.h"
#include "export/print_page.h"
#include "export/snapshot_file.h"
#include "outputs/commands/picture_commands.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/gui_application.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/picture_files.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

// Packed 24-bit rows, bottom row first, of any image.
std::vector<uint8_t> BottomUpBgrRows(const QImage& image) {
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  const size_t rowBytes = static_cast<size_t>(bgr.width()) * 3;
  std::vector<uint8_t> rows(rowBytes * bgr.height());
  for (int y = 0; y < bgr.height(); ++y) {
    const uint8_t* line = bgr.constScanLine(y);
    std::copy(line, line + rowBytes, rows.begin() + (bgr.height() - 1 - y) * rowBytes);
  }
  return rows;
}

// Opens a backup and shows record index as a seek does (play stopped).
std::unique_ptr<ToolBackup> OpenAtRecord(const std::string& path, uint32_t index) {
  auto backup = OpenToolBackup(path);
  if (!backup) return nullptr;
  CPlaybackController& controller = backup->controller;
  if (index >= controller.Count()) {
    std::fprintf(stderr, "record %u: the backup has %u records\n", index, controller.Count());
    return nullptr;
  }
  if (controller.Index()[index].IsAudio()) {
    std::fprintf(stderr, "record %u is an audio record\n", index);
    return nullptr;
  }
  controller.SetPlayState(kStoppedOrPaused);
  controller.GoToRecord(index);
  return backup;
}

// The options of all three: a picture file or a record, and the output.
struct PictureOptions {
  std::string path;
  uint32_t index = 0;
  std::string out;
  bool noCamera = false;
  bool noDate = false;
  bool noSize = false;
  uint32_t dpi = 600;
};

int RunStill(const PictureOptions& options) {
  const std::string& path = options.path;
  const std::string& out = options.out;
  if (PictureFileTypeOf(out) == PictureFileType::kNone) {
    std::fprintf(stderr, "%s: the picture file must end in .bmp, .png or .ppm\n", out.c_str());
    return kExitUsage;
  }
  const OpenPathKind kind = ClassifyOpenPath(path);
  if (kind != OpenPathKind::kBmp && kind != OpenPathKind::kJpg) {
    std::fprintf(stderr, "%s: a still picture ends in .bmp or .jpg\n", path.c_str());
    return kExitUsage;
  }
  ToolBackup tool;
  tool.host.SetMessageSink([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
  CPlaybackEngine& engine = tool.controller.Engine();
  const int shown = kind == OpenPathKind::kBmp ? engine.LoadBmpStill(path) : engine.LoadJpegStill(path);
  if (!shown) {
    // A BMP is refused without the viewer saying why.
    if (kind == OpenPathKind::kBmp) std::fprintf(stderr, "%s: not a BMP picture the viewer shows\n", path.c_str());
    return kExitRefused;
  }
  const auto still = tool.host.DibWindow().LastShown();
  const QImage image = ImageOfDib(still.pixels.data(), still.header);
  if (image.isNull()) {
    std::fprintf(stderr, "%s: the picture cannot be drawn\n", path.c_str());
    return kExitRefused;
  }
  const std::vector<uint8_t> rows = BottomUpBgrRows(image);
  if (!WritePictureFile(out, rows.data(), image.width(), image.height())) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return kExitRefused;
  }
  Json result;
  result["width"] = image.width();
  result["height"] = image.height();
  result["trailer"] = engine.Still().trailerPresent;
  result["camera"] = LegacyTextToUtf8(tool.host.EditText(IDC_CAMERA_TITLE));
  result["info"] = LegacyTextToUtf8(tool.host.EditText(IDC_LOCATION));
  result["caption"] = LegacyTextToUtf8(still.caption);
  PrintJsonLine(result);
  return kExitOk;
}

int RunSnapshot(const PictureOptions& options) {
  const uint32_t index = options.index;
  const std::string& out = options.out;
  const SnapshotFormat format = SnapshotFormatOfName(out);
  if (format == kSnapshotNone) {
    std::fprintf(stderr, "%s: a snapshot is saved under a name ending in .bmp or .jpg\n", out.c_str());
    return kExitUsage;
  }
  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  auto backup = OpenAtRecord(options.path, index);
  if (!backup) return kExitRefused;
  // The Display Showing menu's check marks.
  backup->host.SetMenuItemChecked(ID_SHOW_CAM_NUMBER, !options.noCamera);
  backup->host.SetMenuItemChecked(ID_SHOW_DATE_TIME, !options.noDate);
  backup->host.SetMenuItemChecked(ID_SHOW_IMAGE_SIZE, !options.noSize);
  if (!RunSnapshotCommand(backup->controller, [&out] { return out; })) return kExitRefused;
  const CPlaybackEngine& engine = backup->controller.Engine();
  const int height = IsSingleField(engine.Width(), engine.Height()) ? 2 * engine.Height() : engine.Height();
  Json result;
  result["index"] = index;
  result["format"] = format == kSnapshotBmp ? "bmp" : "jpg";
  result["width"] = engine.Width();
  result["height"] = height;
  result["file"] = out;
  PrintJsonLine(result);
  return kExitOk;
}

int RunPrint(const PictureOptions& options) {
  const uint32_t index = options.index;
  const uint32_t dpi = options.dpi;
  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  auto backup = OpenAtRecord(options.path, index);
  if (!backup) return kExitRefused;
  // The DIB window prints; its printer is a PDF file.
  const std::string& out = options.out;
  bool written = false;
  backup->host.DibWindow().SetPrintHandler(
      [&](const uint8_t* bits, uint32_t, const BITMAPINFOHEADER& header, const std::string& caption) {
        const QImage picture = PrintImageOfBits(bits, header, kPictureBufferSize);
        if (picture.isNull()) return 0;
        written = WritePrintPagePdf(out, picture, FromLegacy(caption),
                                    static_cast<int>(dpi));
        if (!written) std::fprintf(stderr, "cannot write %s\n", out.c_str());
        return written ? 1 : 0;
      });
  if (!RunPrintCommand(backup->controller) || !written) return kExitRefused;
  const auto request = backup->host.DibWindow().LastPrint();
  const PrintPageLayout layout = ComputePrintPageLayout(0, static_cast<int>(dpi), static_cast<int>(dpi),
                                                        kReferenceScreenDpi, kReferenceScreenDpi);
  Json result;
  result["index"] = index;
  result["dpi"] = dpi;
  result["caption"] = LegacyTextToUtf8(request.caption);
  result["picture_width"] = layout.pictureWidth;
  result["picture_height"] = layout.pictureHeight;
  result["picture_top"] = layout.pictureY;
  result["caption_top"] = layout.captionY;
  result["file"] = out;
  PrintJsonLine(result);
  return kExitOk;
}

// PATH INDEX -o OUT, the start of snapshot's and print's command lines.
std::shared_ptr<PictureOptions> AddRecordPicture(CLI::App& app, const std::string& output) {
  auto options = std::make_shared<PictureOptions>();
  app.add_option("PATH", options->path, "The backup")->required();
  app.add_option("INDEX", options->index, "The record (0-based)")->required()->transform(WholeNumber());
  app.add_option("-o", options->out, output)->required()->type_name("OUT");
  return options;
}

}  // namespace

Command AddStill(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "still", "still PATH.bmp|PATH.jpg -o OUT.png|OUT.bmp|OUT.ppm",
                             "A still picture as the viewer's still display shows it");
  auto options = std::make_shared<PictureOptions>();
  app->add_option("PATH", options->path, "The still picture, .bmp or .jpg")->required();
  app->add_option("-o", options->out, "The picture file")->required()->type_name("OUT");
  return {app, [options] { return RunStill(*options); }};
}

Command AddSnapshot(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "snapshot",
                             "snapshot PATH INDEX -o OUT.bmp|OUT.jpg [--no-cam] [--no-date] [--no-size]",
                             "The viewer's snapshot of one record");
  auto options = AddRecordPicture(*app, "The snapshot file, .bmp or .jpg");
  app->add_flag("--no-cam", options->noCamera, "Without the camera number");
  app->add_flag("--no-date", options->noDate, "Without the date and time");
  app->add_flag("--no-size", options->noSize, "Without the picture size");
  return {app, [options] { return RunSnapshot(*options); }};
}

Command AddPrint(CLI::App& tool) {
  CLI::App* app =
      AddCommand(tool, "print", "print PATH INDEX -o OUT.pdf [--dpi N]", "The viewer's printed page of one record");
  auto options = AddRecordPicture(*app, "The page's PDF file");
  app->add_option("--dpi", options->dpi, "The printer's dots per inch (600 unless given)")
      ->type_name("N")
      ->transform(WholeNumber(72, 2400));
  return {app, [options] { return RunPrint(*options); }};
}

}  // namespace bv::tool
