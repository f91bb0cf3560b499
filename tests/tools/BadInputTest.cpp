// Every row of docs/bad-input.md, tried through mirrim-cli: the outcome the guide promises for each kind
// of bad input. A test's name is the row's section; each case names its row.
#include "tests/RunCommand.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

CommandResult cli(const std::string& args)
{
    return RunCommand("cd " + std::string(MIRRIM_SOURCE_DIR) + " && " + MIRRIM_CLI + " " + args + " 2>&1");
}

void write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string le32(unsigned long v)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A BMP file header and 40-byte information header, then the rest as given.
std::string bmp(long width, long height, int bits, unsigned compression, unsigned used, const std::string& rest,
    unsigned long imageSize = 0)
{
    std::string info = le32(40) + le32(static_cast<unsigned long>(width)) + le32(static_cast<unsigned long>(height))
        + std::string("\x01\x00", 2) + static_cast<char>(bits) + '\0' + le32(compression) + le32(imageSize) + le32(2835)
        + le32(2835) + le32(used) + le32(0);
    const unsigned long tableBytes = 4UL * (used ? used : bits <= 8 ? 1UL << bits : 0);
    return "BM" + le32(14 + info.size() + rest.size()) + le32(0) + le32(14 + info.size() + tableBytes) + info + rest;
}

// Particles after some steps of a definition: the CSV render writes, one line a particle.
std::vector<std::string> particles(const std::string& definition, int steps, const TempDir& dir)
{
    write(dir.file("scene.vq"), definition);
    const CommandResult r = cli("render --definition " + dir.file("scene.vq") + " --steps " + std::to_string(steps)
        + " --dump-particles " + dir.file("p.csv"));
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> lines;
    std::istringstream in(read(dir.file("p.csv")));
    std::string line;
    std::getline(in, line); // the column names
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// The colour column of a particle line.
std::string colour(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, ','))
        fields.push_back(field);
    return fields.size() > 7 ? fields[7] : std::string();
}

// A still particle at (x, y) each step, then a Cameleon on the picture file.
std::string cameleonScene(int x, int y, const std::string& picture)
{
    return "factory.ParticlesSquare\n<CenterX>" + std::to_string(x) + "</CenterX><CenterY>" + std::to_string(y)
        + "</CenterY><MinDx>0</MinDx><MaxDx>0</MaxDx><MinDy>0</MinDy><MaxDy>0</MaxDy>\n.\n"
          "constraint.Cameleon\n<Image Name>P</Image Name><Image Filename>"
        + picture + "</Image Filename>\n.\n";
}

struct Row {
    const char* row; // the guide's row, shortened
    std::string args; // mirrim-cli arguments
    int status;
    std::string says; // part of the output, or empty
    std::function<void()> check = nullptr;
};

void tryRows(const std::vector<Row>& rows)
{
    for (const Row& r : rows) {
        const CommandResult result = cli(r.args);
        EXPECT_EQ(result.status, r.status) << r.row << "\n" << result.out;
        if (!r.says.empty()) {
            EXPECT_NE(result.out.find(r.says), std::string::npos) << r.row << "\n" << result.out;
        }
        if (r.check)
            r.check();
    }
}

