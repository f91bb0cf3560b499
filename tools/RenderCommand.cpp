// mirrim-cli render: the player without its window. Runs a scene for a number of ticks, optionally
// holding the mouse at a point, recording a video and saving the last frame as a snapshot.
#include "CliCommand.h"
#include "CliSupport.h"
#include "LoopFade.h"

#include "player/app/FramePresenter.h"
#include "player/app/ParticleDump.h"
#include "player/app/ScenePlayer.h"
#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/codecs/PngCodec.h"
#include "player/imaging/codecs/SnapshotFile.h"
#include "player/imaging/store/AlphaFromBackdrops.h"
#include "player/imaging/store/CDibImage.h"
#include "player/imaging/store/EnlargePixels.h"
#include "player/imaging/video/PictureSequenceWriter.h"
#include "player/imaging/video/VideoFormat.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <tuple>
#include <unistd.h>

namespace {

const char kCommand[] = "render";
// Browsers slow down GIF frames shorter than 2/100 s to a tenth of a second.
constexpr int kMaxGifRate = 50;
// A loop is held whole in memory until its last frame.
constexpr double kMaxLoopBytes = 2e9;
constexpr int kMaxLoop = 1000000; // frames, so that loop and fade are counted in an int

struct Options {
    SceneInput input;
    int steps = 300;
    std::pair<int, int> pointer { 0, 0 };
    std::string avi;
    std::string out;
    std::string snapshot;
    std::string dump;
    CompressorSettings compressor { "", 15, 0, -1 };
    int scale = 1;
    std::string size; // --size as given; empty: not given
    bool scaleGiven = false;
    int fps = 0; // 0: not given
    std::string gifPalette = "clip";
    bool listCodecs = false;
    int seed = -1; // not given
    int warmup = 0;
    std::string loopText; // --loop as given: frames, or seconds with "s"; empty: a plain clip
    std::string blendText; // --blend as given; empty: a quarter of the loop
    int loop = 0; // frames of a seamless loop; 0: a plain clip
    int blend = 0; // 0: a quarter of the loop
    bool transparent = false;
};

int listCodecs()
{
    for (const VideoFormat& format : VideoFormats()) {
        std::printf(".%s (%s):\n", format.extension, format.name);
        for (const CompressorInfo& c : AvailableCodecs(format)) {
            std::printf("  %-8s %s%s\n", c.codec.c_str(), c.description.c_str(),
                c.codec == format.defaultCodec ? " (default)" : "");
        }
    }
    return 0;
}

std::string codecList(const VideoFormat& format)
{
    std::string list;
    for (const CompressorInfo& c : AvailableCodecs(format))
        list += (list.empty() ? "" : ", ") + c.codec;
    return list.empty() ? "none" : list;
}

std::string extensionList()
{
    std::string list;
    for (const VideoFormat& format : VideoFormats())
        list += (list.empty() ? "." : ", .") + std::string(format.extension);
    return list;
}

// A length in frames, as --loop and --blend take it: N frames, or S seconds written "Ss" (2s, 1.5s), counted
// at fps frames a second and rounded. -1 when it is neither.
double framesOf(const std::string& text, int fps)
{
    const bool seconds = !text.empty() && text.back() == 's';
    const char* begin = text.data();
    const char* end = begin + text.size() - (seconds ? 1 : 0);
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (text.empty() || error != std::errc() || stop != end || !(value > 0) || (!seconds && value != std::floor(value)))
        return -1;
    return std::round(seconds ? value * fps : value);
}

CLI::Validator FrameCount()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            // The frame rate is not known yet: frames are checked here, seconds once it is.
            const double frames = framesOf(text, 1);
            if (frames < 0 || (text.back() != 's' && frames > kMaxLoop))
                return "needs frames (1 to " + std::to_string(kMaxLoop) + ") or seconds such as 2s or 1.5s, not '"
                    + text + "'";
            return std::string();
        },
        "", "");
}

