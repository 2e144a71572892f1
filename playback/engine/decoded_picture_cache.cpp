#include "playback/engine/decoded_picture_cache.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace bv {
namespace {

constexpr size_t kHugePage = 2u << 20;

size_t RoundedStorageBytes(size_t bytes) {
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  return rounded ? rounded : kHugePage;
}

// Not cleared: pages are only touched as pictures are written.
uint8_t* AllocateStorage(size_t bytes) {
  const size_t rounded = RoundedStorageBytes(bytes);
  auto* block = static_cast<uint8_t*>(std::aligned_alloc(kHugePage, rounded));
#ifdef MADV_HUGEPAGE
  if (block) madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return block;
}

}  // namespace

void CDecodedPictureCache::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

CDecodedPictureCache::CDecodedPictureCache(size_t byteBudget)
    : budget_(byteBudget), storage_(AllocateStorage(byteBudget)), slots_(kMaxPictures) {
  if (!storage_) {
    budget_ = 0;  // nothing is kept
  }
}

CDecodedPictureCache::~CDecodedPictureCache() { WaitUntilPresent(); }

void CDecodedPictureCache::MakePresentMeanwhile() {
#ifdef MADV_POPULATE_WRITE
  if (!storage_ || populating_.joinable()) return;
  // The kernel faults the pages in as a write would, but leaves what they
  // hold alone, so pictures may be written meanwhile; where it cannot, the
  // pages come as pictures are written.
  uint8_t* block = storage_.get();
  const size_t bytes = RoundedStorageBytes(budget_);
  populating_ = std::thread([block, bytes] { madvise(block, bytes, MADV_POPULATE_WRITE); });
#endif
}

void CDecodedPictureCache::WaitUntilPresent() {
  if (populating_.joinable()) populating_.join();
}

// The picture on show is no longer found, but its storage stays untouched
// while the mark lasts.
void CDecodedPictureCache::Clear() {
  for (Slot& slot : slots_) slot.valid = false;
  held_ = 0;
  reserved_ = nullptr;
}

size_t CDecodedPictureCache::CapacityFor(const CachedPictureFormat& format) const {
  const size_t bytes = format.Bytes();
  if (format.width <= 0 || format.height <= 0 || bytes > budget_) return 0;
  // 4:2:0 planes take half the room of their 24-bit picture, yet no more of
  // them are kept than of 24-bit pictures: the slots are cycled through one
  // after another, and a shorter cycle stays in the processor's cache.
  const size_t room = format.planar ? static_cast<size_t>(format.width) * format.height * 3 : bytes;
  return std::min(budget_ / room, kMaxPictures);
}

void CDecodedPictureCache::Partition(const CachedPictureFormat& format) {
  Clear();
  format_ = format;
  slotBytes_ = format.Bytes();
  count_ = CapacityFor(format);
}

CDecodedPictureCache::Slot* CDecodedPictureCache::FindSlot(uint32_t record) {
  for (size_t i = 0; i < count_; ++i) {
    if (slots_[i].valid && slots_[i].record == record) return &slots_[i];
  }
  return nullptr;
}

const uint8_t* CDecodedPictureCache::Find(uint32_t record, const CachedPictureFormat& format) {
  if (held_ == 0 || !(format == format_)) return nullptr;
  Slot* slot = FindSlot(record);
  if (!slot) return nullptr;
  slot->lastUse = ++useClock_;
  return storage_.get() + (slot - slots_.data()) * slotBytes_;
}

uint8_t* CDecodedPictureCache::Reserve(uint32_t record, const CachedPictureFormat& format) {
  reserved_ = nullptr;
  if (CapacityFor(format) == 0) return nullptr;
  if (!(format == format_) || count_ == 0) {
    // A picture on show in another format keeps its storage for as long.
    if (onShow_) return nullptr;
    Partition(format);
  }
  Slot* slot = FindSlot(record);
  if (slot && slot == onShow_) return nullptr;
  if (!slot) {
    // An empty slot, else the least recently used one; never the one on show.
    for (size_t i = 0; i < count_; ++i) {
      Slot* candidate = &slots_[i];
      if (candidate == onShow_) continue;
      if (!candidate->valid) {
        slot = candidate;
        break;
      }
      if (!slot || candidate->lastUse < slot->lastUse) slot = candidate;
    }
    if (!slot) return nullptr;  // a single slot, on show
  }
  if (slot->valid) --held_;
  slot->valid = false;
  slot->record = record;
  reserved_ = slot;
  return storage_.get() + (slot - slots_.data()) * slotBytes_;
}

bool CDecodedPictureCache::MarkOnShow(uint32_t record, const CachedPictureFormat& format) {
  if (!(format == format_)) return false;
  onShow_ = FindSlot(record);
  return onShow_ != nullptr;
}

bool CDecodedPictureCache::IsConcealed(uint32_t record) {
  const Slot* slot = FindSlot(record);
  return slot && slot->concealed;
}

void CDecodedPictureCache::Commit(bool concealed) {
  if (!reserved_) return;
  reserved_->valid = true;
  reserved_->concealed = concealed;
  reserved_->lastUse = ++useClock_;
  reserved_ = nullptr;
  ++held_;
  peakBytes_ = std::max(peakBytes_, BytesHeld());
}

void CDecodedPictureCache::Store(uint32_t record, const CachedPictureFormat& format, const uint8_t* pixels,
                                 bool concealed) {
  uint8_t* room = Reserve(record, format);
  if (!room) return;
  std::memcpy(room, pixels, format.Bytes());
  Commit(concealed);
}

}  // namespace bv
