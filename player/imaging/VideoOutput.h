#pragma once

#include "player/imaging/CompressorSettings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct VideoFormat;

// A video being written in one of the formats beyond AVI (MP4, QuickTime, Matroska, WebM, animated GIF,
// a sequence of PNG pictures). Frames arrive as 24-bit DIB rows (bottom-up, blue-green-red, rows padded
// to 4 bytes) of the size given at the start; the file holds them enlarged by the scale. Nothing appears
// under a video's name until Finish has completed it; a picture sequence grows picture by picture.
class VideoOutput {
public:
    struct Request {
        std::string fileName;
        const VideoFormat* format = nullptr;
        CompressorSettings codec { "", 15, 0, -1 }; // no codec name: the format's default
        int width = 0;
        int height = 0;
        int scale = 1;
        int framesPerSecond = 30;
    };

    // Null when the file cannot be started, with the reason in error.
    static std::unique_ptr<VideoOutput> Open(const Request& request, std::string& error);
    virtual ~VideoOutput() = default;

    // False when the frame was not written; the video goes on without it.
    virtual bool WriteFrame(const std::uint8_t* rows, std::size_t length) = 0;
    // Completes the file and puts it in place; false with the reason in error. Called once, last.
    virtual bool Finish(std::string& error) = 0;
};