// Everything about the outputs that can be known before the first step. 0, or the exit status after
// saying why.
int checkOutputs(Options& o)
{
    const std::string& video = o.avi.empty() ? o.out : o.avi;
    if (o.warmup > INT_MAX - o.steps)
        return cliFail(kCommand, "--warmup and --steps together make more ticks than can be counted", 2);
    // Seconds become frames at the clip's rate (the form was checked when the options were read).
    const int fps = o.fps > 0 ? o.fps : 30;
    for (auto [text, frames, name] :
        { std::tuple(&o.loopText, &o.loop, "--loop"), std::tuple(&o.blendText, &o.blend, "--blend") }) {
        if (text->empty())
            continue;
        const double count = framesOf(*text, fps);
        if (count < 1 || count > kMaxLoop) {
            return cliFail(kCommand,
                std::string(name) + " " + *text + " comes to "
                    + (count < 1 ? "less than one frame" : "more than " + std::to_string(kMaxLoop) + " frames") + " at "
                    + std::to_string(fps) + " frames a second",
                2);
        }
        *frames = static_cast<int>(count);
    }
    if (o.loop > 0 && video.empty())
        return cliFail(kCommand, "--loop makes a video: give it --out or --avi", 2);
    if (!video.empty()) {
        const VideoFormat* format = o.avi.empty() ? FindVideoFormat(video) : &AviFormat();
        if (!format)
            return cliFail(
                kCommand, "cannot tell the format of '" + video + "' from its name; use " + extensionList(), 2);
        if (o.transparent && !format->alphaCodec) {
            return cliFail(kCommand,
                std::string(format->name) + " files hold no transparency: with --transparent record .webm, .mov, "
                    + ".mkv, .gif or a .png sequence",
                2);
        }
        if (o.transparent && !o.compressor.codec.empty() && !VideoOutput::HoldsAlpha(o.compressor.codec)) {
            return cliFail(kCommand,
                "the codec '" + o.compressor.codec + "' holds no transparency; for " + format->name
                    + " files --transparent takes " + format->alphaCodec,
                2);
        }
        if (o.compressor.codec.empty())
            o.compressor.codec = o.transparent ? format->alphaCodec : format->defaultCodec;
        bool known = false;
        for (const CompressorInfo& c : AvailableCodecs(*format))
            known = known || c.codec == o.compressor.codec;
        if (!known) {
            return cliFail(kCommand,
                "the codec '" + o.compressor.codec + "' cannot go into " + format->name
                    + " files; this build can write " + codecList(*format));
        }
        if (o.fps > 0 && format->fixedRate)
            return cliFail(kCommand, "AVI files always play 30 frames a second; --fps is for the other formats", 2);
        if (o.fps > kMaxGifRate && o.compressor.codec == "gif")
            return cliFail(kCommand, "a GIF plays at most 50 frames a second", 2);
        if (o.steps == 0)
            return cliFail(kCommand, "--steps 0 records no frame, and a video needs at least one", 2);
        if (o.blend > o.loop)
            return cliFail(kCommand, "--blend cannot be longer than the --loop it fades", 2);
        // A picture sequence is checked by its first picture's name.
        const std::string first = o.compressor.codec == "png" ? PictureSequenceWriter::FrameFileName(video, 1) : video;
        if (first.empty()) {
            return cliFail(kCommand,
                "'" + video + "' needs one frame number in its name, such as frame%04d.png: a picture is written "
                    + "for each frame",
                2);
        }
        const std::string why = CannotWrite(first);
        if (!why.empty())
            return cliFail(kCommand, "cannot write '" + first + "': " + why);
    }
    if (o.transparent && !o.snapshot.empty() && !WantsPng(o.snapshot.c_str())) {
        return cliFail(
            kCommand, "JPEG and BMP pictures hold no transparency: with --transparent name the snapshot .png", 2);
    }
    for (const std::string& path : std::vector<std::string> { o.snapshot, o.dump }) {
        if (path.empty())
            continue;
        const std::string why = CannotWrite(path);
        if (!why.empty())
            return cliFail(kCommand, "cannot write '" + path + "': " + why);
    }
    return 0;
}

