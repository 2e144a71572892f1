// The DIB video window's composition: the stretched picture, the outlined
// information items and the event caption at their places.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "base/format/backup_constants.h"
#include "export/frame_texts_painter.h"
#include "video/dib_video_wnd.h"
#include "video/gui_dispatcher.h"

namespace bv {
namespace {

// A bottom-up BGR picture of w x h filled by colour(x, y) where y counts
// from the top.
std::vector<uint8_t> MakePicture(int w, int h, std::function<QColor(int, int)> colour) {
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = pixels.data() + static_cast<size_t>(h - 1 - y) * w * 3;
    for (int x = 0; x < w; ++x) {
      const QColor c = colour(x, y);
      row[3 * x] = static_cast<uint8_t>(c.blue());
      row[3 * x + 1] = static_cast<uint8_t>(c.green());
      row[3 * x + 2] = static_cast<uint8_t>(c.red());
    }
  }
  return pixels;
}

VideoFrame FrameOf(const std::vector<uint8_t>& pixels, int w, int h) {
  VideoFrame frame;
  frame.pixels = pixels.data();
  frame.width = w;
  frame.height = h;
  frame.header.biSize = 40;
  frame.header.biWidth = w;
  frame.header.biHeight = h;
  frame.header.biPlanes = 1;
  frame.header.biBitCount = 24;
  frame.header.biSizeImage = static_cast<uint32_t>(w * h * 3);
  return frame;
}

int CountPixels(const QImage& image, const QRect& area, QColor colour, int tolerance = 40) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
          std::abs(c.blue() - colour.blue()) <= tolerance) {
        ++n;
      }
    }
  }
  return n;
}

class DibWindowTest : public ::testing::Test {
 protected:
  CGuiDispatcher dispatcher;
  CDibVideoWnd window{dispatcher};
  std::vector<uint8_t> grey = MakePicture(352, 240, [](int, int) { return QColor(128, 128, 128); });
  FrameTexts texts{"CAM 01 ENTRANCE", "12.34 KB", "03-14-2026, 19:30:05", " 352 x 240"};

  void SetUp() override {
    window.resize(368, 342);
    window.show();
    QApplication::processEvents();
  }
  QImage Composed() { return window.ComposedPicture(); }
};

TEST_F(DibWindowTest, PictureIsStretchedOverTheWholeAreaTopRowAtTheTop) {
  const auto quadrants = MakePicture(4, 2, [](int x, int y) {
    if (y == 0) return x < 2 ? QColor(255, 0, 0) : QColor(0, 255, 0);
    return x < 2 ? QColor(0, 0, 255) : QColor(255, 255, 0);
  });
  window.SetInfoItems(0, 0, 0, 0);
  window.ShowFrame(FrameOf(quadrants, 4, 2), texts);
  const QImage image = Composed();
  ASSERT_EQ(image.size(), QSize(368, 342));
  EXPECT_EQ(image.pixelColor(10, 10), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(357, 10), QColor(0, 255, 0));
  EXPECT_EQ(image.pixelColor(10, 331), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(357, 331), QColor(255, 255, 0));
  // Nothing but the picture: no text pixels anywhere.
  EXPECT_EQ(CountPixels(image, image.rect(), Qt::white, 10), 0);
  EXPECT_EQ(CountPixels(image, image.rect(), Qt::black, 10), 0);
}

TEST_F(DibWindowTest, InformationItemsAreOutlinedAtTheirPlaces) {
  window.SetInfoItems(1, 1, 1, 1);
  window.ShowFrame(FrameOf(grey, 352, 240), texts);
  const QImage image = Composed();
  const int right = 368;
  const int bottom = 342;
  const QRect camera(10, bottom - 25, 120, 18);
  const QRect dims(right - 80, 8, 80, 18);
  const QRect size(right - 70, bottom - 25, 70, 18);
  const QRect date(right / 2 - 75, bottom - 43, 160, 18);
  for (QRect r : {camera, dims, size, date}) {
    EXPECT_GT(CountPixels(image, r, Qt::white, 10), 20) << r.x() << "," << r.y();
    EXPECT_GT(CountPixels(image, r.adjusted(-1, -1, 1, 1), Qt::black, 10), 20) << r.x() << "," << r.y();
  }
  // Away from the items the picture is untouched.
  EXPECT_EQ(CountPixels(image, QRect(0, 40, right, 200), Qt::white, 10), 0);

  window.SetInfoItems(0, kInfoItemUnchanged, kInfoItemUnchanged, 0);
  const QImage without = Composed();
  EXPECT_EQ(CountPixels(without, camera, Qt::white, 10), 0);
  EXPECT_EQ(CountPixels(without, dims, Qt::white, 10), 0);
  EXPECT_GT(CountPixels(without, size, Qt::white, 10), 20);
  EXPECT_EQ(window.InfoItems(), (std::vector<uint8_t>{0, 1, 1, 0}));
  window.SetInfoItems(kInfoItemUnchanged, kInfoItemUnchanged, kInfoItemUnchanged, kInfoItemUnchanged);
  EXPECT_EQ(window.InfoItems(), (std::vector<uint8_t>{0, 1, 1, 0}));
  EXPECT_EQ(Composed(), without);
}

