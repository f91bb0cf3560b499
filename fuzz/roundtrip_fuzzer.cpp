// Write-then-read: a picture made from the input is written as a BMP and a PNG file by our writers and
// as a GIF by a minimal encoder here, and each must read back with exactly its pixels.
#include "FuzzTarget.h"
#include "PictureCheck.h"
#include "player/imaging/codecs/GifReader.h"
#include "player/imaging/codecs/PngCodec.h"
#include "player/imaging/store/CDib.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The harness's own loops are not what is being explored: keep them out of the coverage feedback, which
// would otherwise trace every pixel comparison and spend half of each run there.
#if defined(__clang__)
#define HARNESS_ONLY __attribute__((no_sanitize("coverage")))
#else
#define HARNESS_ONLY
#endif

// An 8-bit GIF whose LZW stream sends a clear code before the table would outgrow 9-bit codes, so
// every code is a literal: simple to write, and every decoder must read it.
HARNESS_ONLY std::vector<std::uint8_t> encodeGif(
    int width, int height, const std::vector<std::uint8_t>& indices, const std::uint8_t* palette)
{
    std::vector<std::uint8_t> out = { 'G', 'I', 'F', '8', '9', 'a' };
    auto put16 = [&](int v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put16(width);
    put16(height);
    out.insert(out.end(), { 0xF7, 0, 0 }); // global map of 256 entries
    out.insert(out.end(), palette, palette + 768);
    out.push_back(',');
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    out.push_back(0);
    out.push_back(8); // minimum code size
    std::vector<std::uint8_t> data;
    std::uint32_t bits = 0;
    int count = 0;
    auto code = [&](int c) {
        bits |= static_cast<std::uint32_t>(c) << count;
        count += 9;
        while (count >= 8) {
            data.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    code(256);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i > 0 && i % 250 == 0)
            code(256);
        code(indices[i]);
    }
    code(257);
    if (count > 0)
        data.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
    }
    out.push_back(0);
    out.push_back(';');
    return out;
}

} // namespace

extern "C" HARNESS_ONLY int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    const std::uint8_t* pixels = data + 2;
    const std::size_t available = size - 2;
    auto byteAt = [&](std::size_t i) { return pixels[i % available]; };

    // BMP: a 24-bit picture through our writer and reader.
    CDib picture;
    picture.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = 3 * (static_cast<std::size_t>(y) * width + x);
            picture.SetPixel(x, y, RGB(byteAt(i), byteAt(i + 1), byteAt(i + 2)));
        }
    static const std::string path = "/tmp/mirrim-roundtrip-" + std::to_string(getpid()) + ".bmp";
    if (picture.SaveBmp(path.c_str())) {
        CDib back;
        if (!back.Load(path.c_str()) || back.GetWidth() != width || back.GetHeight() != height)
            __builtin_trap();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (back.GetPixel(x, y) != picture.GetPixel(x, y))
                    __builtin_trap();
        std::remove(path.c_str());
    }

    // PNG: the same picture through our writer and reader, in memory.
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* file = open_memstream(&buffer, &length);
    RgbRows rows(picture);
    const bool written = WritePngFile(file, rows);
    std::fclose(file);
    const PictureRead png = ReadPngMemory(reinterpret_cast<std::uint8_t*>(buffer), length);
    std::free(buffer);
    if (!written || png.status != PictureStatus::Read || ShownPixels(png.block) != ShownPixels(picture.GetBlock()))
        __builtin_trap();

    // GIF: palette indices and a palette from the input, through our reader.
    std::uint8_t palette[768];
    for (int i = 0; i < 768; ++i)
        palette[i] = byteAt(static_cast<std::size_t>(i) * 7);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = byteAt(i);
    const std::vector<std::uint8_t> gif = encodeGif(width, height, indices, palette);
    const PictureRead read = GifReader().ReadGifMemory(gif.data(), gif.size());
    if (read.status != PictureStatus::Read || read.width != width || read.height != height)
        __builtin_trap();
    const std::vector<std::uint32_t> shown = ShownPixels(read.block);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const std::uint8_t* rgb = palette + 3 * indices[i];
        if (shown[i] != (0xFF000000u | (std::uint32_t { rgb[0] } << 16) | (std::uint32_t { rgb[1] } << 8) | rgb[2]))
            __builtin_trap();
    }
    return 0;
}
