#include "player/imaging/BmpCodec.h"
#include "tests/player/imaging/ToolFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, int v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, long long v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t Get32(const Bytes& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Everything later code needs from a block: its figures, and the promise that the table and every row
// are inside it.
struct Block {
    std::uint32_t width, height, bits, compression, imageSize, colours;
};

Block CheckBlock(const Bytes& dib)
{
    EXPECT_GE(dib.size(), 40u);
    if (dib.size() < 40)
        return {};
    Block b { Get32(dib, 4), Get32(dib, 8), static_cast<std::uint32_t>(dib[14] | (dib[15] << 8)), Get32(dib, 16),
        Get32(dib, 20), Get32(dib, 32) };
    EXPECT_EQ(Get32(dib, 0), 40u);
    const std::uint64_t rowLength = (std::uint64_t { b.bits } * b.width + 31) / 32 * 4;
    EXPECT_LE(40 + 4ull * b.colours + rowLength * b.height, dib.size());
    EXPECT_EQ(40 + 4ull * b.colours + b.imageSize, dib.size());
    return b;
}

// The block's pixels as top-down RGB; indices beyond the table read black.
Bytes BlockToRgb(const Bytes& dib)
{
    const Block b = CheckBlock(dib);
    const std::size_t rowLength = (b.bits * b.width + 31) / 32 * 4;
    const std::size_t rowsAt = 40 + 4 * b.colours;
    Bytes rgb;
    for (std::uint32_t y = 0; y < b.height; ++y) {
        const std::uint8_t* row = dib.data() + rowsAt + rowLength * (b.height - 1 - y);
        for (std::uint32_t x = 0; x < b.width; ++x) {
            if (b.bits == 24) {
                rgb.insert(rgb.end(), { row[3 * x + 2], row[3 * x + 1], row[3 * x] });
                continue;
            }
            const std::uint32_t bit = x * b.bits;
            const std::uint32_t index = (row[bit / 8] >> (8 - b.bits - bit % 8)) & ((1u << b.bits) - 1);
            const std::uint8_t* entry = dib.data() + 40 + 4 * index;
            if (index < b.colours)
                rgb.insert(rgb.end(), { entry[2], entry[1], entry[0] });
            else
                rgb.insert(rgb.end(), { 0, 0, 0 });
        }
    }
    return rgb;
}

struct BmpSpec {
    bool fileHeader = true;
    long long headerSize = 40;
    long long width = 3;
    long long height = 2;
    int bits = 8;
    long long compression = 0;
    long long imageSize = 0;
    long long used = 4;
    int tableEntries = 4;
    long long bitsOffset = -1; // -1: right after the table
    std::size_t pixelBytes = 8;
};

// A bitmap file built field by field; rows hold bytes 1, 2, 3, ...
Bytes Bmp(const BmpSpec& s)
{
    Bytes info;
    Put32(info, s.headerSize);
    Put32(info, s.width);
    Put32(info, s.height);
    Put16(info, 1); // planes
    Put16(info, s.bits); // bits per pixel
    Put32(info, s.compression); // compression
    Put32(info, s.imageSize); // image size
    Put32(info, 2835); // horizontal resolution
    Put32(info, 2835); // vertical resolution
    Put32(info, s.used); // colours used
    Put32(info, 0); // colours important
    for (int i = 0; i < s.tableEntries; ++i)
        info.insert(info.end(), { static_cast<std::uint8_t>(10 * i), 20, 30, 0 }); // blue, green, red, 0
    Bytes file;
    if (s.fileHeader) {
        file = { 'B', 'M' };
        Put32(file, 14 + info.size() + s.pixelBytes); // file size
        Put32(file, 0); // reserved words
        Put32(file, s.bitsOffset >= 0 ? s.bitsOffset : 14 + info.size()); // bits offset
    }
    file.insert(file.end(), info.begin(), info.end());
    for (std::size_t i = 0; i < s.pixelBytes; ++i)
        file.push_back(static_cast<std::uint8_t>(i + 1));
    return file;
}