// Camera titles from a Japanese recorder are Shift-JIS: they are drawn with
// real glyphs. Two different words drawn as missing-glyph boxes would look
// the same; drawn with a CJK font they differ.
TEST_F(DibWindowTest, JapaneseCameraTitlesAreDrawnWithRealGlyphs) {
  window.SetInfoItems(1, 0, 0, 0);
  const QRect camera(0, 342 - 32, 160, 30);
  auto titleImage = [&](const std::string& title) {
    FrameTexts japanese = texts;
    japanese.cameraTitle = title;
    window.ShowFrame(FrameOf(grey, 352, 240), japanese);
    return Composed().copy(camera);
  };
  const QImage entrance = titleImage("\x93\xfc\x8c\xfb");  // 入口 in Shift-JIS
  const QImage exit = titleImage("\x8f\x6f\x8c\xfb");      // 出口
  const QImage box = titleImage("\xEE\x80\x80\xEE\x80\x80");  // two private-use characters
  EXPECT_GT(CountPixels(entrance, entrance.rect(), Qt::white, 10), 30);
  EXPECT_NE(entrance, exit) << "both words drawn alike: no font has their glyphs";
  EXPECT_NE(entrance, box);
}

TEST_F(DibWindowTest, MachineEventCaptionIsRightAlignedInTheEventColour) {
  window.SetInfoItems(0, 0, 0, 0);
  window.SetEventInfo(kMachineEvent, "Big Bonus", 123, 0x0000FF, "No.");
  window.ShowFrame(FrameOf(grey, 352, 240), texts);
  const QImage image = Composed();
  const QColor red(255, 0, 0);
  EXPECT_GT(CountPixels(image, QRect(368 / 2, 10, 368 / 2 - 10, 40), red, 30), 30);
  EXPECT_EQ(CountPixels(image, QRect(0, 0, 368 / 3, 342), red, 30), 0);
  EXPECT_GT(CountPixels(image, QRect(368 / 2, 9, 368 / 2, 42), Qt::black, 10), 30);

  window.SetEventInfo(kMachineEvent, "Big Bonus", -1, 0x0000FF, "No.");
  window.ShowFrame(FrameOf(grey, 352, 240), texts);
  EXPECT_EQ(CountPixels(Composed(), QRect(0, 0, 368, 342), red, 30), 0);
}

TEST_F(DibWindowTest, R40MaxCaptionDrawsEveryLineFromTheTopLeft) {
  window.SetInfoItems(0, 0, 0, 0);
  window.SetEventInfo(kR40MaxEvent, "Line one\nLine two\nLine three", -1, 0x00FF00, "");
  window.ShowFrame(FrameOf(grey, 352, 240), texts);
  const QImage image = Composed();
  const QColor green(0, 255, 0);
  const int line = QFontMetrics(CaptionFont()).lineSpacing();
  for (int i = 0; i < 3; ++i) {
    EXPECT_GT(CountPixels(image, QRect(0, 1 + i * line, 120, line), green, 30), 10) << "line " << i;
  }
  EXPECT_EQ(CountPixels(image, QRect(200, 0, 168, 342), green, 30), 0);
  EXPECT_EQ(CountPixels(image, QRect(0, 1 + 4 * line, 368, 342), green, 30), 0);
}

TEST_F(DibWindowTest, ClearedWindowStaysBlackAcrossRepaints) {
  window.ShowFrame(FrameOf(grey, 352, 240), texts);
  window.ClearPicture();
  window.repaint();
  const QImage image = Composed();
  EXPECT_EQ(CountPixels(image, image.rect(), Qt::black, 0), image.width() * image.height());
  const QImage onScreen = window.grab().toImage();
  EXPECT_EQ(CountPixels(onScreen, onScreen.rect(), Qt::black, 0), onScreen.width() * onScreen.height());
}

