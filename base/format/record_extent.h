#pragma once
// Where a record's bytes lie in the data file: the whole record (title
// header or audio header included) and its payload.
#include <cstdint>

#include "base/format/index_record.h"

namespace bv {

struct RecordExtent {
  uint64_t position = 0;         // first byte of the record
  uint64_t length = 0;           // all its bytes
  uint64_t payloadPosition = 0;  // first byte of the payload
  uint32_t payloadSize = 0;      // the index record's size
};

// Video: the two title fields of the version, then the payload. Audio: from
// version 4 on a 16-byte header, then the samples; before, the samples alone.
RecordExtent RecordExtentOf(const INDEX_RECORD& record, uint64_t frameBase, uint32_t version);

}  // namespace bv
