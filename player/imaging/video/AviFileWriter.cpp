#include "player/imaging/video/AviFileWriter.h"

#include "player/imaging/codecs/SafeFileWriter.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kIoBufferSize = 64 * 1024;
// Room kept free beyond the data for what closing writes: the index (16 bytes a chunk in the classic
// index, less in the OpenDML ones) and the header fields.
constexpr std::int64_t kIndexBytesPerChunk = 32;
constexpr std::int64_t kTrailerSlack = 64 * 1024;
// Space is claimed in steps of this size, so that most frames cost no system call.
constexpr std::int64_t kClaimStep = 1024 * 1024;

// FFmpeg 6.1 made the written buffer const.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using IoBuffer = const std::uint8_t*;
#else
using IoBuffer = std::uint8_t*;
#endif

} // namespace

std::unique_ptr<AviFileWriter> AviFileWriter::Create(
    const CString& fileName, const AVCodecParameters& stream, AVRational timeBase, bool rawBottomUp)
{
    std::unique_ptr<AviFileWriter> writer(new AviFileWriter);
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "avi", nullptr) < 0)
        return nullptr;
    writer->format_.reset(format);
    AVStream* video = avformat_new_stream(format, nullptr);
    if (!video || avcodec_parameters_copy(video->codecpar, &stream) < 0)
        return nullptr;
    video->time_base = timeBase;
    video->avg_frame_rate = av_inv_q(timeBase);

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return nullptr;
    auto write = [](void* opaque, IoBuffer data, int size) { return WriteCallback(opaque, data, size); };
    writer->io_.reset(avio_alloc_context(buffer, kIoBufferSize, 1, writer.get(), nullptr, write, SeekCallback));
    if (!writer->io_) {
        av_free(buffer);
        return nullptr;
    }
    format->pb = writer->io_.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;

    // The recording takes the name only once it is finished, so a start that fails or a recording that
    // is cut short leaves whatever was there.
    writer->fd_ = writer->output_.Open(fileName.str());
    if (writer->fd_ < 0)
        return nullptr;
    if (!writer->output_.IsRegular()) {
        // A pipe cannot go back to fill in the header's counts and sizes: the muxer then leaves them open.
        writer->seekable_ = lseek(writer->fd_, 0, SEEK_CUR) >= 0;
        writer->io_->seekable = writer->seekable_ ? AVIO_SEEKABLE_NORMAL : 0;
    }
    AVDictionary* options = nullptr;
    if (rawBottomUp)
        av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    const bool started = writer->Claim(kTrailerSlack) && avformat_write_header(format, &options) >= 0
        && avio_tell(format->pb) >= 0 && !format->pb->error;
    av_dict_free(&options);
    if (!started) {
        const int error = format->pb->error < 0 ? AVUNERROR(format->pb->error) : errno;
        writer->fd_ = -1;
        writer->output_.Discard();
        errno = error;
        return nullptr;
    }
    return writer;
}

AviFileWriter::~AviFileWriter()
{
    Finish();
}

bool AviFileWriter::WritePacket(AVPacket* packet, AVRational timeBase)
{
    if (fd_ < 0)
        return false;
    AVStream* video = format_->streams[0];
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, timeBase, video->time_base);
    // The muxer fills skipped frame numbers with empty chunks of 8 bytes each.
    const std::int64_t skipped
        = packet->dts != AV_NOPTS_VALUE && lastDts_ >= 0 ? std::max<std::int64_t>(0, packet->dts - lastDts_ - 1) : 0;
    const std::int64_t chunks = packets_ + skipped + 1;
    const std::int64_t end = std::max(writtenEnd_, avio_tell(format_->pb)) + 8 * (skipped + 1) + packet->size + 1
        + chunks * kIndexBytesPerChunk + kTrailerSlack;
    if (!Claim(end))
        return false;
    if (av_write_frame(format_.get(), packet) < 0 || format_->pb->error)
        return false;
    packets_ = chunks;
    if (packet->dts != AV_NOPTS_VALUE)
        lastDts_ = packet->dts;
    return true;
}

bool AviFileWriter::Finish()
{
    if (fd_ < 0)
        return false;
    bool finished = av_write_trailer(format_.get()) >= 0;
    avio_flush(format_->pb);
    finished = finished && !format_->pb->error;
    if (output_.IsRegular())
        finished = ftruncate(fd_, writtenEnd_) == 0 && finished;
    fd_ = -1;
    // Even without its index the frames play, so the file goes in place either way.
    const bool committed = output_.Commit();
    return finished && committed;
}

void AviFileWriter::Discard()
{
    if (fd_ < 0)
        return;
    fd_ = -1; // what the muxer still flushes goes nowhere
    output_.Discard();
}

bool AviFileWriter::Claim(std::int64_t end)
{
    // Only a file of our own can be grown ahead; a pipe or device takes what comes.
    if (end <= claimedEnd_ || !output_.IsRegular())
        return true;
    const std::int64_t step = (end + kClaimStep - 1) / kClaimStep * kClaimStep;
    for (const std::int64_t target : { step, end }) {
        const int error = posix_fallocate(fd_, claimedEnd_, target - claimedEnd_);
        if (error == 0) {
            claimedEnd_ = target;
            return true;
        }
        errno = error; // posix_fallocate returns its reason instead of setting errno
    }
    return false;
}

int AviFileWriter::WriteCallback(void* opaque, const std::uint8_t* data, int size)
{
    auto* self = static_cast<AviFileWriter*>(opaque);
    int done = 0;
    while (done < size) {
        const auto left = static_cast<size_t>(size - done);
        const ssize_t n = self->seekable_ ? pwrite(self->fd_, data + done, left, self->position_ + done)
                                          : write(self->fd_, data + done, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return AVERROR(n < 0 ? errno : EIO);
        done += static_cast<int>(n);
    }
    self->position_ += size;
    self->writtenEnd_ = std::max(self->writtenEnd_, self->position_);
    return size;
}

std::int64_t AviFileWriter::SeekCallback(void* opaque, std::int64_t offset, int whence)
{
    auto* self = static_cast<AviFileWriter*>(opaque);
    std::int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return self->writtenEnd_;
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = self->position_ + offset;
        break;
    case SEEK_END:
        target = self->writtenEnd_ + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0)
        return AVERROR(EINVAL);
    self->position_ = target;
    return target;
}
