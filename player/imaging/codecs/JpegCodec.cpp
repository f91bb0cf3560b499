#include "player/imaging/codecs/JpegCodec.h"

#include "platform/CStdioFile.h"
#include "player/imaging/codecs/DibLayout.h"
#include "player/imaging/codecs/JpegCoefficientStore.h"
#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/codecs/PictureLimits.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <new>

namespace {

// A progressive file may hold any number of scans, each a pass over the whole picture's coefficients;
// real encoders write about ten. More than this many, or more scans than these pixel-passes allow for
// a large picture (64 at the largest), is a file built to keep us busy.
constexpr int kMaxScans = 200;
constexpr std::uint64_t kMaxScanPixels = std::uint64_t { 1 } << 34;
// The coefficients of a progressive picture as large as the budget allows, four components at full
// resolution, two bytes each; and the library's own working memory beside them (row buffers, tables).
constexpr std::size_t kMaxCoefficientBytes = kPixelBudget.maxPixels * 4 * 2;
constexpr long kMaxLibraryMemory = 32L << 20;
// Even a flat picture costs a few bits per 8x8 block, so a file cannot honestly describe many more
// pixels than this per byte; up to the floor anything goes.
constexpr std::uint64_t kPixelsPerFileByte = 1024;
constexpr std::uint64_t kPixelFloor = std::uint64_t { 4 } << 20;
// libjpeg's own limit on a side.
constexpr long long kMaxJpegSide = 65500;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Fatal errors come back to the reader or writer instead of ending the program.
[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (a truncated file, for one) let decoding finish; nobody is shown them.
void OutputMessage(j_common_ptr) { }

void LimitScans(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    const std::uint64_t pixels = std::max<std::uint64_t>(std::uint64_t { d->image_width } * d->image_height, 1);
    if (d->input_scan_number > kMaxScans || static_cast<std::uint64_t>(d->input_scan_number) > kMaxScanPixels / pixels)
        ErrorExit(cinfo);
}

void InitErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
}

// (255 x 255 rounded) / 255 in integers, as the common readers convert CMYK.
unsigned MulDiv255(unsigned a, unsigned b)
{
    const unsigned t = a * b + 128;
    return ((t >> 8) + t) >> 8;
}

// One row of inverted CMYK (or YCCK made CMYK by the library) as blue, green, red.
void CmykToBgr(const JSAMPLE* in, JDIMENSION width, std::uint8_t* out)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = in[3];
        out[0] = static_cast<std::uint8_t>(k - MulDiv255(255u - in[2], k));
        out[1] = static_cast<std::uint8_t>(k - MulDiv255(255u - in[1], k));
        out[2] = static_cast<std::uint8_t>(k - MulDiv255(255u - in[0], k));
    }
}

// How far decoding got, kept outside Decompress so that it survives the jump back.
struct Progress {
    JDIMENSION rowsDone = 0;
    JDIMENSION height = 0;
};

