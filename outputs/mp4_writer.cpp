#include "outputs/mp4_writer.h"
#include "outputs/library_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace bv {
CMp4Writer::~CMp4Writer() { Close(); }

void CMp4Writer::Close() {
  if (!format_) return;
  avio_closep(&format_->pb);
  avformat_free_context(format_);
  format_ = nullptr;
}

bool CMp4Writer::Fail(const char* what, int code) {
  error_ = LibraryFailure(what, code);
  return false;
}

bool CMp4Writer::Open(const std::string& path) {
  Close();
  timeBases_.clear();
  headerWritten_ = false;
  // "file:" keeps a name with a colon from being read as another protocol.
  // The muxer reads the file back by this name to move its index forward.
  const std::string url = "file:" + path;
  const int made = avformat_alloc_output_context2(&format_, nullptr, "mp4", url.c_str());
  if (made < 0 || !format_) return Fail("the MP4 writer is not available", made);
  const int opened = avio_open(&format_->pb, url.c_str(), AVIO_FLAG_WRITE);
  if (opened < 0) return Fail("cannot write the file", opened);
  return true;
}

bool CMp4Writer::NeedsGlobalHeaders() const { return format_ && (format_->oformat->flags & AVFMT_GLOBALHEADER); }

int CMp4Writer::AddStream(const AVCodecParameters* parameters, int timeBaseNum, int timeBaseDen) {
  AVStream* stream = avformat_new_stream(format_, nullptr);
  if (!stream || avcodec_parameters_copy(stream->codecpar, parameters) < 0) return -1;
  stream->time_base = AVRational{timeBaseNum, timeBaseDen};
  timeBases_.emplace_back(timeBaseNum, timeBaseDen);
  return stream->index;
}

void CMp4Writer::SetTag(const std::string& key, const std::string& value) {
  av_dict_set(&format_->metadata, key.c_str(), value.c_str(), 0);
}

bool CMp4Writer::WriteHeader() {
  AVDictionary* options = nullptr;
  // The index first, for playing while the file downloads; the tags under
  // their own names.
  av_dict_set(&options, "movflags", "+faststart+use_metadata_tags", 0);
  const int written = avformat_write_header(format_, &options);
  av_dict_free(&options);
  if (written < 0) return Fail("cannot start the MP4 file", written);
  headerWritten_ = true;
  return true;
}

bool CMp4Writer::WritePacket(int stream, AVPacket* packet) {
  if (!headerWritten_ || stream < 0 || static_cast<size_t>(stream) >= timeBases_.size()) {
    return Fail("no such stream", 0);
  }
  packet->stream_index = stream;
  av_packet_rescale_ts(packet, AVRational{timeBases_[stream].first, timeBases_[stream].second},
                       format_->streams[stream]->time_base);
  const int result = av_interleaved_write_frame(format_, packet);
  if (result < 0) return Fail("cannot write a packet", result);
  return true;
}

bool CMp4Writer::Finish() {
  if (!format_ || !headerWritten_) return Fail("the file was never started", 0);
  int result = av_interleaved_write_frame(format_, nullptr);
  if (result >= 0) result = av_write_trailer(format_);
  const int closed = avio_closep(&format_->pb);
  avformat_free_context(format_);
  format_ = nullptr;
  if (result < 0) return Fail("cannot finish the MP4 file", result);
  if (closed < 0) return Fail("cannot close the file", closed);
  return true;
}

}  // namespace bv
