// The overlay window under a real X server with Mesa OpenGL: YUV frames are
// converted and scaled on the GPU and shown with their texts; they look like
// the DIB window's picture of the same frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <thread>

#include "video/dib_video_wnd.h"
#include "video/gui_dispatcher.h"
#include "video/overlay_video_wnd.h"

namespace bv {
namespace {

struct Yuv {
  uint8_t y, u, v;
};

// BT.601 with video levels, the overlay's convention.
Yuv ToYuv(int r, int g, int b) {
  const double y = 16 + 0.256788 * r + 0.504129 * g + 0.097906 * b;
  const double u = 128 - 0.148223 * r - 0.290993 * g + 0.439216 * b;
  const double v = 128 + 0.439216 * r - 0.367788 * g - 0.071427 * b;
  auto c = [](double x) { return static_cast<uint8_t>(std::clamp(static_cast<int>(x + 0.5), 0, 255)); };
  return {c(y), c(u), c(v)};
}

// A picture of four coloured bands as packed YUY2 or UYVY, and as the DIB
// window's bottom-up BGR.
struct TestFrame {
  int width = 352;
  int height = 240;
  std::vector<uint8_t> yuy2, uyvy, bgr;
  QColor colours[4] = {QColor(200, 40, 40), QColor(40, 180, 60), QColor(50, 60, 210), QColor(230, 230, 60)};

  TestFrame() {
    yuy2.resize(static_cast<size_t>(width) * height * 2);
    uyvy.resize(yuy2.size());
    bgr.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
      const QColor c = colours[y * 4 / height];
      const Yuv p = ToYuv(c.red(), c.green(), c.blue());
      for (int x = 0; x < width; x += 2) {
        uint8_t* a = yuy2.data() + (static_cast<size_t>(y) * width + x) * 2;
        a[0] = p.y, a[1] = p.u, a[2] = p.y, a[3] = p.v;
        uint8_t* b = uyvy.data() + (static_cast<size_t>(y) * width + x) * 2;
        b[0] = p.u, b[1] = p.y, b[2] = p.v, b[3] = p.y;
      }
      uint8_t* row = bgr.data() + static_cast<size_t>(height - 1 - y) * width * 3;
      for (int x = 0; x < width; ++x) {
        row[3 * x] = static_cast<uint8_t>(c.blue());
        row[3 * x + 1] = static_cast<uint8_t>(c.green());
        row[3 * x + 2] = static_cast<uint8_t>(c.red());
      }
    }
  }
  VideoFrame Frame(PixelLayout layout) const {
    VideoFrame f;
    f.layout = layout;
    f.width = width;
    f.height = height;
    f.pixels = layout == PixelLayout::kYuy2 ? yuy2.data() : layout == PixelLayout::kUyvy ? uyvy.data() : bgr.data();
    f.header.biSize = 40;
    f.header.biWidth = width;
    f.header.biHeight = height;
    f.header.biPlanes = 1;
    f.header.biBitCount = 24;
    f.header.biSizeImage = static_cast<uint32_t>(width * height * 3);
    return f;
  }
};

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

class OverlayTest : public ::testing::Test {
 protected:
  CGuiDispatcher dispatcher;
  QWidget parent;
  COverlayVideoWnd* overlay = nullptr;
  TestFrame frame;
  FrameTexts texts{"CAM 01 ENTRANCE", "12.34 KB", "03-14-2026, 19:30:05", " 352 x 240"};

