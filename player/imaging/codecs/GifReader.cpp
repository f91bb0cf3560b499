#include "player/imaging/codecs/GifReader.h"

#include "platform/CStdioFile.h"
#include "player/imaging/codecs/DibLayout.h"
#include "player/imaging/codecs/LzwDecoder.h"
#include "player/imaging/codecs/PictureLimits.h"

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

// Colours by index, for every index the largest code size allows; entries the file did not supply stay
// black.
constexpr int kMapEntries = 1 << LzwDecoder::kMaxCodeSize;
using ColourMap = std::array<std::uint8_t, kMapEntries * 3>;

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

    // Passes over data sub-blocks up to the zero-length terminator or a block the file cuts short, and
    // gives the bytes of data they hold.
    std::size_t SkipSubBlocks()
    {
        std::size_t data = 0;
        for (;;) {
            const int length = Byte();
            if (length <= 0)
                return data;
            const std::size_t n = std::min(static_cast<std::size_t>(length), Left());
            pos_ += n;
            data += n;
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

// The bytes of image data in the sub-blocks at the cursor: what bounds the pixels they can fill.
std::size_t ImageDataBytes(ByteCursor in)
{
    if (in.Byte() < 0) // the minimum code size
        return 0;
    return in.SkipSubBlocks();
}

// Decodes the image data into the block's rows, which are zero-filled: pixels the data never reaches
// stay black. False only when the data cannot even begin.
bool DecodeImage(ByteCursor& in, const ColourMap& map, bool interlaced, std::vector<std::uint8_t>& block)
{
    const int minCodeSize = in.Byte();
    if (!LzwDecoder::Valid(minCodeSize))
        return false;
    auto decoder = std::make_unique<LzwDecoder>(in.Here(), in.Left(), minCodeSize);
    dib::Layout layout;
    dib::ReadLayout(block.data(), block.size(), layout);
    const std::size_t width = static_cast<std::size_t>(layout.width);
    std::vector<std::uint16_t> indices(width);
    RowOrder rows(layout.height, interlaced);
    for (int y = rows.Next(); y >= 0; y = rows.Next()) {
        const std::size_t got = decoder->Read(indices.data(), width);
        std::uint8_t* dst
            = block.data() + layout.rowsOffset + layout.rowLength * static_cast<std::size_t>(layout.height - 1 - y);
        for (std::size_t x = 0; x < got; ++x, dst += 3) {
            const std::uint8_t* colour = map.data() + 3 * indices[x];
            dst[0] = colour[2];
            dst[1] = colour[1];
            dst[2] = colour[0];
        }
        if (got < width)
            break;
    }
    return true;
}

} // namespace

PictureRead GifReader::fail(PictureRead read, const char* message)
{
    message_ = message;
    read.block = std::vector<std::uint8_t>();
    return read;
}

PictureRead GifReader::ReadGif(const CString& fileName)
{
    if (fileName.IsEmpty())
        return fail(PictureRead(), "No Name Given");
    std::vector<unsigned char> bytes;
    if (!platform::ReadWholeFile(fileName.str(), kMaxPictureFileBytes, bytes))
        return fail(PictureRead(), "Cant open GIF");
    return ReadGifMemory(bytes.data(), bytes.size());
}

PictureRead GifReader::ReadGifMemory(const std::uint8_t* data, std::size_t size)
{
    PictureRead read;
    ByteCursor in(data, size);
    const std::uint8_t* signature;
    if (!in.Take(kSignatureBytes, signature))
        return fail(read, "Error reading GIF Magic");
    if (std::memcmp(signature, "GIF", 3) != 0)
        return fail(read, "Error: not a valid .GIF file");
    if (std::memcmp(signature + 3, "87a", 3) != 0 && std::memcmp(signature + 3, "89a", 3) != 0)
        return fail(read, "Error: Bad GIF Version number");
    const std::uint8_t* screen;
    if (!in.Take(kScreenBytes, screen))
        return fail(read, "Error: failed to GIF read screen descriptor.\nGiving up");
    ColourMap globalMap {};
    if ((screen[4] & 0x80) && !ReadColourMap(in, 2 << (screen[4] & 7), globalMap))
        return fail(read, "Error reading GIF colormap");
    if (screen[6] != 0 && screen[6] != kSquareAspect)
        message_ = "Non-square pixels in GIF image.\nIgnoring that fact...";

    for (;;) {
        const int introducer = in.Byte();
        if (introducer < 0)
            return fail(read, "Unexpected EOF in GIF.\nGiving up");
        if (introducer == '!') {
            // Extensions, the graphic control one included, carry nothing that changes the colours.
            if (in.Byte() < 0)
                return fail(read, "Error on extension read.\nGiving up");
            in.SkipSubBlocks();
            continue;
        }
        if (introducer != ',')
            continue;

        const std::uint8_t* descriptor;
        if (!in.Take(kDescriptorBytes, descriptor))
            return fail(read, "Error on dimension read\nGiving up");
        const int width = descriptor[4] | (descriptor[5] << 8);
        const int height = descriptor[6] | (descriptor[7] << 8);
        const std::uint8_t flags = descriptor[8];
        const bool localMap = (flags & 0x80) != 0;
        const int localEntries = localMap ? 1 << ((flags & 7) + 1) : 0;
        read.width = width;
        read.height = height;
        if (!PictureFits(width, height)) {
            read.status = width > 0 && height > 0 ? PictureStatus::OverBudget : PictureStatus::Damaged;
            return fail(read, "Out of Memory in GIFRead");
        }
        // Only the image's own data counts: comments or other blocks after it fill no pixels.
        ByteCursor image = in;
        const std::uint8_t* skipped;
        const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
        if (pixels > kPixelFloor
            && (!image.Take(static_cast<std::size_t>(localEntries) * 3, skipped)
                || pixels > ImageDataBytes(image) * kMaxPixelsPerDataByte))
            return fail(read, "Out of Memory in GIFRead");
        read.block = dib::MakeBlock(width, height, 24, 0);
        if (read.block.empty()) {
            read.status = PictureStatus::NoMemory;
            return fail(read, "Out of Memory in GIFRead");
        }
        ColourMap localColours {};
        if (localMap && !ReadColourMap(in, localEntries, localColours))
            return fail(read, "Error reading GIF colormap\nGiving up");
        if (!DecodeImage(in, localMap ? localColours : globalMap, (flags & 0x40) != 0, read.block))
            return fail(read,
                localMap ? "Error reading GIF file\nLocalColorMap\nGiving up"
                         : "Error reading GIF file\nGIFScreen Colormap\nGiving up");
        read.status = PictureStatus::Read;
        return read;
    }
}

namespace {

bool SniffGif(const std::uint8_t* data, std::size_t size)
{
    return data && size >= 3 && std::memcmp(data, "GIF", 3) == 0;
}

PictureRead ReadGifFormat(const std::uint8_t* data, std::size_t size)
{
    return GifReader().ReadGifMemory(data, size);
}

constexpr const char* kGifExtensions[] = { "gif", nullptr };

} // namespace

// Reading only: a snapshot keeps every colour, which a 256-colour GIF could not.
extern const PictureFormat kGifFormat = { "GIF", kGifExtensions, SniffGif, ReadGifFormat, nullptr, nullptr };
