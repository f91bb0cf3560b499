#include "player/imaging/store/CDib.h"
#include "tests/player/imaging/PictureFiles.h"

#include "tests/RunCommand.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const std::string kCli = std::string(MIRRIM_BINARY_DIR) + "/tools/mirrim-cli";

// mirrim-cli with the arguments; its stdout goes to outFile, its stderr is kept.
CommandResult runCli(const std::string& arguments, const std::string& outFile = "/dev/null")
{
    return RunCommand(kCli + " " + arguments + " 2>&1 >" + outFile);
}

std::string kindOf(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
        return "JPEG";
    if (bytes.size() > 54 && bytes[0] == 'B' && bytes[1] == 'M')
        return "BMP";
    if (bytes.size() > 8 && bytes[0] == 0x89 && bytes[1] == 'P')
        return "PNG";
    return bytes.empty() ? "nothing" : "other";
}

class ConvertCommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        CDib picture;
        picture.Create(8, 4);
        picture.Fill(RGB(0, 200, 0));
        ASSERT_EQ(picture.SaveBmp(input_.c_str()), 1);
    }

    TempDir dir_;
    std::string input_ = dir_.file("in.bmp");
};

TEST_F(ConvertCommandTest, TheExtensionChoosesTheFormatInAnyLetterCase)
{
    const std::vector<std::pair<const char*, const char*>> names
        = { { "a.jpg", "JPEG" }, { "b.jpeg", "JPEG" }, { "c.JPG", "JPEG" }, { "d.JpEg", "JPEG" }, { "e.bmp", "BMP" },
              { "f.BMP", "BMP" }, { "g.png", "PNG" }, { "h.PnG", "PNG" } };
    for (const auto& [name, kind] : names) {
        const std::string output = dir_.file(name);
        ASSERT_EQ(runCli("convert " + input_ + " " + output).status, 0) << name;
        EXPECT_EQ(kindOf(picturefiles::ReadFile(output)), kind) << name;
        CDib back;
        ASSERT_EQ(back.Load(output.c_str()), 1) << name;
        EXPECT_EQ(back.GetWidth(), 8);
        EXPECT_GT(GetGValue(back.GetPixel(4, 2)), 190) << name;
    }
    // Any other name is refused before the input is even looked at (here it does not exist).
    for (const char* name : { "out", "out.gif", "out.tiff", "out.jpg.txt", "dir.png/out" }) {
        const CommandResult r = runCli("convert " + dir_.file("missing.bmp") + " " + dir_.file(name));
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_NE(r.out.find(".jpg, .jpeg, .bmp or .png"), std::string::npos) << r.out;
        EXPECT_EQ(kindOf(picturefiles::ReadFile(dir_.file(name))), "nothing") << name;
    }
}

TEST_F(ConvertCommandTest, PalettePictureBecomesAJpegOfWhatItShows)
{
    // Red over blue, in halves big enough for JPEG's colour subsampling to keep them apart.
    std::vector<std::vector<std::uint8_t>> rows(16, std::vector<std::uint8_t>(16, 0));
    for (int y = 8; y < 16; ++y)
        rows[y].assign(16, 1);
    ASSERT_TRUE(picturefiles::WriteFile(input_, picturefiles::Bmp8(16, { 0x00FF0000, 0x000000FF }, rows)));
    const std::string output = dir_.file("palette.jpg");
    ASSERT_EQ(runCli("convert " + input_ + " " + output).status, 0);
    CDib back;
    ASSERT_EQ(back.Load(output.c_str()), 1);
    EXPECT_EQ(back.GetBitCount(), 24);
    EXPECT_GT(GetRValue(back.GetPixel(4, 2)), 230);
    EXPECT_GT(GetBValue(back.GetPixel(4, 13)), 230);
    EXPECT_LT(GetRValue(back.GetPixel(4, 13)), 25);
}

// Each reason a picture cannot be read, named with the file, and nothing written.
TEST_F(ConvertCommandTest, AnUnreadableInputSaysWhy)
{
    const std::vector<std::uint8_t> bmp = picturefiles::ReadFile(input_);
    std::vector<std::uint8_t> huge = { 'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, ',', 0, 0, 0, 0,
        0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x4C, 1, 0, ';' };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes; // empty: the file is not made
        const char* reason;
    };
    const std::vector<Case> cases = {
        { "missing.bmp", {}, "no such file" },
        { "text.bmp", { 'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c' }, "not a JPEG, GIF, BMP or PNG picture" },
        { "cut.bmp", std::vector<std::uint8_t>(bmp.begin(), bmp.begin() + 30), "a damaged or unsupported BMP file" },
        { "huge.gif", huge,
            "a 65535 x 65535 picture, larger than the budget of 65535 pixels a side and 268 megapixels "
            "(16384 x 16384) in all" },
    };
    for (const auto& c : cases) {
        const std::string path = dir_.file(c.name);
        if (!c.bytes.empty()) {
            ASSERT_TRUE(picturefiles::WriteFile(path, c.bytes));
        }
        const CommandResult r = runCli("convert " + path + " " + dir_.file("never.png"));
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.out, "mirrim-cli convert: cannot read '" + path + "': " + c.reason + "\n");
        EXPECT_EQ(kindOf(picturefiles::ReadFile(dir_.file("never.png"))), "nothing");
    }
    const CommandResult r = runCli("convert " + dir_.path() + " " + dir_.file("never.png"));
    EXPECT_NE(r.out.find("Is a directory"), std::string::npos) << r.out;
}

// Saving follows links, writes pipes and devices in place, and says why it failed in the system's words.
TEST_F(ConvertCommandTest, SavesThroughLinksPipesAndDevices)
{
    const std::string target = dir_.file("target.png");
    const std::string link = dir_.file("link.png");
    ASSERT_EQ(symlink("target.png", link.c_str()), 0);
    ASSERT_EQ(runCli("convert " + input_ + " " + link).status, 0);
    char buffer[64] = {};
    EXPECT_EQ(readlink(link.c_str(), buffer, sizeof buffer - 1), 10) << "the link stays a link";
    EXPECT_EQ(kindOf(picturefiles::ReadFile(target)), "PNG") << "its target holds the picture";

    // A pipe: /dev/stdout of the program, through a link with the extension that picks the format.
    const std::string out = dir_.file("stdout.bmp");
    ASSERT_EQ(symlink("/dev/stdout", out.c_str()), 0);
    const std::string caught = dir_.file("caught");
    ASSERT_EQ(runCli("convert " + input_ + " " + out + " | cat", caught).status, 0);
    EXPECT_EQ(kindOf(picturefiles::ReadFile(caught)), "BMP");

    const std::string full = dir_.file("full.jpg");
    ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
    struct Case {
        std::string output;
        const char* reason;
    };
    for (const Case& c : { Case { full, "No space left on device" },
             Case { dir_.file("no/such/dir.png"), "No such file or directory" } }) {
        const CommandResult r = runCli("convert " + input_ + " " + c.output);
        EXPECT_EQ(r.status, 1) << c.output;
        EXPECT_EQ(r.out, "mirrim-cli convert: cannot write '" + c.output + "': " + c.reason + "\n");
    }
}

TEST_F(ConvertCommandTest, BadUsageExitsTwo)
{
    EXPECT_EQ(runCli("convert").status, 2);
    EXPECT_EQ(runCli("convert " + input_).status, 2);
    EXPECT_EQ(runCli("convert a b c").status, 2);
    EXPECT_EQ(runCli("convert --help").status, 0);
}

} // namespace
