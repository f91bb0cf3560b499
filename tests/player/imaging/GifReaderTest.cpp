#include "player/imaging/codecs/GifReader.h"
#include "tests/player/imaging/PictureFiles.h"
#include "tests/player/imaging/ToolFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Add(Bytes& b, std::initializer_list<int> values)
{
    for (int v : values)
        b.push_back(static_cast<std::uint8_t>(v));
}

// Packs codes of the given widths least significant bit first and wraps them in data sub-blocks
// with the terminator.
Bytes SubBlocks(const std::vector<std::pair<int, int>>& codes, bool terminate = true)
{
    Bytes packed;
    std::uint32_t bits = 0;
    int count = 0;
    for (auto [code, width] : codes) {
        bits |= static_cast<std::uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            packed.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0)
        packed.push_back(static_cast<std::uint8_t>(bits));
    Bytes out;
    for (std::size_t i = 0; i < packed.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), packed.begin() + static_cast<long>(i), packed.begin() + static_cast<long>(i + n));
    }
    if (terminate)
        out.push_back(0);
    return out;
}

// A valid code stream that sends every index as a literal: clear, the literals, end. The widths follow
// the table growth a decoder sees (each code after the first adds an entry until the table is full).
std::vector<std::pair<int, int>> LiteralCodes(const std::vector<int>& indices, int minCodeSize)
{
    const int clear = 1 << minCodeSize;
    int width = minCodeSize + 1;
    int next = clear + 2;
    std::vector<std::pair<int, int>> codes = { { clear, width } };
    for (std::size_t i = 0; i < indices.size(); ++i) {
        codes.push_back({ indices[i], width });
        if (i > 0 && next < 4096) {
            ++next;
            if (next == (1 << width) && width < 12)
                ++width;
        }
    }
    codes.push_back({ clear + 1, width });
    return codes;
}

struct GifSpec {
    int width = 2;
    int height = 2;
    int globalEntries = 2; // 0: no global map
    int aspect = 0;
    int localEntries = 0;
    bool interlaced = false;
    int minCodeSize = 2;
};

// Colour i of a map: distinct, never black except for index 0.
std::uint8_t Channel(int index, int channel)
{
    return index == 0 ? 0 : static_cast<std::uint8_t>(40 + index * 7 + channel * 50);
}

Bytes ColourMap(int entries)
{
    Bytes b;
    for (int i = 0; i < entries; ++i)
        Add(b, { Channel(i, 0), Channel(i, 1), Channel(i, 2) });
    return b;
}

int MapBits(int entries)
{
    int bits = 0;
    while ((2 << bits) < entries)
        ++bits;
    return bits;
}

// Header, screen, maps and image descriptor up to (not including) the minimum code size byte.
Bytes GifHead(const GifSpec& s)
{
    Bytes b = { 'G', 'I', 'F', '8', '9', 'a' };
    Add(b, { 2, 0, 2, 0 }); // screen width, height
    Add(b, { s.globalEntries ? 0x80 | MapBits(s.globalEntries) : 0, 0, s.aspect }); // flags, background, aspect
    const Bytes global = ColourMap(s.globalEntries);
    b.insert(b.end(), global.begin(), global.end());
    Add(b, { ',', 0, 0, 0, 0 }); // introducer, left, top
    Add(b, { s.width & 0xFF, s.width >> 8, s.height & 0xFF, s.height >> 8 }); // width, height
    Add(b, { (s.localEntries ? 0x80 | MapBits(s.localEntries) : 0) | (s.interlaced ? 0x40 : 0) });
    const Bytes local = ColourMap(s.localEntries);
    b.insert(b.end(), local.begin(), local.end());
    return b;
}

Bytes Gif(const GifSpec& s, const Bytes& data)
{
    Bytes b = GifHead(s);
    b.push_back(static_cast<std::uint8_t>(s.minCodeSize));
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(';');
    return b;
}

Bytes LiteralGif(const GifSpec& s, const std::vector<int>& indices)
{
    return Gif(s, SubBlocks(LiteralCodes(indices, s.minCodeSize)));
}

// The index each pixel holds, judged by its colour in our test maps; -1 for a colour no map entry has.
using picturefiles::RgbPicture;

std::vector<int> Indices(const RgbPicture& image)
{
    std::vector<int> out;
    for (std::size_t p = 0; p + 2 < image.pixels.size(); p += 3) {
        int found = -1;
        for (int i = 0; i < 256 && found < 0; ++i) {
            if (image.pixels[p] == Channel(i, 0) && image.pixels[p + 1] == Channel(i, 1)
                && image.pixels[p + 2] == Channel(i, 2))
                found = i;
        }
        out.push_back(found);
    }
    return out;
}

struct ReadResult {
    bool ok;
    RgbPicture image;
    std::string message;
    PictureStatus status;
};

