#include "player/imaging/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace {

// How a codec turns our 0..100 quality into its own scale.
enum class QualityKnob { None, QScale, Crf };

struct CodecEntry {
    const char* name;
    const char* encoder;
    const char* description;
    AVPixelFormat pixelFormat; // lossless codecs get an RGB format, so they stay lossless
    QualityKnob knob;
};

const CodecEntry kCodecs[] = {
    { "mjpeg", "mjpeg", "Motion JPEG", AV_PIX_FMT_YUVJ420P, QualityKnob::QScale },
    { "ffv1", "ffv1", "FFV1 (lossless)", AV_PIX_FMT_BGR0, QualityKnob::None },
    { "huffyuv", "huffyuv", "HuffYUV (lossless)", AV_PIX_FMT_RGB24, QualityKnob::None },
    { "utvideo", "utvideo", "Ut Video (lossless)", AV_PIX_FMT_GBRP, QualityKnob::None },
    { "cinepak", "cinepak", "Cinepak", AV_PIX_FMT_RGB24, QualityKnob::None },
    { "mpeg4", "mpeg4", "MPEG-4 part 2", AV_PIX_FMT_YUV420P, QualityKnob::QScale },
    { "h264", "libx264", "H.264 (x264)", AV_PIX_FMT_YUV420P, QualityKnob::Crf },
};

const AVCodec* FindEncoder(const CodecEntry& entry)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(entry.encoder);
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    if (!codec || !avi || avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1)
        return nullptr;
    return codec;
}

const CodecEntry* FindEntry(const std::string& name)
{
    for (const CodecEntry& entry : kCodecs) {
        if (name == entry.name)
            return &entry;
    }
    return nullptr;
}

AVPixelFormat ChoosePixelFormat(const AVCodec* codec, AVPixelFormat wanted)
{
    if (!codec->pix_fmts)
        return wanted;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == wanted)
            return wanted;
    }
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
}

void ApplyQuality(AVCodecContext* context, QualityKnob knob, int quality)
{
    if (quality < 0)
        return;
    if (quality > 100)
        quality = 100;
    switch (knob) {
    case QualityKnob::QScale: {
        const int qscale = 31 - (quality * 30 + 50) / 100; // 100 -> 1 (finest), 0 -> 31
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * qscale;
        break;
    }
    case QualityKnob::Crf:
        av_opt_set_double(context->priv_data, "crf", 51.0 * (100 - quality) / 100.0, 0);
        break;
    case QualityKnob::None:
        break;
    }
}

} // namespace

std::vector<CompressorInfo> VideoEncoder::Available()
{
    std::vector<CompressorInfo> found;
    for (const CodecEntry& entry : kCodecs) {
        if (FindEncoder(entry))
            found.push_back({ entry.name, entry.description });
    }
    return found;
}

std::unique_ptr<VideoEncoder> VideoEncoder::Create(
    const CompressorSettings& settings, int width, int height, int framesPerSecond)
{
    const CodecEntry* entry = FindEntry(settings.codec);
    const AVCodec* codec = entry ? FindEncoder(*entry) : nullptr;
    if (!codec || width <= 0 || height <= 0 || framesPerSecond <= 0)
        return nullptr;

    std::unique_ptr<VideoEncoder> encoder(new VideoEncoder);
    encoder->context_.reset(avcodec_alloc_context3(codec));
    encoder->frame_.reset(av_frame_alloc());
    encoder->packet_.reset(av_packet_alloc());
    AVCodecContext* context = encoder->context_.get();
    AVFrame* frame = encoder->frame_.get();
    if (!context || !frame || !encoder->packet_)
        return nullptr;

    context->width = width;
    context->height = height;
    context->pix_fmt = ChoosePixelFormat(codec, entry->pixelFormat);
    context->time_base = AVRational { 1, framesPerSecond };
    context->framerate = AVRational { framesPerSecond, 1 };
    context->sample_aspect_ratio = AVRational { 1, 1 };
    // Slices only: frame threads would hold frames back, and a frame's packet would then succeed or fail
    // on a later call, so WriteFrame could no longer say whether its own frame was written.
    context->thread_count = 0;
    context->thread_type = FF_THREAD_SLICE;
    if (settings.keyFrameInterval > 0)
        context->gop_size = settings.keyFrameInterval;
    if (settings.dataRate > 0)
        context->bit_rate = static_cast<std::int64_t>(settings.dataRate) * 1000;
    ApplyQuality(context, entry->knob, settings.quality);
    if (avcodec_open2(context, codec, nullptr) < 0)
        return nullptr;

    frame->format = context->pix_fmt;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame, 0) < 0)
        return nullptr;
    encoder->scaler_.reset(sws_getContext(
        width, height, AV_PIX_FMT_BGR24, width, height, context->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!encoder->scaler_)
        return nullptr;
    return encoder;
}

bool VideoEncoder::Encode(
    const std::uint8_t* rows, std::size_t rowLength, std::int64_t frameNumber, const PacketSink& sink)
{
    AVFrame* frame = frame_.get();
    // The encoder may still hold the previous picture.
    if (av_frame_make_writable(frame) < 0)
        return false;
    // DIB rows run bottom-up: put them top-down into a buffer of our own, with room after the last row,
    // because the scaler's vector code reads up to a few bytes past the end of its input.
    const std::size_t height = static_cast<std::size_t>(context_->height);
    staged_.resize(rowLength * height + AV_INPUT_BUFFER_PADDING_SIZE);
    for (std::size_t y = 0; y < height; ++y)
        std::memcpy(staged_.data() + y * rowLength, rows + (height - 1 - y) * rowLength, rowLength);
    const std::uint8_t* source[1] = { staged_.data() };
    const int sourceStride[1] = { static_cast<int>(rowLength) };
    sws_scale(scaler_.get(), source, sourceStride, 0, context_->height, frame->data, frame->linesize);
    frame->pts = frameNumber;
    frame->quality = context_->global_quality;
    if (avcodec_send_frame(context_.get(), frame) < 0)
        return false;
    return ReceivePackets(sink);
}

bool VideoEncoder::Drain(const PacketSink& sink)
{
    if (avcodec_send_frame(context_.get(), nullptr) < 0)
        return false;
    return ReceivePackets(sink);
}

bool VideoEncoder::ReceivePackets(const PacketSink& sink)
{
    bool allTaken = true;
    for (;;) {
        const int result = avcodec_receive_packet(context_.get(), packet_.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return allTaken;
        if (result < 0)
            return false;
        allTaken = sink(packet_.get()) && allTaken;
        av_packet_unref(packet_.get());
    }
}
