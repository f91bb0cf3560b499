#include "player/imaging/codecs/PngCodec.h"

#include "player/imaging/codecs/DibLayout.h"
#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/codecs/SafeFileWriter.h"

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <new>
#include <png.h>

namespace {

constexpr std::uint8_t kSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
// Deflate expands at most about 1032 times; a picture needing far more raw bytes than its data could
// give is refused before anything is allocated for it. Small pictures may always be cut short.
constexpr std::uint64_t kRawBytesPerDataByte = 1100;
constexpr std::uint64_t kRawFloor = std::uint64_t { 16 } << 20;
// libpng asks for image data in pieces of this size; a file cut inside a piece loses the whole piece, so
// small pieces keep the rows of a file cut short inside its first (or only) data chunk.
constexpr std::size_t kDataPieceBytes = 512;
// Pictures above this many pixels are compressed for speed.
constexpr long long kFastAbovePixels = 4LL << 20;
// Chunks that change nothing we show: libpng skips them instead of checking and inflating them.
constexpr png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0"
                                      "sRGB\0tEXt\0tIME\0zTXt";

std::uint32_t Big32(const std::uint8_t* p)
{
    return (std::uint32_t { p[0] } << 24) | (std::uint32_t { p[1] } << 16) | (std::uint32_t { p[2] } << 8) | p[3];
}

bool SniffPng(const std::uint8_t* data, std::size_t size)
{
    return data && size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

// The bytes of image data in the file's IDAT chunks, as far as the file holds them.
std::uint64_t ImageDataBytes(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t total = 0;
    for (std::size_t at = sizeof kSignature; size - at >= 8;) {
        const std::uint64_t length = Big32(data + at);
        if (std::memcmp(data + at + 4, "IDAT", 4) == 0)
            total += std::min<std::uint64_t>(length, size - at - 8);
        if (length > size - at - 8)
            break;
        at += 8 + static_cast<std::size_t>(length) + 4;
        if (at > size)
            break;
    }
    return total;
}

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

void ReadInput(png_structp png, png_bytep out, png_size_t length)
{
    auto* in = static_cast<Input*>(png_get_io_ptr(png));
    if (in->size - in->at < length)
        png_error(png, "the file ends early");
    std::memcpy(out, in->data + in->at, length);
    in->at += length;
}

// libpng's messages are not shown to anyone; its errors come back to the setjmp of the caller.
[[noreturn]] void Fail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void Ignore(png_structp, png_const_charp) { }

// How far decoding got, and the row buffer libpng fills, kept outside Decode so that both survive the
// jump back (the buffer comes from libpng's allocator and is freed by the caller).
struct Progress {
    std::size_t rowsDelivered = 0;
    png_bytep row = nullptr;
};

// A 16-bit sample as ImageMagick makes it 8 bits: v / 257 rounded down.
std::uint8_t Narrow(png_byte high, png_byte low)
{
    return static_cast<std::uint8_t>(high - (low < high ? 1 : 0));
}

bool Decode(png_structp png, png_infop info, Input& input, PictureRead& read, Progress& progress)
{
    if (setjmp(png_jmpbuf(png)))
        return progress.rowsDelivered > 0; // a file cut short shows what it holds
    png_set_keep_unknown_chunks(
        png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, static_cast<int>(sizeof kIgnoredChunks / 5));
    png_set_user_limits(
        png, static_cast<png_uint_32>(kPixelBudget.maxSide), static_cast<png_uint_32>(kPixelBudget.maxSide));
    png_set_read_fn(png, &input, ReadInput);
    png_set_compression_buffer_size(png, kDataPieceBytes);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    png_set_strip_alpha(png);
    png_set_palette_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const bool wide = depth == 16;
    const std::size_t sampleBytes = wide ? 2 : 1;
    if (png_get_rowbytes(png, info) != std::size_t { width } * 3 * sampleBytes)
        return false;

    read.block = dib::MakeBlock(static_cast<int>(width), static_cast<int>(height), 24, 0);
    if (read.block.empty()) {
        read.status = PictureStatus::NoMemory;
        return false;
    }
    progress.row = static_cast<png_bytep>(png_malloc(png, png_get_rowbytes(png, info)));
    const std::size_t rowLength = dib::RowLength(width, 24);
    std::uint8_t* bottom = read.block.data() + dib::kHeaderSize;
    // Each pass of an interlaced file brings its own pixels of some rows; they go to their places.
    for (int pass = 0; pass < passes; ++pass) {
        const png_uint_32 firstX = passes > 1 ? PNG_PASS_START_COL(pass) : 0;
        const png_uint_32 stepX = passes > 1 ? 1u << PNG_PASS_COL_SHIFT(pass) : 1;
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, progress.row, nullptr);
            ++progress.rowsDelivered;
            if (passes > 1 && !PNG_ROW_IN_INTERLACE_PASS(y, pass))
                continue;
            std::uint8_t* dst = bottom + rowLength * (height - 1 - y);
            for (png_uint_32 x = firstX; x < width; x += stepX) {
                const png_byte* in = progress.row + 3 * sampleBytes * x;
                for (int c = 0; c < 3; ++c)
                    dst[3 * x + c] = wide ? Narrow(in[2 * c], in[2 * c + 1]) : in[c];
            }
        }
    }
    return true;
}

