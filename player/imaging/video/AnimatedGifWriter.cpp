#include "player/imaging/video/AnimatedGifWriter.h"

#include "player/imaging/codecs/SafeFileWriter.h"
#include "player/imaging/store/EnlargePixels.h"
#include "player/imaging/video/MovieFileWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
}

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// A filter graph from one or two sources to one sink, each filter made by name with its options.
struct FilterChain {
    std::unique_ptr<AVFilterGraph, FfmpegDeleter> graph { avfilter_graph_alloc() };
    AVFilterContext* frames = nullptr;
    AVFilterContext* palette = nullptr; // the second source, when there is one
    AVFilterContext* sink = nullptr;

    AVFilterContext* Add(const char* filter, const char* name, const std::string& options)
    {
        AVFilterContext* made = nullptr;
        const AVFilter* type = avfilter_get_by_name(filter);
        if (!graph || !type
            || avfilter_graph_create_filter(&made, type, name, options.c_str(), nullptr, graph.get()) < 0)
            return nullptr;
        return made;
    }
};

std::string SourceOptions(int width, int height, AVPixelFormat format, int framesPerSecond)
{
    return "video_size=" + std::to_string(width) + "x" + std::to_string(height)
        + ":pix_fmt=" + std::to_string(static_cast<int>(format)) + ":time_base=1/" + std::to_string(framesPerSecond)
        + ":pixel_aspect=1/1";
}

// Sends a frame (or the end, for null) into a source; the source takes the frame's reference.
bool Push(AVFilterContext* source, AVFrame* frame)
{
    return av_buffersrc_add_frame_flags(source, frame, 0) >= 0;
}

} // namespace

bool AnimatedGifWriter::Available()
{
    return avcodec_find_encoder(AV_CODEC_ID_GIF) && av_guess_format("gif", nullptr, nullptr)
        && avfilter_get_by_name("palettegen") && avfilter_get_by_name("paletteuse");
}

std::unique_ptr<AnimatedGifWriter> AnimatedGifWriter::Create(const Request& request, std::string& error)
{
    std::unique_ptr<AnimatedGifWriter> writer(new AnimatedGifWriter);
    writer->request_ = request;
    // With alpha the palette keeps one entry for transparency (palettegen's reserve_transparent) and
    // paletteuse sends every pixel less than half opaque to it: GIF has no partial transparency.
    writer->bytesPerPixel_ = request.alpha ? 4 : 3;
    writer->rowLength_ = (8 * writer->bytesPerPixel_ * static_cast<std::size_t>(request.width) + 31) / 32 * 4;
    writer->frameBytes_
        = static_cast<std::size_t>(request.width) * writer->bytesPerPixel_ * static_cast<std::size_t>(request.height);
    writer->spool_ = CreateScratchFile(request.fileName);
    if (writer->spool_ < 0) {
        error = std::strerror(errno);
        return nullptr;
    }

    const AVCodec* gif = avcodec_find_encoder(AV_CODEC_ID_GIF);
    writer->encoder_.reset(gif ? avcodec_alloc_context3(gif) : nullptr);
    writer->enlarged_.reset(av_frame_alloc());
    writer->packet_.reset(av_packet_alloc());
    AVCodecContext* encoder = writer->encoder_.get();
    AVFrame* enlarged = writer->enlarged_.get();
    if (!encoder || !enlarged || !writer->packet_) {
        error = "this build cannot write GIF";
        return nullptr;
    }
    encoder->width = request.width * request.scale;
    encoder->height = request.height * request.scale;
    encoder->pix_fmt = AV_PIX_FMT_PAL8;
    encoder->time_base = AVRational { 1, request.framesPerSecond };
    encoder->sample_aspect_ratio = AVRational { 1, 1 };
    enlarged->format = AV_PIX_FMT_PAL8;
    enlarged->width = encoder->width;
    enlarged->height = encoder->height;
    std::unique_ptr<AVCodecParameters, FfmpegDeleter> stream(avcodec_parameters_alloc());
    if (avcodec_open2(encoder, gif, nullptr) < 0 || av_frame_get_buffer(enlarged, 0) < 0 || !stream
        || avcodec_parameters_from_context(stream.get(), encoder) < 0) {
        error = "the GIF encoder refuses a picture of this size";
        return nullptr;
    }
    writer->file_ = MovieFileWriter::Create(request.fileName, "gif", *stream, encoder->time_base, error);
    if (!writer->file_)
        return nullptr;
    return writer;
}