// A bar on stderr for a terminal once the work has taken more than a second; otherwise (a log, a pipe) a
// line at every tenth of it. what names the work; units, when given, are counted too.
class Progress {
public:
    Progress(std::string what, std::string units, bool quiet)
        : what_(std::move(what))
        , units_(std::move(units))
        , start_(std::chrono::steady_clock::now())
        , terminal_(isatty(2) != 0)
        , quiet_(quiet)
    {
    }
    void update(int done, int total)
    {
        if (quiet_ || total <= 0)
            return;
        const int percent = static_cast<int>(static_cast<long long>(done) * 100 / total);
        const std::string count = units_.empty()
            ? std::string()
            : ", " + std::to_string(done) + " of " + std::to_string(total) + " " + units_;
        if (!terminal_) {
            if (percent / 10 > lastTenth_) {
                lastTenth_ = percent / 10;
                std::fprintf(stderr, "mirrim-cli render: %s%d%%%s\n", what_.c_str(), lastTenth_ * 10, count.c_str());
            }
            return;
        }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start_;
        if (spent.count() < 1.0 || (done != total && done % 10 != 0))
            return;
        const int width = 40;
        const int filled = static_cast<int>(static_cast<long long>(done) * width / total);
        std::fprintf(stderr, "\r[%s%s] %s%d%%%s", std::string(filled, '#').c_str(),
            std::string(width - filled, '.').c_str(), what_.c_str(), percent, count.c_str());
        drawn_ = true;
    }
    ~Progress()
    {
        if (drawn_)
            std::fputc('\n', stderr);
    }

private:
    std::string what_;
    std::string units_;
    std::chrono::steady_clock::time_point start_;
    bool terminal_;
    bool quiet_;
    int lastTenth_ = 0;
    bool drawn_ = false;
};

volatile std::sig_atomic_t interruption = 0; // the first signal caught
volatile std::sig_atomic_t signalsCaught = 0;

extern "C" void onInterrupt(int signal)
{
    if (!interruption)
        interruption = signal;
    signalsCaught = signalsCaught + 1;
    // A third signal takes the usual way out, for a render stuck on a pipe nobody reads.
    if (signalsCaught >= 3) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

// While alive, SIGINT, SIGTERM and SIGHUP end the render loop instead of the process, so the outputs are
// finished, and SIGPIPE (stderr into a pager that has quit) only makes the writes fail.
class InterruptCatcher {
public:
    InterruptCatcher()
    {
        struct sigaction action { };
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (std::size_t k = 0; k < kSignals.size(); ++k)
            sigaction(kSignals[k], &action, &previous_[k]);
        struct sigaction ignore { };
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previousPipe_);
    }
    ~InterruptCatcher()
    {
        for (std::size_t k = 0; k < kSignals.size(); ++k)
            sigaction(kSignals[k], &previous_[k], nullptr);
        sigaction(SIGPIPE, &previousPipe_, nullptr);
    }

private:
    static constexpr std::array<int, 3> kSignals { SIGINT, SIGTERM, SIGHUP };
    std::array<struct sigaction, 3> previous_ {};
    struct sigaction previousPipe_ { };
};

// MP4 and WebM carry colour at half the resolution: a scene narrower than this is drawn at twice its size
// when no size was asked for.
constexpr int kSharpWidth = 640;

bool SharpenedForSharing(const std::string& video, int sceneWidth)
{
    const VideoFormat* format = video.empty() ? nullptr : FindVideoFormat(video);
    if (!format || sceneWidth >= kSharpWidth)
        return false;
    const std::string extension = format->extension;
    return extension == "mp4" || extension == "webm";
}

