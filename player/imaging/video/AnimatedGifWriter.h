#pragma once

#include "player/imaging/video/FfmpegDeleter.h"
#include "player/imaging/video/VideoOutput.h"

#include <memory>
#include <string>
#include <vector>

class MovieFileWriter;
struct AVFilterContext;

// An animated GIF that loops for ever, with one palette made from every frame of the clip, or one per
// frame, as the request's gifPalette says (FFmpeg's palettegen and paletteuse filters). Without
// dithering one palette measures closer to the frames than with it, at a smaller size; a palette per
// frame is closer still but costs from a tenth to more than twice the size, as frames then share fewer
// unchanged pixels. The clip's palette can only be made once the last frame is known, so
// frames wait in a spool file beside the GIF, or in the temporary folder (unnamed: it goes with the
// process whatever happens) and Finish does the work, which can take seconds: it reports its progress
// through Request::progress and stops early on Abort. Colours are chosen at the frames' own size and
// then enlarged, so a scaled GIF's pixels stay whole blocks, dithering included.
class AnimatedGifWriter : public VideoOutput {
public:
    // Whether this FFmpeg has the GIF encoder and muxer and the palette filters.
    static bool Available();
    static std::unique_ptr<AnimatedGifWriter> Create(const Request& request, std::string& error);
    ~AnimatedGifWriter() override;

    bool WriteFrame(const std::uint8_t* rows, std::size_t length) override;
    bool Finish(std::string& error) override;

private:
    AnimatedGifWriter() = default;
    // The spooled frame, top-down blue-green-red, in a new frame for the filters.
    bool ReadFrame(int index, AVFrame* frame) const;
    int SpooledFormat() const; // an AVPixelFormat
    bool MakePalette(std::unique_ptr<AVFrame, FfmpegDeleter>& palette, std::string& error);
    // With the clip's palette, or with each frame's own when there is none.
    bool EncodeFrames(const AVFrame* palette, std::string& error);
    bool Encode(const AVFrame* indexed);

    Request request_;
    int bytesPerPixel_ = 3; // of the frames handed in: 4 with alpha
    std::size_t rowLength_ = 0; // of the DIB rows handed in
    std::size_t frameBytes_ = 0; // of a spooled frame
    int spool_ = -1;
    std::vector<std::uint8_t> flipped_; // one frame on its way to the spool
    int frames_ = 0;
    std::unique_ptr<AVCodecContext, FfmpegDeleter> encoder_;
    std::unique_ptr<AVFrame, FfmpegDeleter> enlarged_;
    std::unique_ptr<AVPacket, FfmpegDeleter> packet_;
    std::unique_ptr<MovieFileWriter> file_;
    std::int64_t encoded_ = 0;
};
