#pragma once

#include "player/imaging/video/VideoOutput.h"

#include <memory>
#include <string>
#include <vector>

struct PictureFormat;

// A recording kept as one PNG picture per frame, named by a pattern with one frame number in it
// ("frame%04d.png": frame0001.png, frame0002.png, ...), numbered from 1 as ffmpeg numbers them. Each
// picture is written whole through SafeFileWriter as its frame arrives, so an interrupted recording
// keeps every frame written so far.
class PictureSequenceWriter : public VideoOutput {
public:
    // Whether this build writes PNG.
    static bool Available();
    // The name of picture number in the pattern; empty when the pattern does not hold exactly one
    // number field: %d, or %Nd and %0Nd with a width N of 1 to 9 (%% stands for a percent sign).
    static std::string FrameFileName(const std::string& pattern, long long number);
    static std::unique_ptr<PictureSequenceWriter> Create(const Request& request, std::string& error);

    bool WriteFrame(const std::uint8_t* rows, std::size_t length) override;
    bool Finish(std::string& error) override;

private:
    PictureSequenceWriter() = default;

    Request request_;
    const PictureFormat* png_ = nullptr;
    std::size_t rowLength_ = 0; // of the DIB rows handed in
    int bytesPerPixel_ = 3; // 4 with alpha
    std::vector<std::uint8_t> rgb_; // one enlarged frame, top-down, red first
    int frames_ = 0; // written
    int offered_ = 0; // handed in
};
