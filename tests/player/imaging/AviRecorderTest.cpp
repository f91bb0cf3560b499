#include "player/imaging/video/AviRecorder.h"
#include "tests/VideoTools.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using videotools::DecodeRgb;
using videotools::Output;

using videotools::PatternDib;
using videotools::PatternRgb;

bool ToolsPresent()
{
    return videotools::Present();
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool Lossless(const std::string& codec)
{
    return codec == "none" || codec == "ffv1" || codec == "huffyuv" || codec == "utvideo";
}

class AviRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/mirrim-avi-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    static int Record(AviRecorder& recorder, const std::string& path, int width, int height, int frames)
    {
        if (!recorder.Open(path.c_str(), width, height, 30))
            return -1;
        int written = 0;
        for (int k = 0; k < frames; ++k) {
            const std::vector<std::uint8_t> dib = PatternDib(width, height, k);
            written += recorder.WriteFrame(dib.data(), dib.size());
        }
        recorder.Close();
        return written;
    }

    // Stream facts as ffprobe reads them: "codec_name=..", "width=..", "r_frame_rate=..", "nb_read_frames=..".
    static std::string Probe(const std::string& path)
    {
        return videotools::Probe(path, "width,height,r_frame_rate,nb_read_frames");
    }

    static std::string Decode(const std::string& path) { return DecodeRgb(path); }

    // Checks every decoded frame against the pattern: exactly, or within a mean error for lossy codecs.
    static void ExpectFrames(const std::string& decoded, int width, int height, int frames, bool exact)
    {
        const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 3;
        ASSERT_EQ(decoded.size(), frameBytes * frames);
        for (int k = 0; k < frames; ++k) {
            const std::vector<std::uint8_t> expected = PatternRgb(width, height, k);
            const auto* got = reinterpret_cast<const std::uint8_t*>(decoded.data()) + frameBytes * k;
            double error = 0;
            for (std::size_t i = 0; i < frameBytes; ++i)
                error += std::abs(int(got[i]) - int(expected[i]));
            error /= frameBytes;
            if (exact)
                EXPECT_EQ(error, 0.0) << "frame " << k;
            else
                EXPECT_LT(error, 6.0) << "frame " << k;
        }
    }

    std::string dir_;
};

TEST_F(AviRecorderTest, EveryCodecWritesUprightFramesThatFfmpegReads)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    const int frames = 12;
    for (const CompressorInfo& info : AviRecorder::AvailableCodecs()) {
        SCOPED_TRACE(info.codec);
        AviRecorder recorder;
        ASSERT_TRUE(recorder.SetCompressor({ info.codec, 15, 0, 90 }));
        const std::string path = Path(info.codec + ".avi");
        ASSERT_EQ(Record(recorder, path, 320, 240, frames), frames);
        EXPECT_FALSE(recorder.IsOpen());
        EXPECT_EQ(Probe(path), "width=320\nheight=240\nr_frame_rate=30/1\nnb_read_frames=12\n");
        ExpectFrames(Decode(path), 320, 240, frames, Lossless(info.codec));
    }
}

// Frames keep the odd size they came in, whatever the codec: no padding column or row.
TEST_F(AviRecorderTest, RowPaddingOfOddWidthsStaysOutOfThePicture)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    for (const char* codec : { "none", "ffv1", "mpeg4", "h264" }) {
        SCOPED_TRACE(codec);
        AviRecorder recorder;
        ASSERT_TRUE(recorder.SetCompressor({ codec, 1, 0, -1 }));
        const std::string path = Path(std::string(codec) + ".avi");
        ASSERT_EQ(Record(recorder, path, 101, 37, 3), 3);
        EXPECT_EQ(Probe(path), "width=101\nheight=37\nr_frame_rate=30/1\nnb_read_frames=3\n");
        ExpectFrames(Decode(path), 101, 37, 3, Lossless(codec));
    }
}

TEST_F(AviRecorderTest, UncompressedFramesAreStoredAsBottomUpDib)
{
    AviRecorder recorder;
    ASSERT_TRUE(recorder.SetCompressor({ "none", 0, 0, -1 }));
    const std::string path = Path("raw.avi");
    ASSERT_EQ(Record(recorder, path, 320, 240, 2), 2);
    const std::string file = Output("cat '" + path + "'");
    // The first frame's chunk holds the DIB rows exactly as handed over.
    const std::size_t chunk = file.find("00dc", file.find("movi"));
    ASSERT_NE(chunk, std::string::npos);
    const std::vector<std::uint8_t> dib = PatternDib(320, 240, 0);
    ASSERT_GE(file.size(), chunk + 8 + dib.size());
    EXPECT_EQ(file.compare(chunk + 8, dib.size(), reinterpret_cast<const char*>(dib.data()), dib.size()), 0);
    // BITMAPINFOHEADER after "strf": positive height (bottom-up), 24 bits, BI_RGB.
    const std::size_t strf = file.find("strf");
    ASSERT_NE(strf, std::string::npos);
    auto le32 = [&](std::size_t at) {
        return std::int32_t(std::uint8_t(file[at]) | std::uint8_t(file[at + 1]) << 8 | std::uint8_t(file[at + 2]) << 16
            | std::uint32_t(std::uint8_t(file[at + 3])) << 24);
    };
    EXPECT_EQ(le32(strf + 12), 320);
    EXPECT_EQ(le32(strf + 16), 240);
    EXPECT_EQ(le32(strf + 20), 1 | 24 << 16);
    EXPECT_EQ(le32(strf + 24), 0);
}

