#include "player/imaging/video/VideoOutput.h"

#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/video/AnimatedGifWriter.h"
#include "player/imaging/video/AviRecorder.h"
#include "player/imaging/video/MovieFileWriter.h"
#include "player/imaging/video/PictureSequenceWriter.h"
#include "player/imaging/video/VideoEncoder.h"
#include "player/imaging/video/VideoFormat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

std::size_t DibRowLength(int width, bool alpha)
{
    return ((alpha ? 32 : 24) * static_cast<std::size_t>(width) + 31) / 32 * 4;
}

// A codec's packets in a container.
class EncodedVideoOutput : public VideoOutput {
public:
    EncodedVideoOutput(std::unique_ptr<VideoEncoder> encoder, std::unique_ptr<MovieFileWriter> file,
        const VideoOutput::Request& request)
        : encoder_(std::move(encoder))
        , file_(std::move(file))
        , frameTime_ { 1, request.framesPerSecond }
        , rowLength_(DibRowLength(request.width, request.alpha))
        , height_(request.height)
    {
    }

    bool WriteFrame(const std::uint8_t* rows, std::size_t length) override
    {
        if (!rows || length != rowLength_ * static_cast<std::size_t>(height_))
            return false;
        return encoder_->Encode(rows, rowLength_, nextFrame_++, [this](AVPacket* p) { return Put(p); });
    }

    bool Finish(std::string& error) override
    {
        if (!KeepGoing(Progress(), 0, 1, error))
            return false;
        const bool drained = encoder_->Drain([this](AVPacket* p) { return Put(p); });
        if (!file_->Finish(error))
            return false;
        if (!drained)
            error = "the last frames could not be written";
        return drained;
    }

private:
    bool Put(AVPacket* packet) { return file_->WritePacket(packet, frameTime_); }

    std::unique_ptr<VideoEncoder> encoder_;
    std::unique_ptr<MovieFileWriter> file_;
    AVRational frameTime_;
    std::size_t rowLength_;
    int height_;
    std::int64_t nextFrame_ = 0;
};

std::string CodecList(const std::vector<CompressorInfo>& codecs)
{
    std::string list;
    for (const CompressorInfo& info : codecs)
        list += (list.empty() ? "" : ", ") + info.codec;
    return list;
}

} // namespace

bool VideoOutput::HoldsAlpha(const std::string& codec)
{
    return codec == "gif" || codec == "png" || VideoEncoder::HoldsAlpha(codec);
}

bool VideoOutput::KeepGoing(const Progress& progress, int done, int total, std::string& error) const
{
    if (!aborted_ && (!progress || progress(done, total)))
        return true;
    error = "stopped before it was complete";
    return false;
}

std::unique_ptr<VideoOutput> VideoOutput::Open(const Request& request, std::string& error)
{
    QuietFfmpeg();
    const VideoFormat& format = request.format ? *request.format : AviFormat();
    CompressorSettings codec = request.codec;
    if (codec.codec.empty())
        codec.codec = format.defaultCodec;
    const std::vector<CompressorInfo> codecs = AvailableCodecs(format);
    bool known = false;
    for (const CompressorInfo& info : codecs)
        known = known || info.codec == codec.codec;
    if (!known) {
        error = "the codec '" + codec.codec + "' cannot go into " + format.name + " files";
        error += codecs.empty() ? "; this build can write none" : "; this build can write " + CodecList(codecs);
        return nullptr;
    }
    const long long width = static_cast<long long>(request.width) * request.scale;
    const long long height = static_cast<long long>(request.height) * request.scale;
    if (request.scale < 1 || !PictureFits(width, height) || request.framesPerSecond <= 0) {
        error = "a video of " + std::to_string(width) + " x " + std::to_string(height)
            + " pixels is beyond what can be recorded";
        return nullptr;
    }
    if (request.alpha && !HoldsAlpha(codec.codec)) {
        error = "the codec '" + codec.codec + "' holds no transparency";
        return nullptr;
    }
    if (codec.codec == "gif")
        return AnimatedGifWriter::Create(request, error);
    if (codec.codec == "png")
        return PictureSequenceWriter::Create(request, error);

    const AVOutputFormat* container = av_guess_format(format.muxer, nullptr, nullptr);
    const bool globalHeader = container && (container->flags & AVFMT_GLOBALHEADER);
    std::unique_ptr<VideoEncoder> encoder = VideoEncoder::Create(codec, request.width, request.height,
        request.framesPerSecond, request.scale, globalHeader, true, request.alpha);
    std::unique_ptr<AVCodecParameters, FfmpegDeleter> stream(avcodec_parameters_alloc());
    if (!encoder || !stream || avcodec_parameters_from_context(stream.get(), encoder->Context()) < 0) {
        error = "the " + codec.codec + " encoder refuses these settings";
        return nullptr;
    }
    std::unique_ptr<MovieFileWriter> file = MovieFileWriter::Create(
        request.fileName, format.muxer, *stream, AVRational { 1, request.framesPerSecond }, error);
    if (!file)
        return nullptr;
    return std::make_unique<EncodedVideoOutput>(std::move(encoder), std::move(file), request);
}