// The recording's format options as the command line gives them.
void setRecordingOptions(ScenePlayer& player, const Options& o)
{
    player.recordingOptions.forceAvi = !o.avi.empty();
    player.recordingOptions.scale = o.scale;
    if (o.fps > 0)
        player.recordingOptions.framesPerSecond = o.fps;
    player.recordingOptions.codec = o.compressor;
    player.recordingOptions.gifPalette = o.gifPalette == "frame" ? VideoOutput::GifPalette::Frame
        : o.gifPalette == "dithered"                             ? VideoOutput::GifPalette::Dithered
                                                                 : VideoOutput::GifPalette::Clip;
}

// The size frames and the snapshot are drawn at, into width and height (the scene's unless --size asks
// otherwise), and for an MP4 or WebM of a small scene the enlargement that keeps its colours; a status
// other than 0 for a bad --size.
int chooseFrameSize(Options& o, const std::string& video, int sceneWidth, int sceneHeight, int& width, int& height)
{
    width = sceneWidth;
    height = sceneHeight;
    if (!o.size.empty()) {
        if (!FramePresenter::ParseSize(o.size, width, height)) {
            CString why;
            why.Format("--size takes W x H (such as 1920x1080, 1 to %lld pixels a side, %lld in all), 720p, 1080p "
                       "or 4k, not '%s'",
                kPixelBudget.maxSide, kPixelBudget.maxPixels, o.size.c_str());
            return cliFail(kCommand, why.str(), 2);
        }
    } else if (!o.scaleGiven && SharpenedForSharing(video, sceneWidth)) {
        // 4:2:0 keeps one colour for each 2 x 2 block. Each scene pixel made one such block keeps its colour
        // whole: a smooth drawing at twice the size still mixes colours at every edge inside a block (the
        // star's orange particles: 31 dB even losslessly, 34 dB at four times, against 60 dB in blocks).
        // Transparent frames are drawn smoothly at twice the size instead, as their alpha is made that way.
        if (o.transparent) {
            width = sceneWidth * 2;
            height = sceneHeight * 2;
        } else {
            o.scale = 2;
        }
        if (!o.input.quiet)
            std::fprintf(stderr,
                "mirrim-cli render: drawing at %d x %d, twice the scene's size, %s so that colours survive the "
                "video's compression (--size %dx%d or --scale 1 keeps the scene's size)\n",
                sceneWidth * 2, sceneHeight * 2, o.transparent ? "smoothly," : "each pixel a 2 x 2 block,", sceneWidth,
                sceneHeight);
    }
    return 0;
}

// Refuses, before the first tick, pictures beyond the pixel budget and a loop that would hold too much.
int checkRenderable(const Options& o, int sceneWidth, int sceneHeight, int width, int height, const LoopFade* loop)
{
    if (!PictureFits(static_cast<long long>(sceneWidth) * o.scale, static_cast<long long>(sceneHeight) * o.scale)) {
        CString why;
        why.Format("the scene's size %d x %d%s is beyond what can be rendered (1 to %lld pixels a side, %lld in all)",
            sceneWidth, sceneHeight, o.scale > 1 ? (" times " + std::to_string(o.scale)).c_str() : "",
            kPixelBudget.maxSide, kPixelBudget.maxPixels);
        return cliFail(kCommand, why.str());
    }
    if (loop) {
        const std::size_t frameSize = (static_cast<std::size_t>(width) * (o.transparent ? 4 : 3) + 3) / 4 * 4
            * static_cast<std::size_t>(height);
        if (loop->heldBytes(frameSize) > kMaxLoopBytes) {
            CString why;
            why.Format("a loop of %d frames of %d x %d would hold %.0f MB until its last frame, beyond %.0f MB; "
                       "shorten --loop",
                o.loop, width, height, loop->heldBytes(frameSize) / 1e6, kMaxLoopBytes / 1e6);
            return cliFail(kCommand, why.str());
        }
    }
    return 0;
}

// What the ticks did: steps run, and frames the video could not take.
struct TickCount {
    int steps = 0;
    int lostFrames = 0;
};