TEST_F(AviRecorderTest, KeyFramesFollowTheChosenInterval)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    AviRecorder recorder;
    ASSERT_TRUE(recorder.SetCompressor({ "mpeg4", 10, 0, 80 }));
    const std::string path = Path("gop.avi");
    ASSERT_EQ(Record(recorder, path, 320, 240, 30), 30);
    const std::string flags
        = Output("ffprobe -v error -select_streams v:0 -show_entries frame=key_frame -of csv=p=0 '" + path + "'");
    std::string expected;
    for (int k = 0; k < 30; ++k)
        expected += k % 10 == 0 ? "1\n" : "0\n";
    EXPECT_EQ(flags, expected);
}

TEST_F(AviRecorderTest, ClosedOrRefusedRecorderWritesNothing)
{
    AviRecorder recorder;
    const std::vector<std::uint8_t> dib = PatternDib(320, 240, 0);
    EXPECT_EQ(recorder.WriteFrame(dib.data(), dib.size()), 0);
    EXPECT_EQ(recorder.Close(), 0);

    // No compressor and no way to ask: nothing opens.
    EXPECT_EQ(recorder.Open(Path("a.avi").c_str(), 320, 240, 30), 0);
    EXPECT_FALSE(Exists(Path("a.avi")));

    // The chooser is cancelled.
    int asked = 0;
    recorder.SetCompressorChooser([&](CompressorSettings&) { return ++asked, false; });
    EXPECT_EQ(recorder.Open(Path("b.avi").c_str(), 320, 240, 30), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(recorder.IsOpen());
    EXPECT_FALSE(Exists(Path("b.avi")));

    // A codec this build does not know is not a choice.
    EXPECT_FALSE(recorder.SetCompressor({ "vp9000", 0, 0, -1 }));
    EXPECT_FALSE(recorder.HasCompressor());

    // A file that cannot be created, and a size no picture may have.
    ASSERT_TRUE(recorder.SetCompressor({ "mjpeg", 15, 0, 75 }));
    EXPECT_EQ(recorder.Open(Path("missing/c.avi").c_str(), 320, 240, 30), 0);
    EXPECT_FALSE(recorder.IsOpen());
    EXPECT_FALSE(Exists(Path("missing")));
    EXPECT_EQ(recorder.Open(Path("d.avi").c_str(), 0, 240, 30), 0);
    EXPECT_FALSE(Exists(Path("d.avi")));

    // A frame of the wrong size is refused while the recording goes on.
    ASSERT_EQ(recorder.Open(Path("e.avi").c_str(), 320, 240, 30), 1);
    EXPECT_EQ(recorder.WriteFrame(dib.data(), dib.size() - 1), 0);
    EXPECT_EQ(recorder.WriteFrame(nullptr, dib.size()), 0);
    EXPECT_EQ(recorder.WriteFrame(dib.data(), dib.size()), 1);
    EXPECT_EQ(recorder.Close(), 1);
}

TEST_F(AviRecorderTest, ChooserStartsFromThePreviousChoiceAndCancelKeepsIt)
{
    AviRecorder recorder;
    recorder.SetCompressorChooser([](CompressorSettings& s) {
        s.codec = "mjpeg";
        s.quality = 60;
        return true;
    });
    ASSERT_EQ(recorder.ChooseCompressor(), 1);
    CompressorSettings seen;
    recorder.SetCompressorChooser([&](CompressorSettings& s) {
        seen = s;
        return false;
    });
    EXPECT_EQ(recorder.ChooseCompressor(), 0);
    EXPECT_EQ(seen.codec, "mjpeg");
    EXPECT_EQ(seen.quality, 60);
    EXPECT_TRUE(recorder.HasCompressor());
    EXPECT_EQ(recorder.GetCompressor().codec, "mjpeg");
    EXPECT_EQ(recorder.FreeCompressor(), 1);
    EXPECT_EQ(recorder.FreeCompressor(), 0);
}

// Fills the disk (a file size limit in a child process) part way through a recording.
TEST_F(AviRecorderTest, FullDiskSkipsFramesAndKeepsTheOnesWritten)
{
    if (!ToolsPresent())
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    const struct {
        const char* codec;
        rlim_t sizeLimit;
    } cases[] = { { "none", 1 << 20 }, { "mjpeg", 256 << 10 } };
    for (const auto& [codec, sizeLimit] : cases) {
        SCOPED_TRACE(codec);
        const std::string path = Path(std::string(codec) + ".avi");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { sizeLimit, sizeLimit };
            setrlimit(RLIMIT_FSIZE, &limit);
            AviRecorder recorder;
            recorder.SetCompressor({ codec, 1, 0, 100 });
            if (!recorder.Open(path.c_str(), 320, 240, 30))
                _exit(200);
            // Count the frames written before the first failure; none may succeed after it.
            int written = 0;
            bool failed = false;
            for (int k = 0; k < 100; ++k) {
                const std::vector<std::uint8_t> dib = PatternDib(320, 240, k);
                const int ok = recorder.WriteFrame(dib.data(), dib.size());
                if (ok && failed)
                    _exit(201);
                failed = failed || !ok;
                written += ok;
            }
            if (!failed || !recorder.IsOpen() || recorder.Close() != 1)
                _exit(202);
            _exit(written);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const int written = WEXITSTATUS(status);
        ASSERT_GT(written, 0);
        ASSERT_LT(written, 100);
        EXPECT_EQ(
            Probe(path), "width=320\nheight=240\nr_frame_rate=30/1\nnb_read_frames=" + std::to_string(written) + "\n");
        ExpectFrames(Decode(path), 320, 240, written, std::string(codec) == "none");
    }
}

} // namespace
