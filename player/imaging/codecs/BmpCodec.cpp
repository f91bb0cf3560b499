#include "player/imaging/codecs/BmpCodec.h"

#include "platform/CStdioFile.h"
#include "player/imaging/codecs/DibLayout.h"
#include "player/imaging/codecs/DibPixels.h"
#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/codecs/RgbRows.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kAlphaBitFields = 6; // red, green, blue and alpha masks
// A bitmap's rows may be zero-filled where its file is short, but not to sizes the file cannot
// justify: beyond this floor the rows may be at most this many times the bytes the file holds
// (run-length data expands at most about 128 times).
constexpr std::uint64_t kRowsFloorBytes = std::uint64_t { 16 } << 20;
constexpr std::uint64_t kRowsPerFileByte = 256;

// Information header sizes files carry: OS/2 1.x (12), OS/2 2.x (16, or 64 in full), Windows (40),
// with masks (52, 56), V4 (108) and V5 (124).
bool KnownHeaderSize(std::uint32_t size)
{
    switch (size) {
    case 12:
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        return true;
    default:
        return false;
    }
}

bool SniffBmp(const std::uint8_t* data, std::size_t size)
{
    if (!data)
        return false;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return true;
    return size >= 4 && KnownHeaderSize(dib::Read32(data));
}

bool DepthAndCompressionGo(std::uint32_t bitCount, std::uint32_t compression)
{
    switch (compression) {
    case dib::kRgb:
        return bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24
            || bitCount == 32;
    case dib::kRle8:
        return bitCount == 8;
    case dib::kRle4:
        return bitCount == 4;
    case dib::kBitFields:
    case kAlphaBitFields:
        return bitCount == 16 || bitCount == 32;
    default:
        return false; // embedded JPEG or PNG, and OS/2's Huffman and 24-bit run lengths
    }
}

// Masks every reader takes: 5-5-5 and 5-6-5 at 16 bits, 8-8-8 at 32.
bool UsualMasks(int bitCount, const std::array<std::uint32_t, 3>& masks)
{
    using Masks = std::array<std::uint32_t, 3>;
    if (bitCount == 16)
        return masks == Masks { 0x7C00, 0x03E0, 0x001F } || masks == Masks { 0xF800, 0x07E0, 0x001F };
    return masks == Masks { 0xFF0000, 0x00FF00, 0x0000FF };
}

// The block as an uncompressed one that every reader takes: run-length and 2-bit rows as 8- or 4-bit
// indices with the same colour table, unusual masks as 24 bits. Empty when there is no memory for it.
std::vector<std::uint8_t> Uncompressed(const std::vector<std::uint8_t>& block)
{
    const DibPixels pixels(block.data(), block.size());
    const dib::Layout& layout = pixels.Layout();
    const std::size_t width = static_cast<std::size_t>(layout.width);
    if (pixels.Indexed()) {
        const std::vector<std::uint8_t> indices = pixels.DecodeIndices();
        const int bits = layout.bitCount == 8 ? 8 : 4;
        const auto colours = static_cast<std::uint32_t>(std::min<std::size_t>(layout.colourCount, dib::kMaxColours));
        std::vector<std::uint8_t> out = dib::MakeBlock(layout.width, layout.height, bits, colours);
        if (indices.empty() || out.empty())
            return {};
        std::memcpy(out.data() + dib::kHeaderSize, block.data() + dib::kHeaderSize, 4 * std::size_t { colours });
        const std::size_t rowLength = dib::RowLength(layout.width, bits);
        std::uint8_t* rows = out.data() + dib::kHeaderSize + 4 * std::size_t { colours };
        for (int y = 0; y < layout.height; ++y) {
            const std::uint8_t* in = indices.data() + width * static_cast<std::size_t>(y);
            std::uint8_t* row = rows + rowLength * static_cast<std::size_t>(layout.height - 1 - y);
            for (std::size_t x = 0; x < width; ++x) {
                if (bits == 8)
                    row[x] = in[x];
                else
                    row[x / 2] |= static_cast<std::uint8_t>((in[x] & 0x0F) << (x % 2 ? 0 : 4));
            }
        }
        return out;
    }
    std::vector<std::uint8_t> out = dib::MakeBlock(layout.width, layout.height, 24, 0);
    if (out.empty())
        return {};
    std::vector<std::uint32_t> shown(width);
    const std::size_t rowLength = dib::RowLength(layout.width, 24);
    for (int y = 0; y < layout.height; ++y) {
        pixels.DecodeRow(y, shown.data());
        std::uint8_t* row = out.data() + dib::kHeaderSize + rowLength * static_cast<std::size_t>(layout.height - 1 - y);
        for (std::size_t x = 0; x < width; ++x, row += 3) {
            row[0] = static_cast<std::uint8_t>(shown[x]);
            row[1] = static_cast<std::uint8_t>(shown[x] >> 8);
            row[2] = static_cast<std::uint8_t>(shown[x] >> 16);
        }
    }
    return out;
}

