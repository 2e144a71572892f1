// COverlayVideoWnd: printing. The picture is drawn on the page from the bits
// as the request's header describes them; the surfaces are not involved.
#include "base/format/backup_constants.h"
#include "export/legacy_qstring.h"
#include "export/print_page.h"
#include "video/overlay_video_wnd.h"

namespace bv {

int COverlayVideoWnd::PrintPicture(const uint8_t* bits, uint32_t, const BITMAPINFOHEADER& header,
                                   const std::string& caption) {
  BITMAPINFOHEADER request = header;
  request.biCompression = 0;
  const QImage picture = PrintImageOfBits(bits, request, kPictureBufferSize);
  return PrintPictureOnPage(printSupport_, picture, FromLegacy(caption), this);
}

}  // namespace bv