PictureRead ReadPngFormat(const std::uint8_t* data, std::size_t size)
{
    return ReadPngMemory(data, size);
}

// RowSource: const std::uint8_t* (int y), the row's bytes in the colour type's layout.
template <typename RowSource>
bool Encode(png_structp png, png_infop info, std::FILE* file, int width, int height, int colourType, RowSource& row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    // A large picture is written fast rather than small: zlib's best effort on 64 megapixels takes
    // many seconds.
    if (static_cast<long long>(width) * height > kFastAbovePixels) {
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colourType,
        PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, row(y));
    png_write_end(png, nullptr);
    return true;
}

template <typename RowSource> bool WritePngRows(std::FILE* file, int width, int height, int colourType, RowSource row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        errno = ENOMEM;
        return false;
    }
    // A failed write leaves the system's reason in errno; anything else is the library refusing.
    errno = 0;
    const bool ok = Encode(png, info, file, width, height, colourType, row);
    const int error = ok ? 0 : errno ? errno : EINVAL;
    png_destroy_write_struct(&png, &info);
    errno = error;
    return ok;
}

bool WritePngFormat(std::FILE* file, RgbRows& rows, int)
{
    return WritePngFile(file, rows);
}

constexpr const char* kPngExtensions[] = { "png", nullptr };

} // namespace

extern const PictureFormat kPngFormat = { "PNG", kPngExtensions, SniffPng, ReadPngFormat, WritePngFormat, nullptr };

PictureRead ReadPngMemory(const std::uint8_t* data, std::size_t size)
{
    PictureRead read;
    // The header chunk comes first: its size decides before libpng allocates anything.
    if (!SniffPng(data, size) || size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return read;
    read.width = Big32(data + 16);
    read.height = Big32(data + 20);
    if (read.width == 0 || read.height == 0)
        return read;
    if (!PictureFits(read.width, read.height)) {
        read.status = PictureStatus::OverBudget;
        return read;
    }
    const std::uint64_t channels = data[25] == 2 ? 3 : data[25] == 4 ? 2 : data[25] == 6 ? 4 : 1;
    const std::uint64_t rawBytes = static_cast<std::uint64_t>(read.height)
        * (1 + (static_cast<std::uint64_t>(read.width) * channels * data[24] + 7) / 8);
    if (rawBytes > kRawFloor && rawBytes / kRawBytesPerDataByte > ImageDataBytes(data, size))
        return read;

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        read.status = PictureStatus::NoMemory;
        return read;
    }
    Input input { data, size, 0 };
    Progress progress;
    try {
        if (Decode(png, info, input, read, progress))
            read.status = PictureStatus::Read;
    } catch (const std::bad_alloc&) {
        read.status = PictureStatus::NoMemory;
    }
    png_free(png, progress.row);
    png_destroy_read_struct(&png, &info, nullptr);
    if (read.status != PictureStatus::Read)
        read.block = std::vector<std::uint8_t>();
    return read;
}

bool WritePngFile(std::FILE* file, RgbRows& rows)
{
    return WritePngRows(file, rows.Width(), rows.Height(), PNG_COLOR_TYPE_RGB, [&](int y) { return rows.Row(y); });
}

int WritePngWithAlpha(const CString& fileName, const std::uint8_t* rgba, int width, int height)
{
    if (!rgba || width <= 0 || height <= 0) {
        errno = EINVAL;
        return 0;
    }
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    return SaveFile(fileName, [&](std::FILE* file) {
        return WritePngRows(file, width, height, PNG_COLOR_TYPE_RGB_ALPHA,
            [&](int y) { return rgba + row * static_cast<std::size_t>(y); });
    });
}

int WritePng(const CString& fileName, RgbRows&& rows)
{
    return SavePicture(fileName, kPngFormat, std::move(rows), 0);
}