// The 14-byte "BM" header: file size and where the rows start.
bool PutFileHeader(std::FILE* file, std::uint64_t fileSize, std::uint64_t bitsOffset)
{
    std::uint8_t header[kFileHeaderBytes] = { 'B', 'M' };
    dib::Write32(header + 2, static_cast<std::uint32_t>(fileSize));
    dib::Write32(header + 10, static_cast<std::uint32_t>(bitsOffset));
    return std::fwrite(header, 1, sizeof header, file) == sizeof header;
}

bool WritesAsItIs(const std::vector<std::uint8_t>& block)
{
    const DibPixels pixels(block.data(), block.size());
    const dib::Layout& layout = pixels.Layout();
    if (layout.compression == dib::kRgb)
        return layout.bitCount != 2;
    return layout.compression == dib::kBitFields && UsualMasks(layout.bitCount, pixels.Masks());
}

PictureRead ReadBmpFormat(const std::uint8_t* data, std::size_t size)
{
    return ReadBmpMemory(data, size);
}

// A 24-bit file of the rows, written a row at a time.
bool WriteBmpFormat(std::FILE* file, RgbRows& rows, int)
{
    const int width = rows.Width();
    const int height = rows.Height();
    const std::size_t rowLength = dib::RowLength(width, 24);
    const std::uint64_t fileSize = kFileHeaderBytes + dib::kHeaderSize + std::uint64_t { rowLength } * height;
    if (fileSize > 0xFFFFFFFFull) {
        errno = EDOM;
        return false;
    }
    std::uint8_t header[dib::kHeaderSize];
    dib::WriteHeader(header, width, height, 24, 0);
    if (!PutFileHeader(file, fileSize, kFileHeaderBytes + dib::kHeaderSize)
        || std::fwrite(header, 1, sizeof header, file) != sizeof header)
        return false;
    std::vector<std::uint8_t> row(rowLength, 0);
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* rgb = rows.Row(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = rgb[3 * x + 2];
            row[3 * x + 1] = rgb[3 * x + 1];
            row[3 * x + 2] = rgb[3 * x];
        }
        if (std::fwrite(row.data(), 1, row.size(), file) != row.size())
            return false;
    }
    return true;
}

constexpr const char* kBmpExtensions[] = { "bmp", nullptr };

} // namespace

extern const PictureFormat kBmpFormat
    = { "BMP", kBmpExtensions, SniffBmp, ReadBmpFormat, WriteBmpFormat, WriteBmpFile };