// Everything between setjmp and a longjmp back lives in the library's objects or in the caller's
// `read` and `progress`, so no C++ object is skipped by the jump.
bool Decompress(jpeg_decompress_struct& cinfo, ErrorManager& err, jpeg_progress_mgr& monitor,
    JpegCoefficientStore& coefficients, const std::uint8_t* data, std::size_t size, PictureRead& read,
    Progress& progress)
{
    if (setjmp(err.jump)) {
        // Damage after the last row (a broken marker before the end, say) costs nothing shown.
        return progress.height > 0 && progress.rowsDone == progress.height;
    }
    jpeg_create_decompress(&cinfo);
    // Creating clears everything but the error manager.
    cinfo.progress = &monitor;
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    coefficients.Install(cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    read.width = cinfo.image_width;
    read.height = cinfo.image_height;
    if (!PictureFits(read.width, read.height)) {
        read.status = PictureStatus::OverBudget;
        return false;
    }
    const std::uint64_t claimed = std::uint64_t { cinfo.image_width } * cinfo.image_height;
    if (claimed > kPixelFloor && claimed / kPixelsPerFileByte > size)
        return false;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    cinfo.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&cinfo);
    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    if (!PictureFits(width, height)) {
        read.status = PictureStatus::OverBudget;
        return false;
    }
    read.block = dib::MakeBlock(static_cast<int>(width), static_cast<int>(height), 24, 0);
    if (read.block.empty()) {
        read.status = PictureStatus::NoMemory;
        return false;
    }
    // The rows take memory only as they are filled, while the coefficients of a progressive file give
    // theirs back: the two never need their full size at once.
    JpegCoefficientStore::GiveBackZeroPages(read.block.data() + dib::kHeaderSize, read.block.size() - dib::kHeaderSize);
    jpeg_start_decompress(&cinfo);
    coefficients.OutputStarted();
    const std::size_t rowLength = dib::RowLength(width, 24);
    std::uint8_t* rows = read.block.data() + dib::kHeaderSize;
    // Colour rows go straight into the block; grey and CMYK ones through a row of their own.
    JSAMPROW work = nullptr;
    if (cinfo.out_color_space != JCS_EXT_BGR)
        work = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
            width * static_cast<JDIMENSION>(cinfo.output_components), 1)[0];
    progress.height = height;
    while (cinfo.output_scanline < height) {
        std::uint8_t* dst = rows + rowLength * (height - 1 - cinfo.output_scanline);
        JSAMPROW row = work ? work : dst;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        if (cmyk) {
            CmykToBgr(work, width, dst);
        } else if (work) {
            for (JDIMENSION x = 0; x < width; ++x, dst += 3)
                dst[0] = dst[1] = dst[2] = work[x];
        }
        progress.rowsDone = cinfo.output_scanline;
    }
    jpeg_finish_decompress(&cinfo);
    return progress.rowsDone == height;
}

bool Compress(jpeg_compress_struct& cinfo, ErrorManager& err, std::FILE* file, RgbRows& rows, int quality)
{
    if (setjmp(err.jump)) {
        // A failed write leaves the system's reason in errno; anything else is the library refusing.
        if (err.pub.msg_code != JERR_FILE_WRITE)
            errno = EINVAL;
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(rows.Width());
    cinfo.image_height = static_cast<JDIMENSION>(rows.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows.Row(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

bool SniffJpeg(const std::uint8_t* data, std::size_t size)
{
    return data && size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

constexpr const char* kJpegExtensions[] = { "jpg", "jpeg", nullptr };

} // namespace

extern const PictureFormat kJpegFormat = { "JPEG", kJpegExtensions, SniffJpeg, ReadJpegMemory, WriteJpegFile, nullptr };

PictureRead ReadJpegMemory(const std::uint8_t* data, std::size_t size)
{
    PictureRead read;
    if (!data || size == 0)
        return read;
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    InitErrors(err);
    jpeg_progress_mgr monitor {};
    monitor.progress_monitor = LimitScans;
    cinfo.err = &err.pub;
    Progress progress;
    JpegCoefficientStore coefficients(kMaxCoefficientBytes);
    try {
        if (Decompress(cinfo, err, monitor, coefficients, data, size, read, progress))
            read.status = PictureStatus::Read;
    } catch (const std::bad_alloc&) {
        read.status = PictureStatus::NoMemory;
    }
    jpeg_destroy_decompress(&cinfo);
    if (read.status != PictureStatus::Read)
        read.block = std::vector<std::uint8_t>();
    return read;
}

PictureRead ReadJpeg(const CString& fileName)
{
    std::vector<unsigned char> bytes;
    if (fileName.IsEmpty() || !platform::ReadWholeFile(fileName.str(), kMaxPictureFileBytes, bytes))
        return PictureRead();
    return ReadJpegMemory(bytes.data(), bytes.size());
}

bool WriteJpegFile(std::FILE* file, RgbRows& rows, int quality)
{
    if (rows.Width() > kMaxJpegSide || rows.Height() > kMaxJpegSide) {
        errno = EDOM;
        return false;
    }
    jpeg_compress_struct cinfo {};
    ErrorManager err {};
    InitErrors(err);
    cinfo.err = &err.pub;
    const bool ok = Compress(cinfo, err, file, rows, quality);
    const int error = errno;
    jpeg_destroy_compress(&cinfo);
    errno = error;
    return ok;
}

int WriteJpeg(const CString& fileName, const std::uint8_t* rgb, int width, int height, int quality)
{
    return SavePicture(fileName, kJpegFormat,
        RgbRows(rgb, width, height, static_cast<std::size_t>(width > 0 ? width : 0) * 3), quality);
}
