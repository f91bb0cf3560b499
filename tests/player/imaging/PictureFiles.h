#pragma once

// Small picture files built byte by byte for the CDib and convert tests, and the pixels of a block as
// the tools we compare with give them.
#include "player/imaging/codecs/DibPixels.h"
#include "player/imaging/codecs/PictureFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace picturefiles {

inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// An 8-bit BMP file: palette entries as 0x00RRGGBB, rows of indices top row first (padded here).
inline std::vector<std::uint8_t> Bmp8(
    int width, const std::vector<std::uint32_t>& palette, const std::vector<std::vector<std::uint8_t>>& rows)
{
    const std::size_t rowLength = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    const std::uint32_t bitsOffset = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
    std::vector<std::uint8_t> out = { 'B', 'M' };
    put32(out, bitsOffset + static_cast<std::uint32_t>(rowLength * rows.size())); // file size
    put32(out, 0); // reserved words
    put32(out, bitsOffset);
    put32(out, 40); // header size
    put32(out, static_cast<std::uint32_t>(width)); // width
    put32(out, static_cast<std::uint32_t>(rows.size())); // height, bottom-up
    put16(out, 1); // planes
    put16(out, 8); // bits per pixel
    put32(out, 0); // uncompressed
    put32(out, 0); // image size: work it out
    put32(out, 3780); // resolutions
    put32(out, 3780);
    put32(out, static_cast<std::uint32_t>(palette.size())); // colours used
    put32(out, 0); // colours important
    for (std::uint32_t c : palette)
        put32(out, c);
    for (std::size_t r = rows.size(); r-- > 0;) {
        std::vector<std::uint8_t> row = rows[r];
        row.resize(rowLength, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A picture as Pillow's tobytes() and ImageMagick's rgb: output give it: red, green, blue, top row first.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// The colours a block shows (empty when it is not a whole picture).
inline RgbPicture TopDownRgb(const std::vector<std::uint8_t>& block)
{
    RgbPicture out;
    const DibPixels decoder(block.data(), block.size());
    if (!decoder.Valid())
        return out;
    out.width = decoder.Layout().width;
    out.height = decoder.Layout().height;
    std::vector<std::uint32_t> shown(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    decoder.Decode(shown.data(), static_cast<std::size_t>(out.width));
    for (std::uint32_t pixel : shown)
        out.pixels.insert(out.pixels.end(),
            { static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                static_cast<std::uint8_t>(pixel) });
    return out;
}

// A file made to go wrong (or to be odd but readable) and what a reader must make of it.
struct StatusCase {
    const char* name;
    std::vector<std::uint8_t> file;
    PictureStatus status;
};

// Reads each case with read(data, size): the status as given, and a whole block exactly when it read.
template <typename Read> void ExpectStatuses(const std::vector<StatusCase>& cases, Read read)
{
    for (const StatusCase& c : cases) {
        const PictureRead result = read(c.file.data(), c.file.size());
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.block.empty(), result.status != PictureStatus::Read) << c.name;
        if (result.status == PictureStatus::Read) {
            EXPECT_TRUE(DibPixels(result.block.data(), result.block.size()).Valid()) << c.name;
        }
    }
}

inline bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF)
            bytes.push_back(static_cast<std::uint8_t>(c));
        std::fclose(f);
    }
    return bytes;
}

} // namespace picturefiles