ReadResult Read(const Bytes& file)
{
    GifReader reader;
    const PictureRead read = reader.ReadGifMemory(file.data(), file.size());
    return { read.status == PictureStatus::Read, picturefiles::TopDownRgb(read.block), reader.GetMessage().str(),
        read.status };
}

TEST(GifReader, LiteralAndRepeatCodesDecode)
{
    auto r = Read(LiteralGif({}, { 0, 1, 1, 0 }));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.message, "No Error");
    EXPECT_EQ(Indices(r.image), (std::vector<int> { 0, 1, 1, 0 }));

    // Code 6 is the next free entry: the previous string plus its own first byte (1 then 1, 1).
    GifSpec s;
    s.width = 3;
    s.height = 1;
    r = Read(Gif(s, SubBlocks({ { 4, 3 }, { 1, 3 }, { 6, 3 }, { 5, 3 } })));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Indices(r.image), (std::vector<int> { 1, 1, 1 }));
}

TEST(GifReader, FullTableKeepsDecodingWithoutNewEntries)
{
    GifSpec s;
    s.width = 100;
    s.height = 60;
    std::vector<int> indices;
    for (int i = 0; i < 6000; ++i)
        indices.push_back((i / 3) % 2);
    auto r = Read(LiteralGif(s, indices));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(Indices(r.image), indices);
}

TEST(GifReader, InterlacedRowsFillInPassOrder)
{
    // Expected order of rows for heights 1 to 10.
    const std::vector<std::vector<int>> orders = {
        { 0 },
        { 0, 1 },
        { 0, 2, 1 },
        { 0, 2, 1, 3 },
        { 0, 4, 2, 1, 3 },
        { 0, 4, 2, 1, 3, 5 },
        { 0, 4, 2, 6, 1, 3, 5 },
        { 0, 4, 2, 6, 1, 3, 5, 7 },
        { 0, 8, 4, 2, 6, 1, 3, 5, 7 },
        { 0, 8, 4, 2, 6, 1, 3, 5, 7, 9 },
    };
    for (const auto& order : orders) {
        GifSpec s;
        s.width = 1;
        s.height = static_cast<int>(order.size());
        s.globalEntries = 16;
        s.minCodeSize = 4;
        s.interlaced = true;
        std::vector<int> sent(order.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            sent[k] = static_cast<int>(k + 1);
        auto r = Read(LiteralGif(s, sent));
        ASSERT_TRUE(r.ok);
        std::vector<int> expected(order.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            expected[static_cast<std::size_t>(order[k])] = sent[k];
        EXPECT_EQ(Indices(r.image), expected) << "height " << order.size();
    }
}

TEST(GifReader, AspectRatioMessage)
{
    GifSpec s;
    s.aspect = 49;
    auto r = Read(LiteralGif(s, { 0, 1, 1, 0 }));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, "No Error");
    s.aspect = 50;
    r = Read(LiteralGif(s, { 0, 1, 1, 0 }));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message, "Non-square pixels in GIF image.\nIgnoring that fact...");
}

TEST(GifReader, FileErrorsSetTheirMessage)
{
    GifReader reader;
    EXPECT_NE(reader.ReadGif("").status, PictureStatus::Read);
    EXPECT_EQ(reader.GetMessage(), "No Name Given");
    EXPECT_NE(reader.ReadGif("/nonexistent/dir/x.gif").status, PictureStatus::Read);
    EXPECT_EQ(reader.GetMessage(), "Cant open GIF");

    TempDir dir;
    const Bytes good = LiteralGif({}, { 0, 1, 1, 0 });
    toolfiles::WriteBytes(dir.file("a.gif"), good);
    const PictureRead read = reader.ReadGif(dir.file("a.gif").c_str());
    ASSERT_EQ(read.status, PictureStatus::Read);
    EXPECT_EQ(read.width, 2);
}

