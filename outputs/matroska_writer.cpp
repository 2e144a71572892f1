#include "outputs/matroska_writer.h"
#include "outputs/library_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cstring>

namespace bv {
namespace {

constexpr AVRational kMillisecond{1, 1000};

}  // namespace

CMatroskaWriter::~CMatroskaWriter() { Close(); }

void CMatroskaWriter::Close() {
  if (!format_) return;
  avio_closep(&format_->pb);
  avformat_free_context(format_);
  format_ = nullptr;
}

bool CMatroskaWriter::Fail(const char* what, int code) {
  error_ = LibraryFailure(what, code);
  return false;
}

bool CMatroskaWriter::Open(const std::string& path) {
  Close();
  timeBases_.clear();
  headerWritten_ = false;
  const int made = avformat_alloc_output_context2(&format_, nullptr, "matroska", nullptr);
  if (made < 0 || !format_) return Fail("the Matroska writer is not available", made);
  // "file:" keeps a name with a colon from being read as another protocol.
  const int opened = avio_open(&format_->pb, ("file:" + path).c_str(), AVIO_FLAG_WRITE);
  if (opened < 0) return Fail("cannot write the file", opened);
  return true;
}

int CMatroskaWriter::AddCopiedVideo(bool mpeg4, int width, int height, std::span<const uint8_t> config) {
  AVStream* stream = avformat_new_stream(format_, nullptr);
  if (!stream) return -1;
  AVCodecParameters* par = stream->codecpar;
  par->codec_type = AVMEDIA_TYPE_VIDEO;
  par->codec_id = mpeg4 ? AV_CODEC_ID_MPEG4 : AV_CODEC_ID_MJPEG;
  par->width = width;
  par->height = height;
  if (!config.empty()) {
    par->extradata = static_cast<uint8_t*>(av_mallocz(config.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) return -1;
    std::memcpy(par->extradata, config.data(), config.size());
    par->extradata_size = static_cast<int>(config.size());
  }
  stream->time_base = kMillisecond;
  timeBases_.emplace_back(kMillisecond.num, kMillisecond.den);
  return stream->index;
}

int CMatroskaWriter::AddEncodedVideo(const AVCodecParameters* parameters) {
  AVStream* stream = avformat_new_stream(format_, nullptr);
  if (!stream || avcodec_parameters_copy(stream->codecpar, parameters) < 0) return -1;
  stream->time_base = kMillisecond;
  timeBases_.emplace_back(kMillisecond.num, kMillisecond.den);
  return stream->index;
}

int CMatroskaWriter::AddPcmSound(uint32_t samplesPerSecond, int bitsPerSample, int channels) {
  AVStream* stream = avformat_new_stream(format_, nullptr);
  if (!stream) return -1;
  AVCodecParameters* par = stream->codecpar;
  par->codec_type = AVMEDIA_TYPE_AUDIO;
  par->codec_id = bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
  par->sample_rate = static_cast<int>(samplesPerSecond);
  par->bits_per_coded_sample = bitsPerSample;
  av_channel_layout_default(&par->ch_layout, channels);
  par->block_align = bitsPerSample / 8 * channels;
  stream->time_base = AVRational{1, static_cast<int>(samplesPerSecond)};
  timeBases_.emplace_back(1, static_cast<int>(samplesPerSecond));
  return stream->index;
}

void CMatroskaWriter::SetTag(const std::string& key, const std::string& value) {
  av_dict_set(&format_->metadata, key.c_str(), value.c_str(), 0);
}

void CMatroskaWriter::SetStreamTag(int stream, const std::string& key, const std::string& value) {
  av_dict_set(&format_->streams[stream]->metadata, key.c_str(), value.c_str(), 0);
}

bool CMatroskaWriter::WriteHeader() {
  const int written = avformat_write_header(format_, nullptr);
  if (written < 0) return Fail("cannot start the Matroska file", written);
  headerWritten_ = true;
  return true;
}

bool CMatroskaWriter::WritePacket(int stream, std::span<const uint8_t> data, int64_t pts, int64_t duration,
                                  bool keyFrame) {
  if (!headerWritten_ || stream < 0 || static_cast<size_t>(stream) >= timeBases_.size()) {
    return Fail("no such stream", 0);
  }
  AVPacket* packet = av_packet_alloc();
  if (!packet) return Fail("out of memory", 0);
  int result = av_new_packet(packet, static_cast<int>(data.size()));
  if (result >= 0) {
    std::memcpy(packet->data, data.data(), data.size());
    packet->stream_index = stream;
    const AVRational from{timeBases_[stream].first, timeBases_[stream].second};
    const AVRational to = format_->streams[stream]->time_base;
    packet->pts = packet->dts = av_rescale_q(pts, from, to);
    packet->duration = av_rescale_q(duration, from, to);
    if (keyFrame) packet->flags |= AV_PKT_FLAG_KEY;
    result = av_interleaved_write_frame(format_, packet);
  }
  av_packet_free(&packet);
  if (result < 0) return Fail("cannot write a packet", result);
  return true;
}

bool CMatroskaWriter::Finish() {
  if (!format_ || !headerWritten_) return Fail("the file was never started", 0);
  int result = av_interleaved_write_frame(format_, nullptr);
  if (result >= 0) result = av_write_trailer(format_);
  const int closed = avio_closep(&format_->pb);
  avformat_free_context(format_);
  format_ = nullptr;
  if (result < 0) return Fail("cannot finish the Matroska file", result);
  if (closed < 0) return Fail("cannot close the file", closed);
  return true;
}

}  // namespace bv