AnimatedGifWriter::~AnimatedGifWriter()
{
    if (spool_ >= 0)
        ::close(spool_);
}

bool AnimatedGifWriter::WriteFrame(const std::uint8_t* rows, std::size_t length)
{
    if (spool_ < 0 || !rows || length != rowLength_ * static_cast<std::size_t>(request_.height))
        return false;
    // Spooled top-down without row padding, as the filters take it.
    std::vector<std::uint8_t>& frame = flipped_;
    frame.resize(frameBytes_);
    EnlargePixels(rows, rowLength_, request_.width, request_.height, bytesPerPixel_, 1, true, frame.data(),
        static_cast<std::size_t>(request_.width) * bytesPerPixel_);
    const off_t at = static_cast<off_t>(frameBytes_) * frames_;
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::pwrite(spool_, frame.data() + done, frame.size() - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    ++frames_;
    return true;
}

int AnimatedGifWriter::SpooledFormat() const
{
    return request_.alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
}

bool AnimatedGifWriter::ReadFrame(int index, AVFrame* frame) const
{
    frame->format = SpooledFormat();
    frame->width = request_.width;
    frame->height = request_.height;
    frame->pts = index;
    if (av_frame_get_buffer(frame, 0) < 0)
        return false;
    const std::size_t row = static_cast<std::size_t>(request_.width) * bytesPerPixel_;
    const off_t start = static_cast<off_t>(frameBytes_) * index;
    for (int y = 0; y < request_.height; ++y) {
        std::uint8_t* target = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        if (::pread(spool_, target, row, start + static_cast<off_t>(row) * y) != static_cast<ssize_t>(row))
            return false;
    }
    return true;
}

bool AnimatedGifWriter::MakePalette(std::unique_ptr<AVFrame, FfmpegDeleter>& palette, std::string& error)
{
    FilterChain chain;
    chain.frames = chain.Add("buffer", "frames",
        SourceOptions(
            request_.width, request_.height, static_cast<AVPixelFormat>(SpooledFormat()), request_.framesPerSecond));
    AVFilterContext* generate = chain.Add("palettegen", "palettegen", "");
    chain.sink = chain.Add("buffersink", "sink", "");
    if (!chain.frames || !generate || !chain.sink || avfilter_link(chain.frames, 0, generate, 0) < 0
        || avfilter_link(generate, 0, chain.sink, 0) < 0 || avfilter_graph_config(chain.graph.get(), nullptr) < 0) {
        error = "cannot set up the palette filters";
        return false;
    }
    std::unique_ptr<AVFrame, FfmpegDeleter> frame(av_frame_alloc());
    for (int k = 0; k < frames_; ++k) {
        // Counted as no progress: making the palette takes a small part of the time encoding does.
        if (!KeepGoing(request_.progress, 0, frames_, error))
            return false;
        if (!frame || !ReadFrame(k, frame.get()) || !Push(chain.frames, frame.get())) {
            error = "cannot read back the frames";
            return false;
        }
    }
    palette.reset(av_frame_alloc());
    if (!palette || !Push(chain.frames, nullptr) || av_buffersink_get_frame(chain.sink, palette.get()) < 0) {
        error = "no palette came out of the frames";
        return false;
    }
    return true;
}

bool AnimatedGifWriter::EncodeFrames(const AVFrame* palette, std::string& error)
{
    // Without a palette for the clip, each frame's own is made beside it: the frames are split, one copy
    // to palettegen and one to paletteuse, which takes a new palette with every frame.
    const bool perFrame = !palette;
    const bool dithered = request_.gifPalette == GifPalette::Dithered;
    FilterChain chain;
    chain.frames = chain.Add("buffer", "frames",
        SourceOptions(
            request_.width, request_.height, static_cast<AVPixelFormat>(SpooledFormat()), request_.framesPerSecond));
    AVFilterContext* split = perFrame ? chain.Add("split", "split", "2") : nullptr;
    AVFilterContext* generate = perFrame ? chain.Add("palettegen", "palettegen", "stats_mode=single") : nullptr;
    if (!perFrame) {
        chain.palette = chain.Add("buffer", "palette",
            SourceOptions(palette->width, palette->height, static_cast<AVPixelFormat>(palette->format),
                request_.framesPerSecond));
    }
    AVFilterContext* use = chain.Add("paletteuse", "paletteuse",
        std::string(dithered ? "dither=sierra2_4a" : "dither=none") + (perFrame ? ":new=1" : ""));
    chain.sink = chain.Add("buffersink", "sink", "");
    const bool linked = perFrame
        ? split && generate && avfilter_link(chain.frames, 0, split, 0) >= 0 && avfilter_link(split, 0, use, 0) >= 0
            && avfilter_link(split, 1, generate, 0) >= 0 && avfilter_link(generate, 0, use, 1) >= 0
        : chain.palette && avfilter_link(chain.frames, 0, use, 0) >= 0 && avfilter_link(chain.palette, 0, use, 1) >= 0;
    if (!chain.frames || !use || !chain.sink || !linked || avfilter_link(use, 0, chain.sink, 0) < 0
        || avfilter_graph_config(chain.graph.get(), nullptr) < 0) {
        error = "cannot set up the palette filters";
        return false;
    }
    std::unique_ptr<AVFrame, FfmpegDeleter> frame(av_frame_alloc());
    std::unique_ptr<AVFrame, FfmpegDeleter> indexed(av_frame_alloc());
    if (!frame || !indexed
        || (!perFrame
            && (av_frame_ref(frame.get(), palette) < 0 || !Push(chain.palette, frame.get())
                || !Push(chain.palette, nullptr)))) {
        error = "cannot hand over the palette";
        return false;
    }
    // Each frame in, then whatever has come out, so that no more than a frame or two wait in the filters.
    for (int k = 0; k <= frames_; ++k) {
        if (!KeepGoing(request_.progress, k, frames_, error))
            return false;
        if (k < frames_ ? !ReadFrame(k, frame.get()) || !Push(chain.frames, frame.get())
                        : !Push(chain.frames, nullptr)) {
            error = "cannot read back the frames";
            return false;
        }
        int result;
        while ((result = av_buffersink_get_frame(chain.sink, indexed.get())) >= 0) {
            const bool encoded = Encode(indexed.get());
            av_frame_unref(indexed.get());
            if (!encoded) {
                error = "cannot write the frames";
                return false;
            }
        }
        if (result != AVERROR(EAGAIN) && result != AVERROR_EOF) {
            error = FfmpegError(result);
            return false;
        }
    }
    return true;
}

bool AnimatedGifWriter::Encode(const AVFrame* indexed)
{
    AVFrame* enlarged = enlarged_.get();
    if (indexed) {
        if (av_frame_make_writable(enlarged) < 0)
            return false;
        EnlargePixels(indexed->data[0], static_cast<std::size_t>(indexed->linesize[0]), request_.width, request_.height,
            1, request_.scale, false, enlarged->data[0], static_cast<std::size_t>(enlarged->linesize[0]));
        std::memcpy(enlarged->data[1], indexed->data[1], AVPALETTE_SIZE);
        enlarged->pts = encoded_++;
    }
    if (avcodec_send_frame(encoder_.get(), indexed ? enlarged : nullptr) < 0)
        return false;
    bool written = true;
    AVPacket* packet = packet_.get();
    for (;;) {
        const int result = avcodec_receive_packet(encoder_.get(), packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return written;
        if (result < 0)
            return false;
        written = file_->WritePacket(packet, encoder_->time_base) && written;
        av_packet_unref(packet);
    }
}

bool AnimatedGifWriter::Finish(std::string& error)
{
    if (frames_ == 0) {
        error = "no frame was recorded";
        return false;
    }
    std::unique_ptr<AVFrame, FfmpegDeleter> palette;
    if (request_.gifPalette != GifPalette::Frame && !MakePalette(palette, error))
        return false;
    if (!EncodeFrames(palette.get(), error))
        return false;
    if (!Encode(nullptr)) {
        error = "cannot write the last frames";
        return false;
    }
    return KeepGoing(request_.progress, frames_, frames_, error) && file_->Finish(error);
}
