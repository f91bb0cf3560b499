#include "player/imaging/codecs/BmpCodec.h"
#include "tests/player/imaging/PictureFiles.h"
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
    const std::uint64_t masks = b.compression == 3 ? 12 : 0;
    const std::uint64_t rowLength = (std::uint64_t { b.bits } * b.width + 31) / 32 * 4;
    EXPECT_LE(40 + masks + 4ull * b.colours + rowLength * b.height, dib.size());
    EXPECT_EQ(40 + masks + 4ull * b.colours + b.imageSize, dib.size());
    return b;
}

// Bytes 1, 2, ... n: rows whose bytes say where they came from.
Bytes Counting(std::size_t n)
{
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i + 1);
    return bytes;
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
    long long important = 0;
    int tableEntries = 4;
    long long bitsOffset = -1; // -1: right after the table
    Bytes pixels = Counting(8);
};

// A bitmap file built field by field; headers longer than 40 bytes are zero beyond the first 40.
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
    Put32(info, s.important); // colours important
    if (s.headerSize > 40)
        info.resize(static_cast<std::size_t>(s.headerSize), 0);
    for (int i = 0; i < s.tableEntries; ++i)
        info.insert(info.end(), { static_cast<std::uint8_t>(10 * i), 20, 30, 0 }); // blue, green, red, 0
    Bytes file;
    if (s.fileHeader) {
        file = { 'B', 'M' };
        Put32(file, 14 + info.size() + s.pixels.size()); // file size
        Put32(file, 0); // reserved words
        Put32(file, s.bitsOffset >= 0 ? s.bitsOffset : 14 + info.size()); // bits offset
    }
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}

BmpSpec With(void (*change)(BmpSpec&))
{
    BmpSpec s;
    change(s);
    return s;
}

