// Recording speed: our recorder against the ffmpeg program encoding the same frames with the same codec
// and settings into the same container (AVI with every codec, MP4 with H.264, WebM with VP9, an animated
// GIF). Prints frames per second for both and the ratio, in CPU time (ours: this process; ffmpeg: its
// child processes), because the machines these run on are often shared and wall time then measures the
// neighbours. For the GIF it also prints the mean PSNR against the frames handed in, ours beside ffmpeg's
// classic two-pass recipe (palettegen, then paletteuse), which is also the GIF's ffmpeg baseline.
#include "player/imaging/video/AviRecorder.h"
#include "player/imaging/video/VideoFormat.h"
#include "player/imaging/video/VideoOutput.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFrames = 300;
constexpr std::size_t kFrameBytes = kWidth * kHeight * 3; // 320 pixels make rows without padding
const CompressorSettings kSettings { "", 15, 0, 75 };

// What is recorded: a codec in a container, named "mjpeg" for AVI, "mp4/h264" for the others and "gif".
struct Target {
    std::string extension;
    std::string codec;
    std::string Name() const { return extension == "avi" || extension == codec ? codec : extension + "/" + codec; }
};

struct Rates {
    double ours = 0;
    double ffmpeg = 0;
};
std::map<std::string, Rates> rates;
std::string workDir;
std::vector<std::uint8_t> clip; // kFrames DIB frames, bottom-up BGR

