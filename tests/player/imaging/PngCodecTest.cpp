#include "player/imaging/codecs/PngCodec.h"
#include "tests/player/imaging/PictureFiles.h"
#include "tests/player/imaging/ToolFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBig32(Bytes& b, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(Bytes& png, const char* type, const Bytes& data)
{
    PutBig32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBig32(png, static_cast<std::uint32_t>(crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// An 8-bit RGB PNG built chunk by chunk: IHDR as given, then the raw rows (a filter byte of 0 each)
// compressed, then IEND.
Bytes Png(std::uint32_t width, std::uint32_t height, const Bytes& raw, int depth = 8, int colourType = 2)
{
    Bytes png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    Bytes header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), { static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colourType), 0, 0, 0 });
    Chunk(png, "IHDR", header);
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(size);
    compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(size);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return png;
}

// Rows of a width x height RGB picture whose pixel (x, y) is (x, y, x + y), each after a filter byte.
Bytes RawRows(int width, int height)
{
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x)
            raw.insert(raw.end(),
                { static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x + y) });
    }
    return raw;
}

TEST(PngCodec, MalformedFiles)
{
    const Bytes good = Png(4, 3, RawRows(4, 3));
    Bytes badCrc = good;
    badCrc[good.size() - 12 - 1] ^= 1; // the last byte of IDAT's checksum
    Bytes badDepth = Png(4, 3, RawRows(4, 3), 3);
    Bytes cutInHeader(good.begin(), good.begin() + 20);
    // A picture whose rows need far more bytes than its data could ever inflate to.
    Bytes claims = Png(8000, 8000, Bytes(100, 0));

    picturefiles::ExpectStatuses(
        {
            { "empty", {}, PictureStatus::Damaged },
            { "signature only", Bytes(good.begin(), good.begin() + 8), PictureStatus::Damaged },
            { "cut in header", cutInHeader, PictureStatus::Damaged },
            { "width 0", Png(0, 3, RawRows(1, 3)), PictureStatus::Damaged },
            { "side beyond the budget", Png(70000, 1, RawRows(1, 1)), PictureStatus::OverBudget },
            { "pixels beyond the budget", Png(20000, 20000, RawRows(1, 1)), PictureStatus::OverBudget },
            { "claims far more than its data", claims, PictureStatus::Damaged },
            // Found once every row is out: the rows stay, as a cut file's do.
            { "checksum error after the last row", badCrc, PictureStatus::Read },
            { "bit depth 3", badDepth, PictureStatus::Damaged },
            { "no data at all", Png(4, 3, {}), PictureStatus::Damaged },
            { "well formed", good, PictureStatus::Read },
            { "thin strip 20000 x 40", Png(20000, 40, Bytes(40 * (1 + 20000 * 3), 0)), PictureStatus::Read },
        },
        ReadPngMemory);
    const picturefiles::RgbPicture shown = picturefiles::TopDownRgb(ReadPngMemory(good.data(), good.size()).block);
    EXPECT_EQ(shown.pixels,
        Bytes({ 0, 0, 0, 1, 0, 1, 2, 0, 2, 3, 0, 3, 0, 1, 1, 1, 1, 2, 2, 1, 3, 3, 1, 4, 0, 2, 2, 1, 2, 3, 2, 2, 4, 3, 2,
            5 }));
}

TEST(PngCodec, ACutFileShowsTheRowsItHolds)
{
    // Rows of noise do not compress, so the data reaches the cut row by row.
    const int width = 300, height = 200;
    Bytes raw;
    std::uint32_t state = 1;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width * 3; ++x) {
            state = state * 1103515245u + 12345u;
            raw.push_back(static_cast<std::uint8_t>(state >> 24));
        }
    }
    const Bytes whole = Png(width, height, raw);
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
    const PictureRead read = ReadPngMemory(cut.data(), cut.size());
    ASSERT_EQ(read.status, PictureStatus::Read);
    const picturefiles::RgbPicture shown = picturefiles::TopDownRgb(read.block);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    EXPECT_TRUE(std::equal(shown.pixels.begin(), shown.pixels.begin() + rowBytes, raw.begin() + 1)) << "the first row";
    EXPECT_EQ(Bytes(shown.pixels.end() - rowBytes, shown.pixels.end()), Bytes(rowBytes, 0)) << "black below the cut";
}