namespace {

// What a file's headers say, as the block is built from it.
struct BmpHeaders {
    std::size_t headerAt = 0; // where the information header starts: after "BM" and its 12 bytes
    std::uint64_t bitsOffset = 0; // where the rows start, when the file says
    std::uint32_t headerSize = 0;
    bool core = false; // OS/2 1.x: 16-bit sizes, 3-byte colours
    bool os2 = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = dib::kRgb;
    std::uint32_t imageSize = 0;
    std::uint32_t xRes = 0;
    std::uint32_t yRes = 0;
    std::uint32_t used = 0;
    std::uint32_t important = 0;
};

bool ReadHeaders(const std::uint8_t* data, std::size_t size, BmpHeaders& b)
{
    if (size >= kFileHeaderBytes && data[0] == 'B' && data[1] == 'M') {
        b.headerAt = kFileHeaderBytes;
        b.bitsOffset = dib::Read32(data + 10);
    }
    if (size < b.headerAt + 4)
        return false;
    const std::uint8_t* h = data + b.headerAt;
    b.headerSize = dib::Read32(h);
    if (!KnownHeaderSize(b.headerSize) || size - b.headerAt < b.headerSize)
        return false;
    b.core = b.headerSize == kCoreHeaderBytes;
    b.os2 = b.core || b.headerSize == 16 || b.headerSize == 64;
    if (b.core) {
        b.width = dib::Read16(h + 4);
        b.height = dib::Read16(h + 6);
        b.bitCount = dib::Read16(h + 10);
        return true;
    }
    b.width = static_cast<std::int32_t>(dib::Read32(h + 4));
    b.height = static_cast<std::int32_t>(dib::Read32(h + 8));
    b.bitCount = dib::Read16(h + 14);
    if (b.headerSize >= 40) {
        b.compression = dib::Read32(h + 16);
        b.imageSize = dib::Read32(h + 20);
        b.xRes = dib::Read32(h + 24);
        b.yRes = dib::Read32(h + 28);
        b.used = dib::Read32(h + 32);
        b.important = dib::Read32(h + 36);
    }
    return true;
}

// The masks and colour table a file holds, and where its rows start.
struct BmpTable {
    bool masked = false;
    std::uint32_t masks[3] = {};
    std::size_t tableAt = 0;
    std::size_t entryBytes = 4;
    std::uint64_t fromFile = 0; // entries copied from the file
    std::uint64_t colours = 0; // entries the block keeps
    std::uint64_t pixelsAt = 0;
};

bool LocateTable(const std::uint8_t* data, std::size_t size, const BmpHeaders& b, BmpTable& t)
{
    // Masks sit at the end of the 40-byte header: inside longer headers, after a 40-byte one.
    t.masked = b.compression == dib::kBitFields || b.compression == kAlphaBitFields;
    t.tableAt = b.headerAt + b.headerSize;
    if (t.masked) {
        const std::size_t masksAt = b.headerAt + 40;
        t.tableAt = std::max(t.tableAt, masksAt + (b.compression == kAlphaBitFields ? 16 : 12));
        if (size < masksAt + 12)
            return false;
        for (int c = 0; c < 3; ++c)
            t.masks[c] = dib::Read32(data + masksAt + 4 * static_cast<std::size_t>(c));
    }
    // The table the file holds (16-, 24- and 32-bit files may carry one that their pixels do not use,
    // kept all the same so that the picture saves as it came), and the part of it the block keeps: at
    // most 256 entries, and none past the start of the pixels.
    t.entryBytes = b.core ? 3 : 4;
    const std::uint64_t fileColours = b.used != 0 && !b.core ? b.used : dib::DefaultColourCount(b.bitCount);
    std::uint64_t colours = std::min<std::uint64_t>(fileColours, dib::kMaxColours);
    if (b.bitsOffset > t.tableAt)
        colours = std::min<std::uint64_t>(colours, (b.bitsOffset - t.tableAt) / t.entryBytes);
    if (t.tableAt > size || (size - t.tableAt) / t.entryBytes < colours)
        return false;
    // A block's colour count of 0 means the full table of its depth; a file that gives none gets one
    // black entry instead, so that every index shows black as it should.
    t.fromFile = colours;
    t.colours = b.bitCount <= 8 && colours == 0 ? 1 : colours;
    t.pixelsAt = b.bitsOffset != 0 ? b.bitsOffset : t.tableAt + fileColours * t.entryBytes;
    return t.pixelsAt <= size;
}

// The bytes of pixels the block holds, 0 when the file cannot justify them. Uncompressed rows are
// rowLength x height whatever the header claims, plus the bytes some writers add after them when the
// file holds those (so the picture saves as it came); run-length data keeps its own length as far as
// the file holds it, and the block is never smaller than the rows would be, so code that walks rows
// stays inside it.
std::uint64_t PixelBytes(const BmpHeaders& b, bool runLength, std::uint64_t available)
{
    const std::uint64_t rowsBytes
        = dib::RowLength(b.width, static_cast<int>(b.bitCount)) * static_cast<std::uint64_t>(b.height);
    std::uint64_t pixelBytes = rowsBytes;
    if (!runLength && b.imageSize > rowsBytes && b.imageSize <= available)
        pixelBytes = b.imageSize;
    if (runLength)
        pixelBytes = std::max(rowsBytes, b.imageSize != 0 && b.imageSize <= available ? b.imageSize : available);
    if (pixelBytes > kRowsFloorBytes && pixelBytes / kRowsPerFileByte > available)
        return 0;
    return pixelBytes;
}

// The block's own 40-byte header, its masks and the colours of its table.
void PutBlockHeader(
    std::uint8_t* out, const std::uint8_t* data, const BmpHeaders& b, const BmpTable& t, std::uint64_t pixelBytes)
{
    dib::Write32(out, dib::kHeaderSize);
    dib::Write32(out + 4, static_cast<std::uint32_t>(b.width));
    dib::Write32(out + 8, static_cast<std::uint32_t>(b.height));
    dib::Write16(out + 12, 1);
    dib::Write16(out + 14, b.bitCount);
    dib::Write32(out + 16, t.masked ? dib::kBitFields : b.compression);
    dib::Write32(out + 20, static_cast<std::uint32_t>(pixelBytes));
    dib::Write32(out + 24, b.xRes);
    dib::Write32(out + 28, b.yRes);
    // A core header has no colours-important field: every colour of its table counts.
    dib::Write32(out + 32, static_cast<std::uint32_t>(t.colours));
    dib::Write32(out + 36, b.core ? static_cast<std::uint32_t>(t.colours) : b.important);
    std::uint8_t* table = out + dib::kHeaderSize;
    if (t.masked) {
        for (std::size_t c = 0; c < 3; ++c)
            dib::Write32(table + 4 * c, t.masks[c]);
        table += 12;
    }
    for (std::size_t i = 0; i < t.fromFile; ++i)
        std::memcpy(table + 4 * i, data + t.tableAt + t.entryBytes * i, 3);
}

} // namespace

