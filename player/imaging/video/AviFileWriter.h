#pragma once

#include "platform/CString.h"
#include "player/imaging/codecs/SafeFileWriter.h"
#include "player/imaging/video/FfmpegDeleter.h"

#include <cstdint>
#include <memory>

struct AVCodecParameters;
struct AVPacket;
struct AVRational;

// An AVI file with one video stream, written by FFmpeg's muxer through our own file I/O.
//
// Disk space is claimed (posix_fallocate) before a packet reaches the muxer, with room kept for the
// index that closing appends. A packet that does not fit is dropped before the muxer sees it, so a full
// disk costs frames but never the muxer's state: later frames, the index and the header counts stay
// consistent, and the frames already written still play.
class AviFileWriter {
public:
    // Writes the header into the file that will take fileName's place once finished (see OutputFile: a
    // pipe or device is written in place). Null on any failure, with errno saying why when the system
    // gave a reason, leaving no file behind and what was at fileName as it was. rawBottomUp marks uncompressed 24-bit
    // rows stored bottom-up, as in a Windows DIB.
    static std::unique_ptr<AviFileWriter> Create(
        const CString& fileName, const AVCodecParameters& stream, AVRational timeBase, bool rawBottomUp);
    // Finishes the file if Finish has not run.
    ~AviFileWriter();

    // Writes one packet whose timestamps count in timeBase. False when it was dropped or failed.
    bool WritePacket(AVPacket* packet, AVRational timeBase);
    // Writes the index and the final header fields, trims the claimed space, closes the file and puts it
    // in place of what was at the name.
    bool Finish();
    // Gives the file up: nothing takes the name, and what was there stays.
    void Discard();

private:
    AviFileWriter() = default;
    bool Claim(std::int64_t end);
    static int WriteCallback(void* opaque, const std::uint8_t* data, int size);
    static std::int64_t SeekCallback(void* opaque, std::int64_t offset, int whence);

    std::unique_ptr<AVFormatContext, FfmpegDeleter> format_;
    std::unique_ptr<AVIOContext, FfmpegDeleter> io_;
    OutputFile output_;
    int fd_ = -1; // output_'s, while writing
    bool seekable_ = true; // false for a pipe: written in order, with no index
    std::int64_t position_ = 0; // where the next write lands
    std::int64_t writtenEnd_ = 0; // end of the bytes written so far
    std::int64_t claimedEnd_ = 0; // end of the space claimed on disk
    std::int64_t packets_ = 0;
    std::int64_t lastDts_ = -1;
};
