#pragma once

#include "player/imaging/video/CompressorSettings.h"

#include <string>
#include <vector>

// A kind of file a recording can be, chosen by the file name's extension in any letter case: the
// container, the codecs it may hold and the one it takes when none is named.
struct VideoFormat {
    const char* extension; // lower case, without the dot
    const char* name; // for messages and the Save dialog
    const char* muxer; // FFmpeg's name for the container
    const char* defaultCodec;
    std::vector<const char*> codecs; // what it may hold, the default first
    bool fixedRate; // AVI keeps 30 frames a second whatever is asked
    const char* alphaCodec = nullptr; // the codec of a transparent recording; none: the format cannot hold one
};

const std::vector<VideoFormat>& VideoFormats();
const VideoFormat& AviFormat();
// The format whose extension the path ends in; null when there is none or it is not one of ours.
const VideoFormat* FindVideoFormat(const std::string& path);
// The codecs of the format that this build can write, in the format's order.
std::vector<CompressorInfo> AvailableCodecs(const VideoFormat& format);