// Every colour type and bit depth, interlaced or not, with transparency and gamma, read as Pillow reads
// it (ImageMagick for 16-bit samples, which Pillow clips for grey); ours reads back in Pillow.
TEST(PngCodec, MatchesToolsBothWays)
{
    if (!toolfiles::HavePillow() || !toolfiles::HaveImageMagick())
        GTEST_SKIP() << "needs Pillow for /usr/bin/python3 and ImageMagick (convert-im6.q16)";
    TempDir dir;
    ASSERT_TRUE(toolfiles::RunPython(dir, toolfiles::PictureScript(19, 11, R"PY(
names = []
for depth in (1, 2, 4, 8, 16):
    for colour in (0, 2, 3, 4, 6):
        for interlace in ('None', 'PNG'):
            name = 'im_%d_%d_%s.png' % (depth, colour, interlace)
            r = subprocess.run([IM, path('alpha.png'), '-interlace', interlace, '-define', 'png:bit-depth=%d' % depth,
                                '-define', 'png:color-type=%d' % colour, path(name)], capture_output=True)
            if r.returncode == 0:
                names.append(name)
for mode in ('1', 'L', 'P', 'RGB', 'RGBA', 'LA'):
    (alpha if 'A' in mode else src).convert(mode).save(path('pil_' + mode + '.png'))
    names.append('pil_' + mode + '.png')
src.convert('P').save(path('pil_P_trns.png'), transparency=3)
src.convert('L').save(path('pil_L_trns.png'), transparency=40)
src.save(path('pil_RGB_trns.png'), transparency=(13, 0, 0))
subprocess.check_call([IM, path('src.png'), '-set', 'gamma', '0.7', path('gamma.png')])
names += ['pil_P_trns.png', 'pil_L_trns.png', 'pil_RGB_trns.png', 'gamma.png']
# 16-bit samples whose low bytes matter: made by hand.
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
values = [0, 255, 256, 257, 32767, 32768, 32895, 32896, 65279, 65280, 65534, 65535]
for colour, per in ((0, 1), (2, 3)):
    raw = b'\0' + b''.join(struct.pack('>H', v) * per for v in values)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', len(values), 1, 16, colour, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')
    name = 'wide_%d.png' % colour
    open(path(name), 'wb').write(data)
    names.append(name)
for name in names:
    im = Image.open(path(name))
    if im.mode in ('I', 'I;16') or name.startswith('wide') or '_16_' in name:
        pixels = subprocess.run([IM, path(name), '-depth', '8', 'rgb:-'], capture_output=True, check=True).stdout
    else:
        pixels = im.convert('RGB').tobytes()
    open(path(name + '.rgb'), 'wb').write(pixels)
open(path('names'), 'w').write('\n'.join(names))
)PY")));
    const std::vector<std::string> names = toolfiles::ReadLines(dir.file("names"));
    ASSERT_GT(names.size(), 40u);
    for (const std::string& name : names) {
        const Bytes file = toolfiles::ReadBytes(dir.file(name));
        const PictureRead read = ReadPngMemory(file.data(), file.size());
        ASSERT_EQ(read.status, PictureStatus::Read) << name;
        EXPECT_EQ(picturefiles::TopDownRgb(read.block).pixels, toolfiles::ReadBytes(dir.file(name + ".rgb"))) << name;
    }

    // Ours, small (compressed hard) and large (compressed fast), read back in Pillow.
    for (const auto& [width, height] : { std::pair { 37, 23 }, { 2100, 2100 } }) {
        const Bytes rgb = RawRows(width, height);
        const std::string name = "ours" + std::to_string(width) + ".png";
        ASSERT_EQ(WritePng(dir.file(name).c_str(),
                      RgbRows(rgb.data() + 1, width, height, static_cast<std::size_t>(width) * 3 + 1)),
            1);
        ASSERT_TRUE(toolfiles::RunPython(dir,
            "import sys\nfrom PIL import Image\nImage.open(sys.argv[1] + '/" + name
                + "').convert('RGB').save(sys.argv[1] + '/back.ppm')\n"));
        const Bytes ppm = toolfiles::ReadBytes(dir.file("back.ppm"));
        const std::size_t pixels = static_cast<std::size_t>(width) * height * 3;
        ASSERT_GE(ppm.size(), pixels);
        Bytes expected;
        for (int y = 0; y < height; ++y)
            expected.insert(expected.end(), rgb.begin() + 1 + static_cast<long>(y) * (width * 3 + 1),
                rgb.begin() + 1 + static_cast<long>(y) * (width * 3 + 1) + width * 3);
        EXPECT_EQ(Bytes(ppm.end() - static_cast<long>(pixels), ppm.end()), expected) << name;
    }
}

} // namespace
