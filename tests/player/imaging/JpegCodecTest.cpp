#include "player/imaging/codecs/JpegCodec.h"
#include "tests/player/imaging/PictureFiles.h"
#include "tests/player/imaging/ToolFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

int MaxDifference(const Bytes& a, const Bytes& b)
{
    if (a.size() != b.size())
        return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// A smooth picture: JPEG keeps it within a few levels at high quality.
Bytes Gradient(int width, int height)
{
    Bytes rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rgb.insert(rgb.end(),
                { static_cast<std::uint8_t>(x * 255 / width), static_cast<std::uint8_t>(y * 255 / height),
                    static_cast<std::uint8_t>(128 + (x - y) / 4) });
    return rgb;
}

// Kinds of file neither Pillow nor ImageMagick writes on request: four components coded as YCCK, and
// arithmetic coding. A small writer of our own on libjpeg makes them, 41 x 29 like the others.
void WriteOwnJpeg(const std::string& path, bool ycck, bool arithmetic)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr err {};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = 41;
    cinfo.image_height = 29;
    cinfo.input_components = ycck ? 4 : 3;
    cinfo.in_color_space = ycck ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    cinfo.arith_code = arithmetic ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(41 * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < 41; ++x)
            for (int c = 0; c < cinfo.input_components; ++c)
                row[static_cast<std::size_t>(x * cinfo.input_components + c)]
                    = static_cast<JSAMPLE>((x * 6 + y * 9 * c + 40 * c) % 256);
        JSAMPROW rows = row.data();
        jpeg_write_scanlines(&cinfo, &rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

// Every kind of JPEG reads as Pillow reads it, within libjpeg's rounding; grey stays grey, CMYK and
// YCCK (stored inverted, as every common reader assumes) become RGB. Ours reads back in Pillow.
TEST(JpegCodec, MatchesPillowBothWays)
{
    if (!toolfiles::HavePillow())
        GTEST_SKIP() << "needs Pillow for /usr/bin/python3 to make and decode reference JPEGs";
    TempDir dir;
    WriteOwnJpeg(dir.file("ycck.jpg"), true, false);
    WriteOwnJpeg(dir.file("arithmetic.jpg"), false, true);
    const Bytes ours = Gradient(37, 23);
    ASSERT_EQ(WriteJpeg(dir.file("ours.jpg").c_str(), ours.data(), 37, 23, 100), 1);
    ASSERT_TRUE(toolfiles::RunPython(dir, R"PY(
import os, sys
from PIL import Image
D = sys.argv[1]
def path(name): return os.path.join(D, name)
im = Image.new('RGB', (41, 29))
im.putdata([(x * 6, y * 8, (x * y) % 256) for y in range(29) for x in range(41)])
im.save(path('colour.jpg'), quality=90)
im.convert('L').save(path('grey.jpg'), quality=90)
im.save(path('progressive.jpg'), quality=90, progressive=True)
im.convert('CMYK').save(path('cmyk.jpg'))
# Large enough that the output pass gives many pages of coefficients back before it ends.
large = im.resize((331, 245))
large.save(path('progressive444.jpg'), quality=95, progressive=True, subsampling=0)
large.convert('CMYK').save(path('progressive_cmyk.jpg'), progressive=True)
large.convert('L').save(path('progressive_grey.jpg'), progressive=True)
for name in ('colour', 'grey', 'progressive', 'cmyk', 'ycck', 'arithmetic', 'ours', 'progressive444',
             'progressive_cmyk', 'progressive_grey'):
    open(path(name + '.rgb'), 'wb').write(Image.open(path(name + '.jpg')).convert('RGB').tobytes())
open(path('ours.mode'), 'w').write(Image.open(path('ours.jpg')).mode)
)PY"));
    for (const char* name : { "colour", "grey", "progressive", "cmyk", "ycck", "arithmetic" }) {
        const picturefiles::RgbPicture image
            = picturefiles::TopDownRgb(ReadJpeg(dir.file(std::string(name) + ".jpg").c_str()).block);
        EXPECT_EQ(image.width, 41) << name;
        EXPECT_EQ(image.height, 29) << name;
        EXPECT_LE(MaxDifference(image.pixels, toolfiles::ReadBytes(dir.file(std::string(name) + ".rgb"))), 2) << name;
    }
    for (const char* name : { "progressive444", "progressive_cmyk", "progressive_grey" }) {
        const picturefiles::RgbPicture image
            = picturefiles::TopDownRgb(ReadJpeg(dir.file(std::string(name) + ".jpg").c_str()).block);
        EXPECT_EQ(image.width, 331) << name;
        EXPECT_EQ(image.height, 245) << name;
        EXPECT_LE(MaxDifference(image.pixels, toolfiles::ReadBytes(dir.file(std::string(name) + ".rgb"))), 2) << name;
    }
    const Bytes grey = picturefiles::TopDownRgb(ReadJpeg(dir.file("grey.jpg").c_str()).block).pixels;
    ASSERT_FALSE(grey.empty());
    for (std::size_t p = 0; p < grey.size(); p += 3) {
        ASSERT_EQ(grey[p], grey[p + 1]);
        ASSERT_EQ(grey[p], grey[p + 2]);
    }

    EXPECT_EQ(toolfiles::ReadBytes(dir.file("ours.mode")), Bytes({ 'R', 'G', 'B' }));
    EXPECT_LE(MaxDifference(toolfiles::ReadBytes(dir.file("ours.rgb")), ours), 6);
}

TEST(JpegCodec, FailedSaveKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("keep.jpg");
    const Bytes small = Gradient(8, 8);
    ASSERT_EQ(WriteJpeg(path.c_str(), small.data(), 8, 8, 75), 1);
    const Bytes before = toolfiles::ReadBytes(path);

    // libjpeg refuses sides above 65500 only once compression has started.
    const Bytes wide(70000 * 3, 0x80);
    EXPECT_EQ(WriteJpeg(path.c_str(), wide.data(), 70000, 1, 75), 0);
    EXPECT_EQ(WriteJpeg(path.c_str(), nullptr, 8, 8, 75), 0);
    EXPECT_EQ(WriteJpeg(path.c_str(), small.data(), 0, 8, 75), 0);
    EXPECT_EQ(toolfiles::ReadBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";
}

TEST(JpegCodec, HostileFilesAreRefusedQuickly)
{
    TempDir dir;
    const Bytes small = Gradient(16, 16);
    ASSERT_EQ(WriteJpeg(dir.file("a.jpg").c_str(), small.data(), 16, 16, 90), 1);
    const Bytes good = toolfiles::ReadBytes(dir.file("a.jpg"));

    // The frame header (FFC0, length, precision, height, width) with a huge picture claimed.
    Bytes huge = good;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0x4F; // 20303 x 20303
            break;
        }
    }
    // A progressive file whose scans repeat without end: start of image, tables and frame from a real
    // file, then the same DC scan over and over.
    Bytes scans;
    if (toolfiles::HavePillow()) {
        ASSERT_TRUE(toolfiles::RunPython(dir, R"PY(
import sys
from PIL import Image
Image.new('L', (8, 8), 99).save(sys.argv[1] + '/p.jpg', progressive=True)
)PY"));
        const Bytes p = toolfiles::ReadBytes(dir.file("p.jpg"));
        std::size_t sos = 0;
        while (sos + 1 < p.size() && !(p[sos] == 0xFF && p[sos + 1] == 0xDA))
            ++sos;
        std::size_t next = sos + 2;
        while (next + 1 < p.size() && !(p[next] == 0xFF && p[next + 1] != 0 && p[next + 1] < 0xD0))
            ++next;
        scans.assign(p.begin(), p.begin() + static_cast<long>(sos));
        for (int i = 0; i < 5000; ++i)
            scans.insert(scans.end(), p.begin() + static_cast<long>(sos), p.begin() + static_cast<long>(next));
    }
    std::vector<picturefiles::StatusCase> cases = {
        { "empty", {}, PictureStatus::Damaged },
        { "not a JPEG", { 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0 }, PictureStatus::Damaged },
        { "start marker only", { 0xFF, 0xD8 }, PictureStatus::Damaged },
        { "cut in header", Bytes(good.begin(), good.begin() + 100), PictureStatus::Damaged },
        { "beyond the pixel budget", huge, PictureStatus::OverBudget },
        { "endless scans", scans, PictureStatus::Damaged },
    };
    if (scans.empty())
        cases.pop_back(); // no Pillow to make the endless scans
    picturefiles::ExpectStatuses(cases, ReadJpegMemory);
}

// A phone's 70-megapixel photo is within the budget. The file is a small one claiming 10000 x 7000, with
// comments to give it the size such a photo has at least (its rows decode grey where the data ends).
TEST(JpegCodec, PhonePhotoSizesAreRead)
{
    TempDir dir;
    const Bytes small = Gradient(16, 16);
    ASSERT_EQ(WriteJpeg(dir.file("a.jpg").c_str(), small.data(), 16, 16, 90), 1);
    Bytes photo = toolfiles::ReadBytes(dir.file("a.jpg"));
    for (std::size_t i = 0; i + 8 < photo.size(); ++i) {
        if (photo[i] == 0xFF && photo[i + 1] == 0xC0) {
            photo[i + 5] = 7000 >> 8;
            photo[i + 6] = 7000 & 0xFF;
            photo[i + 7] = 10000 >> 8;
            photo[i + 8] = 10000 & 0xFF;
            break;
        }
    }
    Bytes comment = { 0xFF, 0xFE, 0xFF, 0xFF };
    comment.resize(2 + 0xFFFF, 'x');
    for (int i = 0; i < 2; ++i)
        photo.insert(photo.begin() + 2, comment.begin(), comment.end());
    const PictureRead read = ReadJpegMemory(photo.data(), photo.size());
    EXPECT_EQ(read.status, PictureStatus::Read);
    EXPECT_EQ(read.width, 10000);
    EXPECT_EQ(read.height, 7000);
}

// What the guide promises for damaged files: a file cut inside its data shows the rows it holds and grey
// below (libjpeg only warns); one whose rows all decode keeps them whatever breaks after them.
TEST(JpegCodec, DamagedFilesKeepWhatDecodes)
{
    TempDir dir;
    Bytes rgb(64 * 64 * 3, 0);
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        rgb[i] = 255; // red
    ASSERT_EQ(WriteJpeg(dir.file("a.jpg").c_str(), rgb.data(), 64, 64, 90), 1);
    const Bytes good = toolfiles::ReadBytes(dir.file("a.jpg"));

    const Bytes cut(good.begin(), good.end() - 60);
    picturefiles::RgbPicture shown = picturefiles::TopDownRgb(ReadJpegMemory(cut.data(), cut.size()).block);
    ASSERT_EQ(shown.height, 64);
    EXPECT_GT(shown.pixels[0], 240) << "the first row is there";
    const std::size_t last = shown.pixels.size() - 3;
    EXPECT_EQ(shown.pixels[last], shown.pixels[last + 2]) << "grey below the cut";

    // The end-of-image marker replaced by an unknown one, a fatal error to libjpeg after the last row.
    Bytes brokenEnd(good.begin(), good.end() - 2);
    brokenEnd.insert(brokenEnd.end(), { 0xFF, 0x02, 'x', 'x' });
    shown = picturefiles::TopDownRgb(ReadJpegMemory(brokenEnd.data(), brokenEnd.size()).block);
    ASSERT_EQ(shown.height, 64);
    EXPECT_GT(shown.pixels[last], 240);
}

} // namespace
