#pragma once

struct AVCodecContext;
struct AVCodecParameters;
struct AVFilterGraph;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct SwsContext;

// Frees FFmpeg objects through their own free functions, so std::unique_ptr can own them.
struct FfmpegDeleter {
    void operator()(AVCodecContext* p) const;
    void operator()(AVCodecParameters* p) const;
    void operator()(AVFilterGraph* p) const;
    void operator()(AVFormatContext* p) const; // an output context whose I/O the owner closes
    void operator()(AVFrame* p) const;
    void operator()(AVIOContext* p) const; // a custom I/O context together with its buffer
    void operator()(AVPacket* p) const;
    void operator()(SwsContext* p) const;
};
