// Recording speed: our recorder against the ffmpeg program encoding the same frames with the same codec
// and settings into AVI. Prints frames per second for both and the ratio.
#include "player/imaging/AviRecorder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFrames = 300;
constexpr std::size_t kFrameBytes = kWidth * kHeight * 3; // 320 pixels make rows without padding
const CompressorSettings kSettings { "", 15, 0, 75 };

struct Rates {
    double ours = 0;
    double ffmpeg = 0;
};
std::map<std::string, Rates> rates;
std::string workDir;
std::vector<std::uint8_t> clip; // kFrames DIB frames, bottom-up BGR

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A moving picture with gradients and detail, so compressors have real work to do.
void MakeClip()
{
    clip.resize(kFrameBytes * kFrames);
    for (int k = 0; k < kFrames; ++k) {
        std::uint8_t* frame = &clip[kFrameBytes * k];
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                std::uint8_t* p = frame + (static_cast<std::size_t>(y) * kWidth + x) * 3;
                const int dx = x - 160 - k % 80;
                const int dy = y - 120;
                p[0] = static_cast<std::uint8_t>((x + 2 * k) & 255);
                p[1] = static_cast<std::uint8_t>(y + k);
                p[2] = dx * dx + dy * dy < 2500 ? 255 : static_cast<std::uint8_t>((x ^ y) & 63);
            }
        }
    }
    FILE* raw = std::fopen((workDir + "/clip.bgr").c_str(), "wb");
    if (raw) {
        std::fwrite(clip.data(), 1, clip.size(), raw);
        std::fclose(raw);
    }
}

// Seconds to record the first `frames` frames of the clip, opening and closing included.
double TimeOurs(AviRecorder& recorder, const std::string& path, int frames)
{
    const auto start = std::chrono::steady_clock::now();
    int written = recorder.Open(path.c_str(), kWidth, kHeight, 30);
    for (int k = 0; k < frames; ++k)
        written += recorder.WriteFrame(&clip[kFrameBytes * k], kFrameBytes);
    recorder.Close();
    return written == frames + 1 ? Seconds(start) : -1;
}

// Timed as ffmpeg is below: a one-frame recording subtracted from the full one, so set-up counts in neither.
void Ours(benchmark::State& state, const std::string& codec)
{
    AviRecorder recorder;
    CompressorSettings settings = kSettings;
    settings.codec = codec;
    recorder.SetCompressor(settings);
    const std::string path = workDir + "/ours-" + codec + ".avi";
    double seconds = 0;
    for (auto _ : state) {
        const double one = TimeOurs(recorder, path, 1);
        const double all = TimeOurs(recorder, path, kFrames);
        if (one < 0 || all < 0) {
            state.SkipWithError("recording failed");
            return;
        }
        state.SetIterationTime(all - one);
        seconds += all - one;
    }
    const double fps = (kFrames - 1) * state.iterations() / seconds;
    state.counters["fps"] = fps;
    rates[codec].ours = fps;
}

// The ffmpeg command line for the same codec and settings (quality mapped as the recorder maps it).
std::string FfmpegCodecArguments(const std::string& codec)
{
    const int qscale = 31 - (kSettings.quality * 30 + 50) / 100;
    const std::string gop = " -g " + std::to_string(kSettings.keyFrameInterval);
    const std::string slices = " -threads 0 -thread_type slice";
    if (codec == "none")
        return "-c:v rawvideo -pix_fmt bgr24";
    if (codec == "mjpeg")
        return "-c:v mjpeg -pix_fmt yuvj420p -q:v " + std::to_string(qscale) + slices;
    if (codec == "ffv1")
        return "-c:v ffv1 -pix_fmt bgr0" + gop + slices;
    if (codec == "huffyuv")
        return "-c:v huffyuv -pix_fmt rgb24" + slices;
    if (codec == "utvideo")
        return "-c:v utvideo -pix_fmt gbrp" + slices;
    if (codec == "cinepak")
        return "-c:v cinepak -pix_fmt rgb24" + gop + slices;
    if (codec == "mpeg4")
        return "-c:v mpeg4 -pix_fmt yuv420p -q:v " + std::to_string(qscale) + gop + slices;
    return "-c:v libx264 -pix_fmt yuv420p -crf " + std::to_string(51.0 * (100 - kSettings.quality) / 100) + gop
        + slices;
}

double TimeFfmpeg(const std::string& codec, int frames)
{
    const std::string command = "ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt bgr24 -s 320x240 -r 30 -i '" + workDir
        + "/clip.bgr' -vf vflip -frames:v " + std::to_string(frames) + " " + FfmpegCodecArguments(codec) + " '"
        + workDir + "/ffmpeg-" + codec + ".avi'";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    return status == 0 ? Seconds(start) : -1;
}

// ffmpeg's own start-up is taken out by subtracting a one-frame run from the full one.
void Ffmpeg(benchmark::State& state, const std::string& codec)
{
    double seconds = 0;
    for (auto _ : state) {
        const double one = TimeFfmpeg(codec, 1);
        const double all = TimeFfmpeg(codec, kFrames);
        if (one < 0 || all < 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
        state.SetIterationTime(all - one);
        seconds += all - one;
    }
    const double fps = (kFrames - 1) * state.iterations() / seconds;
    state.counters["fps"] = fps;
    rates[codec].ffmpeg = fps;
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/mirrim-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    workDir = pattern;
    MakeClip();
    for (const CompressorInfo& info : AviRecorder::AvailableCodecs()) {
        // FFmpeg's Cinepak encoder manages a few frames a second; one run of each is plenty.
        const int runs = info.codec == "cinepak" ? 1 : 3;
        benchmark::RegisterBenchmark(("record/ours/" + info.codec).c_str(), Ours, info.codec)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(runs);
        benchmark::RegisterBenchmark(("record/ffmpeg/" + info.codec).c_str(), Ffmpeg, info.codec)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(runs);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::puts("\ncodec          ours fps   ffmpeg fps    ratio");
    for (const auto& [codec, r] : rates) {
        if (r.ours > 0 && r.ffmpeg > 0) {
            CString line;
            line.Format("%-10s %12.0f %12.0f %8.2f", codec.c_str(), r.ours, r.ffmpeg, r.ours / r.ffmpeg);
            std::puts(line.c_str());
        }
    }
    std::system(("rm -rf '" + workDir + "'").c_str());
    return 0;
}
