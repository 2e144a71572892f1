// No decode allocates memory in the viewer after start-up. This executable
// replaces the C++ allocation operators and interposes the C allocator to
// count, while a decode runs:
//   - every operator new call in the process (the viewer's code and the
//     codec modules' own code are C++; the codec libraries are C and never
//     call it);
//   - every malloc-family call made directly from the viewer's executable
//     code;
//   - every malloc-family call made from elsewhere (libjpeg-turbo, libavcodec,
//     libswscale inside the modules): reported, allowed.
// Built without sanitizers only: they bring their own allocator.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "base/format/codec_table.h"
#include "base/host/control_ids.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mpeg4_backup.h"
#include "tools/samples/sample_backups.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
// The executable's code, as the linker lays it out.
extern const char __executable_start;
extern const char __etext;
}

namespace {

std::atomic<bool> counting{false};
std::atomic<uint64_t> newCalls{0};
std::atomic<uint64_t> viewerMallocCalls{0};
std::atomic<uint64_t> libraryMallocCalls{0};

void NoteMalloc(const void* caller) {
  if (!counting.load(std::memory_order_relaxed)) return;
  const char* address = static_cast<const char*>(caller);
  if (address >= &__executable_start && address < &__etext) {
    viewerMallocCalls.fetch_add(1, std::memory_order_relaxed);
  } else {
    libraryMallocCalls.fetch_add(1, std::memory_order_relaxed);
  }
}

void* CountedNew(size_t size, size_t alignment) {
  if (counting.load(std::memory_order_relaxed)) newCalls.fetch_add(1, std::memory_order_relaxed);
  void* block = alignment > alignof(std::max_align_t) ? __libc_memalign(alignment, size ? size : 1)
                                                       : __libc_malloc(size ? size : 1);
  return block;
}

}  // namespace

extern "C" {
void* malloc(size_t size) {
  NoteMalloc(__builtin_return_address(0));
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  NoteMalloc(__builtin_return_address(0));
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  NoteMalloc(__builtin_return_address(0));
  return __libc_realloc(block, size);
}
void free(void* block) { __libc_free(block); }
void* memalign(size_t alignment, size_t size) {
  NoteMalloc(__builtin_return_address(0));
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  NoteMalloc(__builtin_return_address(0));
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
  NoteMalloc(__builtin_return_address(0));
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* block = __libc_memalign(alignment, size);
  if (!block) return ENOMEM;
  *out = block;
  return 0;
}
}

void* operator new(size_t size) {
  if (void* block = CountedNew(size, 0)) return block;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return CountedNew(size, 0); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return CountedNew(size, 0); }