PictureRead ReadBmpMemory(const std::uint8_t* data, std::size_t size)
{
    PictureRead result;
    BmpHeaders b;
    if (!data || !ReadHeaders(data, size, b))
        return result;
    // OS/2 numbers its compressions its own way: beyond run lengths they are Huffman and 24-bit runs.
    if ((b.os2 && b.compression > dib::kRle4) || !DepthAndCompressionGo(b.bitCount, b.compression))
        return result;
    // Rows stored top first (negative height) are turned to the usual bottom-up order on reading;
    // run-length data has no such form.
    const bool topDown = b.height < 0;
    const bool runLength = b.compression == dib::kRle8 || b.compression == dib::kRle4;
    if (topDown && runLength)
        return result;
    b.height = topDown ? -b.height : b.height;
    result.width = b.width;
    result.height = b.height;
    if (b.width <= 0 || b.height <= 0)
        return result;
    if (!PictureFits(b.width, b.height)) {
        result.status = PictureStatus::OverBudget;
        return result;
    }
    BmpTable t;
    if (!LocateTable(data, size, b, t))
        return result;
    const std::uint64_t available = size - t.pixelsAt;
    const std::uint64_t pixelBytes = PixelBytes(b, runLength, available);
    if (pixelBytes == 0)
        return result;

    const std::size_t rowsAt = dib::kHeaderSize + (t.masked ? 12 : 0) + static_cast<std::size_t>(t.colours) * 4;
    try {
        result.block.assign(rowsAt + static_cast<std::size_t>(pixelBytes), 0);
    } catch (const std::bad_alloc&) {
        result.status = PictureStatus::NoMemory;
        return result;
    }
    PutBlockHeader(result.block.data(), data, b, t, pixelBytes);
    // What the file lacks of the rows stays zero.
    std::uint8_t* rows = result.block.data() + rowsAt;
    std::memcpy(rows, data + t.pixelsAt, static_cast<std::size_t>(std::min(pixelBytes, available)));
    if (topDown) {
        const std::size_t len = dib::RowLength(b.width, static_cast<int>(b.bitCount));
        for (std::int64_t top = 0, bottom = b.height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(rows + len * static_cast<std::size_t>(top), rows + len * static_cast<std::size_t>(top + 1),
                rows + len * static_cast<std::size_t>(bottom));
    }
    result.status = PictureStatus::Read;
    return result;
}

bool ReadBmp(const CString& fileName, std::vector<std::uint8_t>& dib)
{
    dib.clear();
    std::vector<unsigned char> bytes;
    if (fileName.IsEmpty() || !platform::ReadWholeFile(fileName.str(), kMaxPictureFileBytes, bytes))
        return false;
    PictureRead read = ReadBmpMemory(bytes.data(), bytes.size());
    if (read.status != PictureStatus::Read)
        return false;
    dib = std::move(read.block);
    return true;
}

bool WriteBmpFile(std::FILE* file, const std::vector<std::uint8_t>& dib)
{
    dib::Layout layout;
    if (!DibPixels(dib.data(), dib.size()).Valid()) {
        errno = EINVAL;
        return false;
    }
    std::vector<std::uint8_t> converted;
    const bool asItIs = WritesAsItIs(dib);
    if (!asItIs) {
        converted = Uncompressed(dib);
        if (converted.empty()) {
            errno = ENOMEM;
            return false;
        }
    }
    const std::vector<std::uint8_t>& block = asItIs ? dib : converted;
    dib::ReadLayout(block.data(), block.size(), layout);
    const std::uint64_t fileSize = kFileHeaderBytes + std::uint64_t { block.size() };
    if (fileSize > 0xFFFFFFFFull) {
        errno = EDOM;
        return false;
    }
    return PutFileHeader(file, fileSize, kFileHeaderBytes + layout.rowsOffset)
        && std::fwrite(block.data(), 1, block.size(), file) == block.size();
}

int WriteBmp(const CString& fileName, const std::vector<std::uint8_t>& dib)
{
    return SavePictureBlock(fileName, kBmpFormat, dib);
}
