#pragma once
// CPlaybackEngine: owns the open data file, the picture buffers and what the
// viewer knows about the backup's frames, and shows one record at a time.
// It is embedded in the playback controller (the dialog's playback state) and
// reaches the screen only through the controller's host.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/format/audio_header.h"
#include "base/format/camera_info.h"
#include "base/format/codec_table.h"
#include "base/format/index_record.h"
#include "base/host/video_window.h"
#include "base/platform/data_file.h"
#include "base/platform/platform_types.h"
#include "codecs/zrmp4_decoder.h"
#include "events/event_state.h"
#include "export/picture_messages.h"
#include "export/still_picture.h"
#include "playback/engine/kept_pictures.h"
#include "playback/sound/audio_path_state.h"

namespace bv {

class CPlaybackController;
class ISoundTap;

// What the engine shows: a backup's records, or a still picture.
enum EngineMode : int { kModeBmpStill = 0, kModeJpegStill = 1, kModeBackup = 2 };

class CPlaybackEngine {
 public:
  CPlaybackEngine();
  ~CPlaybackEngine();
  CPlaybackEngine(const CPlaybackEngine&) = delete;
  CPlaybackEngine& operator=(const CPlaybackEngine&) = delete;

  void SetOwner(CPlaybackController* owner) { owner_ = owner; }

  // Opens the data file (the container itself, or the ".sav" of an old pair)
  // and reads its camera information; the file stays open for every later
  // read. Shows "Save Error #1" when it cannot be opened.
  bool OpenDataFile(const std::string& path, bool oldFormat);
  void CloseDataFile() { dataFile_.Close(); }
  const CDataFile& DataFile() const { return dataFile_; }

  uint64_t FrameBase() const { return frameBase_; }
  uint32_t Version() const { return camera_.version; }
  uint32_t InfoLen() const { return camera_.infoLen; }
  const CAMERA_INFO& CameraInfo() const { return camera_.info; }
  const std::string& BackupDirectory() const { return backupDirectory_; }
  void SetBackupDirectory(const std::string& directory) { backupDirectory_ = directory; }

  // Reads a video record as display does: the title header for the backup's
  // version into the camera title and location, then the payload into the
  // read buffer. A record that is larger than the read buffer or reaches past
  // the end of the file is refused (false) and the buffer keeps its bytes.
  bool ReadVideoRecord(const INDEX_RECORD& record);
  // Reads a payload directly, past the header skip (key-frame search and
  // catch-up). Refused like ReadVideoRecord.
  bool ReadPayloadDirect(const INDEX_RECORD& record);
  // Reads only the kind byte (payload byte 3) of a record.
  bool ReadKindByte(const INDEX_RECORD& record, uint8_t* kind) const;
  // Reads the 16-byte header that starts an audio record.
  bool ReadAudioHeader(const INDEX_RECORD& record, AUDIO_HEADER* header) const;
  // Reads size bytes of an audio record's samples (after its header); false
  // on a short read.
  bool ReadAudioSamples(const INDEX_RECORD& record, uint8_t* samples, uint32_t size) const;
  // Reads the title header and the first bytes of a video payload without
  // touching the engine's buffers (for inspection tools). head receives
  // kPayloadHeadSize bytes, zero-filled past a short payload.
  bool ReadRecordHead(const INDEX_RECORD& record, std::string* cameraTitle, std::string* location,
                      uint8_t* head) const;
  // Whether a video record's bytes can be read at all (size and file bounds).
  bool IsVideoRecordReadable(const INDEX_RECORD& record) const;

  // The payload in the read buffer, as the codec table sees it.
  const uint8_t* ReadBuffer() const { return readBuffer_.get(); }
  uint32_t PayloadSize() const { return payloadSize_; }
  int GetCodecType() const;
  bool IsKeyFrame() const;
  void GetPictureSize(int* width, int* height) const;

  // Shows one record: its texts, and for a video record its picture,
  // decoded (after the catch-up a delta frame shown out of sequence needs)
  // and handed to the active video window. Returns false when the record
  // cannot be shown.
  bool DisplayRecord(const INDEX_RECORD& record);