TEST_F(DibWindowTest, NarrowWindowClipsTheDateInsteadOfMovingIt) {
  window.resize(120, 100);
  QApplication::processEvents();
  window.ShowFrame(FrameOf(grey, 352, 240), texts);
  const QImage image = Composed();
  ASSERT_EQ(image.size(), QSize(120, 100));
  // x = 60 - 75 < 0: the start of the date is cut off, the rest is drawn.
  EXPECT_GT(CountPixels(image, QRect(0, 100 - 43, 120, 16), Qt::white, 10), 10);
}

TEST_F(DibWindowTest, StillPictureWithCaptionAtTheBottomRight) {
  // A 24-bit bottom-up still, 350 wide: rows padded to 1052 bytes.
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = 350;
  header.biHeight = 10;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biSizeImage = 1052 * 10;
  std::vector<uint8_t> bits(1052 * 10, 0);
  for (int x = 0; x < 350; ++x) bits[static_cast<size_t>(9) * 1052 + 3 * x + 2] = 255;  // top row red
  window.ShowStill(bits.data(), header, "Mar 14, 2026   19 : 30 : 05");
  const QImage image = Composed();
  EXPECT_EQ(image.pixelColor(100, 5), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(100, 300), QColor(0, 0, 0));
  EXPECT_GT(CountPixels(image, QRect(150, 342 - 40, 218, 40), Qt::white, 10), 20);

  // A caption wider than the window is placed off-screen, not drawn.
  window.ShowStill(bits.data(), header, std::string(200, 'W'));
  EXPECT_EQ(CountPixels(Composed(), QRect(0, 0, 368, 342), Qt::white, 10), 0);
}

TEST_F(DibWindowTest, StillsOfSixteenAndThirtyTwoBits) {
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = 3;
  header.biHeight = 2;
  header.biPlanes = 1;
  header.biBitCount = 16;
  std::vector<uint8_t> bits16(8 * 2, 0);
  bits16[8] = 0x00;
  bits16[9] = 0x7C;  // top row, first pixel: red in 5-5-5
  window.ShowStill(bits16.data(), header, "");
  EXPECT_EQ(Composed().pixelColor(5, 5).red(), 255);
  header.biBitCount = 32;
  std::vector<uint8_t> bits32(12 * 2, 0);
  bits32[12 + 1] = 0xFF;  // top row, first pixel: green
  window.ShowStill(bits32.data(), header, "");
  EXPECT_EQ(Composed().pixelColor(5, 5), QColor(0, 255, 0));
  header.biBitCount = 8;  // not drawn
  window.ShowStill(bits32.data(), header, "");
  EXPECT_EQ(Composed().pixelColor(5, 5), QColor(0, 0, 0));
}

TEST_F(DibWindowTest, FramesFromAnotherThreadNeverRaceRepaints) {
  auto other = MakePicture(352, 240, [](int x, int) { return QColor(x % 256, 0, 0); });
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (int i = 0; i < 200; ++i) {
      window.ShowFrame(FrameOf(i % 2 ? grey : other, 352, 240), texts);
      dispatcher.Flush();
    }
    done = true;
  });
  while (!done) {
    window.repaint();
    QApplication::processEvents();
  }
  producer.join();
  EXPECT_EQ(window.PictureHeader().biWidth, 352);
  // The newest frame is the one painted.
  QApplication::processEvents();
  const QImage painted = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(painted.pixelColor(300, 150), QColor(128, 128, 128));
}

