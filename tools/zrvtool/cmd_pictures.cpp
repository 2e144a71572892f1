// zrvtool still, snapshot and print: the still-picture display, the snapshot
// command and the printed page of the viewer, from the command line.
#include <cstdio>
#include <vector>

#include "export/dib_image.h"
#include "export/picture_commands.h"
#include "export/print_page.h"
#include "export/snapshot_file.h"
#include "playback/backup_constants.h"
#include "playback/control_ids.h"
#include "playback/legacy_text.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/gui_application.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
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

}  // namespace

int RunStill(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"-o"}, {}, &options) || options.positional.size() != 1 || !options.Has("-o")) {
    return kExitUsage;
  }
  const std::string& path = options.positional[0];
  const std::string out = options.Value("-o");
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

int RunSnapshot(const Args& args) {
  ParsedOptions options;
  uint32_t index = 0;
  if (!ParseOptions(args, {"-o"}, {"--no-cam", "--no-date", "--no-size"}, &options) ||
      options.positional.size() != 2 || !options.Has("-o") || !ParseNumber(options.positional[1], &index)) {
    return kExitUsage;
  }
  const std::string out = options.Value("-o");
  const SnapshotFormat format = SnapshotFormatOfName(out);
  if (format == kSnapshotNone) {
    std::fprintf(stderr, "%s: a snapshot is saved under a name ending in .bmp or .jpg\n", out.c_str());
    return kExitUsage;
  }
  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  auto backup = OpenAtRecord(options.positional[0], index);
  if (!backup) return kExitRefused;
  // The Display Showing menu's check marks.
  backup->host.SetMenuItemChecked(ID_SHOW_CAM_NUMBER, !options.Has("--no-cam"));
  backup->host.SetMenuItemChecked(ID_SHOW_DATE_TIME, !options.Has("--no-date"));
  backup->host.SetMenuItemChecked(ID_SHOW_IMAGE_SIZE, !options.Has("--no-size"));
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

int RunPrint(const Args& args) {
  ParsedOptions options;
  uint32_t index = 0;
  uint32_t dpi = 600;
  if (!ParseOptions(args, {"-o", "--dpi"}, {}, &options) || options.positional.size() != 2 || !options.Has("-o") ||
      !ParseNumber(options.positional[1], &index) || (options.Has("--dpi") && !options.Number("--dpi", &dpi)) ||
      dpi < 72 || dpi > 2400) {
    return kExitUsage;
  }
  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  auto backup = OpenAtRecord(options.positional[0], index);
  if (!backup) return kExitRefused;
  // The DIB window prints; its printer is a PDF file.
  const std::string out = options.Value("-o");
  bool written = false;
  backup->host.DibWindow().SetPrintHandler(
      [&](const uint8_t* bits, uint32_t, const BITMAPINFOHEADER& header, const std::string& caption) {
        const QImage picture = PrintImageOfBits(bits, header, kPictureBufferSize);
        if (picture.isNull()) return 0;
        written = WritePrintPagePdf(out, picture, QString::fromStdString(LegacyTextToUtf8(caption)),
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

}  // namespace bv::tool