TEST(BmpCodec, MalformedFiles)
{
    Bytes cutHeader = Bmp({});
    cutHeader.resize(14 + 30);
    Bytes cutTable = Bmp(With([](BmpSpec& s) { s.fileHeader = false; }));
    cutTable.resize(40 + 10);

    picturefiles::ExpectStatuses(
        {
            { "empty", {}, PictureStatus::Damaged },
            { "header size 200", Bmp(With([](BmpSpec& s) { s.headerSize = 200; })), PictureStatus::Damaged },
            { "header size 0", Bmp(With([](BmpSpec& s) { s.headerSize = 0; })), PictureStatus::Damaged },
            { "cut in header", cutHeader, PictureStatus::Damaged },
            { "cut in colour table", cutTable, PictureStatus::Damaged },
            { "width 0", Bmp(With([](BmpSpec& s) { s.width = 0; })), PictureStatus::Damaged },
            { "height 0", Bmp(With([](BmpSpec& s) { s.height = 0; })), PictureStatus::Damaged },
            { "height INT_MIN", Bmp(With([](BmpSpec& s) { s.height = INT_MIN; })), PictureStatus::OverBudget },
            { "side beyond the budget", Bmp(With([](BmpSpec& s) { s.width = 65536; })), PictureStatus::OverBudget },
            { "pixels beyond the budget", Bmp(With([](BmpSpec& s) {
                 s.width = 16385;
                 s.height = 16384;
             })),
                PictureStatus::OverBudget },
            { "0 bits", Bmp(With([](BmpSpec& s) { s.bits = 0; })), PictureStatus::Damaged },
            { "7 bits", Bmp(With([](BmpSpec& s) { s.bits = 7; })), PictureStatus::Damaged },
            { "255 bits", Bmp(With([](BmpSpec& s) { s.bits = 255; })), PictureStatus::Damaged },
            { "256 MB of rows from a tiny file", Bmp(With([](BmpSpec& s) {
                 s.width = s.height = 8192;
                 s.bits = 32;
             })),
                PictureStatus::Damaged },
            { "run lengths at 24 bits", Bmp(With([](BmpSpec& s) {
                 s.bits = 24;
                 s.compression = 1;
             })),
                PictureStatus::Damaged },
            { "masks at 8 bits", Bmp(With([](BmpSpec& s) { s.compression = 3; })), PictureStatus::Damaged },
            { "embedded JPEG", Bmp(With([](BmpSpec& s) { s.compression = 4; })), PictureStatus::Damaged },
            { "OS/2 Huffman", Bmp(With([](BmpSpec& s) {
                 s.headerSize = 64;
                 s.bits = 1;
                 s.compression = 3;
             })),
                PictureStatus::Damaged },
            { "top-down run lengths", Bmp(With([](BmpSpec& s) {
                 s.height = -2;
                 s.compression = 1;
             })),
                PictureStatus::Damaged },
            { "masks cut off", Bmp(With([](BmpSpec& s) {
                 s.fileHeader = false;
                 s.bits = 16;
                 s.compression = 3;
                 s.used = 0;
                 s.tableEntries = 0;
                 s.pixels = { 1, 2 };
             })),
                PictureStatus::Damaged },
            { "colours beyond the table (bare)", Bmp(With([](BmpSpec& s) {
                 s.fileHeader = false;
                 s.used = 200;
             })),
                PictureStatus::Damaged },
            { "bits offset past the end", Bmp(With([](BmpSpec& s) { s.bitsOffset = 4000; })), PictureStatus::Damaged },
            // What reads: oddities that still leave a whole picture.
            { "257 colours: the first 256", Bmp(With([](BmpSpec& s) { s.used = 257; })), PictureStatus::Read },
            { "colours 0xFFFFFFFF, pixels where the header says", Bmp(With([](BmpSpec& s) { s.used = 0xFFFFFFFF; })),
                PictureStatus::Read },
            { "2 bits", Bmp(With([](BmpSpec& s) { s.bits = 2; })), PictureStatus::Read },
            { "16 bits", Bmp(With([](BmpSpec& s) {
                 s.bits = 16;
                 s.used = 0;
                 s.tableEntries = 0;
             })),
                PictureStatus::Read },
            { "32 bits", Bmp(With([](BmpSpec& s) {
                 s.bits = 32;
                 s.used = 0;
                 s.tableEntries = 0;
                 s.pixels.resize(24);
             })),
                PictureStatus::Read },
            { "image size 0xFFFFFFFF", Bmp(With([](BmpSpec& s) { s.imageSize = 0xFFFFFFFF; })), PictureStatus::Read },
            { "image size smaller than rows", Bmp(With([](BmpSpec& s) { s.imageSize = 3; })), PictureStatus::Read },
            { "RLE claiming 0xFFFFFFFF bytes", Bmp(With([](BmpSpec& s) {
                 s.compression = 1;
                 s.imageSize = 0xFFFFFFFF;
             })),
                PictureStatus::Read },
            { "RLE of 1 byte", Bmp(With([](BmpSpec& s) {
                 s.compression = 1;
                 s.imageSize = 1;
             })),
                PictureStatus::Read },
            { "bits offset 0", Bmp(With([](BmpSpec& s) { s.bitsOffset = 0; })), PictureStatus::Read },
            { "bits offset inside the header", Bmp(With([](BmpSpec& s) { s.bitsOffset = 20; })), PictureStatus::Read },
            { "no pixel bytes", Bmp(With([](BmpSpec& s) { s.pixels.clear(); })), PictureStatus::Read },
            { "thin strip 20000 x 40", Bmp(With([](BmpSpec& s) {
                 s.width = 20000;
                 s.height = 40;
             })),
                PictureStatus::Read },
        },
        ReadBmpMemory);
}

