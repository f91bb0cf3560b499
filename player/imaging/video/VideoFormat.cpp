#include "player/imaging/video/VideoFormat.h"

#include "player/imaging/video/AnimatedGifWriter.h"
#include "player/imaging/video/PictureSequenceWriter.h"
#include "player/imaging/video/VideoEncoder.h"

#include <algorithm>
#include <cctype>

const std::vector<VideoFormat>& VideoFormats()
{
    // MP4 and MOV default to H.264 in 4:2:0, which every player opens; Matroska, for keeping and editing,
    // takes any codec and defaults to a lossless one. Uncompressed frames are AVI's alone: Matroska stores
    // raw RGB only in a compatibility mode few readers know.
    static const std::vector<VideoFormat> formats = {
        { "avi", "AVI", "avi", "mjpeg", { "none", "mjpeg", "ffv1", "huffyuv", "utvideo", "cinepak", "mpeg4", "h264" },
            true },
        { "mp4", "MP4", "mp4", "h264", { "h264", "mpeg4" }, false },
        { "mov", "QuickTime", "mov", "h264", { "h264", "mpeg4", "mjpeg", "prores" }, false, "prores" },
        { "mkv", "Matroska", "matroska", "ffv1",
            { "ffv1", "huffyuv", "utvideo", "mjpeg", "mpeg4", "h264", "vp9", "cinepak" }, false, "ffv1" },
        { "webm", "WebM", "webm", "vp9", { "vp9" }, false, "vp9" },
        { "gif", "animated GIF", "gif", "gif", { "gif" }, false, "gif" },
        // One picture a frame, named by a number pattern (PictureSequenceWriter); FFmpeg's name for such
        // a sequence is image2, though we write the pictures ourselves.
        { "png", "PNG picture sequence", "image2", "png", { "png" }, false, "png" },
    };
    return formats;
}

const VideoFormat& AviFormat()
{
    return VideoFormats().front();
}

const VideoFormat* FindVideoFormat(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const VideoFormat& format : VideoFormats()) {
        if (extension == format.extension)
            return &format;
    }
    return nullptr;
}

std::vector<CompressorInfo> AvailableCodecs(const VideoFormat& format)
{
    const std::vector<CompressorInfo> encoders = VideoEncoder::Available(format.muxer);
    std::vector<CompressorInfo> found;
    for (const std::string codec : format.codecs) {
        if (codec == "none") {
            found.push_back({ codec, "Uncompressed frames (24-bit DIB)" });
        } else if (codec == "gif") {
            if (AnimatedGifWriter::Available())
                found.push_back({ codec, "Animated GIF, one palette for the whole clip" });
        } else if (codec == "png") {
            if (PictureSequenceWriter::Available())
                found.push_back({ codec, "PNG, one picture a frame (lossless)" });
        } else {
            auto it = std::find_if(
                encoders.begin(), encoders.end(), [&](const CompressorInfo& info) { return info.codec == codec; });
            if (it != encoders.end())
                found.push_back(*it);
        }
    }
    return found;
}