// The warm-up, then the steps with the video recording, until done or a signal; a status other than 0
// when the video could not be started.
int runTicks(const Options& o, ScenePlayer& player, bool pointer, const std::string& video, bool avi, CDC* frame,
    TickCount& count)
{
    const CSize sceneSize(player.GetHost().getWidth(), player.GetHost().getHeight());
    // The composed frame persists from tick to tick, as the window's off-screen bitmap does.
    const auto tick = [&] {
        CString status = player.Tick(pointer, o.pointer.first, o.pointer.second);
        if (frame && !o.snapshot.empty() && !player.PresentedFrame())
            player.ComposeFrame(*frame, sceneSize);
        return status;
    };
    Progress progress("", "steps", o.input.quiet);
    const int total = o.warmup + o.steps;
    for (int done = 0; done < o.warmup && !interruption; ++done) {
        tick();
        progress.update(done + 1, total);
    }
    if (!video.empty() && !interruption) {
        player.StartRecording();
        if (!player.IsRecording())
            return avi ? cliFail(kCommand, "cannot write the video '" + video + "'") : 1;
    }
    for (; count.steps < o.steps && !interruption; ++count.steps) {
        if (player.IsRecording() && tick().IsEmpty())
            ++count.lostFrames;
        else if (!player.IsRecording())
            tick();
        progress.update(o.warmup + count.steps + 1, total);
    }
    return 0;
}

// The last frame as --snapshot asks: with its alpha when transparent, as drawn at the output size, or
// the composed frame enlarged by --scale. The status to end with.
int writeSnapshot(const Options& o, ScenePlayer& player, CDC* frame, int width, int height)
{
    if (player.TransparentFrame()) {
        const std::vector<std::uint8_t> rgba = TopDownRgba(player.TransparentFrame()->data(), width, height);
        if (player.TransparentFrame()->size() != rgba.size()
            || !WritePngWithAlpha(o.snapshot.c_str(), rgba.data(), width, height))
            return cliFail(kCommand, "cannot write the snapshot '" + o.snapshot + "': " + DescribeSaveFailure(errno));
        return 0;
    }
    std::unique_ptr<CDibImage> snapshot = player.Snapshot(frame);
    if (const CDib* presented = player.PresentedFrame())
        presented->CopyTo(snapshot->GetDib());
    else if (o.scale > 1) {
        auto enlarged = std::make_unique<CDibImage>();
        if (EnlargeDib(snapshot->GetDib(), o.scale, enlarged->GetDib()))
            snapshot = std::move(enlarged);
    }
    if (!SavePictureAs(*snapshot, o.snapshot.c_str()))
        return cliFail(kCommand, "cannot write the snapshot '" + o.snapshot + "': " + DescribeSaveFailure(errno));
    return 0;
}