TEST(BmpCodec, MalformedFiles)
{
    auto with = [](auto change) {
        BmpSpec s;
        change(s);
        return Bmp(s);
    };
    Bytes cutHeader = Bmp({});
    cutHeader.resize(14 + 30);
    Bytes cutTable = Bmp({});
    cutTable.resize(14 + 40 + 10);

    struct Case {
        const char* name;
        Bytes file;
        bool ok;
    };
    const std::vector<Case> cases = {
        { "empty", {}, false },
        { "header size 108", with([](BmpSpec& s) { s.headerSize = 108; }), false },
        { "header size 0", with([](BmpSpec& s) { s.headerSize = 0; }), false },
        { "cut in header", cutHeader, false },
        { "cut in colour table", cutTable, false },
        { "width 0", with([](BmpSpec& s) { s.width = 0; }), false },
        { "height 0", with([](BmpSpec& s) { s.height = 0; }), false },
        { "height INT_MIN", with([](BmpSpec& s) { s.height = INT_MIN; }), false },
        { "side beyond bound", with([](BmpSpec& s) { s.width = 16385; }), false },
        { "rows beyond 32 bits", with([](BmpSpec& s) {
             s.width = s.height = 16384;
             s.bits = 255;
         }),
            false },
        { "1 GiB of rows from a tiny file", with([](BmpSpec& s) {
             s.width = s.height = 16384;
             s.bits = 32;
         }),
            false },
        { "257 colours", with([](BmpSpec& s) { s.used = 257; }), false },
        { "colours 0xFFFFFFFF", with([](BmpSpec& s) { s.used = 0xFFFFFFFF; }), false },
        { "colour table past the end", with([](BmpSpec& s) { s.used = 200; }), false },
        { "bits offset past the end", with([](BmpSpec& s) { s.bitsOffset = 4000; }), false },
        { "top-down compressed", with([](BmpSpec& s) {
             s.height = -2;
             s.compression = 1;
         }),
            false },
        { "0 bits", with([](BmpSpec& s) {
             s.bits = 0;
             s.tableEntries = 0;
             s.used = 0;
         }),
            true },
        { "2 bits", with([](BmpSpec& s) {
             s.bits = 2;
             s.tableEntries = 0;
             s.used = 0;
         }),
            true },
        { "16 bits", with([](BmpSpec& s) {
             s.bits = 16;
             s.tableEntries = 0;
             s.used = 0;
         }),
            true },
        { "32 bits", with([](BmpSpec& s) {
             s.bits = 32;
             s.tableEntries = 0;
             s.used = 0;
             s.pixelBytes = 24;
         }),
            true },
        { "image size 0xFFFFFFFF", with([](BmpSpec& s) { s.imageSize = 0xFFFFFFFF; }), true },
        { "image size smaller than rows", with([](BmpSpec& s) { s.imageSize = 3; }), true },
        { "RLE claiming 0xFFFFFFFF bytes", with([](BmpSpec& s) {
             s.compression = 1;
             s.imageSize = 0xFFFFFFFF;
         }),
            true },
        { "RLE of 1 byte", with([](BmpSpec& s) {
             s.compression = 1;
             s.imageSize = 1;
         }),
            true },
        { "bits offset 0", with([](BmpSpec& s) { s.bitsOffset = 0; }), true },
        { "bits offset inside the header", with([](BmpSpec& s) { s.bitsOffset = 20; }), true },
        { "no pixel bytes", with([](BmpSpec& s) { s.pixelBytes = 0; }), true },
    };
    for (const auto& c : cases) {
        Bytes dib = { 1, 2, 3 };
        EXPECT_EQ(ReadBmpMemory(c.file.data(), c.file.size(), dib), c.ok) << c.name;
        if (c.ok)
            CheckBlock(dib);
        else
            EXPECT_TRUE(dib.empty()) << c.name;
    }
}

