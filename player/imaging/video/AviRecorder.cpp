#include "player/imaging/video/AviRecorder.h"

#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/video/AviFileWriter.h"
#include "player/imaging/video/VideoEncoder.h"
#include "player/imaging/video/VideoFormat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include <mutex>

void QuietFfmpeg()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

namespace {

const char kUncompressed[] = "none";

std::size_t DibRowLength(int width)
{
    return (24 * static_cast<std::size_t>(width) + 31) / 32 * 4;
}

} // namespace

AviRecorder::AviRecorder()
{
    QuietFfmpeg();
}

AviRecorder::~AviRecorder()
{
    Close();
    FreeCompressor();
}

std::vector<CompressorInfo> AviRecorder::AvailableCodecs()
{
    QuietFfmpeg();
    return ::AvailableCodecs(AviFormat());
}

bool AviRecorder::SetCompressor(const CompressorSettings& settings)
{
    for (const CompressorInfo& info : AvailableCodecs()) {
        if (info.codec == settings.codec) {
            settings_ = settings;
            compressorChosen_ = 1;
            return true;
        }
    }
    return false;
}

int AviRecorder::ChooseCompressor()
{
    if (!chooser_)
        return 0;
    CompressorSettings choice = settings_;
    return chooser_(choice) && SetCompressor(choice) ? 1 : 0;
}

int AviRecorder::FreeCompressor()
{
    if (!compressorChosen_)
        return 0;
    settings_ = CompressorSettings();
    compressorChosen_ = 0;
    return 1;
}

int AviRecorder::Open(CString fileName, int width, int height, int framesPerSecond)
{
    Close();
    if (!compressorChosen_ && !ChooseCompressor())
        return 0;
    if (!PictureFits(width, height) || framesPerSecond <= 0)
        return 0;

    std::unique_ptr<AVCodecParameters, FfmpegDeleter> stream(avcodec_parameters_alloc());
    if (!stream)
        return 0;
    std::unique_ptr<VideoEncoder> encoder;
    const bool raw = settings_.codec == kUncompressed;
    if (raw) {
        // The DIB rows go into the file as they are: BI_RGB, 24 bits, bottom-up.
        stream->codec_type = AVMEDIA_TYPE_VIDEO;
        stream->codec_id = AV_CODEC_ID_RAWVIDEO;
        stream->format = AV_PIX_FMT_BGR24;
        stream->width = width;
        stream->height = height;
        stream->bits_per_coded_sample = 24;
    } else {
        encoder = VideoEncoder::Create(settings_, width, height, framesPerSecond);
        if (!encoder || avcodec_parameters_from_context(stream.get(), encoder->Context()) < 0)
            return 0;
    }
    file_ = AviFileWriter::Create(fileName, *stream, AVRational { 1, framesPerSecond }, raw);
    if (!file_)
        return 0;
    encoder_ = std::move(encoder);
    framesPerSecond_ = framesPerSecond;
    height_ = height;
    rowLength_ = DibRowLength(width);
    nextFrame_ = 0;
    return 1;
}

int AviRecorder::WriteFrame(const std::uint8_t* rows, std::size_t length)
{
    if (!file_ || !rows || length != rowLength_ * static_cast<std::size_t>(height_))
        return 0;
    // A frame that fails still uses up its number, so the file keeps real time.
    const std::int64_t frame = nextFrame_++;
    const AVRational frameTime { 1, framesPerSecond_ };
    if (encoder_) {
        return encoder_->Encode(rows, rowLength_, frame,
            [this, frameTime](AVPacket* packet) { return file_->WritePacket(packet, frameTime); });
    }
    std::unique_ptr<AVPacket, FfmpegDeleter> packet(av_packet_alloc());
    if (!packet)
        return 0;
    packet->data = const_cast<std::uint8_t*>(rows); // the muxer only reads it
    packet->size = static_cast<int>(length);
    packet->pts = packet->dts = frame;
    packet->duration = 1;
    packet->flags |= AV_PKT_FLAG_KEY;
    return file_->WritePacket(packet.get(), frameTime) ? 1 : 0;
}

void AviRecorder::Discard()
{
    if (file_)
        file_->Discard();
    file_.reset();
    encoder_.reset();
}

int AviRecorder::Close()
{
    if (!file_)
        return 0;
    if (encoder_) {
        const AVRational frameTime { 1, framesPerSecond_ };
        encoder_->Drain([this, frameTime](AVPacket* packet) { return file_->WritePacket(packet, frameTime); });
    }
    file_->Finish();
    file_.reset();
    encoder_.reset();
    return 1;
}
