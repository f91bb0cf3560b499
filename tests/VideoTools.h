#pragma once

// Reading back the videos we write with tools nobody here wrote (ffprobe and ffmpeg), and the test
// pattern the recorder tests feed in.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace videotools {

inline bool Present()
{
    return std::system("command -v ffprobe >/dev/null 2>&1 && command -v ffmpeg >/dev/null 2>&1") == 0;
}

// What the command prints on stdout.
inline std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// Stream facts as ffprobe reads them, one "key=value" a line in ffprobe's order, e.g. for entries
// "codec_name,width,height,r_frame_rate,nb_read_frames" (frames counted by decoding).
inline std::string Probe(const std::string& path, const std::string& entries)
{
    return Output("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=" + entries
        + " -of default=nw=1 '" + path + "'");
}

// Every frame of a video (or the one picture of a BMP or PNG file) as top-down RGB, one after another.
inline std::string DecodeRgb(const std::string& path)
{
    return Output("ffmpeg -v error -i '" + path + "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
}

// Peak signal-to-noise ratio in dB between two pictures of n bytes; infinity when they are equal.
inline double Psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t n)
{
    double squares = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = double(a[i]) - double(b[i]);
        squares += d * d;
    }
    if (squares == 0)
        return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * double(n) / squares);
}

inline double Psnr(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty())
        return 0;
    return Psnr(
        reinterpret_cast<const std::uint8_t*>(a.data()), reinterpret_cast<const std::uint8_t*>(b.data()), a.size());
}

// Frame k of a test clip, top-down RGB: red rises left to right, green top to bottom, so a mirrored or
// upside-down frame is far off; blue changes from frame to frame.
inline std::vector<std::uint8_t> PatternRgb(int width, int height, int k)
{
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 255 / (width - 1));
            p[1] = static_cast<std::uint8_t>(y * 255 / (height - 1));
            p[2] = static_cast<std::uint8_t>(40 + 6 * k);
        }
    }
    return rgb;
}

// The same frame as a 24-bit DIB: bottom-up, blue-green-red, rows padded to 4 bytes (padding garbage).
inline std::vector<std::uint8_t> PatternDib(int width, int height, int k)
{
    const std::size_t rowLength = (24 * static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::vector<std::uint8_t> rgb = PatternRgb(width, height, k);
    std::vector<std::uint8_t> dib(rowLength * height, 0xA5);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = &dib[(height - 1 - y) * rowLength];
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            row[3 * x] = p[2];
            row[3 * x + 1] = p[1];
            row[3 * x + 2] = p[0];
        }
    }
    return dib;
}

} // namespace videotools
