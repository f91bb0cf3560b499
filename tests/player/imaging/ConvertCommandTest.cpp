#include "player/imaging/CDib.h"
#include "tests/player/imaging/PictureFiles.h"

#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

const std::string kCli = std::string(MIRRIM_BINARY_DIR) + "/tools/mirrim-cli";

std::string temp(const char* name)
{
    static TempDir dir; // one per test process: CTest runs tests side by side
    return dir.file(name);
}

// Exit status of mirrim-cli with the arguments; its stderr goes to errorFile.
int runCli(const std::string& arguments, const std::string& errorFile = "/dev/null")
{
    const int status = std::system((kCli + " " + arguments + " >/dev/null 2>" + errorFile).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool isJpeg(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

bool isBmp(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() > 54 && bytes[0] == 'B' && bytes[1] == 'M';
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
    void TearDown() override
    {
        for (const std::string& path : { input_, output_ })
            std::remove(path.c_str());
    }

    std::string input_ = temp("in.bmp");
    std::string output_;
};

TEST_F(ConvertCommandTest, ExactLowerCaseJpegExtensionsGiveJpeg)
{
    for (const char* name : { "out.jpg", "out.jpeg" }) {
        output_ = temp(name);
        ASSERT_EQ(runCli("convert " + input_ + " " + output_), 0) << name;
        EXPECT_TRUE(isJpeg(picturefiles::ReadFile(output_))) << name;
        CDib back;
        ASSERT_EQ(back.Load(output_.c_str()), 1);
        EXPECT_EQ(back.GetWidth(), 8);
        EXPECT_GT(GetGValue(back.GetPixel(4, 2)), 190);
        std::remove(output_.c_str());
    }
    for (const char* name : { "out.JPG", "out.bmp", "out" }) {
        output_ = temp(name);
        ASSERT_EQ(runCli("convert " + input_ + " " + output_), 0) << name;
        EXPECT_TRUE(isBmp(picturefiles::ReadFile(output_))) << name;
        std::remove(output_.c_str());
    }
}

TEST_F(ConvertCommandTest, PalettePictureBecomesAJpegOfWhatItShows)
{
    // Red over blue, in halves big enough for JPEG's colour subsampling to keep them apart.
    std::vector<std::vector<std::uint8_t>> rows(16, std::vector<std::uint8_t>(16, 0));
    for (int y = 8; y < 16; ++y)
        rows[y].assign(16, 1);
    ASSERT_TRUE(picturefiles::WriteFile(input_, picturefiles::Bmp8(16, { 0x00FF0000, 0x000000FF }, rows)));
    output_ = temp("palette.jpg");
    ASSERT_EQ(runCli("convert " + input_ + " " + output_), 0);
    CDib back;
    ASSERT_EQ(back.Load(output_.c_str()), 1);
    EXPECT_EQ(back.GetBitCount(), 24);
    EXPECT_GT(GetRValue(back.GetPixel(4, 2)), 230);
    EXPECT_GT(GetBValue(back.GetPixel(4, 13)), 230);
    EXPECT_LT(GetRValue(back.GetPixel(4, 13)), 25);
}

TEST_F(ConvertCommandTest, UnreadableInputFailsWithoutWritingAnything)
{
    ASSERT_TRUE(picturefiles::WriteFile(input_, { 'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c' }));
    output_ = temp("never.bmp");
    const std::string errors = temp("errors.txt");
    EXPECT_EQ(runCli("convert " + input_ + " " + output_, errors), 1);
    EXPECT_TRUE(picturefiles::ReadFile(output_).empty());
    const std::vector<std::uint8_t> message = picturefiles::ReadFile(errors);
    EXPECT_NE(std::string(message.begin(), message.end()).find(input_), std::string::npos);

    EXPECT_EQ(runCli("convert " + temp("missing.bmp") + " " + output_), 1);
    EXPECT_TRUE(picturefiles::ReadFile(output_).empty());
    std::remove(errors.c_str());
}

TEST_F(ConvertCommandTest, BadUsageExitsTwo)
{
    EXPECT_EQ(runCli("convert"), 2);
    EXPECT_EQ(runCli("convert " + input_), 2);
    EXPECT_EQ(runCli("convert a b c"), 2);
    EXPECT_EQ(runCli("convert --help"), 0);
}

} // namespace
