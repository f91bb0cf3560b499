#pragma once

#include <string>

// What the user picked for a recording: a codec by its short name ("none", "mjpeg", "ffv1", "huffyuv",
// "utvideo", "cinepak", "mpeg4", "h264") and the knobs every compressor offers.
struct CompressorSettings {
    std::string codec = "none";
    int keyFrameInterval = 15; // frames from one key frame to the next; 0 = codec default, 1 = all key
    int dataRate = 0; // kbit/s; 0 = codec default
    int quality = -1; // 0 (smallest) .. 100 (best); -1 = codec default. Wins over dataRate where both apply.
};

// One codec that this build can write into AVI, for the compressor choice.
struct CompressorInfo {
    std::string codec;
    std::string description;
};
