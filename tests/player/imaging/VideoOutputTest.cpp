#include "player/imaging/video/VideoOutput.h"
#include "player/imaging/video/PictureSequenceWriter.h"
#include "player/imaging/video/VideoFormat.h"
#include "tests/TempDir.h"
#include "tests/VideoTools.h"
#include "tests/player/imaging/ToolFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using videotools::PatternDib;
using videotools::PatternRgb;

// Writes frames of the test pattern; the output's error (empty when it finished).
std::string Record(const std::string& path, const std::string& codec, int width, int height, int frames, int scale = 1,
    int framesPerSecond = 25)
{
    VideoOutput::Request request;
    request.fileName = path;
    request.format = FindVideoFormat(path);
    request.codec.codec = codec;
    request.width = width;
    request.height = height;
    request.scale = scale;
    request.framesPerSecond = framesPerSecond;
    std::string error;
    std::unique_ptr<VideoOutput> output = VideoOutput::Open(request, error);
    if (!output)
        return error.empty() ? "no output and no reason" : error;
    for (int k = 0; k < frames; ++k) {
        const std::vector<std::uint8_t> dib = PatternDib(width, height, k);
        if (!output->WriteFrame(dib.data(), dib.size()))
            return "frame " + std::to_string(k) + " not written";
    }
    return output->Finish(error) ? std::string() : error;
}

std::vector<std::string> Listing(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(VideoFormat, TheExtensionPicksTheFormatInAnyLetterCase)
{
    const struct {
        const char* path;
        const char* muxer; // null: not a video format of ours
    } cases[] = {
        { "a.avi", "avi" },
        { "dir.x/clip.MP4", "mp4" },
        { "b.Mov", "mov" },
        { "c.mkv", "matroska" },
        { "d.WEBM", "webm" },
        { "e.gif", "gif" },
        { "f%03d.PNG", "image2" },
        { "f.bmp", nullptr },
        { "noextension", nullptr },
        { "dir.mp4/clip", nullptr },
        { "trailing.", nullptr },
    };
    for (const auto& c : cases) {
        const VideoFormat* format = FindVideoFormat(c.path);
        EXPECT_EQ(format ? std::string(format->muxer) : "none", c.muxer ? c.muxer : "none") << c.path;
    }
}

// Every format beyond AVI, read back by ffprobe and decoded by ffmpeg: lossless frames come back exactly,
// lossy ones within a PSNR floor a little below the least measured on this pattern at the default
// qualities (H.264 39.7 dB, VP9 37.0 dB, the GIF's 256 colours for a full red-green gradient 26.1 dB).
TEST(VideoOutput, EveryFormatHoldsItsFramesAsFfmpegReadsThem)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    const struct {
        const char* file;
        const char* codec; // empty: the format's default
        const char* stored;
        double minPsnr; // infinity: exact
    } cases[] = {
        { "clip.mp4", "", "h264", 38.5 },
        { "clip.MOV", "", "h264", 38.5 },
        { "clip.mkv", "", "ffv1", INFINITY },
        { "lossy.mkv", "vp9", "vp9", 35.5 },
        { "clip.webm", "", "vp9", 35.5 },
        { "clip.gif", "", "gif", 25 },
        { "clip%02d.png", "", "png", INFINITY },
    };
    const int frames = 12;
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir.file(c.file);
        ASSERT_EQ(Record(path, c.codec, 160, 120, frames), "");
        EXPECT_EQ(videotools::Probe(path, "codec_name,width,height,r_frame_rate,nb_read_frames"),
            std::string("codec_name=") + c.stored + "\nwidth=160\nheight=120\nr_frame_rate=25/1\nnb_read_frames=12\n");
        const std::string decoded = videotools::DecodeRgb(path);
        const std::size_t frameBytes = 160 * 120 * 3;
        ASSERT_EQ(decoded.size(), frameBytes * frames);
        for (int k = 0; k < frames; ++k) {
            const std::vector<std::uint8_t> expected = PatternRgb(160, 120, k);
            const double psnr = videotools::Psnr(
                reinterpret_cast<const std::uint8_t*>(decoded.data()) + frameBytes * k, expected.data(), frameBytes);
            EXPECT_GE(psnr, c.minPsnr) << "frame " << k;
        }
    }
}

