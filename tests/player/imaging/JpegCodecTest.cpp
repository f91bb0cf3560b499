#include "player/imaging/JpegCodec.h"
#include "tests/player/imaging/ToolFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

TEST(JpegCodec, MatchesPillowBothWays)
{
    if (!toolfiles::HavePillow())
        GTEST_SKIP() << "needs Pillow for /usr/bin/python3 to make and decode reference JPEGs";
    TempDir dir;
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
for name in ('colour', 'grey', 'progressive', 'ours'):
    open(path(name + '.rgb'), 'wb').write(Image.open(path(name + '.jpg')).convert('RGB').tobytes())
open(path('ours.mode'), 'w').write(Image.open(path('ours.jpg')).mode)
)PY"));
    for (const char* name : { "colour", "grey", "progressive" }) {
        RgbImage image;
        ASSERT_TRUE(ReadJpeg(dir.file(std::string(name) + ".jpg").c_str(), image)) << name;
        EXPECT_EQ(image.width, 41);
        EXPECT_EQ(image.height, 29);
        EXPECT_LE(MaxDifference(image.pixels, toolfiles::ReadBytes(dir.file(std::string(name) + ".rgb"))), 2) << name;
    }
    RgbImage grey;
    ASSERT_TRUE(ReadJpeg(dir.file("grey.jpg").c_str(), grey));
    for (std::size_t p = 0; p < grey.pixels.size(); p += 3) {
        ASSERT_EQ(grey.pixels[p], grey.pixels[p + 1]);
        ASSERT_EQ(grey.pixels[p], grey.pixels[p + 2]);
    }
    // Four-component files read, and their pixels are left black.
    RgbImage cmyk;
    ASSERT_TRUE(ReadJpeg(dir.file("cmyk.jpg").c_str(), cmyk));
    EXPECT_EQ(cmyk.pixels, Bytes(41 * 29 * 3, 0));

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
            huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0x3F; // 16191 x 16191
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
    struct Case {
        const char* name;
        Bytes file;
    };
    const std::vector<Case> cases = {
        { "empty", {} },
        { "not a JPEG", { 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0 } },
        { "start marker only", { 0xFF, 0xD8 } },
        { "cut in header", Bytes(good.begin(), good.begin() + 100) },
        { "huge picture from a tiny file", huge },
        { "endless scans", scans },
    };
    for (const auto& c : cases) {
        if (c.file.empty() && c.name != std::string("empty"))
            continue;
        RgbImage image;
        EXPECT_FALSE(ReadJpegMemory(c.file.data(), c.file.size(), image)) << c.name;
        EXPECT_TRUE(image.pixels.empty()) << c.name;
    }
    // Cut inside the entropy-coded data: libjpeg only warns and finishes the picture.
    RgbImage image;
    EXPECT_TRUE(ReadJpegMemory(good.data(), good.size() - 40, image));
    EXPECT_EQ(image.pixels.size(), 16u * 16 * 3);
}

} // namespace