int runRender(Options& o, bool pointer)
{
    if (o.listCodecs)
        return listCodecs();
    if (int status = checkOutputs(o))
        return status;
    const std::string& video = o.avi.empty() ? o.out : o.avi;
    // Beyond AVI the player says itself what went wrong with the video.
    const bool avi = !o.avi.empty() || FindVideoFormat(video) == &AviFormat();

    std::unique_ptr<Progress> encoding; // of a GIF
    int signalsBeforeFinish = 0;
    CommandLineUi ui(kCommand);
    ui.videoPath = video;
    ui.compressor = o.compressor;
    ScenePlayer player(&ui);
    setRecordingOptions(player, o);
    // An animated GIF is encoded once the steps are done: show how that goes, and let a signal that
    // arrives meanwhile abandon it (a signal during the steps ends them and the GIF is still made).
    player.recordingOptions.finishProgress = [&](int done, int total) {
        if (!encoding)
            encoding = std::make_unique<Progress>("encoding the GIF (a signal abandons it): ", "", o.input.quiet);
        encoding->update(done, total);
        return signalsCaught == signalsBeforeFinish;
    };
    // The window makes its background texture before the first step; so do we, to draw the same numbers.
    CDib texture;
    MakeBackgroundTexture(texture);
    if (int status = LoadSceneInput(player, o.input, kCommand))
        return status;
    // A seed starts the sequence the texture draws from, so a seeded render is the same whatever came
    // before it.
    if (StartSeed(player, o.seed))
        MakeBackgroundTexture(texture);
    std::unique_ptr<LoopFade> loop;
    if (o.loop > 0) {
        loop = std::make_unique<LoopFade>(o.loop, o.blend > 0 ? o.blend : std::max(1, o.loop / 4));
        o.steps = loop->ticks();
        player.recordingOptions.frameFilter
            = [&loop](const std::uint8_t* rows, std::size_t size) { return (*loop)(rows, size); };
    }

    const int sceneWidth = player.GetHost().getWidth();
    const int sceneHeight = player.GetHost().getHeight();
    const bool pictures = !video.empty() || !o.snapshot.empty();
    int width = 0;
    int height = 0;
    if (int status = chooseFrameSize(o, video, sceneWidth, sceneHeight, width, height))
        return status;
    player.recordingOptions.scale = o.scale;
    // Transparency needs the frames drawn again without their background, which is what drawing at an
    // output size does: at the scene's own size unless a size was asked for.
    if (pictures && (o.transparent || width != sceneWidth || height != sceneHeight))
        player.SetOutputSize(width, height, o.transparent);
    if (pictures) {
        if (int status = checkRenderable(o, sceneWidth, sceneHeight, width, height, loop.get()))
            return status;
    }

    std::unique_ptr<CDC> frame = pictures ? std::make_unique<CDC>(sceneWidth, sceneHeight) : nullptr;
    TickCount count;
    InterruptCatcher catcher;
    if (int status = runTicks(o, player, pointer, video, avi, frame.get(), count))
        return status;
    const int steps = count.steps;
    const int frames = player.GetFrameCount();
    signalsBeforeFinish = signalsCaught;
    // A loop cut short has no clip to write: it leaves no video rather than an empty one.
    const bool abandoned = loop && !loop->complete();
    if (abandoned)
        player.AbandonRecording();
    int status = player.FinishRecording() ? 0 : 1;
    encoding.reset();
    if (status && avi)
        cliFail(kCommand, "cannot finish the video '" + video + "'");

    if (count.lostFrames > 0) {
        CString why;
        why.Format("%d of %d frames could not be written to '%s'", count.lostFrames, steps, video.c_str());
        status = cliFail(kCommand, why.str());
    }
    if (!o.snapshot.empty()) {
        if (int failed = writeSnapshot(o, player, frame.get(), width, height))
            status = failed;
    }
    if (!o.dump.empty() && !WriteParticleDump(o.dump, player.GetSystem().particles))
        status = cliFail(kCommand, "cannot write the particle file '" + o.dump + "'");
    if (o.warmup > 0)
        std::printf("warm-up %d, ", o.warmup);
    std::printf("steps %d, particles alive %d, frames recorded %d\n", steps,
        player.GetSystem().particles.getParticleCount(), frames);
    if (interruption) {
        std::fflush(stdout);
        if (abandoned)
            cliFail(kCommand,
                "interrupted after " + std::to_string(steps) + " of the loop's " + std::to_string(o.steps)
                    + " steps: no video was written, and '" + video + "' was left as it was");
        else
            cliFail(kCommand,
                video.empty() ? "interrupted after " + std::to_string(steps) + " steps"
                              : "interrupted after " + std::to_string(frames) + " frames");
        return 128 + interruption;
    }
    return status;
}

} // namespace

