#include "player/imaging/GifReader.h"

#include "platform/CStdioFile.h"
#include "player/imaging/LzwDecoder.h"
#include "player/imaging/PictureLimits.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::size_t kSignatureBytes = 6;
constexpr std::size_t kScreenBytes = 7;
constexpr std::size_t kDescriptorBytes = 9;
constexpr std::uint8_t kSquareAspect = 49;
// The most pixels one byte of image data can produce: four codes of at least two bits, each naming a
// string of at most 4096 indices. A picture larger than its data could ever fill is refused before
// anything is allocated for it; small pictures (up to the floor) may always be cut short.
constexpr std::uint64_t kMaxPixelsPerDataByte = 4 * 4096;
constexpr std::uint64_t kPixelFloor = std::uint64_t { 1 } << 20;

// Colours by index; entries the file did not supply stay black.
using ColourMap = std::array<std::uint8_t, 256 * 3>;

class ByteCursor {
public:
    ByteCursor(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(data ? size : 0)
    {
    }

    std::size_t Left() const { return size_ - pos_; }
    const std::uint8_t* Here() const { return data_ + pos_; }
    bool Take(std::size_t n, const std::uint8_t*& where)
    {
        if (Left() < n)
            return false;
        where = data_ + pos_;
        pos_ += n;
        return true;
    }
    int Byte() { return pos_ < size_ ? data_[pos_++] : -1; }

    // Passes over data sub-blocks up to the zero-length terminator or a block the file cuts short.
    void SkipSubBlocks()
    {
        for (;;) {
            const int length = Byte();
            if (length <= 0)
                return;
            pos_ += std::min(static_cast<std::size_t>(length), Left());
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool ReadColourMap(ByteCursor& in, int entries, ColourMap& map)
{
    const std::uint8_t* bytes;
    if (!in.Take(static_cast<std::size_t>(entries) * 3, bytes))
        return false;
    std::memcpy(map.data(), bytes, static_cast<std::size_t>(entries) * 3);
    return true;
}

// Rows in the order the image data fills them: in four passes when interlaced.
class RowOrder {
public:
    RowOrder(int height, bool interlaced)
        : height_(height)
        , interlaced_(interlaced)
    {
    }

    // The next row, or -1 when the image is done.
    int Next()
    {
        static constexpr int kStart[] = { 0, 4, 2, 1 };
        static constexpr int kStep[] = { 8, 8, 4, 2 };
        if (!interlaced_)
            return row_ < height_ ? row_++ : -1;
        while (pass_ < 4) {
            if (row_ < height_) {
                const int row = row_;
                row_ += kStep[pass_];
                return row;
            }
            if (++pass_ < 4)
                row_ = kStart[pass_];
        }
        return -1;
    }

private:
    int height_;
    bool interlaced_;
    int pass_ = 0;
    int row_ = 0;
};

// Decodes the image data into out, which is zero-filled: pixels the data never reaches stay black.
// False only when the data cannot even begin.
bool DecodeImage(ByteCursor& in, const ColourMap& map, bool interlaced, RgbImage& out)
{
    const int minCodeSize = in.Byte();
    if (!LzwDecoder::Valid(minCodeSize))
        return false;
    auto decoder = std::make_unique<LzwDecoder>(in.Here(), in.Left(), minCodeSize);
    const std::size_t width = static_cast<std::size_t>(out.width);
    std::vector<std::uint8_t> indices(width);
    RowOrder rows(out.height, interlaced);
    for (int y = rows.Next(); y >= 0; y = rows.Next()) {
        const std::size_t got = decoder->Read(indices.data(), width);
        std::uint8_t* dst = out.pixels.data() + width * 3 * static_cast<std::size_t>(y);
        for (std::size_t x = 0; x < got; ++x, dst += 3) {
            const std::uint8_t* colour = map.data() + 3 * indices[x];
            dst[0] = colour[0];
            dst[1] = colour[1];
            dst[2] = colour[2];
        }
        if (got < width)
            break;
    }
    return true;
}

} // namespace

bool GifReader::ReadGif(const CString& fileName, RgbImage& out)
{
    out = RgbImage();
    if (fileName.IsEmpty()) {
        message_ = "No Name Given";
        return false;
    }
    std::vector<unsigned char> bytes;
    if (!platform::ReadWholeFile(fileName.str(), kMaxPictureFileBytes, bytes)) {
        message_ = "Cant open GIF";
        return false;
    }
    return ReadGifMemory(bytes.data(), bytes.size(), out);
}

bool GifReader::ReadGifMemory(const std::uint8_t* data, std::size_t size, RgbImage& out)
{
    out = RgbImage();
    ByteCursor in(data, size);
    const std::uint8_t* signature;
    if (!in.Take(kSignatureBytes, signature)) {
        message_ = "Error reading GIF Magic";
        return false;
    }
    if (std::memcmp(signature, "GIF", 3) != 0) {
        message_ = "Error: not a valid .GIF file";
        return false;
    }
    if (std::memcmp(signature + 3, "87a", 3) != 0 && std::memcmp(signature + 3, "89a", 3) != 0) {
        message_ = "Error: Bad GIF Version number";
        return false;
    }
    const std::uint8_t* screen;
    if (!in.Take(kScreenBytes, screen)) {
        message_ = "Error: failed to GIF read screen descriptor.\nGiving up";
        return false;
    }
    ColourMap globalMap {};
    if ((screen[4] & 0x80) && !ReadColourMap(in, 2 << (screen[4] & 7), globalMap)) {
        message_ = "Error reading GIF colormap";
        return false;
    }
    if (screen[6] != 0 && screen[6] != kSquareAspect)
        message_ = "Non-square pixels in GIF image.\nIgnoring that fact...";

    for (;;) {
        const int introducer = in.Byte();
        if (introducer < 0) {
            message_ = "Unexpected EOF in GIF.\nGiving up";
            return false;
        }
        if (introducer == '!') {
            // Extensions, the graphic control one included, carry nothing that changes the colours.
            if (in.Byte() < 0) {
                message_ = "Error on extension read.\nGiving up";
                return false;
            }
            in.SkipSubBlocks();
            continue;
        }
        if (introducer != ',')
            continue;

        const std::uint8_t* descriptor;
        if (!in.Take(kDescriptorBytes, descriptor)) {
            message_ = "Error on dimension read\nGiving up";
            return false;
        }
        const int width = descriptor[4] | (descriptor[5] << 8);
        const int height = descriptor[6] | (descriptor[7] << 8);
        const std::uint8_t flags = descriptor[8];
        const bool localMap = (flags & 0x80) != 0;
        const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
        if (!PictureFits(width, height) || (pixels > kPixelFloor && pixels > in.Left() * kMaxPixelsPerDataByte)) {
            message_ = "Out of Memory in GIFRead";
            return false;
        }
        try {
            out.pixels.assign(static_cast<std::size_t>(pixels) * 3, 0);
        } catch (const std::bad_alloc&) {
            out = RgbImage();
            message_ = "Out of Memory in GIFRead";
            return false;
        }
        out.width = width;
        out.height = height;
        ColourMap localColours {};
        if (localMap && !ReadColourMap(in, 1 << ((flags & 7) + 1), localColours)) {
            out = RgbImage();
            message_ = "Error reading GIF colormap\nGiving up";
            return false;
        }
        if (!DecodeImage(in, localMap ? localColours : globalMap, (flags & 0x40) != 0, out)) {
            out = RgbImage();
            message_ = localMap ? "Error reading GIF file\nLocalColorMap\nGiving up"
                                : "Error reading GIF file\nGIFScreen Colormap\nGiving up";
            return false;
        }
        return true;
    }
}
