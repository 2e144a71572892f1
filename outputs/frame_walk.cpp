#include "outputs/frame_walk.h"

#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"

namespace bv {

// The DIB presentation's window, seen from the engine: it keeps the event in
// effect and the frame last handed over, as the real window stores them.
class CFrameWalk::CWalkWindow : public IVideoWindow {
 public:
  explicit CWalkWindow(ShownFrame& shown) : shown_(shown) {}

  void SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber, COLORREF colour,
                    const std::string& label) override {
    event_ = HallEvent{kind, text, machineNumber, colour, label};
  }
  void ShowFrame(const VideoFrame& frame, const FrameTexts& texts) override {
    if (frame.layout != PixelLayout::kBgr24BottomUp || !frame.pixels) return;
    frame_ = frame;
    shown_.shownNow = true;
    shown_.picture = &frame_;
    shown_.texts = texts;
    shown_.event = event_;
  }
  void ClearPicture() override { shown_.picture = nullptr; }
  void SetInfoItems(uint8_t, uint8_t, uint8_t, uint8_t) override {}
  void ShowStill(const uint8_t*, const BITMAPINFOHEADER&, const std::string&) override {}
  int PrintPicture(const uint8_t*, uint32_t, const BITMAPINFOHEADER&, const std::string&) override { return 0; }

 private:
  ShownFrame& shown_;
  HallEvent event_;
  VideoFrame frame_;
};

class CFrameWalk::CWalkHost : public CHeadlessHost {
 public:
  explicit CWalkHost(ShownFrame& shown) : window_(shown) {}
  IVideoWindow* VideoWindow(bool overlay) override { return overlay ? nullptr : &window_; }

 private:
  CWalkWindow window_;
};

CFrameWalk::CFrameWalk()
    : host_(std::make_unique<CWalkHost>(shown_)), controller_(std::make_unique<CPlaybackController>(*host_)) {
  host_->SetMessageSink(nullptr);
}

CFrameWalk::~CFrameWalk() = default;

bool CFrameWalk::Open(const BackupSource& source, std::string* error) {
  // As the viewer's start-up does, before anything is shown.
  controller_->Engine().CreateDecoders();
  controller_->SetSelfContained(source.selfContained);
  if (controller_->OpenBackup(source.path, source.oldPair)) {
    // Opening showed record 0.
    if (Count() > 0 && !Index()[0].IsAudio()) {
      shown_.decoded = controller_->Engine().PictureDecoded();
      shown_.concealed = shown_.decoded && controller_->Engine().LastDecodeConcealed();
    }
    return true;
  }
  const std::vector<std::string> messages = host_->Messages();
  *error = messages.empty() ? "cannot open " + source.path : messages.back() + ": " + source.path;
  return false;
}

CPlaybackController& CFrameWalk::Controller() { return *controller_; }
CPlaybackEngine& CFrameWalk::Engine() { return controller_->Engine(); }
const IndexArray& CFrameWalk::Index() const { return controller_->Index(); }
uint32_t CFrameWalk::Count() const { return controller_->Count(); }

const ShownFrame& CFrameWalk::Show(uint32_t record) {
  shown_.shownNow = false;
  shown_.decoded = false;
  shown_.concealed = false;
  // Play stopped: a record right after the one shown is a step forward,
  // which decodes just that frame on the decoder's state.
  controller_->SetPlayState(kStoppedOrPaused);
  controller_->GoToRecord(record);
  const CPlaybackEngine& engine = controller_->Engine();
  if (record < Count() && !Index()[record].IsAudio()) {
    shown_.decoded = engine.PictureDecoded();
    shown_.concealed = shown_.decoded && engine.LastDecodeConcealed();
  }
  return shown_;
}

}  // namespace bv