// CPU seconds used so far by this process (who = RUSAGE_SELF) or by its waited-for children.
double CpuSeconds(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
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

std::string OurFile(const Target& target)
{
    return workDir + "/ours-" + target.codec + "." + target.extension;
}

// Records the first `frames` frames of the clip, opening and closing included; false when it failed.
bool RecordOurs(const Target& target, int frames)
{
    CompressorSettings settings = kSettings;
    settings.codec = target.codec;
    if (target.extension == "avi") {
        AviRecorder recorder;
        recorder.SetCompressor(settings);
        int written = recorder.Open(OurFile(target).c_str(), kWidth, kHeight, 30);
        for (int k = 0; k < frames; ++k)
            written += recorder.WriteFrame(&clip[kFrameBytes * k], kFrameBytes);
        return recorder.Close() == 1 && written == frames + 1;
    }
    VideoOutput::Request request;
    request.fileName = OurFile(target);
    request.format = FindVideoFormat(request.fileName);
    request.codec = settings;
    request.width = kWidth;
    request.height = kHeight;
    std::string error;
    std::unique_ptr<VideoOutput> output = VideoOutput::Open(request, error);
    bool written = output != nullptr;
    for (int k = 0; written && k < frames; ++k)
        written = output->WriteFrame(&clip[kFrameBytes * k], kFrameBytes);
    return written && output->Finish(error);
}

// The ffmpeg command lines for the same codec and settings (quality mapped as the recorder maps it),
// ending in the output file's name.
std::vector<std::string> FfmpegCommands(const Target& target, int frames)
{
    const int qscale = 31 - (kSettings.quality * 30 + 50) / 100;
    const std::string crf = std::to_string((target.codec == "vp9" ? 63.0 : 51.0) * (100 - kSettings.quality) / 100);
    const std::string gop = " -g " + std::to_string(kSettings.keyFrameInterval);
    const std::string slices = " -threads 0 -thread_type slice";
    const std::string rawInput
        = "ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt bgr24 -s 320x240 -r 30 -i '" + workDir + "/clip.bgr'";
    const std::string input = rawInput + " -frames:v " + std::to_string(frames) + " ";
    const std::string out = " '" + workDir + "/ffmpeg-" + target.codec + "." + target.extension + "'";
    const std::string& codec = target.codec;
    std::string arguments;
    if (codec == "gif") {
        // -frames:v counts output frames, and palettegen puts out one: trim cuts the input instead.
        const std::string palette = " '" + workDir + "/palette.png'";
        const std::string first = "trim=end_frame=" + std::to_string(frames) + ",vflip";
        return { rawInput + " -vf " + first + ",palettegen" + palette,
            rawInput + " -i" + palette + " -lavfi '[0:v]" + first + "[f];[f][1:v]paletteuse'" + out };
    }
    if (codec == "none")
        arguments = "-c:v rawvideo -pix_fmt bgr24";
    else if (codec == "mjpeg")
        arguments = "-c:v mjpeg -pix_fmt yuvj444p -q:v " + std::to_string(qscale) + slices;
    else if (codec == "ffv1")
        arguments = "-c:v ffv1 -pix_fmt bgr0" + gop + slices;
    else if (codec == "huffyuv")
        arguments = "-c:v huffyuv -pix_fmt rgb24" + slices;
    else if (codec == "utvideo")
        arguments = "-c:v utvideo -pix_fmt gbrp" + slices;
    else if (codec == "cinepak")
        arguments = "-c:v cinepak -pix_fmt rgb24" + gop + slices;
    else if (codec == "mpeg4")
        arguments = "-c:v mpeg4 -pix_fmt yuv420p -q:v " + std::to_string(qscale) + gop + slices;
    else if (codec == "vp9")
        arguments = "-c:v libvpx-vp9 -pix_fmt yuv420p -crf " + crf + " -deadline realtime -cpu-used 6 -row-mt 1" + gop
            + slices;
    else
        arguments = "-c:v libx264 -pix_fmt yuv420p -crf " + crf + gop + slices;
    if (target.extension == "mp4")
        arguments += " -movflags +faststart";
    return { input + "-vf vflip " + arguments + out };
}

bool RecordFfmpeg(const Target& target, int frames)
{
    for (const std::string& command : FfmpegCommands(target, frames)) {
        if (std::system(command.c_str()) != 0)
            return false;
    }
    return true;
}

// Timed by CPU: a one-frame recording subtracted from the full one, so set-up (ffmpeg's own start-up
// included) counts in neither.
void Measure(benchmark::State& state, const Target& target, bool ours)
{
    const int who = ours ? RUSAGE_SELF : RUSAGE_CHILDREN;
    const auto record = ours ? RecordOurs : RecordFfmpeg;
    double seconds = 0;
    for (auto _ : state) {
        const double start = CpuSeconds(who);
        const bool one = record(target, 1);
        const double middle = CpuSeconds(who);
        const bool all = record(target, kFrames);
        const double spent = (CpuSeconds(who) - middle) - (middle - start);
        if (!one || !all || spent <= 0) {
            state.SkipWithError("recording failed");
            return;
        }
        state.SetIterationTime(spent);
        seconds += spent;
    }
    const double fps = (kFrames - 1) * state.iterations() / seconds;
    state.counters["fps"] = fps;
    (ours ? rates[target.Name()].ours : rates[target.Name()].ffmpeg) = fps;
}

// Mean PSNR of a GIF's frames against the clip (the clip is bottom-up BGR, the decoded frames top-down
// RGB); 0 when it cannot be read.
double MeanPsnr(const std::string& gif)
{
    FILE* pipe
        = popen(("ffmpeg -v error -i '" + gif + "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -").c_str(), "r");
    if (!pipe)
        return 0;
    std::vector<std::uint8_t> frame(kFrameBytes);
    double sum = 0;
    int frames = 0;
    while (frames < kFrames && std::fread(frame.data(), 1, kFrameBytes, pipe) == kFrameBytes) {
        const std::uint8_t* original = &clip[kFrameBytes * frames];
        double squares = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint8_t* p = &frame[(static_cast<std::size_t>(y) * kWidth + x) * 3];
                const std::uint8_t* q = original + (static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x) * 3;
                for (int c = 0; c < 3; ++c)
                    squares += std::pow(double(p[c]) - double(q[2 - c]), 2);
            }
        }
        sum += squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * kFrameBytes / squares);
        ++frames;
    }
    pclose(pipe);
    return frames == kFrames ? sum / frames : 0;
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/mirrim-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    workDir = pattern;
    MakeClip();
    std::vector<Target> targets;
    for (const CompressorInfo& info : AviRecorder::AvailableCodecs())
        targets.push_back({ "avi", info.codec });
    for (const Target& target : { Target { "mp4", "h264" }, Target { "webm", "vp9" }, Target { "gif", "gif" } }) {
        for (const CompressorInfo& info : AvailableCodecs(*FindVideoFormat("." + target.extension))) {
            if (info.codec == target.codec)
                targets.push_back(target);
        }
    }
    for (const Target& target : targets) {
        // FFmpeg's Cinepak encoder manages a few frames a second; one run of each is plenty.
        const int runs = target.codec == "cinepak" ? 1 : 3;
        for (const bool ours : { true, false }) {
            benchmark::RegisterBenchmark(
                ("record/" + std::string(ours ? "ours/" : "ffmpeg/") + target.Name()).c_str(), Measure, target, ours)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(runs);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::puts("\ncodec          ours fps   ffmpeg fps    ratio   (CPU time)");
    for (const auto& [name, r] : rates) {
        if (r.ours > 0 && r.ffmpeg > 0) {
            CString line;
            line.Format("%-10s %12.0f %12.0f %8.2f", name.c_str(), r.ours, r.ffmpeg, r.ours / r.ffmpeg);
            std::puts(line.c_str());
        }
    }
    if (rates.count("gif")) {
        CString line;
        line.Format("\nGIF mean PSNR against the frames: ours %.2f dB, ffmpeg palettegen + paletteuse %.2f dB",
            MeanPsnr(OurFile({ "gif", "gif" })), MeanPsnr(workDir + "/ffmpeg-gif.gif"));
        std::puts(line.c_str());
    }
    std::system(("rm -rf '" + workDir + "'").c_str());
    return 0;
}