// Malformed files: each must be refused with its message, or read with every pixel defined.
TEST(GifReader, MalformedFiles)
{
    const Bytes good = LiteralGif({}, { 0, 1, 1, 0 });
    const Bytes head = GifHead({});
    auto cut = [](const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); };
    auto with = [](Bytes b, std::size_t at, std::uint8_t v) {
        b[at] = v;
        return b;
    };
    GifSpec huge;
    huge.width = huge.height = 65535;
    GifSpec wide;
    wide.width = 16384;
    wide.height = 16384;
    GifSpec zeroWidth;
    zeroWidth.width = 0;
    GifSpec local;
    local.localEntries = 4;
    GifSpec noMap;
    noMap.globalEntries = 0;
    Bytes manyExtensions = cut(good, 19);
    for (int i = 0; i < 10000; ++i)
        Add(manyExtensions, { '!', 0xFE, 1, 'x', 0 });
    manyExtensions.insert(manyExtensions.end(), good.begin() + 19, good.end());
    // 16 megapixels from a few bytes of image data, padded with a comment after the image: only the
    // image's own data counts.
    GifSpec big;
    big.width = big.height = 4096;
    Bytes padded = Gif(big, SubBlocks(LiteralCodes({ 0 }, 2)));
    padded.pop_back(); // the trailer
    for (int i = 0; i < 4096; ++i) {
        Add(padded, { '!', 0xFE, 255 });
        padded.insert(padded.end(), 255, 'x');
        padded.push_back(0);
    }
    padded.push_back(';');
    GifSpec wideCode;
    wideCode.minCodeSize = 11;
    Bytes gce = cut(good, 19);
    Add(gce, { '!', 0xF9, 4, 0x01, 10, 0, 1, 0 }); // graphic control: transparent index 1, delay 10
    gce.insert(gce.end(), good.begin() + 19, good.end());

    struct Case {
        const char* name;
        Bytes file;
        bool ok;
        const char* message; // expected message (after the read)
        std::vector<int> indices = {}; // expected pixels when read; -1 for a colour outside our maps
    };
    const std::vector<Case> cases = {
        { "empty", {}, false, "Error reading GIF Magic" },
        { "cut signature", cut(good, 4), false, "Error reading GIF Magic" },
        { "not a GIF", with(good, 0, 'J'), false, "Error: not a valid .GIF file" },
        { "version 88a", with(good, 4, '8'), false, "Error: Bad GIF Version number" },
        { "cut screen", cut(good, 10), false, "Error: failed to GIF read screen descriptor.\nGiving up" },
        { "cut global map", cut(good, 16), false, "Error reading GIF colormap" },
        { "no image",
            [&] {
                Bytes b = cut(good, 19);
                b.push_back(';');
                return b;
            }(),
            false, "Unexpected EOF in GIF.\nGiving up" },
        { "extension at end",
            [&] {
                Bytes b = cut(good, 19);
                b.push_back('!');
                return b;
            }(),
            false, "Error on extension read.\nGiving up" },
        { "cut descriptor", cut(good, 25), false, "Error on dimension read\nGiving up" },
        { "zero width", Gif(zeroWidth, SubBlocks(LiteralCodes({ 0 }, 2))), false, "Out of Memory in GIFRead" },
        { "65535 square from a tiny file", Gif(huge, SubBlocks(LiteralCodes({ 0 }, 2))), false,
            "Out of Memory in GIFRead" },
        { "16384 square from a tiny file", Gif(wide, SubBlocks(LiteralCodes({ 0 }, 2))), false,
            "Out of Memory in GIFRead" },
        { "cut local map", cut(Gif(local, {}), 36), false, "Error reading GIF colormap\nGiving up" },
        { "no code size", cut(good, 29), false, "Error reading GIF file\nGIFScreen Colormap\nGiving up" },
        { "code size 0", with(good, 29, 0), false, "Error reading GIF file\nGIFScreen Colormap\nGiving up" },
        { "code size 12", with(good, 29, 12), false, "Error reading GIF file\nGIFScreen Colormap\nGiving up" },
        { "image data padded by a comment", padded, false, "Out of Memory in GIFRead" },
        // Literals of 12-bit codes; 300 lies beyond every map and reads black.
        { "code size 11", LiteralGif(wideCode, { 1, 300, 1, 0 }), true, "No Error", { 1, 0, 1, 0 } },
        { "code size 1",
            [] {
                GifSpec s;
                s.minCodeSize = 1;
                return LiteralGif(s, { 1, 0, 0, 1 });
            }(),
            true, "No Error", { 1, 0, 0, 1 } },
        { "graphic control extension", gce, true, "No Error", { 0, 1, 1, 0 } },
        { "many extensions", manyExtensions, true, "No Error", { 0, 1, 1, 0 } },
        { "local map wins", LiteralGif(local, { 3, 2, 1, 0 }), true, "No Error", { 3, 2, 1, 0 } },
        // 2 entries in the map; index 3 has no colour and reads black.
        { "index beyond map", LiteralGif({}, { 3, 1, 3, 1 }), true, "No Error", { 0, 1, 0, 1 } },
        { "no map at all", LiteralGif(noMap, { 1, 1, 1, 1 }), true, "No Error", { 0, 0, 0, 0 } },
        { "data ends early", Gif({}, SubBlocks({ { 4, 3 }, { 1, 3 } }, false)), true, "No Error", { 1, 0, 0, 0 } },
        // Read as the next entry's code: the previous string and its first index again.
        { "code beyond next entry", Gif({}, SubBlocks({ { 4, 3 }, { 1, 3 }, { 7, 3 }, { 0, 3 } })), true, "No Error",
            { 1, 1, 1, 0 } },
        { "first code not a literal", Gif({}, SubBlocks({ { 4, 3 }, { 6, 3 }, { 1, 3 } })), true, "No Error",
            { 0, 0, 0, 0 } },
        { "more data than pixels", LiteralGif({}, std::vector<int>(5000, 1)), true, "No Error", { 1, 1, 1, 1 } },
        { "no clear code first", Gif({}, SubBlocks({ { 1, 3 }, { 0, 3 }, { 1, 3 }, { 0, 4 }, { 5, 4 } })), true,
            "No Error", { 1, 0, 1, 0 } },
    };
    for (const auto& c : cases) {
        auto r = Read(c.file);
        EXPECT_EQ(r.ok, c.ok) << c.name;
        EXPECT_EQ(r.message, c.message) << c.name;
        if (c.ok)
            EXPECT_EQ(Indices(r.image), c.indices) << c.name;
        else
            EXPECT_TRUE(r.image.pixels.empty()) << c.name;
    }
}