TEST(BadInput, Pictures)
{
    TempDir dir;
    const std::string out = dir.file("out.png");
    auto named = [&](const std::string& name, const std::string& bytes) {
        write(dir.file(name), bytes);
        return dir.file(name);
    };
    const std::string gifHead
        = std::string("GIF89a\x02\x00\x02\x00\x80\x00\x00", 13) + std::string("\xff\0\0\0\0\xff", 6);
    auto gif = [&](int width, int height, const std::string& afterData) {
        return gifHead + ',' + std::string(4, '\0') + static_cast<char>(width & 0xFF) + static_cast<char>(width >> 8)
            + static_cast<char>(height & 0xFF) + static_cast<char>(height >> 8) + '\0'
            + std::string("\x02\x02\x4c\x01\x00", 5) + afterData + ';';
    };
    std::string comments;
    for (int i = 0; i < 4096; ++i)
        comments += "!\xfe\xff" + std::string(255, 'x') + '\0';
    const std::string stripRow(20000 / 8, '\0');
    std::string strip;
    for (int i = 0; i < 40; ++i)
        strip += stripRow;
    std::string red;
    for (int i = 0; i < 100; ++i)
        red += std::string("\0\0\xff\0", 4);
    const std::string jpegHeader = "\xff\xd8\xff\xe0";
    const std::string jpeg = read(std::string(MIRRIM_SOURCE_DIR) + "/fuzz/corpus/jpeg/colour.jpg");
    std::string twelveBits = jpeg;
    twelveBits[twelveBits.find("\xff\xc0") + 4] = 12; // the frame header's sample precision
    std::string masks; // 2-3-1 bits of red, green and blue in 16-bit pixels
    for (int i = 0; i < 4; ++i)
        masks += le32(i == 0 ? 0xC000 : i == 1 ? 0x3800 : i == 2 ? 0x0600 : 0);
    write(dir.file("huge-file.bmp"), "");
    EXPECT_EQ(truncate(dir.file("huge-file.bmp").c_str(), (1L << 30) + (2L << 20)), 0);
    std::string sixteenBitCut = read(std::string(MIRRIM_SOURCE_DIR) + "/fuzz/corpus/png/rgba16_interlaced.png");
    sixteenBitCut.resize(60);
    // A PNG of our own with rows that do not repeat, and the same file cut in its data.
    std::string varied;
    for (unsigned i = 0, v = 1; i < 64 * 64 * 3; ++i, v = v * 1103515245 + 12345)
        varied += static_cast<char>(v >> 24);
    EXPECT_EQ(
        cli("convert " + named("varied.bmp", bmp(64, 64, 24, 0, 0, varied)) + " " + dir.file("varied.png")).status, 0);
    const std::string variedPng = read(dir.file("varied.png"));
    auto palette = [&](char index) {
        const std::string row = std::string(10, index) + std::string(2, '\0');
        std::string rows;
        for (int y = 0; y < 10; ++y)
            rows += row;
        return bmp(10, 10, 8, 0, 2, std::string(8, '\xff') + rows);
    };

    tryRows({
        { "missing file", "convert " + dir.file("no-such.gif") + " " + out, 1, "no such file",
            [&] {
                // Cameleon keeps a 10 x 10 black placeholder: black over it, mid grey beyond it.
                const auto inside = particles(cameleonScene(5, 5, dir.file("no-such.gif")), 2, dir);
                ASSERT_FALSE(inside.empty());
                EXPECT_EQ(colour(inside.back()), "0x000000");
                const auto outside = particles(cameleonScene(100, 100, dir.file("no-such.gif")), 2, dir);
                ASSERT_FALSE(outside.empty());
                EXPECT_EQ(colour(outside.back()), "0x808080");
            } },
        { "missing file: ImageLoad keeps its previous picture",
            "render --definition scenes/star.vq --steps 1 --dump-particles " + dir.file("one.csv"), 0, "",
            [&] {
                // star.vq loads shape0.gif, then asks for shape1.gif, shape2.gif... which do not exist; the
                // star keeps emitting from the first picture.
                ASSERT_EQ(
                    cli("render --definition scenes/star.vq --steps 4 --dump-particles " + dir.file("four.csv")).status,
                    0);
                const auto lines = [](const std::string& text) { return std::count(text.begin(), text.end(), '\n'); };
                EXPECT_GE(lines(read(dir.file("four.csv"))), 3 * lines(read(dir.file("one.csv"))));
            } },
        { "a directory", "convert " + dir.path() + " " + out, 1, "Is a directory" },
        { "not a picture", "convert " + named("text.bmp", "just some text") + " " + out, 1,
            "not a JPEG, GIF, BMP or PNG picture",
            [&] {
                const auto inside = particles(cameleonScene(5, 5, dir.file("text.bmp")), 2, dir);
                ASSERT_FALSE(inside.empty());
                EXPECT_EQ(colour(inside.back()), "0x000000");
            } },
        { "beyond the budget a side", "convert " + named("wide.bmp", bmp(65536, 1, 24, 0, 0, "")) + " " + out, 1,
            "a 65536 x 1 picture, larger than the budget of 65535 pixels a side and 268 megapixels (16384 x "
            "16384) in all" },
        { "beyond the budget in all", "convert " + named("big.gif", gif(20000, 20000, "")) + " " + out, 1,
            "a 20000 x 20000 picture, larger than the budget" },
        { "a thin strip is fine",
            "convert " + named("strip.bmp", bmp(20000, 40, 1, 0, 0, std::string(8, '\0') + strip)) + " " + out, 0, "" },
        { "claims far more than its data fills, padded with comments",
            "convert " + named("padded.gif", gif(4096, 4096, comments)) + " " + out, 1,
            "a damaged or unsupported GIF file" },
        { "truncated GIF", "convert " + named("cut.gif", gif(2, 2, "").substr(0, 30)) + " " + out, 0, "" },
        { "truncated BMP", "convert " + named("cut.bmp", bmp(10, 10, 24, 0, 0, std::string(50, '\x7f'))) + " " + out, 0,
            "" },
        { "larger than 1 GiB", "convert " + dir.file("huge-file.bmp") + " " + out, 1, "larger than any picture" },
        { "truncated JPEG",
            "convert " + named("cut-data.jpg", jpeg.substr(0, (jpeg.find("\xff\xda") + jpeg.size()) / 2)) + " " + out,
            0, "" },
        { "JPEG damaged after its last row",
            "convert " + named("end.jpg", jpeg.substr(0, jpeg.size() - 2) + "\xff\x02xx") + " " + out, 0, "" },
        { "JPEG of 12-bit samples", "convert " + named("twelve.jpg", twelveBits) + " " + out, 1,
            "a damaged or unsupported JPEG file" },
        { "BMP run-length data past its rows, moving out, stopping early",
            "convert "
                + named("rle.bmp",
                    bmp(4, 2, 8, 1, 2, std::string(8, '\x40') + std::string("\x09\x01\x00\x02\x09\x09\x02", 7)))
                + " " + out,
            0, "" },
        { "BMP with 300 palette entries",
            "convert " + named("pal300.bmp", bmp(2, 2, 8, 0, 300, std::string(1200, '\x20') + std::string(8, '\x01')))
                + " " + out,
            0, "" },
        { "BMP with unusual masks, written back as 24 bits",
            "convert " + named("masks.bmp", bmp(2, 2, 16, 3, 0, masks.substr(0, 12) + std::string(8, '\xff'))) + " "
                + dir.file("masks-out.bmp"),
            0, "", [&] { EXPECT_EQ(read(dir.file("masks-out.bmp"))[28], 24) << "bits per pixel"; } },
        { "transparency is ignored",
            "convert " + std::string(MIRRIM_SOURCE_DIR) + "/fuzz/corpus/png/grey_alpha.png " + out, 0, "" },
        { "GIF whose screen differs from its image", "convert " + named("screen.gif", gif(1, 1, "")) + " " + out, 0,
            "" },
        { "truncated JPEG, cut in its header",
            "convert "
                + named("cut.jpg", read(std::string(MIRRIM_SOURCE_DIR) + "/fuzz/corpus/jpeg/colour.jpg").substr(0, 100))
                + " " + out,
            1, "a damaged or unsupported JPEG file" },
        { "truncated PNG, cut before its rows", "convert " + named("cut.png", sixteenBitCut) + " " + out, 1,
            "a damaged or unsupported PNG file" },
        { "truncated PNG: the rows before the cut, black below",
            "convert " + named("cut-data.png", variedPng.substr(0, variedPng.size() * 6 / 10)) + " "
                + dir.file("cut-data.bmp"),
            0, "",
            [&] {
                // Both 24-bit, bottom row first: the last row read is the top one.
                const std::string shown = read(dir.file("cut-data.bmp"));
                ASSERT_EQ(shown.size(), 54u + 64 * 64 * 3);
                EXPECT_EQ(shown.substr(54 + 63 * 64 * 3), varied.substr(63 * 64 * 3)) << "the first row";
                EXPECT_EQ(shown.substr(54, 64 * 3), std::string(64 * 3, '\0')) << "the last row";
            } },
        { "palette index beyond the palette is black", "convert " + named("index.bmp", palette('\x05')) + " " + out, 0,
            "",
            [&] {
                EXPECT_EQ(colour(particles(cameleonScene(5, 5, dir.file("index.bmp")), 2, dir).back()), "0x000000");
                EXPECT_EQ(colour(particles(cameleonScene(5, 5, named("white.bmp", palette('\x01'))), 2, dir).back()),
                    "0xffffff");
            } },
        { "a GIF code size of 11",
            "convert "
                + named("code11.gif",
                    [&] {
                        std::string g = gif(2, 2, "");
                        g[g.size() - 6] = 11;
                        return g;
                    }())
                + " " + dir.file("code11.bmp"),
            0, "", [&] { EXPECT_EQ(read(dir.file("code11.bmp")).substr(54), std::string(16, '\0')); } },
        { "BMP of a kind we do not decode", "convert " + named("jpeg.bmp", bmp(2, 2, 24, 4, 0, jpegHeader)) + " " + out,
            1, "a damaged or unsupported BMP file" },
        { "a 32-bit BMP shows, and reads, its colours",
            "convert " + named("red.bmp", bmp(10, 10, 32, 0, 0, red)) + " " + out, 0, "",
            [&] {
                const auto inside = particles(cameleonScene(5, 5, dir.file("red.bmp")), 2, dir);
                ASSERT_FALSE(inside.empty());
                EXPECT_EQ(colour(inside.back()), "0x0000ff");
            } },
        { "a GIF code size above 11",
            "convert "
                + named("code12.gif",
                    [&] {
                        std::string g = gif(2, 2, "");
                        g[g.size() - 6] = 12;
                        return g;
                    }())
                + " " + out,
            1, "a damaged or unsupported GIF file" },
    });
}

