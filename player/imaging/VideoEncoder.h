#pragma once

#include "player/imaging/CompressorSettings.h"
#include "player/imaging/FfmpegDeleter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// One FFmpeg video encoder fed with 24-bit DIB rows (bottom-up, blue-green-red, rows padded to 4 bytes).
// It converts each frame to the pixel format the codec wants and hands every packet that comes out to a
// sink, with timestamps counted in frames.
class VideoEncoder {
public:
    using PacketSink = std::function<bool(AVPacket*)>;

    // The compressors this FFmpeg can encode into AVI, uncompressed frames excluded.
    static std::vector<CompressorInfo> Available();
    // Null when the codec is unknown, missing from this FFmpeg or refuses the size or settings.
    static std::unique_ptr<VideoEncoder> Create(
        const CompressorSettings& settings, int width, int height, int framesPerSecond);

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
    std::vector<std::uint8_t> staged_; // one frame top-down, padded for the scaler
};
