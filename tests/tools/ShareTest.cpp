// mirrim-cli share: the link must give back the file and the pictures it names byte for byte, and say
// why when it cannot be made.
#include "tests/FileText.h"
#include "tests/RunCommand.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// base64url without padding, then zlib.
std::string unpack(const std::string& text)
{
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string packed;
    unsigned bits = 0;
    int held = 0;
    for (const char c : text) {
        const auto at = digits.find(c);
        EXPECT_NE(at, std::string::npos) << c;
        bits = (bits << 6) | static_cast<unsigned>(at);
        held += 6;
        if (held >= 8) {
            held -= 8;
            packed += static_cast<char>((bits >> held) & 0xFF);
        }
    }
    std::vector<unsigned char> out(8 << 20);
    uLongf size = out.size();
    EXPECT_EQ(uncompress(out.data(), &size, reinterpret_cast<const Bytef*>(packed.data()), packed.size()), Z_OK);
    return std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size));
}

// The fragment's parameters in order, as key and value.
std::vector<std::pair<std::string, std::string>> fragment(const std::string& link)
{
    std::vector<std::pair<std::string, std::string>> parts;
    std::stringstream s(link.substr(link.find('#') + 1));
    for (std::string part; std::getline(s, part, '&');)
        parts.emplace_back(part.substr(0, part.find('=')), part.substr(part.find('=') + 1));
    return parts;
}

CommandResult share(const std::string& args)
{
    return RunCommand("(" + std::string(MIRRIM_CLI) + " share " + args + ") 2>&1");
}

TEST(CliShare, LinkGivesBackTheFileSeedAndNamedPictures)
{
    const std::string scenes = std::string(MIRRIM_SOURCE_DIR) + "/scenes/";
    // A scene file whole (its flags are part of how it plays), and a definition whose numbered pattern
    // names four pictures.
    // A fragment in the page's address gives way to the link's own.
    CommandResult r = share(scenes + "vortex.zrk --seed 7 --base https://example.org/mirrim/#scene=star");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("https://example.org/mirrim/#def=", 0), 0u) << r.out;
    auto parts = fragment(r.out.substr(0, r.out.size() - 1));
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(unpack(parts[0].second), FileText(scenes + "vortex.zrk"));
    EXPECT_EQ(parts[1], std::make_pair(std::string("seed"), std::string("7")));

    r = share(scenes + "fireworks.vq");
    ASSERT_EQ(r.status, 0) << r.out;
    parts = fragment(r.out.substr(0, r.out.size() - 1));
    ASSERT_EQ(parts.size(), 5u);
    EXPECT_EQ(unpack(parts[0].second), FileText(scenes + "fireworks.vq"));
    const char* pictures[] = { "fireworks0.gif", "fireworks15.gif", "fireworks30.gif", "fireworks45.gif" };
    for (int i = 0; i < 4; ++i) {
        const std::string& value = parts[static_cast<std::size_t>(i) + 1].second;
        EXPECT_EQ(value.substr(0, value.find(':')), pictures[i]);
        EXPECT_EQ(unpack(value.substr(value.find(':') + 1)), FileText(scenes + pictures[i]));
    }
}

TEST(CliShare, RefusesWhatALinkCannotCarry)
{
    TempDir dir;
    std::ofstream(dir.file("big.vq"), std::ios::binary)
        << "image.ImageLoad\n<Image>BIG</Image><Image Filename>noise.bmp</Image Filename>\n.\n";
    // Noise does not compress: 60000 bytes stay beyond what a link holds.
    std::string noise = "BM";
    for (unsigned i = 0, x = 1; i < 60000; ++i, x = x * 1103515245u + 12345u)
        noise += static_cast<char>(x >> 24);
    std::ofstream(dir.file("noise.bmp"), std::ios::binary) << noise;
    std::ofstream(dir.file("includes.vq"), std::ios::binary)
        << "constraint.ConstraintCollection\n<DefFilename>big.vq</DefFilename>\n.\nconstraint.RemoveAged\n\n.\n";
    std::filesystem::create_directory(dir.file("sub"));
    std::ofstream(dir.file("sub/outside.vq"), std::ios::binary)
        << "image.ImageLoad\n<Image>UP</Image><Image Filename>../noise.bmp</Image Filename>\n.\n";
    const struct {
        std::string file, says;
    } cases[] = {
        { dir.file("sub/outside.vq"), "'../noise.bmp' lies outside the scene's folder" },
        { dir.file("big.vq"), "beyond 32768" },
        { dir.file("includes.vq"), "includes other definition files" },
        { dir.file("noise.bmp"), "holds no scene" },
        { dir.file("missing.vq"), "cannot read" },
    };
    for (const auto& c : cases) {
        const CommandResult r = share(c.file);
        EXPECT_EQ(r.status, 1) << c.file;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    }
}

} // namespace