TEST(BadInput, Output)
{
    TempDir dir;
    const std::string in = std::string(MIRRIM_SOURCE_DIR) + "/scenes/shape0.gif";
    ASSERT_EQ(symlink("target.png", dir.file("link.png").c_str()), 0);
    ASSERT_EQ(symlink("/dev/full", dir.file("full.png").c_str()), 0);
    ASSERT_EQ(symlink("loop2.png", dir.file("loop1.png").c_str()), 0);
    ASSERT_EQ(symlink("loop1.png", dir.file("loop2.png").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
    write(dir.file("keep.png"), "old");
    write(dir.file("keep.bmp"), "old");
    std::string wide = bmp(65501, 1, 1, 0, 0, std::string(8, '\0') + std::string(65504 / 8, '\0'));

    tryRows({
        { "cannot be written: missing directory", "convert " + in + " " + dir.file("no/dir/x.png"), 1,
            "cannot write '" + dir.file("no/dir/x.png") + "': No such file or directory" },
        { "cannot be written: a full disk, and the old file keeps what it held",
            "convert " + in + " " + dir.file("full.png"), 1, "No space left on device" },
        { "snapshot that cannot be written", "render --steps 2 --snapshot " + dir.file("no/dir/x.bmp"), 1,
            "cannot write '" + dir.file("no/dir/x.bmp") + "': No such file or directory" },
        { "too large for the format",
            "convert " +
                [&] {
                    write(dir.file("wide.bmp"), wide);
                    return dir.file("wide.bmp");
                }()
                + " " + dir.file("wide.jpg"),
            1, "the picture is larger than the format can hold" },
        { "convert output without a known extension", "convert " + dir.file("no-such.gif") + " " + dir.file("x.gif"), 2,
            ".jpg, .jpeg, .bmp or .png" },
        { "output through a link", "convert " + in + " " + dir.file("link.png"), 0, "",
            [&] {
                EXPECT_EQ(read(dir.file("target.png")).substr(1, 3), "PNG");
                struct stat st { };
                ASSERT_EQ(lstat(dir.file("link.png").c_str(), &st), 0);
                EXPECT_TRUE(S_ISLNK(st.st_mode));
            } },
        { "a loop of links", "convert " + in + " " + dir.file("loop1.png"), 1, "Too many levels of symbolic links" },
        { "output to a pipe",
            "convert " + in + " " + dir.file("pipe.png") + " & cat " + dir.file("pipe.png") + " > " + dir.file("piped")
                + "; wait",
            0, "", [&] { EXPECT_EQ(read(dir.file("piped")).substr(1, 3), "PNG"); } },
        { "snapshot to /dev/stdout", "render --steps 2 --snapshot /dev/stdout | head -c 2", 0, "BM" },
    });
    // A disk that fills up half-way (a file size limit here) leaves the file that was there alone.
    const std::string limited = "(trap '' XFSZ; ulimit -f 1; " + std::string(MIRRIM_CLI)
        + " render --steps 2 --snapshot " + dir.file("keep.bmp") + ") >/dev/null 2>&1";
    EXPECT_NE(std::system(limited.c_str()), 0);
    EXPECT_EQ(read(dir.file("keep.bmp")), "old");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().rfind("keep.bmp.", 0), std::string::npos) << "temporary file left";
}

TEST(BadInput, ScenesAndDefinitions)
{
    TempDir dir;
    const std::string vortex = std::string(MIRRIM_SOURCE_DIR) + "/scenes/vortex.vq";
    write(dir.file("empty.zrk"), "");
    write(dir.file("huge.zrk"), "");
    ASSERT_EQ(truncate(dir.file("huge.zrk").c_str(), (64L << 20) + 1), 0);
    write(dir.file("huge.vq"), "");
    ASSERT_EQ(truncate(dir.file("huge.vq").c_str(), (16L << 20) + 1), 0);
    write(dir.file("self.vq"),
        "constraint.ConstraintCollection\n<DefLocation>" + dir.path()
            + "</DefLocation><DefFilename>self.vq</DefFilename>\n.\n");
    ASSERT_EQ(cli("make-scene --definition " + vortex + " --scene-version 1001 " + dir.file("newer.zrk")).status, 0);
    ASSERT_EQ(cli("make-scene --definition " + vortex + " --size 100000x100000 " + dir.file("absurd.zrk")).status, 0);
    const std::string square = "factory.ParticlesSquare\n<CenterX>10</CenterX><CenterY>10</CenterY>";
    std::string noise(4096, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    write(dir.file("noise.zrk"), noise);

    tryRows({
        { "scene file that does not exist", "render --scene " + dir.file("none.zrk"), 1,
            "cannot read '" + dir.file("none.zrk") + "'" },
        { "scene file larger than 64 MiB", "render --scene " + dir.file("huge.zrk"), 1, "" },
        { "empty scene file", "render --scene " + dir.file("empty.zrk"), 1, "" },
        { "scene of a newer version", "render --scene " + dir.file("newer.zrk"), 1, "more recent format" },
        { "absurd drawing size: no pictures",
            "render --scene " + dir.file("absurd.zrk") + " --steps 2 --snapshot " + dir.file("x.bmp"), 1,
            "100000 x 100000" },
        { "absurd drawing size: stepping is fine", "render --scene " + dir.file("absurd.zrk") + " --steps 2", 0, "" },
        { "definition file that does not exist", "run " + dir.file("none.vq") + " --steps 1", 1, "" },
        { "definition file larger than 16 MiB", "run " + dir.file("huge.vq") + " --steps 1", 1, "" },
        { "a file that includes itself", "run " + dir.file("self.vq") + " --steps 2", 0, "" },
        { "a file that holds no scene: a picture", "render scenes/shape0.gif --steps 2", 1, "is a GIF picture" },
        { "a file that holds no scene: a program", "run /bin/true --steps 2", 1, "was not loaded" },
        { "a file that holds no scene: random bytes", "run --scene " + dir.file("noise.zrk") + " --steps 2", 1,
            "was not loaded" },
    });

    // Rows whose outcome is in the particles.
    EXPECT_EQ(particles("constraint.force\n<Force>9</Force>\n.\n" + square + "\n.\n", 3, dir).size(), 3u)
        << "an unknown class is skipped, the rest loads";
    EXPECT_EQ(particles(square + "<Amout>5</Amout>\n.\n", 3, dir).size(), 3u) << "an unknown tag is ignored";
    EXPECT_EQ(particles(square + "<Amount>12abc</Amount>\n.\n", 2, dir).size(), 24u) << "12abc reads as 12";
    EXPECT_EQ(particles(square + "<Amount>abc</Amount>\n.\n", 2, dir).size(), 0u) << "abc reads as 0";
    EXPECT_EQ(particles("constraint.ConstraintCollection\n<DefFilename>" + dir.file("none.vq") + "</DefFilename>\n.\n"
                      + square + "\n.\n",
                  2, dir)
                  .size(),
        2u)
        << "an included file that cannot be read leaves its collection empty";
    write(dir.file("many.vq"), square + "<Amount>99999999999</Amount>\n.\n");
    EXPECT_NE(cli("run " + dir.file("many.vq") + " --steps 1").out.find("particles alive 4194304"), std::string::npos)
        << "the system holds at most 4,194,304 particles";
    const CommandResult absurd = cli("render --definition " +
        [&] {
            write(dir.file("absurd.vq"),
                square
                    + "<MinDx>1e40</MinDx><MaxDx>-1e40</MaxDx>\n.\nconstraint.OmniForce\n"
                      "<Force>1e40</Force><RadiusOut>-5</RadiusOut>\n.\n");
            return dir.file("absurd.vq");
        }()
        + " --steps 5 --avi " + dir.file("absurd.avi") + " --codec ffv1");
    EXPECT_EQ(absurd.status, 0) << "absurd values: nothing breaks and recording goes on\n" << absurd.out;
}

} // namespace
