#pragma once

#include <string>

// What the user picked for a recording: a codec by its short name ("none", "mjpeg", "ffv1", "huffyuv",
// "utvideo", "cinepak", "mpeg4", "h264") and the knobs every compressor offers.
struct CompressorSettings {
    // Motion JPEG until the user chooses: it plays almost everywhere and, in full colour resolution at a
    // high quality, keeps the particles' colours at a small part of the uncompressed size.
    std::string codec = "mjpeg";
    int keyFrameInterval = 15; // frames from one key frame to the next; 0 = codec default, 1 = all key
    int dataRate = 0; // kbit/s; 0 = codec default
    // 0 (smallest) .. 100 (best); -1 = a high quality chosen for each codec (VideoEncoder::DefaultQuality).
    // Wins over dataRate where both apply.
    int quality = -1;
};

// One codec that this build can write into AVI, for the compressor choice.
struct CompressorInfo {
    std::string codec;
    std::string description;
};
