#include "player/imaging/video/VideoEncoder.h"

#include "player/imaging/store/EnlargePixels.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
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
    double worstCrf; // where the codec's constant-quality scale ends
    // Without a quality asked for, lossy codecs keep one-pixel streaks and their colours: Motion JPEG and
    // MPEG-4 at their finest step (2), H.264 at CRF 14.8 and VP9 at CRF 25, the "looks lossless"
    // settings, which still cost a fraction of the lossless size.
    int defaultQuality;
    bool evenSized; // the encoder refuses odd sizes in its 4:2:0 pixel format
    AVPixelFormat alphaFormat = AV_PIX_FMT_NONE; // the pixel format that keeps transparency, when there is one
};

const CodecEntry kCodecs[] = {
    // 4:4:4: a one-pixel coloured streak keeps its colour, where 4:2:0 would average it with black.
    { "mjpeg", "mjpeg", "Motion JPEG", AV_PIX_FMT_YUVJ444P, QualityKnob::QScale, 0, 95, false },
    { "ffv1", "ffv1", "FFV1 (lossless)", AV_PIX_FMT_BGR0, QualityKnob::None, 0, -1, false, AV_PIX_FMT_BGRA },
    { "huffyuv", "huffyuv", "HuffYUV (lossless)", AV_PIX_FMT_RGB24, QualityKnob::None, 0, -1, false },
    { "utvideo", "utvideo", "Ut Video (lossless)", AV_PIX_FMT_GBRP, QualityKnob::None, 0, -1, false },
    { "cinepak", "cinepak", "Cinepak", AV_PIX_FMT_RGB24, QualityKnob::None, 0, -1, false },
    { "mpeg4", "mpeg4", "MPEG-4 part 2", AV_PIX_FMT_YUV420P, QualityKnob::QScale, 0, 95, false },
    // CRF 14.8: the last frame of every shipped scene within 38 dB of its snapshot at twice its size (at 18,
    // trails measured 37.4 dB and embers 36.6), for about a fifth more bytes.
    { "h264", "libx264", "H.264 (x264)", AV_PIX_FMT_YUV420P, QualityKnob::Crf, 51, 71, true },
    // libvpx keeps alpha as a second VP9 stream that WebM and Matroska carry beside the colour.
    { "vp9", "libvpx-vp9", "VP9 (libvpx)", AV_PIX_FMT_YUV420P, QualityKnob::Crf, 63, 60, false, AV_PIX_FMT_YUVA420P },
    // ProRes 4444 is the codec with alpha that every editor imports (Premiere, Resolve, Final Cut, After
    // Effects, and the FFmpeg-based ones). It is large, as editing codecs are: 100 frames of fireworks at
    // 320 x 240 take 18 MB, against 6.2 MB in QuickTime Animation and 2.6 MB as PNG in MOV, but those two
    // are left out by some editors (Resolve, Final Cut on recent macOS).
    { "prores", "prores_ks", "Apple ProRes 4444 (prores_ks)", AV_PIX_FMT_YUV444P10, QualityKnob::None, 0, -1, false,
        AV_PIX_FMT_YUVA444P10 },
};

const AVCodec* FindEncoder(const CodecEntry& entry, const char* muxer)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(entry.encoder);
    const AVOutputFormat* container = av_guess_format(muxer, nullptr, nullptr);
    if (!codec || !container || avformat_query_codec(container, codec->id, FF_COMPLIANCE_NORMAL) != 1)
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

void ApplyQuality(AVCodecContext* context, const CodecEntry& entry, int quality)
{
    if (quality < 0)
        quality = entry.defaultQuality;
    if (quality < 0)
        return;
    if (quality > 100)
        quality = 100;
    switch (entry.knob) {
    case QualityKnob::QScale: {
        const int qscale = 31 - (quality * 30 + 50) / 100; // 100 -> 1 (finest), 0 -> 31
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * qscale;
        break;
    }
    case QualityKnob::Crf:
        av_opt_set_double(context->priv_data, "crf", entry.worstCrf * (100 - quality) / 100.0, 0);
        break;
    case QualityKnob::None:
        break;
    }
}

int RoundUp(int value, int multiple)
{
    return (value + multiple - 1) / multiple * multiple;
}

} // namespace

int VideoEncoder::DefaultQuality(const std::string& codec)
{
    const CodecEntry* entry = FindEntry(codec);
    return entry ? entry->defaultQuality : -1;
}

bool VideoEncoder::HoldsAlpha(const std::string& codec)
{
    const CodecEntry* entry = FindEntry(codec);
    return entry && entry->alphaFormat != AV_PIX_FMT_NONE;
}

std::vector<CompressorInfo> VideoEncoder::Available(const char* muxer)
{
    std::vector<CompressorInfo> found;
    for (const CodecEntry& entry : kCodecs) {
        if (FindEncoder(entry, muxer))
            found.push_back({ entry.name, entry.description });
    }
    return found;
}