// Pictures written by Pillow and ImageMagick decode to exactly the pixels those tools decode.
TEST(GifReader, MatchesToolsDecoding)
{
    if (!toolfiles::HavePillow())
        GTEST_SKIP() << "needs Pillow for /usr/bin/python3 to make and decode reference GIFs";
    TempDir dir;
    const char* script = R"PY(
import os, sys
from PIL import Image
D = sys.argv[1]
def pattern(w, h, n):
    im = Image.new('P', (w, h))
    pal = []
    for i in range(n):
        pal += [(i * 67 + 13) % 256, (i * 29 + 101) % 256, (i * 151 + 7) % 256]
    im.putpalette(pal)
    im.putdata([(x * 3 + y * 5 + (x * y) % 7) % n for y in range(h) for x in range(w)])
    return im
def to_local(data):
    # Move the global colour map of a one-image file into its image descriptor.
    flags = data[10]
    size = 3 * (2 << (flags & 7))
    table = data[13:13 + size]
    out = bytearray(data[:10]) + bytes([flags & 0x78]) + data[11:13]
    pos = 13 + size
    while data[pos] == 0x21:
        end = pos + 2
        while data[end]:
            end += data[end] + 1
        out += data[pos:end + 1]
        pos = end + 1
    out += data[pos:pos + 10]
    out[-1] = (data[pos + 9] & 0x40) | 0x80 | (flags & 7)
    return bytes(out) + table + data[pos + 10:]
cases = {
    'two87a': (pattern(17, 9, 2), dict(interlace=False)),
    'sixteen': (pattern(31, 12, 16), dict(interlace=False)),
    'full': (pattern(64, 40, 256), dict(interlace=False)),
    'interlaced': (pattern(23, 19, 64), dict(interlace=True)),
    'gce89a': (pattern(20, 11, 5), dict(interlace=False, transparency=3, duration=70)),
}
for name, (im, kw) in cases.items():
    im.save(os.path.join(D, name + '.gif'), optimize=False, **kw)
with open(os.path.join(D, 'sixteen.gif'), 'rb') as f:
    data = f.read()
with open(os.path.join(D, 'local.gif'), 'wb') as f:
    f.write(to_local(data))
for name in list(cases) + ['local']:
    with open(os.path.join(D, name + '.rgb'), 'wb') as f:
        f.write(Image.open(os.path.join(D, name + '.gif')).convert('RGB').tobytes())
)PY";
    ASSERT_TRUE(toolfiles::RunPython(dir, script));
    std::vector<std::string> names = { "two87a", "sixteen", "full", "interlaced", "gce89a", "local" };
    if (toolfiles::HaveImageMagick()) {
        const std::string command = std::string(toolfiles::kImageMagick) + " -size 97x61 plasma:fractal -seed 7"
            + " -colors 200 " + dir.file("im.gif") + " && " + toolfiles::kImageMagick + " " + dir.file("im.gif")
            + " -depth 8 rgb:" + dir.file("im.rgb");
        ASSERT_EQ(std::system(command.c_str()), 0);
        names.push_back("im");
    }
    EXPECT_EQ(toolfiles::ReadBytes(dir.file("two87a.gif"))[4], '7');
    EXPECT_EQ(toolfiles::ReadBytes(dir.file("gce89a.gif"))[4], '9');
    for (const auto& name : names) {
        GifReader reader;
        const PictureRead read = reader.ReadGif(dir.file(name + ".gif").c_str());
        ASSERT_EQ(read.status, PictureStatus::Read) << name << ": " << reader.GetMessage().str();
        EXPECT_EQ(picturefiles::TopDownRgb(read.block).pixels, toolfiles::ReadBytes(dir.file(name + ".rgb"))) << name;
    }
}

} // namespace
