#include "player/imaging/JpegCodec.h"

#include "platform/CStdioFile.h"
#include "player/imaging/PictureLimits.h"
#include "player/imaging/SafeFileWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <new>

namespace {

// A progressive file may hold any number of scans, each costing a pass over the whole coefficient
// buffer; real encoders write about ten. More than this is a file built to keep us busy.
constexpr int kMaxScans = 200;
// The library's working memory (coefficient buffers of progressive files) stays below this.
constexpr long kMaxLibraryMemory = 256L << 20;
// Even a flat picture costs a few bits per 8x8 block, so a file cannot honestly describe many more
// pixels than this per byte; up to the floor anything goes.
constexpr std::uint64_t kPixelsPerFileByte = 1024;
constexpr std::uint64_t kPixelFloor = std::uint64_t { 4 } << 20;

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
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        ErrorExit(cinfo);
}

void InitErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
}

// Everything between setjmp and a longjmp back lives in the library's objects or in `out`, which
// belongs to the caller, so no C++ object is skipped by the jump.
bool Decompress(jpeg_decompress_struct& cinfo, ErrorManager& err, jpeg_progress_mgr& progress, const std::uint8_t* data,
    std::size_t size, RgbImage& out)
{
    if (setjmp(err.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    // Creating clears everything but the error manager.
    cinfo.progress = &progress;
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    const std::uint64_t claimed = std::uint64_t { cinfo.image_width } * cinfo.image_height;
    if (!PictureFits(cinfo.image_width, cinfo.image_height)
        || (claimed > kPixelFloor && claimed / kPixelsPerFileByte > size))
        return false;
    jpeg_start_decompress(&cinfo);
    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    const int components = cinfo.output_components;
    if (!PictureFits(width, height))
        return false;
    const std::size_t rowBytes = std::size_t { width } * 3;
    out.pixels.assign(rowBytes * height, 0);
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, width * static_cast<JDIMENSION>(components), 1);
    while (cinfo.output_scanline < height) {
        const JDIMENSION y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1)
            break;
        std::uint8_t* dst = out.pixels.data() + rowBytes * y;
        const JSAMPLE* src = row[0];
        if (components == 3) {
            std::copy(src, src + rowBytes, dst);
        } else if (components == 1) {
            for (JDIMENSION x = 0; x < width; ++x, dst += 3)
                dst[0] = dst[1] = dst[2] = src[x];
        }
        // Four-component (CMYK) rows stay black: the program has no colour management to show them.
    }
    jpeg_finish_decompress(&cinfo);
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    return true;
}

bool Compress(jpeg_compress_struct& cinfo, ErrorManager& err, std::FILE* file, const std::uint8_t* rgb, int width,
    int height, int quality)
{
    if (setjmp(err.jump))
        return false;
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + rowBytes * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

} // namespace

bool ReadJpegMemory(const std::uint8_t* data, std::size_t size, RgbImage& out)
{
    out = RgbImage();
    if (!data || size == 0)
        return false;
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    InitErrors(err);
    jpeg_progress_mgr progress {};
    progress.progress_monitor = LimitScans;
    cinfo.err = &err.pub;
    bool ok = false;
    try {
        ok = Decompress(cinfo, err, progress, data, size, out);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    jpeg_destroy_decompress(&cinfo);
    if (!ok)
        out = RgbImage();
    return ok;
}

bool ReadJpeg(const CString& fileName, RgbImage& out)
{
    out = RgbImage();
    std::vector<unsigned char> bytes;
    if (fileName.IsEmpty() || !platform::ReadWholeFile(fileName.str(), kMaxPictureFileBytes, bytes))
        return false;
    return ReadJpegMemory(bytes.data(), bytes.size(), out);
}

int WriteJpeg(const CString& fileName, const std::uint8_t* rgb, int width, int height, int quality)
{
    if (!rgb || width <= 0 || height <= 0)
        return 0;
    SafeFileWriter writer;
    std::FILE* file = writer.Open(fileName);
    if (!file)
        return 0;
    jpeg_compress_struct cinfo {};
    ErrorManager err {};
    InitErrors(err);
    cinfo.err = &err.pub;
    const bool ok = Compress(cinfo, err, file, rgb, width, height, quality);
    jpeg_destroy_compress(&cinfo);
    return ok && writer.Commit() ? 1 : 0;
}