std::unique_ptr<VideoEncoder> VideoEncoder::Create(const CompressorSettings& settings, int width, int height,
    int framesPerSecond, int scale, bool globalHeader, bool mayPad, bool alpha)
{
    const CodecEntry* entry = FindEntry(settings.codec);
    const AVCodec* codec = entry ? avcodec_find_encoder_by_name(entry->encoder) : nullptr;
    if (!codec || width <= 0 || height <= 0 || framesPerSecond <= 0 || scale < 1
        || (alpha && entry->alphaFormat == AV_PIX_FMT_NONE))
        return nullptr;

    std::unique_ptr<VideoEncoder> encoder(new VideoEncoder);
    encoder->context_.reset(avcodec_alloc_context3(codec));
    encoder->frame_.reset(av_frame_alloc());
    encoder->packet_.reset(av_packet_alloc());
    AVCodecContext* context = encoder->context_.get();
    AVFrame* frame = encoder->frame_.get();
    if (!context || !frame || !encoder->packet_)
        return nullptr;

    // An odd size that may not be padded keeps full colour resolution instead, which takes any size.
    const bool odd = (width * scale) % 2 != 0 || (height * scale) % 2 != 0;
    const bool pad = entry->evenSized && odd && mayPad;
    context->pix_fmt = alpha
        ? entry->alphaFormat
        : ChoosePixelFormat(codec, entry->evenSized && odd && !mayPad ? AV_PIX_FMT_YUV444P : entry->pixelFormat);
    const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(context->pix_fmt);
    if (!layout)
        return nullptr;
    context->width = pad ? RoundUp(width * scale, 1 << layout->log2_chroma_w) : width * scale;
    context->height = pad ? RoundUp(height * scale, 1 << layout->log2_chroma_h) : height * scale;
    context->time_base = AVRational { 1, framesPerSecond };
    context->framerate = AVRational { framesPerSecond, 1 };
    context->sample_aspect_ratio = AVRational { 1, 1 };
    if (!(layout->flags & AV_PIX_FMT_FLAG_RGB)) {
        // Say how the colours were turned into YUV (the scaler's default, BT.601), so that players do not
        // guess BT.709 for large frames and shift every colour.
        context->colorspace = AVCOL_SPC_SMPTE170M;
        context->color_range = context->pix_fmt == AV_PIX_FMT_YUVJ444P ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    }
    // Slices only: frame threads would hold frames back, and a frame's packet would then succeed or fail
    // on a later call, so WriteFrame could no longer say whether its own frame was written.
    context->thread_count = 0;
    context->thread_type = FF_THREAD_SLICE;
    if (globalHeader)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (settings.keyFrameInterval > 0)
        context->gop_size = settings.keyFrameInterval;
    if (settings.dataRate > 0)
        context->bit_rate = static_cast<std::int64_t>(settings.dataRate) * 1000;
    ApplyQuality(context, *entry, settings.quality);
    if (codec->id == AV_CODEC_ID_VP9) {
        // libvpx's default "good" mode manages a few frames a second; real time keeps up with the player
        // at about the same size for the same quality.
        av_opt_set(context->priv_data, "deadline", "realtime", 0);
        av_opt_set_int(context->priv_data, "cpu-used", 6, 0);
        av_opt_set_int(context->priv_data, "row-mt", 1, 0);
    }
    if (codec->id == AV_CODEC_ID_PRORES)
        av_opt_set(context->priv_data, "profile", "4444", 0);
    if (avcodec_open2(context, codec, nullptr) < 0)
        return nullptr;

    frame->format = context->pix_fmt;
    frame->width = context->width;
    frame->height = context->height;
    if (av_frame_get_buffer(frame, 0) < 0)
        return nullptr;
    encoder->bytesPerPixel_ = alpha ? 4 : 3;
    // Half-resolution colour as the average of each 2 x 2 block (a bicubic filter reaches into the blocks
    // around): a frame of 2 x 2 blocks keeps every colour, 60 dB instead of 42.
    encoder->scaler_.reset(sws_getContext(context->width, context->height, alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24,
        context->width, context->height, context->pix_fmt, SWS_AREA | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!encoder->scaler_)
        return nullptr;
    encoder->width_ = width;
    encoder->height_ = height;
    encoder->scale_ = scale;
    encoder->stagedStride_ = static_cast<std::size_t>(RoundUp(context->width * encoder->bytesPerPixel_, 64));
    // Room after the last row, because the scaler's vector code reads a few bytes past the end of its input.
    encoder->staged_.resize(
        encoder->stagedStride_ * static_cast<std::size_t>(context->height) + AV_INPUT_BUFFER_PADDING_SIZE);
    return encoder;
}

bool VideoEncoder::Encode(
    const std::uint8_t* rows, std::size_t rowLength, std::int64_t frameNumber, const PacketSink& sink)
{
    AVFrame* frame = frame_.get();
    // The encoder may still hold the previous picture.
    if (av_frame_make_writable(frame) < 0)
        return false;
    // DIB rows run bottom-up: put them top-down, enlarged, into a buffer of our own; a padding column or
    // row repeats the last.
    std::uint8_t* staged = staged_.data();
    const int bpp = bytesPerPixel_;
    EnlargePixels(rows, rowLength, width_, height_, bpp, scale_, true, staged, stagedStride_);
    const std::size_t used = static_cast<std::size_t>(width_) * static_cast<std::size_t>(scale_);
    if (used < static_cast<std::size_t>(context_->width)) {
        for (int y = 0; y < height_ * scale_; ++y) {
            std::uint8_t* row = staged + static_cast<std::size_t>(y) * stagedStride_;
            std::memcpy(row + used * bpp, row + (used - 1) * bpp, bpp);
        }
    }
    for (int y = height_ * scale_; y < context_->height; ++y)
        std::memcpy(staged + y * stagedStride_, staged + (y - 1) * stagedStride_, stagedStride_);
    const std::uint8_t* source[1] = { staged };
    const int sourceStride[1] = { static_cast<int>(stagedStride_) };
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
