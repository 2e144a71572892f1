#pragma once
// CDecodedPictureCache: the pictures a catch-up from a key frame decodes on
// its way to a delta frame, kept so that stepping or playing backward through
// the group shows each of them without decoding the group again.
//
// A picture is stored as it is shown (24-bit rows bottom row first, or
// YUY2) and is found by its record number and format. A picture handed to a
// video window can be marked as on show: its storage is then neither
// reused nor rewritten until another is marked or the mark is dropped, since
// the window may still read it. The storage is one
// block of a fixed size, allocated with the cache and asked for in huge
// pages where the system has them (a page fault per 4 KiB would cost more
// than the copies); a viewer has its pages made present while it starts, so
// that the first catch-up does not pay for them; it is cut into slots of
// the size of the pictures stored, and the least recently used slot makes
// room for a new picture. The cache knows nothing of backups: whoever opens
// another backup or changes the presentation clears it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace bv {

struct CachedPictureFormat {
  int width = 0;
  int height = 0;
  bool rgb = true;  // 24-bit rows, or YUY2
  // For 24-bit rows: kept as the decoder's 4:2:0 planes instead (half the
  // bytes), converted when shown.
  bool planar = false;

  size_t Bytes() const {
    const size_t pixels = static_cast<size_t>(width) * height;
    return planar ? pixels * 3 / 2 : pixels * (rgb ? 3 : 2);
  }
  bool operator==(const CachedPictureFormat&) const = default;
};

class CDecodedPictureCache {
 public:
  // 40 pictures of 704 x 576 in 24 bits, about 46 MiB.
  static constexpr size_t kDefaultByteBudget = 40u * 704 * 576 * 3;
  // A catch-up reaches at most 99 records back: a group never holds more
  // pictures than that and its key frame.
  static constexpr size_t kMaxPictures = 100;

  explicit CDecodedPictureCache(size_t byteBudget = kDefaultByteBudget);
  ~CDecodedPictureCache();
  CDecodedPictureCache(const CDecodedPictureCache&) = delete;
  CDecodedPictureCache& operator=(const CDecodedPictureCache&) = delete;

  // Makes the storage's pages present on a thread of the cache's own, for a
  // viewer starting up; WaitUntilPresent returns once that is done.
  void MakePresentMeanwhile();
  void WaitUntilPresent();

  // Forgets every picture (the one on show stays marked, no longer found).
  void Clear();

  // The picture of record in format, or null. A found picture becomes the
  // most recently used.
  const uint8_t* Find(uint32_t record, const CachedPictureFormat& format);

  // Room for the picture of record in format, to be written by the caller
  // and then made findable by Commit; any earlier picture of the record is
  // dropped. Null when format is empty or larger than the budget, or when
  // the record's picture is on show (it is kept as it is). Pictures of
  // another format than those held empty the cache first; while a picture
  // is on show there is no room for them.
  uint8_t* Reserve(uint32_t record, const CachedPictureFormat& format);
  // The picture written into the last reserved room is whole; concealed
  // when the decoder made it of damaged data.
  void Commit(bool concealed = false);
  // Whether the held picture of record was made of damaged data.
  bool IsConcealed(uint32_t record);
  // Reserve, copy and Commit in one.
  void Store(uint32_t record, const CachedPictureFormat& format, const uint8_t* pixels, bool concealed = false);

  // Marks the picture of record in format (held) as on show; false when it
  // is not held. ShowNothing drops the mark.
  bool MarkOnShow(uint32_t record, const CachedPictureFormat& format);
  void ShowNothing() { onShow_ = nullptr; }

  // How many pictures of format fit at once.
  size_t CapacityFor(const CachedPictureFormat& format) const;
  // Bytes of the pictures held now, and the most ever held.
  size_t BytesHeld() const { return held_ * slotBytes_; }
  size_t PeakBytesHeld() const { return peakBytes_; }
  size_t ByteBudget() const { return budget_; }

 private:
  struct Slot {
    bool valid = false;
    bool concealed = false;
    uint32_t record = 0;
    uint64_t lastUse = 0;
  };
  void Partition(const CachedPictureFormat& format);
  Slot* FindSlot(uint32_t record);

  struct FreeDeleter {
    void operator()(uint8_t* p) const;
  };
  size_t budget_;
  std::unique_ptr<uint8_t, FreeDeleter> storage_;
  // Makes the storage's pages present without writing them.
  std::thread populating_;
  std::vector<Slot> slots_;  // sized once: kMaxPictures entries, the first count_ in use
  size_t count_ = 0;
  CachedPictureFormat format_;
  size_t slotBytes_ = 0;
  size_t held_ = 0;
  size_t peakBytes_ = 0;
  uint64_t useClock_ = 0;
  Slot* reserved_ = nullptr;
  Slot* onShow_ = nullptr;
};

}  // namespace bv