  void SetUp() override {
    parent.resize(400, 400);
    overlay = new COverlayVideoWnd(dispatcher, &parent);
    overlay->setGeometry(10, 10, 368, 342);
    const OverlayParams params;
    ASSERT_EQ(overlay->Create(&params), 0u);
    overlay->SetDisplaySize(368, 342);
    parent.show();
    for (int i = 0; i < 20 && !overlay->IsReady(); ++i) {
      QApplication::processEvents();
      QThread::msleep(10);
    }
    ASSERT_TRUE(overlay->IsReady()) << "no OpenGL surfaces";
  }
  QImage Shown() {
    QApplication::processEvents();
    return overlay->GrabPicture();
  }
};

TEST(OverlayCreate, RefusesAMissingOrWrongSizedParameterBlock) {
  CGuiDispatcher dispatcher;
  QWidget parent;
  COverlayVideoWnd overlay(dispatcher, &parent);
  EXPECT_EQ(overlay.Create(nullptr), 1u);
  OverlayParams params;
  params.size = 183;
  EXPECT_EQ(overlay.Create(&params), 1u);
  params.size = 185;
  EXPECT_EQ(overlay.Create(&params), 1u);
  EXPECT_FALSE(overlay.IsReady());
}

TEST_F(OverlayTest, BlackBeforeTheFirstFrameThenThePictureScaledToTheDisplay) {
  QImage image = Shown();
  ASSERT_FALSE(image.isNull());
  EXPECT_TRUE(overlay->HasNoFrame());
  EXPECT_EQ(image.pixelColor(100, 100), QColor(0, 0, 0));
  overlay->SetInfoItems(0, 0, 0, 0);
  overlay->ShowFrame(frame.Frame(PixelLayout::kYuy2), texts);
  image = Shown();
  EXPECT_FALSE(overlay->HasNoFrame());
  // Four bands over the 342-pixel height.
  for (int band = 0; band < 4; ++band) {
    const int y = band * 342 / 4 + 342 / 8;
    EXPECT_TRUE(Near(image.pixelColor(184, y), frame.colours[band], 4)) << band << " " << image.pixelColor(184, y).name().toStdString();
  }
  overlay->ShowBlack();
  image = Shown();
  EXPECT_EQ(image.pixelColor(184, 100), QColor(0, 0, 0));
}

TEST_F(OverlayTest, UyvyAndYuy2SurfacesGiveTheSamePicture) {
  overlay->SetInfoItems(0, 0, 0, 0);
  overlay->ShowFrame(frame.Frame(PixelLayout::kUyvy), texts);
  const QImage fromUyvy = Shown();
  overlay->ShowFrame(frame.Frame(PixelLayout::kYuy2), texts);
  const QImage fromYuy2 = Shown();
  for (int y = 10; y < 342; y += 40) EXPECT_EQ(fromUyvy.pixelColor(50, y), fromYuy2.pixelColor(50, y)) << y;
}

TEST_F(OverlayTest, MatchesTheDibWindowsPictureWithTextsInPlace) {
  CDibVideoWnd dib(dispatcher);
  dib.resize(368, 342);
  dib.show();
  QApplication::processEvents();
  dib.ShowFrame(frame.Frame(PixelLayout::kBgr24BottomUp), texts);
  overlay->ShowFrame(frame.Frame(PixelLayout::kYuy2), texts);
  const QImage a = dib.ComposedPicture();
  const QImage b = Shown();
  ASSERT_EQ(a.size(), b.size());
  int mismatched = 0;
  int whiteA = 0;
  int whiteB = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QColor ca = a.pixelColor(x, y);
      const QColor cb = b.pixelColor(x, y);
      if (!Near(ca, cb, 6)) ++mismatched;
      whiteA += ca == QColor(255, 255, 255);
      whiteB += Near(cb, QColor(255, 255, 255), 30);
    }
  }
  // Same picture; texts at the same places (their edges may be smoothed
  // differently by the two painters).
  EXPECT_LT(mismatched, a.width() * a.height() / 50) << mismatched;
  EXPECT_GT(whiteA, 100);
  EXPECT_GT(whiteB, whiteA / 2);
}

TEST_F(OverlayTest, ZoomShowsTheMiddleOfThePictureFillingTheDisplay) {
  overlay->SetInfoItems(0, 0, 0, 0);
  overlay->ShowFrame(frame.Frame(PixelLayout::kYuy2), texts);
  overlay->OnCommand(kCommandZoomIn);
  overlay->OnCommand(kCommandZoomIn);
  overlay->OnCommand(kCommandZoomIn);
  EXPECT_TRUE(overlay->Zoom().IsZoomed());
  const QImage zoomed = Shown();
  // Zoomed into the middle two bands: the top shows band 1, the bottom band 2.
  EXPECT_TRUE(Near(zoomed.pixelColor(184, 5), frame.colours[1], 8));
  EXPECT_TRUE(Near(zoomed.pixelColor(184, 336), frame.colours[2], 8));
  while (overlay->Zoom().IsZoomed()) overlay->OnCommand(kCommandZoomOut);
  const QImage whole = Shown();
  EXPECT_TRUE(Near(whole.pixelColor(184, 5), frame.colours[0], 8));
}

TEST_F(OverlayTest, FramesFromThePlaybackThreadAreShown) {
  overlay->SetInfoItems(0, 0, 0, 0);
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (int i = 0; i < 20; ++i) {
      overlay->ShowFrame(frame.Frame(i % 2 ? PixelLayout::kYuy2 : PixelLayout::kUyvy), texts);
      dispatcher.Flush();
    }
    done = true;
  });
  while (!done) QApplication::processEvents();
  producer.join();
  const QImage image = Shown();
  EXPECT_TRUE(Near(image.pixelColor(184, 342 / 8), frame.colours[0], 4)) << image.pixelColor(184, 42).name().toStdString();
}

}  // namespace
}  // namespace bv
