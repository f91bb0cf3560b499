#include "player/imaging/BmpCodec.h"

#include "platform/CStdioFile.h"
#include "player/imaging/DibLayout.h"
#include "player/imaging/PictureLimits.h"
#include "player/imaging/SafeFileWriter.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kCoreHeaderBytes = 12;
constexpr std::size_t kMaxColours = 256;
// A bitmap's rows may be zero-filled where its file is short, but not to sizes the file cannot
// justify: beyond this floor the rows may be at most this many times the bytes the file holds
// (run-length data expands at most about 128 times).
constexpr std::uint64_t kRowsFloorBytes = std::uint64_t { 16 } << 20;
constexpr std::uint64_t kRowsPerFileByte = 256;

} // namespace

bool ReadBmpMemory(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& dib)
{
    dib.clear();
    if (!data)
        return false;
    std::size_t headerAt = 0;
    std::uint64_t bitsOffset = 0;
    if (size >= kFileHeaderBytes && data[0] == 'B' && data[1] == 'M') {
        headerAt = kFileHeaderBytes;
        bitsOffset = dib::Read32(data + 10);
    }
    if (size < headerAt + 4)
        return false;
    const std::uint8_t* h = data + headerAt;
    const std::uint32_t headerSize = dib::Read32(h);
    if ((headerSize != kInfoHeaderBytes && headerSize != kCoreHeaderBytes) || size - headerAt < headerSize)
        return false;
    const bool core = headerSize == kCoreHeaderBytes;

    std::int64_t width, height;
    std::uint32_t planes, bitCount, compression = 0, imageSize = 0, xRes = 0, yRes = 0, used = 0, important = 0;
    if (core) {
        width = dib::Read16(h + 4);
        height = dib::Read16(h + 6);
        planes = dib::Read16(h + 8);
        bitCount = dib::Read16(h + 10);
    } else {
        width = static_cast<std::int32_t>(dib::Read32(h + 4));
        height = static_cast<std::int32_t>(dib::Read32(h + 8));
        planes = dib::Read16(h + 12);
        bitCount = dib::Read16(h + 14);
        compression = dib::Read32(h + 16);
        imageSize = dib::Read32(h + 20);
        xRes = dib::Read32(h + 24);
        yRes = dib::Read32(h + 28);
        used = dib::Read32(h + 32);
        important = dib::Read32(h + 36);
    }
    // Rows stored top first (negative height) are turned to the usual bottom-up order on reading;
    // run-length data has no such form.
    const bool topDown = height < 0;
    if (topDown && compression != 0)
        return false;
    height = topDown ? -height : height;
    if (!PictureFits(width, height, static_cast<int>(std::max<std::uint32_t>(bitCount, 1))))
        return false;

    const std::uint32_t colours = used != 0 ? used : dib::DefaultColourCount(bitCount);
    if (core)
        used = important = colours;
    if (colours > kMaxColours)
        return false;
    const std::size_t entryBytes = core ? 3 : 4;
    const std::size_t tableAt = headerAt + headerSize;
    if (size - tableAt < colours * entryBytes)
        return false;

    const std::uint64_t rowLength = ((std::uint64_t { bitCount } * static_cast<std::uint64_t>(width) + 31) / 32) * 4;
    const std::uint64_t rowsBytes = rowLength * static_cast<std::uint64_t>(height);
    const std::uint64_t pixelsAt = bitsOffset != 0 ? bitsOffset : tableAt + colours * entryBytes;
    if (pixelsAt > size)
        return false;
    const std::uint64_t available = size - pixelsAt;
    // Uncompressed rows are exactly rowLength x height whatever the header claims; compressed data keeps
    // its own length as far as the file holds it, and the block is never smaller than the rows would be,
    // so code that walks rows stays inside it.
    std::uint64_t pixelBytes = rowsBytes;
    if (compression != 0)
        pixelBytes = std::max<std::uint64_t>(rowsBytes, std::min<std::uint64_t>(imageSize, available));
    if (pixelBytes > kMaxPictureBytes || (pixelBytes > kRowsFloorBytes && pixelBytes / kRowsPerFileByte > available))
        return false;

    const std::size_t tableBytes = colours * 4;
    dib.assign(kInfoHeaderBytes + tableBytes + static_cast<std::size_t>(pixelBytes), 0);
    std::uint8_t* out = dib.data();
    dib::Write32(out, kInfoHeaderBytes);
    dib::Write32(out + 4, static_cast<std::uint32_t>(width));
    dib::Write32(out + 8, static_cast<std::uint32_t>(height));
    dib::Write16(out + 12, planes);
    dib::Write16(out + 14, bitCount);
    dib::Write32(out + 16, compression);
    dib::Write32(out + 20, static_cast<std::uint32_t>(pixelBytes));
    dib::Write32(out + 24, xRes);
    dib::Write32(out + 28, yRes);
    dib::Write32(out + 32, used != 0 ? used : colours);
    dib::Write32(out + 36, important);

    const std::uint8_t* table = data + tableAt;
    for (std::size_t i = 0; i < colours; ++i) {
        std::memcpy(out + kInfoHeaderBytes + 4 * i, table + entryBytes * i, 3);
    }

    // What the file lacks of the rows stays zero: black.
    std::uint8_t* rows = out + kInfoHeaderBytes + tableBytes;
    const std::size_t take = static_cast<std::size_t>(std::min(pixelBytes, available));
    std::memcpy(rows, data + pixelsAt, take);
    if (topDown) {
        const std::size_t len = static_cast<std::size_t>(rowLength);
        for (std::int64_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(rows + len * static_cast<std::size_t>(top), rows + len * static_cast<std::size_t>(top + 1),
                rows + len * static_cast<std::size_t>(bottom));
    }
    return true;
}

bool ReadBmp(const CString& fileName, std::vector<std::uint8_t>& dib)
{
    dib.clear();
    std::vector<unsigned char> bytes;
    if (fileName.IsEmpty() || !platform::ReadWholeFile(fileName.str(), kMaxPictureFileBytes, bytes))
        return false;
    return ReadBmpMemory(bytes.data(), bytes.size(), dib);
}

int WriteBmp(const CString& fileName, const std::vector<std::uint8_t>& dib)
{
    if (dib.size() < kInfoHeaderBytes)
        return 0;
    const std::uint64_t headerSize = dib::Read32(dib.data());
    const std::uint32_t used = dib::Read32(dib.data() + 32);
    const std::uint64_t colours = used != 0 ? used : dib::DefaultColourCount(dib::Read16(dib.data() + 14));
    const std::uint64_t bitsOffset = kFileHeaderBytes + headerSize + 4 * colours;
    const std::uint64_t fileSize = kFileHeaderBytes + std::uint64_t { dib.size() };
    if (headerSize < kInfoHeaderBytes || bitsOffset > fileSize || fileSize > 0xFFFFFFFFull)
        return 0;
    std::uint8_t header[kFileHeaderBytes] = { 'B', 'M' };
    dib::Write32(header + 2, static_cast<std::uint32_t>(fileSize));
    dib::Write32(header + 10, static_cast<std::uint32_t>(bitsOffset));

    SafeFileWriter writer;
    std::FILE* file = writer.Open(fileName);
    if (!file || std::fwrite(header, 1, sizeof header, file) != sizeof header
        || std::fwrite(dib.data(), 1, dib.size(), file) != dib.size())
        return 0;
    return writer.Commit() ? 1 : 0;
}