void* operator new(size_t size, std::align_val_t alignment) {
  if (void* block = CountedNew(size, static_cast<size_t>(alignment))) return block;
  throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void operator delete(void* block) noexcept { __libc_free(block); }
void operator delete[](void* block) noexcept { __libc_free(block); }
void operator delete(void* block, size_t) noexcept { __libc_free(block); }
void operator delete[](void* block, size_t) noexcept { __libc_free(block); }
void operator delete(void* block, std::align_val_t) noexcept { __libc_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { __libc_free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { __libc_free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { __libc_free(block); }

namespace bv {
namespace {

struct Counts {
  uint64_t news = 0;
  uint64_t viewerMallocs = 0;
  uint64_t libraryMallocs = 0;
};

template <typename Work>
Counts Count(Work&& work) {
  newCalls = 0;
  viewerMallocCalls = 0;
  libraryMallocCalls = 0;
  counting = true;
  work();
  counting = false;
  return Counts{newCalls.load(), viewerMallocCalls.load(), libraryMallocCalls.load()};
}

class DecodeAllocations : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.RegisterDriver();
    host_.SetMessageSink(nullptr);
    controller_.Engine().CreateDecoders();
  }
  void Open(const CBackupWriter& writer, const char* name) {
    const std::string path = dir_.File(name);
    ASSERT_TRUE(writer.WriteContainer(path));
    ASSERT_TRUE(controller_.OpenBackup(path, false));
  }
  // Every record decoded in order through the engine's decode path.
  uint64_t DecodeAll(bool rgb) {
    CPlaybackEngine& engine = controller_.Engine();
    uint64_t decoded = 0;
    for (uint32_t i = 0; i < controller_.Count(); ++i) {
      if (!engine.ReadVideoRecord(controller_.Index()[i])) continue;
      int width = 0;
      int height = 0;
      engine.GetPictureSize(&width, &height);
      engine.SetPictureSize(width, height);
      decoded += engine.DecodePayload(engine.GetCodecType(), rgb) ? 1 : 0;
    }
    return decoded;
  }
  void Report(const char* what, const Counts& counts, uint64_t frames) {
    std::printf("%s: %llu frames, operator new %llu, viewer malloc %llu, library malloc %llu (%.1f per frame)\n",
                what, static_cast<unsigned long long>(frames), static_cast<unsigned long long>(counts.news),
                static_cast<unsigned long long>(counts.viewerMallocs),
                static_cast<unsigned long long>(counts.libraryMallocs),
                frames ? double(counts.libraryMallocs) / frames : 0.0);
  }

  test::CodecEnvironment env_;
  test::TempDir dir_;
  CHeadlessHost host_;
  CPlaybackController controller_{host_};
};

TEST_F(DecodeAllocations, MjpgDecodesAllocateNothingInTheViewer) {
  samples::MjpgBackupOptions options;
  options.frames = 30;
  Open(samples::MakeMjpgBackup(options), "m.zrv");
  for (bool rgb : {true, false}) {
    ASSERT_EQ(DecodeAll(rgb), 30u);  // start-up: the driver, its decoder, its settings
    uint64_t frames = 0;
    const Counts counts = Count([&] { frames = DecodeAll(rgb); });
    Report(rgb ? "MJPG 24-bit" : "MJPG UYVY", counts, frames);
    EXPECT_EQ(frames, 30u);
    EXPECT_EQ(counts.news, 0u);
    EXPECT_EQ(counts.viewerMallocs, 0u);
    EXPECT_GT(counts.libraryMallocs, 0u) << "the library's own allocations are seen: the counting works";
  }
}

TEST_F(DecodeAllocations, Mpeg4DecodesAndCatchUpsAllocateNothingInTheViewer) {
  samples::Mpeg4BackupOptions options;
  options.frames = 60;
  options.keyFrameInterval = 30;
  Open(samples::MakeMpeg4Backup(options), "p.zrv");
  for (bool rgb : {true, false}) {
    ASSERT_EQ(DecodeAll(rgb), 60u);
    uint64_t frames = 0;
    const Counts counts = Count([&] { frames = DecodeAll(rgb); });
    Report(rgb ? "MPEG4 24-bit" : "MPEG4 YUY2", counts, frames);
    EXPECT_EQ(frames, 60u);
    EXPECT_EQ(counts.news, 0u);
    EXPECT_EQ(counts.viewerMallocs, 0u);
  }

  // The catch-up of a still decode: the last delta frame before a key frame
  // rebuilt from its key frame, 30 decodes.
  controller_.GoToRecord(29);
  ASSERT_TRUE(controller_.Engine().StillDecode());
  const uint64_t before = controller_.Engine().DecodedPictures();
  const Counts counts = Count([&] { ASSERT_TRUE(controller_.Engine().StillDecode()); });
  const uint64_t frames = controller_.Engine().DecodedPictures() - before;
  Report("MPEG4 catch-up", counts, frames);
  EXPECT_EQ(frames, 30u);
  EXPECT_EQ(counts.news, 0u);
  EXPECT_EQ(counts.viewerMallocs, 0u);
}

TEST_F(DecodeAllocations, WaveletDecodesAndCatchUpsAllocateNothingInTheViewer) {
  samples::WaveletBackupOptions options;
  options.frames = 40;
  options.keyFrameInterval = 20;
  Open(samples::MakeWaveletBackup(options), "w.zrv");
  for (bool rgb : {true, false}) {
    ASSERT_EQ(DecodeAll(rgb), 40u);
    uint64_t frames = 0;
    const Counts counts = Count([&] { frames = DecodeAll(rgb); });
    Report(rgb ? "Wavelet 24-bit" : "Wavelet YUY2", counts, frames);
    EXPECT_EQ(frames, 40u);
    EXPECT_EQ(counts.news, 0u);
    EXPECT_EQ(counts.viewerMallocs, 0u);
  }
  controller_.GoToRecord(19);
  ASSERT_TRUE(controller_.Engine().StillDecode());
  const Counts counts = Count([&] { ASSERT_TRUE(controller_.Engine().StillDecode()); });
  Report("Wavelet catch-up", counts, 20);
  EXPECT_EQ(counts.news, 0u);
  EXPECT_EQ(counts.viewerMallocs, 0u);
}

// Backward play through kept pictures (the catch-ups keeping them, the
// pictures shown from them, the decoder brought back for forward play)
// allocates no more per record shown than forward play: only the texts and
// the headless window's copy allocate there, nothing for the pictures.
TEST_F(DecodeAllocations, BackwardPlayWithKeptPicturesAllocatesNoMoreThanForwardPlay) {
  samples::Mpeg4BackupOptions mpeg4;
  mpeg4.frames = 60;
  mpeg4.keyFrameInterval = 30;
  samples::WaveletBackupOptions wavelet;
  wavelet.frames = 40;
  wavelet.keyFrameInterval = 20;
  for (bool isMpeg4 : {true, false}) {
    Open(isMpeg4 ? samples::MakeMpeg4Backup(mpeg4) : samples::MakeWaveletBackup(wavelet), isMpeg4 ? "p.zrv" : "w.zrv");
    const uint32_t last = controller_.Count() - 1;
    auto playForward = [&] {
      controller_.GoToFirst();
      controller_.SetPlayState(kPlayingForward);
      for (uint32_t i = 1; i <= last; ++i) controller_.GoToRecord(i);
      controller_.SetPlayState(kStoppedOrPaused);
    };
    auto playBack = [&] {
      controller_.GoToLast();
      controller_.SetPlayState(kPlayingBackward);
      for (uint32_t i = last; i-- > 0;) controller_.GoToRecord(i);
      controller_.SetPlayState(kPlayingForward);
      for (uint32_t i = 1; i < 5; ++i) controller_.GoToRecord(i);
      controller_.SetPlayState(kStoppedOrPaused);
    };
    playBack();  // start-up: the decoders' first pictures
    const uint64_t forwardShown = last + 1;
    const Counts forward = Count(playForward);
    const uint64_t keptBefore = controller_.Engine().CachedPicturesShown();
    const uint64_t backwardShown = last + 5;
    const Counts backward = Count(playBack);
    const uint64_t kept = controller_.Engine().CachedPicturesShown() - keptBefore;
    Report(isMpeg4 ? "MPEG4 forward play" : "Wavelet forward play", forward, forwardShown);
    Report(isMpeg4 ? "MPEG4 backward play" : "Wavelet backward play", backward, backwardShown);
    EXPECT_GT(kept, static_cast<uint64_t>(last / 2)) << "pictures came from the cache";
    EXPECT_GT(forward.news, 0u) << "the counting sees the texts' allocations";
    EXPECT_LE(backward.news * forwardShown, forward.news * backwardShown);
    EXPECT_EQ(backward.viewerMallocs, 0u);
  }
}

TEST(AllocationCounting, CountsTheViewersOwnAllocations) {
  const Counts counts = Count([] {
    std::vector<int> grown(1000);
    void* volatile block = std::malloc(64);
    std::free(block);
    EXPECT_EQ(grown.size(), 1000u);
  });
  EXPECT_GE(counts.news, 1u);
  EXPECT_GE(counts.viewerMallocs, 1u);
}

}  // namespace
}  // namespace bv