TEST(BmpCodec, RowsAreCompleteAndOrdered)
{
    // A file cut inside its rows reads with the missing rows black.
    BmpSpec s;
    s.pixelBytes = 5;
    Bytes file = Bmp(s), dib;
    ASSERT_TRUE(ReadBmpMemory(file.data(), file.size(), dib));
    const std::size_t rows = 40 + 4 * 4;
    EXPECT_EQ(Bytes(dib.begin() + rows, dib.end()), (Bytes { 1, 2, 3, 4, 5, 0, 0, 0 }));

    // Uncompressed rows are row length x height bytes whatever the header claims.
    s.pixelBytes = 20;
    s.imageSize = 1000;
    file = Bmp(s);
    ASSERT_TRUE(ReadBmpMemory(file.data(), file.size(), dib));
    EXPECT_EQ(CheckBlock(dib).imageSize, 8u);

    // Rows stored top first come out bottom-up with a positive height.
    s = BmpSpec();
    s.height = -2;
    file = Bmp(s);
    ASSERT_TRUE(ReadBmpMemory(file.data(), file.size(), dib));
    EXPECT_EQ(CheckBlock(dib).height, 2u);
    EXPECT_EQ(Bytes(dib.begin() + rows, dib.end()), (Bytes { 5, 6, 7, 8, 1, 2, 3, 4 }));

    // Without a file header the rows follow the colour table.
    s = BmpSpec();
    s.fileHeader = false;
    file = Bmp(s);
    ASSERT_TRUE(ReadBmpMemory(file.data(), file.size(), dib));
    EXPECT_EQ(Bytes(dib.begin() + rows, dib.end()), (Bytes { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

TEST(BmpCodec, WrittenFileHasHeaderAndReadsBack)
{
    TempDir dir;
    // A 10x10 24-bit block: 40-byte header, rows of 32 bytes.
    Bytes dib;
    Put32(dib, 40);
    Put32(dib, 10);
    Put32(dib, 10);
    Put16(dib, 1);
    Put16(dib, 24);
    Put32(dib, 0);
    Put32(dib, 320);
    Put32(dib, 3780);
    Put32(dib, 3780);
    Put32(dib, 0);
    Put32(dib, 0);
    for (int i = 0; i < 320; ++i)
        dib.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    const std::string path = dir.file("out.bmp");
    ASSERT_EQ(WriteBmp(path.c_str(), dib), 1);
    const Bytes file = toolfiles::ReadBytes(path);
    ASSERT_EQ(file.size(), 14u + 40 + 320);
    EXPECT_EQ(Get32(file, 2), 14u + 40 + 320);
    EXPECT_EQ(Get32(file, 10), 54u);
    EXPECT_EQ(Bytes(file.begin() + 14, file.end()), dib);

    Bytes back;
    ASSERT_TRUE(ReadBmp(path.c_str(), back));
    EXPECT_EQ(back, dib);
    EXPECT_EQ(WriteBmp(dir.file("missing/x.bmp").c_str(), dib), 0);
    EXPECT_EQ(WriteBmp(path.c_str(), Bytes(20, 0)), 0);
    EXPECT_EQ(toolfiles::ReadBytes(path), file);

    if (!toolfiles::HavePillow())
        GTEST_SKIP() << "needs Pillow for /usr/bin/python3 to read the written BMP";
    ASSERT_TRUE(toolfiles::RunPython(dir, R"PY(
import sys
from PIL import Image
Image.open(sys.argv[1] + '/out.bmp').convert('RGB').save(sys.argv[1] + '/out.ppm')
)PY"));
    const Bytes ppm = toolfiles::ReadBytes(dir.file("out.ppm"));
    ASSERT_GE(ppm.size(), 300u);
    EXPECT_EQ(Bytes(ppm.end() - 300, ppm.end()), BlockToRgb(dib));
}

// Files written by Pillow and ImageMagick, and hand-made variants of them, read to the pixels Pillow sees.
TEST(BmpCodec, MatchesToolsDecoding)
{
    if (!toolfiles::HavePillow() || !toolfiles::HaveImageMagick())
        GTEST_SKIP() << "needs Pillow for /usr/bin/python3 and ImageMagick (convert-im6.q16)";
    TempDir dir;
    ASSERT_TRUE(toolfiles::RunPython(dir, R"PY(
import os, struct, subprocess, sys
from PIL import Image
D = sys.argv[1]
def path(name): return os.path.join(D, name)
src = Image.new('RGB', (13, 7))
src.putdata([((x * 37) % 256, (y * 51) % 256, ((x + y) * 23) % 256) for y in range(7) for x in range(13)])
src.save(path('src.png'))
src.save(path('rgb24.bmp'))
src.convert('1').save(path('mono1.bmp'))
src.quantize(200).save(path('pal8.bmp'))
for bits, colours in ((1, 2), (4, 16)):
    subprocess.check_call(['/usr/bin/convert-im6.q16', path('src.png'), '-colors', str(colours), '-type', 'palette',
                           'BMP3:' + path('im%d.bmp' % bits)])
# OS/2 core header made from the 8-bit file: 12-byte header, 3-byte table entries.
data = open(path('pal8.bmp'), 'rb').read()
offset, = struct.unpack_from('<I', data, 10)
used, = struct.unpack_from('<I', data, 46)
used = used or 256
table = b''.join(data[54 + 4 * i:57 + 4 * i] for i in range(used)) + bytes(3 * (256 - used))
core = struct.pack('<IHHHH', 12, 13, 7, 1, 8) + table + data[offset:]
open(path('os2.bmp'), 'wb').write(b'BM' + struct.pack('<IHHI', 14 + len(core), 0, 0, 14 + 12 + 768) + core)
# Bare DIBs: the files without their first 14 bytes.
open(path('bare24.dib'), 'wb').write(open(path('rgb24.bmp'), 'rb').read()[14:])
open(path('bare8.dib'), 'wb').write(data[14:])
# Rows stored top first.
data = bytearray(open(path('rgb24.bmp'), 'rb').read())
rows = [data[54 + 40 * y:54 + 40 * (y + 1)] for y in range(7)]
struct.pack_into('<i', data, 22, -7)
data[54:] = b''.join(reversed(rows))
open(path('topdown.bmp'), 'wb').write(bytes(data))
refs = {'rgb24': 'rgb24.bmp', 'mono1': 'mono1.bmp', 'pal8': 'pal8.bmp', 'im1': 'im1.bmp', 'im4': 'im4.bmp',
        'os2': 'pal8.bmp', 'bare24': 'rgb24.bmp', 'bare8': 'pal8.bmp', 'topdown': 'topdown.bmp'}
for name, ref in refs.items():
    open(path(name + '.rgb'), 'wb').write(Image.open(path(ref)).convert('RGB').tobytes())
)PY"));
    const std::vector<std::pair<std::string, int>> files
        = { { "rgb24.bmp", 24 }, { "mono1.bmp", 1 }, { "pal8.bmp", 8 }, { "im1.bmp", 1 }, { "im4.bmp", 4 },
              { "os2.bmp", 8 }, { "bare24.dib", 24 }, { "bare8.dib", 8 }, { "topdown.bmp", 24 } };
    for (const auto& [file, bits] : files) {
        Bytes dib;
        ASSERT_TRUE(ReadBmp(dir.file(file).c_str(), dib)) << file;
        const Block b = CheckBlock(dib);
        EXPECT_EQ(b.bits, static_cast<std::uint32_t>(bits)) << file;
        EXPECT_EQ(b.width, 13u) << file;
        EXPECT_EQ(b.height, 7u) << file;
        const std::string name = file.substr(0, file.find('.'));
        EXPECT_EQ(BlockToRgb(dib), toolfiles::ReadBytes(dir.file(name + ".rgb"))) << file;
        if (name == "os2") {
            EXPECT_EQ(b.colours, 256u);
        }
    }
}

} // namespace