  // --- Decoding (engine_decode.cpp) ---
  // Allocates the Wavelet work block, creates the MPEG-4 decoder and the
  // sound decoder; called once at start-up, before any record is shown.
  // Decoding a codec whose decoder could not be created fails.
  void CreateDecoders();
  // Width and height of the picture to decode (from GetPictureSize), into
  // both bitmap headers.
  void SetPictureSize(int width, int height);
  // Decodes the payload in the read buffer: rgb gives a bottom-up 24-bit
  // picture in the presentation buffer; otherwise packed YUV ("UYVY" for
  // MJPG in the presentation buffer, YUY2 for Wavelet and MPEG4 in the
  // decoder output buffer). The display pointer then points at it. False
  // when the payload is refused: the previous picture stays where it was.
  bool DecodePayload(int codec, bool rgb);
  // Brings the decoder state up to the current record (a delta frame shown
  // out of sequence) by decoding from the nearest earlier key frame, then
  // reads the current payload again. False when that payload cannot be read.
  bool CatchUpFromKeyFrame(bool rgb);
  // Puts the current record's picture, 24-bit bottom-up, into the
  // presentation buffer for snapshots and printing (only while stopped).
  // Overwrites the read buffer, the picture buffers and the decoder state.
  bool StillDecode();
  // The record's picture for a snapshot or a print: StillDecode, then the
  // picture it left when that is 24 bits, bottom row first; nullopt when the
  // frame cannot be decoded so (it is not saved or printed as another one).
  struct StillBgrPicture {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
  };
  std::optional<StillBgrPicture> DecodeStillBgr();
  // A picture-sized buffer of the engine's own, for composing a snapshot.
  uint8_t* CompositionBuffer() { return composition_.get(); }
  const uint8_t* DisplayPointer() const { return display_; }
  const uint8_t* PresentationBuffer() const { return presentation_.get(); }
  // Takes back the picture buffers from the DIB window, which copies any
  // frame it was lent from them (before the engine goes away).
  void ReclaimLentPictures();
  const BITMAPINFOHEADER& InputHeader() const { return inputHeader_; }
  const BITMAPINFOHEADER& OutputHeader() const { return outputHeader_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Whether the display decode of the record last shown produced its picture.
  bool PictureDecoded() const { return pictureDecoded_; }
  // Whether the picture decoded last (shown, or put in the presentation
  // buffer by the still decode) is one the decoder made of damaged data, the
  // damage concealed: a frame copied off a failing disk, say.
  bool LastDecodeConcealed() const { return lastDecodeConcealed_; }
  // Pictures decoded since start-up (catch-up decodes included).
  uint64_t DecodedPictures() const { return decodedPictures_; }

  // The pictures a catch-up decodes are kept, so that backward steps, backward
  // play and seeks within a group of frames show them without decoding the
  // group again, and a catch-up continues from the frame the decoder stands
  // at (a step forward decodes one frame). On by default; off, every
  // catch-up decodes from its key frame. Turning it on or off empties it.
  void SetPictureCacheEnabled(bool enabled);
  bool PictureCacheEnabled() const { return kept_.Enabled(); }
  const CDecodedPictureCache& PictureCache() const { return kept_.Cache(); }
  // A viewer starting up has the kept pictures' storage made present
  // meanwhile (46 MiB, which tools that never step back need not touch);
  // the wait is for tools that time play right after start-up.
  void PreparePictureStorage() { kept_.Cache().MakePresentMeanwhile(); }
  void WaitUntilPictureStoragePresent() { kept_.Cache().WaitUntilPresent(); }
  // Pictures shown from the cache since start-up.
  uint64_t CachedPicturesShown() const { return kept_.ShownCount(); }

  // Frame delay from the twenty-step table; a step above 19 leaves it as is.
  void SetFrameDelay(int delayStep);
  uint32_t FrameDelay() const { return frameDelay_; }
  static uint32_t DelayForStep(int delayStep);

  // Switches between the DIB (false) and overlay (true) presentation and
  // resets the viewer.
  void SetDisplayMode(bool overlay);
  bool IsOverlay() const { return overlay_; }

  int Mode() const { return mode_; }
  void SetMode(int mode) { mode_ = mode; }

  // Real-time pacing and sound (engine_audio.cpp). SyncToRecordTime runs for
  // every displayed record: during forward play over audio-paced records of
  // a version 4+ backup it waits for the record's millisecond and hands each
  // second's sound to the output.
  void SyncToRecordTime(const INDEX_RECORD& record);
  void GatherSecondAudio(const INDEX_RECORD& record, bool restart);
  // Hands the sound gathered for the second secondOfDay (the second of the
  // record being shown, which the gathered sound belongs to) to the output.
  void PlayGatheredAudio(int secondOfDay);
  // Forward play starts: pacing restarts and the next hand-off reopens the
  // sound output.
  void RestartAudioSync();
  void StopSound();
  // Makes the audio decoder object if there is none (start-up).
  void CreateAudioDecoder();
  void RecreateAudioDecoder(uint8_t channels, uint32_t samplesPerSecond, uint8_t bitsPerSample,
                            uint8_t compression);
  // Decodes compressed samples into the audio output buffer; the bytes made.
  uint32_t DecodeAudioChunk(uint8_t* samples, uint32_t length);
  const uint8_t* AudioOutputBuffer() const { return audio_.outputBuffer.get(); }
  // The clock pacing runs on (the steady clock unless replaced); it must
  // outlive the engine's use of it.
  void SetTickClock(ITickClock& clock) { audio_.clock = &clock; }
  ITickClock& TickClock() const { return *audio_.clock; }
  void SetSoundTap(ISoundTap* tap) { soundTap_ = tap; }
  const AudioPathState& AudioState() const { return audio_; }

  // Texts of the record last displayed.
  const std::string& CameraTitle() const { return cameraTitle_; }
  const std::string& LocationText() const { return location_; }
  const std::string& DateText() const { return dateText_; }
  const std::string& SizeText() const { return sizeText_; }
  const std::string& DimensionText() const { return dimensionText_; }
  // A copy of the record last displayed (the index array may be replaced).
  const INDEX_RECORD& DisplayedRecord() const { return displayed_; }

  // Hall events (engine_events.cpp). Reads the event configuration of the
  // backup directory; called when a backup opens.
  void LoadEventConfiguration();
  // Looks up the hall event of a shown frame and hands it to the active
  // video window.
  void LookUpHallEvent(const INDEX_RECORD& record);
  // Where the R40Max labels are read from (the program's directory unless set).
  void SetProgramDirectory(const std::string& directory) { events_.SetProgramDirectory(directory); }
  CEventState& Events() { return events_; }
  const CEventState& Events() const { return events_; }

  // Still pictures (playback/engine/engine_stills.cpp). Each loads a file, switches to
  // the DIB presentation (which resets the viewer) and shows the picture
  // with the recorder trailer's texts: 1 shown, 0 refused (the picture on
  // screen stays). The engine mode becomes 0 (BMP) or 1 (JPEG) either way.
  int LoadBmpStill(const std::string& fileName);
  int LoadJpegStill(const std::string& fileName);
  const StillPicture& Still() const { return still_; }
  // Where the messages of the picture files go; the host's message box
  // (text only) unless set.
  void SetPictureMessageSink(PictureMessageSink sink) { pictureMessages_ = std::move(sink); }
  void PostPictureMessage(const PictureMessage& message);

  // Printing of the current frame (engine_print.cpp); only while playback
  // is stopped or paused. The snapshot is composed by its command
  // (outputs/commands/) from DecodeStillBgr.
  // Prints the picture of the record with the caption "%s - %s" (the camera
  int PrintCurrentFrame(const INDEX_RECORD& record);

 private:
  void ShowLoadedStill(const CDataFile& file, const uint8_t* pixels);

  bool ReadPayloadAt(uint64_t position, uint32_t size);

  // Decoding (engine_decode.cpp) and the catch-up (engine_catch_up.cpp).
  // Where the picture of the record being shown comes from.
  enum class PictureSource {
    kRefused,              // the record cannot be shown
    kDecoderState,         // decoded on the state the decoder has
    kCatchUp,              // after a catch-up that found no key frame
    kCatchUpFromKeyFrame,  // after a catch-up from a key frame: the picture may be kept
    kCache,                // kept from an earlier catch-up
  };
  bool ShownOutOfSequence(int codec) const;
  bool NeedsCatchUp(int codec) const;
  PictureSource PrepareShownPicture(int codec);
  void DecodeShownPicture(int codec, bool rgb, PictureSource source);
  PictureSource CatchUp(bool rgb, bool keepPictures);
  std::optional<uint32_t> FindKeyFrameBefore(uint32_t record) const;
  bool OnlyAudioBetween(uint32_t earlier, uint32_t later) const;
  void AdvanceDecoderThrough(uint32_t first, uint32_t end, int codec, bool rgb, bool keepPictures);
  void DecodeAndKeep(uint32_t record, int codec, const CachedPictureFormat& format);
  bool BringDecoderUpToShownFrame(int codec);
  void ForgetKeptPictures();
  bool PictureFitsBuffers() const;
  void PresentDecoderOutput(bool rgb);
  void ShowPresentationBuffer();
  void KeepPicture(uint32_t record, const CachedPictureFormat& format, const uint8_t* output, bool concealed);
  bool Mpeg4WritesBottomUp() const;
  CachedPictureFormat KeptFormat(int codec, int width, int height, bool rgb) const;
  bool DecodeMpeg4Kept(uint32_t record, const CachedPictureFormat& format);
  bool DecodeMjpg(bool rgb);
  bool DecodeWavelet(bool rgb);
  int CallWaveletDecoder(bool rgb);
  bool DecodeMpeg4(bool rgb);
  int CallMpeg4Decoder(uint8_t* output, bool rgb);
  bool AdvanceDecoder(int codec, bool rgb);
  void FlipRows(const uint8_t* topDown, uint8_t* bottomUp) const;
  void KeepFlipped(const uint8_t* topDown, uint8_t* room) const;
  void KeepDecodedPicture(const uint8_t* pixels, PixelLayout layout);
  void RewriteInputHeaderForDisplay();
  void ShowDecodedPicture();
  // The two picture buffers, for writing: a window still reading a lent
  // frame there is told first.
  uint8_t* PresentationForWriting();
  uint8_t* DecoderOutputForWriting();
  void ReleaseFromWindow(const uint8_t* pixels);

  CPlaybackController* owner_ = nullptr;

  CDataFile dataFile_;
  uint64_t frameBase_ = 0;
  CameraInfoBlock camera_;
  std::string backupDirectory_;

  // Buffers allocated once for the engine's life.
  std::unique_ptr<uint8_t[]> readBuffer_;
  std::unique_ptr<uint8_t[]> decoderOutput_;
  std::unique_ptr<uint8_t[]> presentation_;
  std::unique_ptr<uint8_t[]> stillPixels_;
  std::unique_ptr<uint8_t[]> composition_;
  uint32_t payloadSize_ = 0;

  std::string cameraTitle_;
  std::string location_;
  std::string dateText_;
  std::string sizeText_;
  std::string dimensionText_;
  INDEX_RECORD displayed_{};

  // Decoding state (engine_decode.cpp).
  BITMAPINFOHEADER inputHeader_{};
  BITMAPINFOHEADER outputHeader_{};
  int width_ = 0;
  int height_ = 0;
  struct FreeDeleter {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t, FreeDeleter> workBlock_;  // Wavelet, from the C heap
  std::unique_ptr<CZRMP4Decoder> mpeg4Decoder_;
  // The key frame FindKeyFrameBefore found last; the records after it up to
  // through hold no other key frame.
  struct KeyFrameMemo {
    uint32_t key = 0;
    uint32_t through = 0;
  };
  mutable std::optional<KeyFrameMemo> keyFrameMemo_;
  const uint8_t* display_ = nullptr;
  // The last picture decoded, shown again when a frame is refused.
  struct DecodedPicture {
    const uint8_t* pixels = nullptr;
    PixelLayout layout = PixelLayout::kBgr24BottomUp;
    int width = 0;
    int height = 0;
  } decoded_;
  void ShowDecoded(const DecodedPicture& picture);
  bool pictureDecoded_ = false;
  bool lastDecodeConcealed_ = false;
  uint64_t decodedPictures_ = 0;

  // The pictures kept from catch-ups and where each decoder stands.
  CKeptPictures kept_;

  CEventState events_;

  // Read by both threads: the GUI thread's commands and the playback thread's
  // steps; written by either (the speed slider, real-time pacing, display).
  std::atomic<int> mode_{kModeBackup};
  std::atomic<bool> overlay_{false};
  std::atomic<uint32_t> frameDelay_{30};

  AudioPathState audio_;
  // Watches the sound handed over (tools and tests); none unless set.
  ISoundTap* soundTap_ = nullptr;

  StillPicture still_;
  PictureMessageSink pictureMessages_;
};

}  // namespace bv
