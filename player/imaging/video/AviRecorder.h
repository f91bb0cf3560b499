#pragma once

#include "platform/CString.h"
#include "player/imaging/video/CompressorSettings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class AviFileWriter;
class VideoEncoder;

// Recording failures are told in our own words; FFmpeg's chatter would only clutter the caller's stderr.
void QuietFfmpeg();

// Records frames into an AVI file with one video stream, compressed as the user chose.
//
// Frames arrive as a 24-bit DIB's pixel rows: bottom-up, blue-green-red, each row padded to a multiple
// of 4 bytes. The compressor choice outlives a recording and is offered again as the starting point of
// the next choice. Failures are quiet: Open leaves the recorder closed and no file behind, a frame that
// cannot be written is skipped (its frame number stays unused), and Close still completes the file.
class AviRecorder {
public:
    // Asks the user for settings, starting from the ones passed in; false when cancelled.
    using CompressorChooser = std::function<bool(CompressorSettings&)>;

    AviRecorder();
    // Closes an open file, then frees the compressor settings.
    virtual ~AviRecorder();

    // Runs the chooser; nonzero when a compressor was chosen. Cancelling keeps any earlier choice.
    virtual int ChooseCompressor();
    // 1 if settings were held and are now dropped, 0 if none were held.
    virtual int FreeCompressor();
    // 1 when fileName is open for frames of width x height at framesPerSecond. Runs the chooser first
    // when no compressor has been chosen. An existing file of that name is replaced when Close completes
    // the new one, not before.
    virtual int Open(CString fileName, int width, int height, int framesPerSecond);
    // 1 when the frame was written; rows must be exactly row length x height bytes.
    virtual int WriteFrame(const std::uint8_t* rows, std::size_t length);
    // 1 if a file was open and is now complete and closed.
    virtual int Close();
    // Closes an open file without completing it: the name keeps what it had.
    void Discard();

    bool IsOpen() const { return file_ != nullptr; }
    bool HasCompressor() const { return compressorChosen_ != 0; }
    const CompressorSettings& GetCompressor() const { return settings_; }
    // Takes settings without asking; false (and nothing changed) for a codec not in AvailableCodecs.
    bool SetCompressor(const CompressorSettings& settings);
    void SetCompressorChooser(CompressorChooser chooser) { chooser_ = std::move(chooser); }

    // The codecs this build can write into AVI, "none" (uncompressed frames) first.
    static std::vector<CompressorInfo> AvailableCodecs();

private:
    CompressorChooser chooser_;
    int compressorChosen_ = 0;
    CompressorSettings settings_;
    std::unique_ptr<AviFileWriter> file_;
    std::unique_ptr<VideoEncoder> encoder_; // none for uncompressed frames
    int framesPerSecond_ = 0;
    int height_ = 0;
    std::size_t rowLength_ = 0;
    std::int64_t nextFrame_ = 0;
};
