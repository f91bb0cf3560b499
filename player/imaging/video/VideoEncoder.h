#pragma once

#include "player/imaging/video/CompressorSettings.h"
#include "player/imaging/video/FfmpegDeleter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One FFmpeg video encoder fed with 24-bit DIB rows (bottom-up, blue-green-red, rows padded to 4 bytes),
// or with alpha 32-bit ones (blue-green-red-alpha) for a codec that keeps it.
// It enlarges each frame by the scale (nearest neighbour), converts it to the pixel format the codec wants
// and hands every packet that comes out to a sink, with timestamps counted in frames. Frames keep their
// size, except where the codec needs even sizes (H.264 in 4:2:0) and the caller lets it pad: an odd width
// or height then gets one more column or row, a copy of the last; without leave to pad, such a codec
// works in full colour resolution (4:4:4) instead.
class VideoEncoder {
public:
    using PacketSink = std::function<bool(AVPacket*)>;

    // The quality a lossy codec gets when none is asked for (quality -1); -1 for the others.
    static int DefaultQuality(const std::string& codec);
    // The compressors this FFmpeg can encode into the container FFmpeg names muxer ("avi", "mp4", ...).
    static std::vector<CompressorInfo> Available(const char* muxer);
    // Whether the codec can keep an alpha channel.
    static bool HoldsAlpha(const std::string& codec);
    // Null when the codec is unknown, missing from this FFmpeg or refuses the size or settings. Frames are
    // width x height; the video is scale times as large. globalHeader is for containers that keep the
    // codec's set-up once in their header (MP4, Matroska). mayPad: see above.
    static std::unique_ptr<VideoEncoder> Create(const CompressorSettings& settings, int width, int height,
        int framesPerSecond, int scale = 1, bool globalHeader = false, bool mayPad = false, bool alpha = false);

    const AVCodecContext* Context() const { return context_.get(); }
    // Encodes one frame numbered frameNumber. False if the frame could not be encoded or a sink refused
    // a packet; the encoder stays usable either way.
    bool Encode(const std::uint8_t* rows, std::size_t rowLength, std::int64_t frameNumber, const PacketSink& sink);
    // Pushes out the packets the codec still holds; after this no more frames may be sent.
    bool Drain(const PacketSink& sink);

private:
    VideoEncoder() = default;
    bool ReceivePackets(const PacketSink& sink);

    std::unique_ptr<AVCodecContext, FfmpegDeleter> context_;
    std::unique_ptr<AVFrame, FfmpegDeleter> frame_;
    std::unique_ptr<AVPacket, FfmpegDeleter> packet_;
    std::unique_ptr<SwsContext, FfmpegDeleter> scaler_;
    int width_ = 0; // of the frames handed in
    int height_ = 0;
    int scale_ = 1;
    int bytesPerPixel_ = 3; // of the frames handed in: 4 with alpha
    std::size_t stagedStride_ = 0;
    std::vector<std::uint8_t> staged_; // one frame enlarged, top-down, padded for the scaler
};