TEST(BmpCodec, RowsAreCompleteAndOrdered)
{
    // A file cut inside its rows reads with the missing rows zero.
    BmpSpec s;
    s.pixels = { 1, 2, 3, 4, 5 };
    const std::size_t rows = 40 + 4 * 4;
    Bytes dib = ReadBmpMemory(Bmp(s).data(), Bmp(s).size()).block;
    EXPECT_EQ(Bytes(dib.begin() + rows, dib.end()), (Bytes { 1, 2, 3, 4, 5, 0, 0, 0 }));

    // Uncompressed rows are row length x height bytes whatever the header claims.
    s.pixels.assign(20, 9);
    s.imageSize = 1000;
    dib = ReadBmpMemory(Bmp(s).data(), Bmp(s).size()).block;
    EXPECT_EQ(CheckBlock(dib).imageSize, 8u);

    // Rows stored top first come out bottom-up with a positive height.
    s = BmpSpec();
    s.height = -2;
    dib = ReadBmpMemory(Bmp(s).data(), Bmp(s).size()).block;
    EXPECT_EQ(CheckBlock(dib).height, 2u);
    EXPECT_EQ(Bytes(dib.begin() + rows, dib.end()), (Bytes { 5, 6, 7, 8, 1, 2, 3, 4 }));

    // Without a file header the rows follow the colour table.
    s = BmpSpec();
    s.fileHeader = false;
    dib = ReadBmpMemory(Bmp(s).data(), Bmp(s).size()).block;
    EXPECT_EQ(Bytes(dib.begin() + rows, dib.end()), (Bytes { 1, 2, 3, 4, 5, 6, 7, 8 }));

    // A palette of more than 256 entries keeps the first 256; the pixels still come from the offset.
    s = BmpSpec();
    s.used = 300;
    s.tableEntries = 300;
    dib = ReadBmpMemory(Bmp(s).data(), Bmp(s).size()).block;
    EXPECT_EQ(CheckBlock(dib).colours, 256u);
    EXPECT_EQ(Bytes(dib.end() - 8, dib.end()), (Bytes { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

// Run-length data built by hand: every escape, runs past the row's end, data that stops early. Pixels
// are given as colour indices, top row first; a pixel no run sets has index 0.
TEST(BmpCodec, RunLengthEscapes)
{
    struct Case {
        const char* name;
        int bits;
        Bytes data;
        std::vector<int> indices; // 6 x 3, top row first
    };
    const std::vector<Case> cases = {
        { "runs and end of line", 8, { 3, 1, 2, 2, 0, 0, 6, 3, 0, 1 },
            { 0, 0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 3, 1, 1, 1, 2, 2, 0 } },
        { "absolute runs, padded, cut at the row's end", 8, { 0, 3, 4, 5, 6, 0, 0, 4, 7, 8, 9, 10, 0, 1 },
            { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 5, 6, 7, 8, 9 } },
        { "delta right and up", 8, { 1, 1, 0, 2, 2, 1, 1, 2, 0, 1 },
            { 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 1, 0, 0, 0, 0, 0 } },
        { "run past the row's end is cut", 8, { 9, 5, 0, 0, 1, 6, 0, 1 },
            { 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 5, 5, 5, 5, 5, 5 } },
        { "data cut short", 8, { 2, 7, 0, 0, 3 }, { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 0, 0, 0, 0 } },
        { "delta beyond the picture", 8, { 0, 2, 200, 200, 1, 3 }, std::vector<int>(18, 0) },
        { "end of picture early", 8, { 2, 4, 0, 1, 3, 9 }, { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4, 0, 0, 0, 0 } },
        { "4-bit runs alternate", 4, { 5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1 },
            { 0, 0, 0, 0, 0, 0, 3, 4, 5, 0, 0, 0, 1, 2, 1, 2, 1, 0 } },
        { "4-bit absolute run, padded", 4, { 0, 5, 0x12, 0x34, 0x50, 0, 1, 0x66, 0, 1 },
            { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6 } },
    };
    for (const auto& c : cases) {
        BmpSpec s;
        s.width = 6;
        s.height = 3;
        s.bits = c.bits;
        s.compression = c.bits == 8 ? 1 : 2;
        s.used = s.tableEntries = 16;
        s.imageSize = static_cast<long long>(c.data.size());
        s.pixels = c.data;
        const Bytes file = Bmp(s);
        const PictureRead read = ReadBmpMemory(file.data(), file.size());
        ASSERT_EQ(read.status, PictureStatus::Read) << c.name;
        const picturefiles::RgbPicture shown = picturefiles::TopDownRgb(read.block);
        std::vector<int> indices;
        for (std::size_t p = 0; p < shown.pixels.size(); p += 3)
            indices.push_back(shown.pixels[p + 2] / 10); // blue is 10 x index in Bmp()'s table
        EXPECT_EQ(indices, c.indices) << c.name;
    }
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
}

// Written back, a picture read from a Windows header is the file it came from, byte for byte (colours
// important and a colour table at 24 bits included); one from an OS/2 core header has the 40-byte form,
// resolution 0 and both colour counts the size of its table.
TEST(BmpCodec, WriteBackKeepsWhatEachHeaderLayoutSays)
{
    TempDir dir;
    const std::string back = dir.file("back.bmp");
    const BmpSpec windows[] = {
        With([](BmpSpec& s) {
            s.important = 3;
            s.imageSize = 10; // two bytes after the rows, as some writers add
            s.pixels = Counting(10);
        }),
        With([](BmpSpec& s) {
            s.bits = 24;
            s.used = s.important = s.tableEntries = 2;
            s.imageSize = 24;
            s.pixels = Counting(24);
        }),
    };
    for (const BmpSpec& spec : windows) {
        const Bytes file = Bmp(spec);
        ASSERT_TRUE(picturefiles::WriteFile(dir.file("in.bmp"), file));
        Bytes dib;
        ASSERT_TRUE(ReadBmp(dir.file("in.bmp").c_str(), dib)) << spec.bits;
        ASSERT_EQ(WriteBmp(back.c_str(), dib), 1);
        EXPECT_EQ(toolfiles::ReadBytes(back), file) << spec.bits << " bits";
    }

    for (const int bits : { 1, 4, 8, 24 }) {
        const std::uint32_t colours = bits == 24 ? 0 : 1u << bits;
        const std::size_t rowsBytes = (bits * 3 + 31) / 32 * 4 * 2;
        Bytes file = { 'B', 'M' };
        Put32(file, 14 + 12 + 3 * colours + rowsBytes);
        Put32(file, 0);
        Put32(file, 14 + 12 + 3 * colours);
        Put32(file, 12);
        Put16(file, 3); // width
        Put16(file, 2); // height
        Put16(file, 1);
        Put16(file, bits);
        for (std::uint32_t i = 0; i < colours; ++i)
            file.insert(file.end(), { static_cast<std::uint8_t>(i), 7, 9 });
        const Bytes rows = Counting(rowsBytes);
        file.insert(file.end(), rows.begin(), rows.end());
        ASSERT_TRUE(picturefiles::WriteFile(dir.file("core.bmp"), file));
        Bytes dib;
        ASSERT_TRUE(ReadBmp(dir.file("core.bmp").c_str(), dib)) << bits;
        ASSERT_EQ(WriteBmp(back.c_str(), dib), 1);
        const Bytes out = toolfiles::ReadBytes(back);
        ASSERT_EQ(out.size(), 14 + 40 + 4 * colours + rowsBytes) << bits;
        EXPECT_EQ(Get32(out, 10), 14 + 40 + 4 * colours);
        // Header size, compression, image size, resolutions, colours used and important.
        const std::vector<std::uint32_t> fields = { Get32(out, 14), Get32(out, 30), Get32(out, 34), Get32(out, 38),
            Get32(out, 42), Get32(out, 46), Get32(out, 50) };
        const std::vector<std::uint32_t> want
            = { 40, 0, static_cast<std::uint32_t>(rowsBytes), 0, 0, colours, colours };
        EXPECT_EQ(fields, want) << bits << " bits";
        if (colours) {
            EXPECT_EQ(Get32(out, 54 + 4 * (colours - 1)), 0x00090700u | ((colours - 1) & 0xFF));
        }
        EXPECT_EQ(Bytes(out.end() - static_cast<long>(rowsBytes), out.end()), rows);
    }
}

// Files of every header, depth, compression and mask kind, from ImageMagick, Pillow and by hand, read to
// the pixels ImageMagick decodes (Pillow's, or the script's own, where ImageMagick cannot). Each is then
// written back, and Pillow and ImageMagick must both read our file, with our pixels or with those they
// read from the original.
TEST(BmpCodec, MatchesToolsDecodingAndWritesBackHonestly)
{
    if (!toolfiles::HavePillow() || !toolfiles::HaveImageMagick())
        GTEST_SKIP() << "needs Pillow for /usr/bin/python3 and ImageMagick (convert-im6.q16)";
    TempDir dir;
    ASSERT_TRUE(toolfiles::RunPython(dir, toolfiles::PictureScript(13, 7, R"PY(
names = []
def im(args, prefix, name):
    subprocess.check_call([IM] + args + [prefix + path(name)])
    names.append(name)
# ImageMagick: the 12-byte OS/2 header (BMP2), 40 bytes (BMP3), V4 and V5 (BMP), run lengths, masks.
for prefix, tag in (('BMP2:', 'os2'), ('BMP3:', 'v3'), ('BMP:', 'v5')):
    im([path('src.png'), '-type', 'TrueColor'], prefix, tag + '_24.bmp')
    im([path('src.png'), '-colors', '200', '-type', 'Palette'], prefix, tag + '_8.bmp')
    im([path('src.png'), '-colors', '12', '-type', 'Palette'], prefix, tag + '_4.bmp')
    im([path('src.png'), '-type', 'Bilevel'], prefix, tag + '_1.bmp')
im([path('src.png'), '-define', 'bmp:format=bmp4'], 'BMP:', 'v4_24.bmp')
im([path('src.png'), '-colors', '200', '-type', 'Palette', '-compress', 'RLE'], 'BMP3:', 'rle8.bmp')
im([path('alpha.png')], 'BMP:', 'argb32.bmp')
for sub in ('RGB565', 'RGB555', 'ARGB4444', 'ARGB1555', 'XRGB1555'):
    im([path('alpha.png'), '-define', 'bmp:subtype=' + sub], 'BMP:', 'sub_' + sub + '.bmp')
# Pillow.
for mode in ('1', 'L', 'P', 'RGB'):
    src.convert(mode).save(path('pil_' + mode + '.bmp'))
    names.append('pil_' + mode + '.bmp')
# By hand.
def info(size, w, h, bits, comp=0, used=0, image=0):
    return struct.pack('<IiiHHIIiiII', size, w, h, 1, bits, comp, image, 2835, 2835, used, 0)
def table(n, entry=4):
    return b''.join(bytes([(i * 53) % 256, (i * 91) % 256, (i * 37) % 256, 0][:entry]) for i in range(n))
def packed(bits, f):
    out = b''
    for y in reversed(range(H)):
        value = 0
        for x in range(W):
            value = value << bits | f(x, y)
        nbits = W * bits
        row = (value << (-nbits % 32)).to_bytes((nbits + 31) // 32 * 4, 'big')
        out += row
    return out
def little(nbytes, f):
    out = b''
    for y in reversed(range(H)):
        row = b''.join(f(x, y).to_bytes(nbytes, 'little') for x in range(W))
        out += row + bytes(-len(row) % 4)
    return out
def write(name, header, rest, pixels, gap=b''):
    body = header + rest + gap
    with open(path(name), 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', 14 + len(body) + len(pixels), 0, 0, 14 + len(body)) + body + pixels)
    names.append(name)
index = lambda n: (lambda x, y: (x * 3 + y * 5) % n)
random.seed(3)
noise = [[random.getrandbits(32) for x in range(W)] for y in range(H)]
for size in (16, 64):
    write('os2v2_%d.bmp' % size, info(size, W, H, 8)[:min(size, 40)] + bytes(max(0, size - 40)), table(256),
          packed(8, index(256)))
for bits in (1, 2, 4, 8):
    write('pal%d.bmp' % bits, info(40, W, H, bits), table(1 << bits), packed(bits, index(1 << bits)))
write('pal8_top_down.bmp', info(40, W, -H, 8), table(256), b''.join(
    reversed([packed(8, index(256))[i:i + 16] for i in range(0, 16 * H, 16)])))
write('pal300.bmp', info(40, W, H, 8, used=300), table(300), packed(8, index(256)))
write('pal20_gap.bmp', info(40, W, H, 8, used=20), table(20), packed(8, index(20)), gap=bytes(30))
write('plain16.bmp', info(40, W, H, 16), b'', little(2, lambda x, y: noise[y][x] & 0x7FFF))
write('plain32.bmp', info(40, W, H, 32), b'', little(4, lambda x, y: noise[y][x]))
masks = {'565': (16, 0xF800, 0x07E0, 0x001F), '444': (16, 0x0F00, 0x00F0, 0x000F), '231': (16, 0xC000, 0x3800, 0x0600),
         '1_5_10': (16, 0x8000, 0x7C00, 0x03FF), '888': (32, 0xFF0000, 0xFF00, 0xFF), 'bgr888': (32, 0xFF, 0xFF00, 0xFF0000),
         '10_10_10': (32, 0x3FF00000, 0xFFC00, 0x3FF), '11_11_10': (32, 0xFFE00000, 0x1FFC00, 0x3FF)}
for tag, (bits, r, g, b) in masks.items():
    pixels = little(bits // 8, lambda x, y: noise[y][x] & ((1 << bits) - 1))
    write('masks_%s_40.bmp' % tag, info(40, W, H, bits, comp=3), struct.pack('<III', r, g, b), pixels)
    for size in (52, 56, 108, 124):
        header = info(size, W, H, bits, comp=3) + struct.pack('<IIII', r, g, b, 0xFF000000 if bits == 32 else 0)
        write('masks_%s_%d.bmp' % (tag, size), header[:size] + bytes(max(0, size - 56)), b'', pixels)
# Run lengths with every escape; ImageMagick wants a byte pair after the end-of-picture mark.
rle8 = bytes([5, 3, 0, 4, 1, 2, 3, 4, 0, 0, 0, 3, 9, 8, 7, 0, 0, 2, 3, 1, 4, 6, 0, 0, 13, 2, 0, 1, 0, 0])
rle4 = bytes([5, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 2, 1, 3, 0xab, 0, 0, 13, 0xcd, 0, 1, 0, 0])
write('rle8_escapes.bmp', info(40, W, H, 8, comp=1, used=16, image=len(rle8)), table(16), rle8)
write('rle4_escapes.bmp', info(40, W, H, 4, comp=2, image=len(rle4)), table(16), rle4)
# The pixels each file should give: ImageMagick's, else Pillow's, else worked out here. ImageMagick
# reads the colour table of a 64-byte OS/2 header as 3-byte entries; it has 4-byte ones, as Pillow reads.
def tool_pixels(name):
    r = subprocess.run([IM, path(name), '-depth', '8', 'rgb:-'], capture_output=True)
    if r.returncode == 0 and not r.stderr and name != 'os2v2_64.bmp':
        return r.stdout
    try:
        return Image.open(path(name)).convert('RGB').tobytes()
    except Exception:
        return None
def own(bits, n):
    colours = table(n)
    return b''.join(bytes([colours[4 * i + 2], colours[4 * i + 1], colours[4 * i]])
                    for y in range(H) for x in range(W) for i in [index(1 << bits if bits < 8 else 256)(x, y)])
expected = {'pal2.bmp': own(2, 4), 'pal300.bmp': own(8, 256)}
for name in names:
    pixels = expected.get(name) or tool_pixels(name)
    open(path(name + '.rgb'), 'wb').write(pixels)
open(path('names'), 'w').write('\n'.join(names))
)PY")));
    const std::vector<std::string> names = toolfiles::ReadLines(dir.file("names"));
    ASSERT_GT(names.size(), 60u);
    for (const std::string& name : names) {
        Bytes dib;
        ASSERT_TRUE(ReadBmp(dir.file(name).c_str(), dib)) << name;
        const picturefiles::RgbPicture shown = picturefiles::TopDownRgb(dib);
        EXPECT_EQ(shown.width, 13) << name;
        EXPECT_EQ(shown.height, 7) << name;
        EXPECT_EQ(shown.pixels, toolfiles::ReadBytes(dir.file(name + ".rgb"))) << name;
        ASSERT_EQ(WriteBmp(dir.file("back_" + name).c_str(), dib), 1) << name;
    }

    ASSERT_TRUE(toolfiles::RunPython(dir, R"PY(
import os, subprocess, sys
from PIL import Image
D = sys.argv[1]
def path(name): return os.path.join(D, name)
for name in open(path('names')).read().split('\n'):
    for tool in ('pil', 'im'):
        results = []
        for source in (name, 'back_' + name):
            try:
                if tool == 'pil':
                    results.append(Image.open(path(source)).convert('RGB').tobytes())
                else:
                    r = subprocess.run(['/usr/bin/convert-im6.q16', path(source), '-depth', '8', 'rgb:-'],
                                       capture_output=True, check=True)
                    results.append(None if r.stderr else r.stdout)
            except Exception:
                results.append(None)
        original, back = results
        ours = open(path(name + '.rgb'), 'rb').read()
        if back is None:
            verdict = 'unreadable'
        else:
            # Pillow widens 5- and 6-bit channels its own way (v * 255 / 31, rounded down): one level off.
            close = lambda a: a is not None and len(a) == len(back) and max(abs(p - q) for p, q in zip(a, back)) <= 1
            verdict = 'same' if close(ours) or close(original) else 'different'
        open(path(name + '.' + tool), 'w').write(verdict)
)PY"));
    for (const std::string& name : names) {
        for (const char* tool : { "pil", "im" }) {
            const Bytes verdict = toolfiles::ReadBytes(dir.file(name + "." + tool));
            EXPECT_EQ(std::string(verdict.begin(), verdict.end()), "same") << tool << " reading our copy of " << name;
        }
    }
}

} // namespace
