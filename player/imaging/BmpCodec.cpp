#include "player/imaging/BmpCodec.h"

#include "platform/CStdioFile.h"
#include "player/imaging/DibLayout.h"
#include "player/imaging/DibPixels.h"
#include "player/imaging/PictureFormats.h"
#include "player/imaging/PictureLimits.h"
#include "player/imaging/RgbRows.h"

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

PictureRead ReadBmpMemory(const std::uint8_t* data, std::size_t size)
{
    PictureRead result;
    if (!data)
        return result;
    std::size_t headerAt = 0;
    std::uint64_t bitsOffset = 0;
    if (size >= kFileHeaderBytes && data[0] == 'B' && data[1] == 'M') {
        headerAt = kFileHeaderBytes;
        bitsOffset = dib::Read32(data + 10);
    }
    if (size < headerAt + 4)
        return result;
    const std::uint8_t* h = data + headerAt;
    const std::uint32_t headerSize = dib::Read32(h);
    if (!KnownHeaderSize(headerSize) || size - headerAt < headerSize)
        return result;
    const bool core = headerSize == kCoreHeaderBytes;
    const bool os2 = core || headerSize == 16 || headerSize == 64;

    std::int64_t width, height;
    std::uint32_t bitCount, compression = dib::kRgb, imageSize = 0, xRes = 0, yRes = 0, used = 0, important = 0;
    if (core) {
        width = dib::Read16(h + 4);
        height = dib::Read16(h + 6);
        bitCount = dib::Read16(h + 10);
    } else {
        width = static_cast<std::int32_t>(dib::Read32(h + 4));
        height = static_cast<std::int32_t>(dib::Read32(h + 8));
        bitCount = dib::Read16(h + 14);
        if (headerSize >= 40) {
            compression = dib::Read32(h + 16);
            imageSize = dib::Read32(h + 20);
            xRes = dib::Read32(h + 24);
            yRes = dib::Read32(h + 28);
            used = dib::Read32(h + 32);
            important = dib::Read32(h + 36);
        }
    }
    // OS/2 numbers its compressions its own way: beyond run lengths they are Huffman and 24-bit runs.
    if ((os2 && compression > dib::kRle4) || !DepthAndCompressionGo(bitCount, compression))
        return result;
    // Rows stored top first (negative height) are turned to the usual bottom-up order on reading;
    // run-length data has no such form.
    const bool topDown = height < 0;
    const bool runLength = compression == dib::kRle8 || compression == dib::kRle4;
    if (topDown && runLength)
        return result;
    height = topDown ? -height : height;
    result.width = width;
    result.height = height;
    if (width <= 0 || height <= 0)
        return result;
    if (!PictureFits(width, height)) {
        result.status = PictureStatus::OverBudget;
        return result;
    }

    // Masks sit at the end of the 40-byte header: inside longer headers, after a 40-byte one.
    const bool masked = compression == dib::kBitFields || compression == kAlphaBitFields;
    std::size_t tableAt = headerAt + headerSize;
    std::uint32_t masks[3] = {};
    if (masked) {
        const std::size_t masksAt = headerAt + 40;
        tableAt = std::max(tableAt, masksAt + (compression == kAlphaBitFields ? 16 : 12));
        if (size < masksAt + 12)
            return result;
        for (int c = 0; c < 3; ++c)
            masks[c] = dib::Read32(data + masksAt + 4 * static_cast<std::size_t>(c));
    }

    // The table the file holds (16-, 24- and 32-bit files may carry one that their pixels do not use,
    // kept all the same so that the picture saves as it came), and the part of it the block keeps: at
    // most 256 entries, and none past the start of the pixels.
    const std::size_t entryBytes = core ? 3 : 4;
    const std::uint64_t fileColours = used != 0 && !core ? used : dib::DefaultColourCount(bitCount);
    std::uint64_t colours = std::min<std::uint64_t>(fileColours, dib::kMaxColours);
    if (bitsOffset > tableAt)
        colours = std::min<std::uint64_t>(colours, (bitsOffset - tableAt) / entryBytes);
    if (tableAt > size || (size - tableAt) / entryBytes < colours)
        return result;
    // A block's colour count of 0 means the full table of its depth; a file that gives none gets one
    // black entry instead, so that every index shows black as it should.
    const std::uint64_t fromFile = colours;
    if (bitCount <= 8 && colours == 0)
        colours = 1;
    const std::uint64_t pixelsAt = bitsOffset != 0 ? bitsOffset : tableAt + fileColours * entryBytes;
    if (pixelsAt > size)
        return result;
    const std::uint64_t available = size - pixelsAt;

    // Uncompressed rows are rowLength x height whatever the header claims, plus the bytes some writers
    // add after them when the file holds those (so the picture saves as it came); run-length data keeps
    // its own length as far as the file holds it, and the block is never smaller than the rows would be,
    // so code that walks rows stays inside it.
    const std::uint64_t rowsBytes
        = dib::RowLength(width, static_cast<int>(bitCount)) * static_cast<std::uint64_t>(height);
    std::uint64_t pixelBytes = rowsBytes;
    if (!runLength && imageSize > rowsBytes && imageSize <= available)
        pixelBytes = imageSize;
    if (runLength)
        pixelBytes = std::max(rowsBytes, imageSize != 0 && imageSize <= available ? imageSize : available);
    if (pixelBytes > kRowsFloorBytes && pixelBytes / kRowsPerFileByte > available)
        return result;

    const std::size_t maskBytes = masked ? 12 : 0;
    const std::size_t tableBytes = static_cast<std::size_t>(colours) * 4;
    try {
        result.block.assign(dib::kHeaderSize + maskBytes + tableBytes + static_cast<std::size_t>(pixelBytes), 0);
    } catch (const std::bad_alloc&) {
        result.status = PictureStatus::NoMemory;
        return result;
    }
    std::uint8_t* out = result.block.data();
    dib::Write32(out, dib::kHeaderSize);
    dib::Write32(out + 4, static_cast<std::uint32_t>(width));
    dib::Write32(out + 8, static_cast<std::uint32_t>(height));
    dib::Write16(out + 12, 1);
    dib::Write16(out + 14, bitCount);
    dib::Write32(out + 16, masked ? dib::kBitFields : compression);
    dib::Write32(out + 20, static_cast<std::uint32_t>(pixelBytes));
    dib::Write32(out + 24, xRes);
    dib::Write32(out + 28, yRes);
    // A core header has no colours-important field: every colour of its table counts.
    dib::Write32(out + 32, static_cast<std::uint32_t>(colours));
    dib::Write32(out + 36, core ? static_cast<std::uint32_t>(colours) : important);
    for (std::size_t c = 0; c < maskBytes / 4; ++c)
        dib::Write32(out + dib::kHeaderSize + 4 * c, masks[c]);
    std::uint8_t* table = out + dib::kHeaderSize + maskBytes;
    for (std::size_t i = 0; i < fromFile; ++i)
        std::memcpy(table + 4 * i, data + tableAt + entryBytes * i, 3);

    // What the file lacks of the rows stays zero.
    std::uint8_t* rows = table + tableBytes;
    std::memcpy(rows, data + pixelsAt, static_cast<std::size_t>(std::min(pixelBytes, available)));
    if (topDown) {
        const std::size_t len = dib::RowLength(width, static_cast<int>(bitCount));
        for (std::int64_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
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