// The engine lends its own buffers instead of having every frame copied:
// the window reads a lent frame when it paints, and copies it when the
// engine takes the buffer back, so what is on screen never changes under it.
TEST_F(DibWindowTest, LentFramesShowWhatTheyHeldWhenLentUntilReplaced) {
  auto first = MakePicture(352, 240, [](int, int) { return QColor(200, 0, 0); });
  auto second = MakePicture(352, 240, [](int, int) { return QColor(0, 0, 200); });
  const auto green = MakePicture(352, 240, [](int, int) { return QColor(0, 200, 0); });
  auto centre = [&] { return window.grab(window.ClientRect()).toImage().pixelColor(184, 171); };
  auto lent = [](const std::vector<uint8_t>& pixels) {
    VideoFrame frame = FrameOf(pixels, 352, 240);
    frame.lent = true;
    return frame;
  };

  // Taken back before the screen painted it: the window keeps the picture.
  window.ShowFrame(lent(first), texts);
  window.ReleasePixels(first.data());
  first = green;
  QApplication::processEvents();
  EXPECT_EQ(centre(), QColor(200, 0, 0));
  EXPECT_EQ(Composed().pixelColor(184, 171), QColor(200, 0, 0));

  // A newer lent frame replaces one never painted; taking back the older
  // buffer, or the newer one after it was painted, changes nothing.
  first = MakePicture(352, 240, [](int, int) { return QColor(200, 0, 0); });
  window.ShowFrame(lent(first), texts);
  window.ShowFrame(lent(second), texts);
  window.ReleasePixels(first.data());
  first = green;
  EXPECT_EQ(centre(), QColor(0, 0, 200));
  window.ReleasePixels(second.data());
  second = green;
  EXPECT_EQ(centre(), QColor(0, 0, 200));
  EXPECT_EQ(Composed().pixelColor(184, 171), QColor(0, 0, 200));

  // A still shown after a lent frame stays when the buffer is taken back.
  second = MakePicture(352, 240, [](int, int) { return QColor(0, 0, 200); });
  window.ShowFrame(lent(second), texts);
  window.ShowStill(green.data(), FrameOf(green, 352, 240).header, "");
  window.ReleasePixels(second.data());
  EXPECT_EQ(Composed().pixelColor(184, 171), QColor(0, 200, 0));
  // And a cleared window stays black.
  window.ShowFrame(lent(second), texts);
  window.ClearPicture();
  window.ReleasePixels(second.data());
  EXPECT_EQ(centre(), QColor(0, 0, 0));
}

// The engine's thread rewrites the buffer on show (as the Wavelet and MPEG-4
// decoders do) and now and then the other one, taking each back before it
// writes it, while the screen repaints as fast as it can: every painted
// picture is one frame, top to bottom, never two halves.
TEST_F(DibWindowTest, LentFramesFromAnotherThreadAreNeverPaintedTorn) {
  std::vector<uint8_t> buffers[2] = {grey, grey};
  const FrameTexts none;
  std::atomic<bool> done{false};
  std::thread engine([&] {
    for (int i = 0; i < 100; ++i) {
      std::vector<uint8_t>& buffer = buffers[(i / 3) % 2];
      window.ReleasePixels(buffer.data());
      // Written in two halves with a pause between, as a slow decoder
      // would: a paint reading the buffer meanwhile would show both.
      const uint8_t value = static_cast<uint8_t>(i * 2);
      const auto half = buffer.begin() + static_cast<std::ptrdiff_t>(buffer.size() / 2);
      std::fill(buffer.begin(), half, value);
      std::this_thread::sleep_for(std::chrono::microseconds(500));
      std::fill(half, buffer.end(), value);
      VideoFrame frame = FrameOf(buffer, 352, 240);
      frame.lent = true;
      window.ShowFrame(frame, none);
      dispatcher.Flush();
    }
    done = true;
  });
  int torn = 0;
  int paints = 0;
  while (!done) {
    const QImage painted = window.grab(window.ClientRect()).toImage();
    if (painted.pixelColor(4, 4) != painted.pixelColor(painted.width() - 5, painted.height() - 5)) ++torn;
    ++paints;
    QApplication::processEvents();
  }
  engine.join();
  EXPECT_GT(paints, 1);
  EXPECT_EQ(torn, 0) << "of " << paints << " paints";
  // The newest frame is the one on show.
  EXPECT_EQ(window.grab(window.ClientRect()).toImage().pixelColor(184, 171), QColor(198, 198, 198));
}

// A frame is painted onto the window itself, not from the composition:
// both show the same pixels, the picture stretched and its texts over it,
// with the sunken edge and without.
TEST_F(DibWindowTest, TheWindowPaintsExactlyTheComposedPicture) {
  const auto picture = MakePicture(352, 240, [](int x, int y) { return QColor(x % 256, y % 256, (x + y) % 256); });
  window.SetInfoItems(1, 1, 1, 1);
  for (bool edge : {false, true}) {
    window.SetClientEdge(edge);
    for (QSize size : {QSize(368, 342), QSize(352, 240)}) {
      window.resize(size);
      QApplication::processEvents();
      window.ShowFrame(FrameOf(picture, 352, 240), texts);
      QApplication::processEvents();
      const QImage composed = Composed();
      const QImage painted =
          window.grab(window.ClientRect()).toImage().convertToFormat(QImage::Format_RGB32);
      ASSERT_EQ(painted.size(), composed.size()) << edge;
      EXPECT_TRUE(painted == composed) << "edge " << edge << " size " << size.width();
      // The texts are there: white outlined pixels over the picture.
      EXPECT_GT(CountPixels(painted, painted.rect(), Qt::white, 10), 50);
    }
  }
}

}  // namespace
}  // namespace bv