CliRun AddRenderCommand(CLI::App& program)
{
    CLI::App* command
        = program.add_subcommand("render", "run a scene as the player does, recording video and snapshots");
    auto o = std::make_shared<Options>();
    AddSceneInputOptions(*command, o->input);
    CLI::Option* stepsOption
        = command->add_option("--steps", o->steps, "ticks to run (the window runs 20 a second)")->check(WholeNumber(0));
    CLI::Option* pointer
        = command->add_option("--pointer", o->pointer, "hold the left mouse button at X,Y on every tick");
    pointer->delimiter(',')->type_name("X,Y")->default_str("");
    CLI::Option* out = command->add_option(
        "--out", o->out, "record every tick as a frame of a video; the extension picks the format (see below)");
    CLI::Option* avi
        = command->add_option("--avi", o->avi, "record an AVI file whatever its name (30 frames a second)");
    out->excludes(avi);
    command->add_option("--codec", o->compressor.codec, "the compressor (--codecs lists them)")
        ->default_str("the format's: mjpeg for AVI, h264 for MP4");
    command->add_option("--quality", o->compressor.quality, "0 (smallest) to 100 (best); lossless codecs ignore it")
        ->check(WholeNumber(0, 100))
        ->default_str("high: mjpeg, mpeg4 95; h264 71; vp9 60");
    command
        ->add_option("--gif-palette", o->gifPalette,
            "a GIF's colours: clip (one palette, no dithering), dithered (one palette, dithered) or frame "
            "(a palette per frame: closest colours, larger file)")
        ->check(CLI::IsMember({ "clip", "dithered", "frame" }))
        ->default_str("clip");
    command->add_option("--keyframes", o->compressor.keyFrameInterval, "frames from one key frame to the next")
        ->check(WholeNumber(0));
    command->add_option("--bitrate", o->compressor.dataRate, "data rate in kbit/s (0: the codec's own choice)")
        ->check(WholeNumber(0));
    CLI::Option* scale
        = command->add_option("--scale", o->scale, "enlarge every frame and the snapshot N times, pixels kept sharp")
              ->check(WholeNumber(1, 8))
              ->type_name("N");
    command
        ->add_option("--size", o->size,
            "draw the frames and the snapshot at W x H (or 720p, 1080p, 4k): smooth streaks, the scene fitted in the "
            "middle")
        ->type_name("WxH")
        ->excludes(scale);
    command->add_option("--fps", o->fps, "frames a second of the video (not for AVI, which plays 30)")
        ->check(WholeNumber(1, 240))
        ->type_name("F")
        ->default_str("30");
    AddSeedOption(*command, o->seed);
    command->add_option("--warmup", o->warmup, "run N ticks before the first recorded one, not counted in --steps")
        ->check(WholeNumber(0))
        ->type_name("N");
    CLI::Option* loop = command
                            ->add_option("--loop", o->loopText,
                                "record a clip of N frames (or S seconds: 3s) whose last frame flows into the first")
                            ->check(FrameCount())
                            ->type_name("N|Ss")
                            ->default_str("");
    command->add_option("--blend", o->blendText, "frames (or seconds: 0.5s) of the loop's cross-fade")
        ->check(FrameCount())
        ->type_name("N|Ss")
        ->default_str("a quarter of the loop")
        ->needs(loop);
    command->add_option("--snapshot", o->snapshot, "save the last frame as a picture (JPEG, PNG or BMP)");
    command
        ->add_flag("--transparent", o->transparent,
            "leave what the background painted transparent: PNG, WebM, MOV, MKV and GIF only (see below)")
        ->excludes(scale)
        ->excludes(avi);
    command->add_option("--dump-particles", o->dump, "write the live particles at the end as CSV (as 'run' does)");
    command->add_flag(
        "--codecs", o->listCodecs, "list the formats and codecs this build can write, and do nothing else");
    loop->excludes(stepsOption);
    command->footer("Runs a scene exactly as the Mirrim window plays it, tick by tick, without a window.\n"
                    "Without a scene it plays the player's default scene.\n\n"
                    "--out picks the format from the extension, in any letter case: .avi (as --avi), .mp4 and\n"
                    ".mov (H.264, for sharing), .mkv (any codec, lossless FFV1 by default, for keeping and\n"
                    "editing), .webm (VP9, for the web), .gif (an animated GIF that loops, one palette for\n"
                    "the clip unless --gif-palette says otherwise), .png with a frame number in the name "
                    "(frame%04d.png: one PNG picture a frame,\n"
                    "numbered from 1). --codec takes none (uncompressed, AVI only), mjpeg, ffv1, huffyuv,\n"
                    "utvideo, cinepak, mpeg4, h264, vp9, prores (MOV), gif or png, as the format and this\n"
                    "build allow.\n"
                    "Without --quality a lossy codec works at the high quality shown above: Motion JPEG and\n"
                    "MPEG-4 at their finest step, Motion JPEG in full colour resolution (4:4:4), H.264 at\n"
                    "CRF 14.8, VP9 at CRF 25.\n\n"
                    "--size WxH (or 720p, 1080p, 4k) draws the frames and the snapshot at that size: the\n"
                    "simulation runs as at the scene's size, the drawing is redone with smooth streaks and\n"
                    "smoothly enlarged pictures, the scene fitted in the middle with bars around it. Without\n"
                    "--size or --scale, an MP4 or WebM of a scene narrower than 640 pixels is drawn at twice\n"
                    "its size, each pixel a 2 x 2 block (its 4:2:0 colour would turn one-pixel particles pale);\n"
                    "the progress says so.\n\n"
                    "--transparent leaves the background transparent: the erase, the background picture, a\n"
                    "picture loaded into RENDER, the colour and picture of image.ImageClear, the colour\n"
                    "image.ImageFade fades to and the bars of --size. Particles and what picture steps draw keep their "
                    "colour and opacity, smooth\n"
                    "edges and faded trails partly transparent, added light as transparent as it is dark.\n"
                    "Frames are drawn as --size draws them (at the scene's size without it) twice, on black\n"
                    "and on white, and the two give each pixel's opacity; the simulation is untouched. It\n"
                    "writes PNG snapshots and frames with alpha, .webm as VP9 with alpha, .mov as ProRes\n"
                    "4444, .mkv as FFV1 with alpha and .gif with one transparent colour (below half opaque).\n"
                    "MP4, AVI, JPEG and BMP hold no transparency and are refused.\n\n"
                    "--pointer holds the left mouse button at that point of the drawing area: the part\n"
                    "factory fires there on every tick, through the scene's mapping. --snapshot saves as the\n"
                    "snapshot dialog does: a JPEG (quality 100) when the name ends in exactly .jpg or .jpeg,\n"
                    "a PNG for exactly .png, a BMP file otherwise.\n\n"
                    "--seed N starts the random sequence from N once the scene is loaded, before the\n"
                    "background texture is drawn and the first tick; a scene may carry its own seed in a\n"
                    "constraint.Seed block, which --seed overrides. Without either the sequence is the one\n"
                    "it always was (--seed 1 gives the same frames). --warmup N plays N ticks first, the\n"
                    "pointer held as on the others, and records nothing of them. --loop N records N frames\n"
                    "(--loop 3s: three seconds at --fps) that loop without a jump: it plays N + B ticks (B\n"
                    "from --blend, a quarter of N by default), cross-fades the last B over the first B and\n"
                    "starts the clip halfway through the fade. The clip is written once its last tick is\n"
                    "played (a signal before then leaves no video).\n\n"
                    "Every output is checked before the first step. Progress goes to stderr: a bar on a\n"
                    "terminal, otherwise a line at every tenth of the steps; an animated GIF is encoded after\n"
                    "the last step, with its own progress. Ctrl-C (SIGINT), SIGTERM or SIGHUP stops the render\n"
                    "and still finishes the video, the snapshot and the particle file; one during the GIF's\n"
                    "encoding abandons the GIF (an older file of its name stays). A third signal quits at once.\n"
                    "SIGPIPE is ignored.\n\n"
                    "Exit status: 0 done; 1 an unreadable, truncated or newer scene, a codec the format cannot\n"
                    "hold, or an output that could not be written; 2 bad usage; 130, 143 or 129 stopped by\n"
                    "SIGINT, SIGTERM or SIGHUP.\n\n"
                    "Example: mirrim-cli render --steps 300 --out clip.mp4 --scale 2 --snapshot last.jpg\n");
    return [o, pointer, scale] {
        o->scaleGiven = scale->count() > 0;
        return runRender(*o, pointer->count() > 0);
    };
}
