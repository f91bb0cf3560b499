#pragma once

#include "player/imaging/video/CompressorSettings.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct VideoFormat;

// A video being written in one of the formats beyond AVI (MP4, QuickTime, Matroska, WebM, animated GIF,
// a sequence of PNG pictures). Frames arrive as 24-bit DIB rows (bottom-up, blue-green-red, rows padded
// to 4 bytes) of the size given at the start, or with alpha as 32-bit ones (blue-green-red-alpha); the file holds them
// enlarged by the scale. Nothing appears under a video's name until Finish has completed it; a picture sequence grows
// picture by picture.
class VideoOutput {
public:
    // Told, from the thread running Finish, how far a Finish that takes a while has come (done of total
    // steps); returning false abandons the file.
    using Progress = std::function<bool(int done, int total)>;

    // How an animated GIF picks its 256 colours: one palette for the clip without dithering (sharpest
    // and smallest by measure), the same with error-diffusion dithering (smoother gradients to the eye),
    // or a palette per frame (closest colours, larger files).
    enum class GifPalette { Clip, Dithered, Frame };

    struct Request {
        std::string fileName;
        const VideoFormat* format = nullptr;
        CompressorSettings codec { "", 15, 0, -1 }; // no codec name: the format's default
        int width = 0;
        int height = 0;
        int scale = 1;
        int framesPerSecond = 30;
        GifPalette gifPalette = GifPalette::Clip;
        Progress progress;
        // Frames with alpha, kept in the file: only codecs that hold it (HoldsAlpha) take such a request.
        bool alpha = false;
    };

    // Null when the file cannot be started, with the reason in error.
    static std::unique_ptr<VideoOutput> Open(const Request& request, std::string& error);
    // Whether the codec ("vp9", "prores", "png", "gif", ...) keeps frames' transparency.
    static bool HoldsAlpha(const std::string& codec);
    virtual ~VideoOutput() = default;

    // False when the frame was not written; the video goes on without it.
    virtual bool WriteFrame(const std::uint8_t* rows, std::size_t length) = 0;
    // Completes the file and puts it in place; false with the reason in error. Called once, last, from
    // any one thread (an animated GIF is only encoded here and may take seconds).
    virtual bool Finish(std::string& error) = 0;
    // Safe from any thread, also a signal handler: a Finish running or still to come gives up within a
    // frame's work, failing and leaving no file behind (what was at the name stays).
    void Abort() { aborted_ = true; }

protected:
    // False once the work should stop: after Abort, or when progress says so.
    bool KeepGoing(const Progress& progress, int done, int total, std::string& error) const;

private:
    std::atomic<bool> aborted_ { false };
};
