#pragma once

#include "player/imaging/codecs/SafeFileWriter.h"
#include "player/imaging/video/FfmpegDeleter.h"

#include <memory>
#include <string>

struct AVCodecParameters;
struct AVPacket;
struct AVRational;

// A video file with one stream in any container FFmpeg writes (MP4, QuickTime, Matroska, WebM, GIF).
//
// It is written through an OutputFile and takes the target's name only when it is complete, so a
// recording that fails or is abandoned never replaces a file that was there; a pipe or device is written
// in place. MP4 and QuickTime files in a regular file get their index at the front, so players can start
// before the whole file has arrived.
class MovieFileWriter {
public:
    // Null on failure, with the reason in error. muxer is FFmpeg's name for the container.
    static std::unique_ptr<MovieFileWriter> Create(const std::string& fileName, const char* muxer,
        const AVCodecParameters& stream, AVRational timeBase, std::string& error);
    // Removes the temporary file unless Finish has put it in place.
    ~MovieFileWriter();

    // Writes one packet whose timestamps count in timeBase. False when it failed.
    bool WritePacket(AVPacket* packet, AVRational timeBase);
    // Writes the trailer and the index and puts the file in place; false with the reason in error.
    bool Finish(std::string& error);

private:
    MovieFileWriter() = default;

    std::unique_ptr<AVFormatContext, FfmpegDeleter> format_;
    OutputFile output_;
};

// FFmpeg's text for one of its error codes.
std::string FfmpegError(int code);