// The name is the user's: only one plain number field is taken, never handed to printf.
TEST(PictureSequenceWriter, FrameNamesComeFromOneNumberField)
{
    const struct {
        const char* pattern;
        long long number;
        const char* name; // empty: refused
    } cases[] = {
        { "f%d.png", 7, "f7.png" },
        { "f%04d.png", 7, "f0007.png" },
        { "f%3d.png", 7, "f  7.png" },
        { "f%02d.png", 12345, "f12345.png" },
        { "d%%/100%%-%d.png", 1, "d%/100%-1.png" },
        { "%d", 0, "0" },
        { "%d/f%d.png", 1, "" },
        { "f.png", 1, "" },
        { "f%s.png", 1, "" },
        { "f%n.png", 1, "" },
        { "f%10d.png", 1, "" },
        { "f%00d.png", 1, "" },
        { "f%-2d.png", 1, "" },
        { "f%ld.png", 1, "" },
        { "f%", 1, "" },
        { "f%%d.png", 1, "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PictureSequenceWriter::FrameFileName(c.pattern, c.number), c.name) << c.pattern;
}

TEST(VideoOutput, GifLoopsForEver)
{
    if (!toolfiles::HavePillow())
        GTEST_SKIP() << "Pillow not installed";
    TempDir dir;
    ASSERT_EQ(Record(dir.file("loop.gif"), "", 64, 48, 5), "");
    EXPECT_EQ(videotools::Output(std::string(toolfiles::kPython)
                  + " -c 'import sys; from PIL import Image; i = Image.open(sys.argv[1]); "
                    "print(i.info.get(\"loop\"), i.n_frames)' "
                  + dir.file("loop.gif")),
        "0 5\n");
}

// Enlarged frames are blocks of the original pixel: exactly for a lossless codec, and for the GIF too,
// whose colours are chosen (and dithered) before it is enlarged.
TEST(VideoOutput, ScaledFramesAreBlocksOfTheOriginalPixels)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    for (const char* file : { "big.mkv", "big.gif" }) {
        SCOPED_TRACE(file);
        const std::string path = dir.file(file);
        ASSERT_EQ(Record(path, "", 40, 30, 2, 4), "");
        const std::string decoded = videotools::DecodeRgb(path);
        ASSERT_EQ(decoded.size(), 2u * 160 * 120 * 3);
        const std::vector<std::uint8_t> original = PatternRgb(40, 30, 1);
        const auto* last = reinterpret_cast<const std::uint8_t*>(decoded.data()) + 160 * 120 * 3;
        std::vector<std::uint8_t> shrunk(original.size());
        int mixedBlocks = 0;
        for (int y = 0; y < 120; ++y) {
            for (int x = 0; x < 160; ++x) {
                const std::uint8_t* p = last + (y * 160 + x) * 3;
                const std::uint8_t* corner = last + ((y & ~3) * 160 + (x & ~3)) * 3;
                mixedBlocks += p[0] != corner[0] || p[1] != corner[1] || p[2] != corner[2];
                std::copy(corner, corner + 3, &shrunk[((y / 4) * 40 + x / 4) * 3]);
            }
        }
        EXPECT_EQ(mixedBlocks, 0);
        EXPECT_GE(videotools::Psnr(shrunk.data(), original.data(), original.size()),
            std::string(file) == "big.mkv" ? INFINITY : 30.0);
    }
}

// H.264 in half-resolution colour needs even sizes: the last column and row are repeated. Codecs that
// take odd sizes keep them.
TEST(VideoOutput, OddSizesGrowToEvenForH264)
{
    if (!videotools::Present())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    TempDir dir;
    ASSERT_EQ(Record(dir.file("odd.mp4"), "h264", 101, 37, 3), "");
    EXPECT_EQ(videotools::Probe(dir.file("odd.mp4"), "width,height,nb_read_frames"),
        "width=102\nheight=38\nnb_read_frames=3\n");
    ASSERT_EQ(Record(dir.file("odd.mkv"), "mpeg4", 101, 37, 3), "");
    EXPECT_EQ(videotools::Probe(dir.file("odd.mkv"), "width,height,nb_read_frames"),
        "width=101\nheight=37\nnb_read_frames=3\n");
}

TEST(VideoOutput, FailuresSayWhyAndNeverTouchTheFileThere)
{
    TempDir dir;
    EXPECT_NE(Record(dir.file("x.webm"), "ffv1", 64, 48, 1).find("this build can write vp9"), std::string::npos);
    EXPECT_NE(Record(dir.file("x.mp4"), "none", 64, 48, 1).find("cannot go into MP4"), std::string::npos);
    EXPECT_EQ(Record(dir.file("missing/x.mp4"), "", 64, 48, 1), "No such file or directory");
    EXPECT_NE(Record(dir.file("huge.mp4"), "", 16384, 16384, 1, 8).find("beyond"), std::string::npos);
    EXPECT_EQ(Record(dir.file("empty.gif"), "", 64, 48, 0), "no frame was recorded");
    EXPECT_EQ(Record(dir.file("none%d.png"), "", 64, 48, 0), "no frame was recorded");
    EXPECT_NE(Record(dir.file("frames.png"), "", 64, 48, 1).find("one frame number"), std::string::npos);

    // A recording abandoned half way (the output destroyed without Finish), or aborted from another
    // thread while a GIF is being encoded, leaves the old file as it was and nothing else behind.
    const std::string kept = dir.file("kept.mp4");
    const std::string keptGif = dir.file("kept.gif");
    for (const std::string& name : { kept, keptGif }) {
        std::ofstream(name) << "precious";
        VideoOutput::Request request;
        request.fileName = name;
        request.format = FindVideoFormat(name);
        request.width = 64;
        request.height = 48;
        std::thread aborter;
        std::unique_ptr<VideoOutput> output;
        request.progress = [&](int done, int) {
            if (done == 1)
                aborter = std::thread([&] { output->Abort(); });
            if (aborter.joinable())
                aborter.join();
            return true;
        };
        std::string error;
        output = VideoOutput::Open(request, error);
        ASSERT_TRUE(output) << error;
        const std::vector<std::uint8_t> dib = PatternDib(64, 48, 0);
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(output->WriteFrame(dib.data(), dib.size()));
        EXPECT_FALSE(output->WriteFrame(dib.data(), dib.size() - 1));
        if (name == keptGif) {
            EXPECT_FALSE(output->Finish(error));
            EXPECT_EQ(error, "stopped before it was complete");
        }
        output.reset();
        std::ifstream in(name);
        std::string text;
        in >> text;
        EXPECT_EQ(text, "precious");
    }
    EXPECT_EQ(Listing(dir), (std::vector<std::string> { "kept.gif", "kept.mp4" }));
}

} // namespace
