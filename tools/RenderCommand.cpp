// mirrim-cli render: the player without its window. Runs a scene for a number of ticks, optionally
// holding the mouse at a point, recording an AVI file and saving the last frame as a snapshot.
#include "CliCommand.h"
#include "CliSupport.h"

#include "player/app/ParticleDump.h"
#include "player/app/ScenePlayer.h"
#include "player/imaging/CDibImage.h"
#include "player/imaging/PictureLimits.h"
#include "player/imaging/SnapshotFile.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

const char kCommand[] = "render";

struct Options {
    SceneInput input;
    int steps = 300;
    std::pair<int, int> pointer { 0, 0 };
    std::string avi;
    std::string snapshot;
    std::string dump;
    CompressorSettings compressor;
    bool listCodecs = false;
};

int listCodecs()
{
    for (const CompressorInfo& c : AviRecorder::AvailableCodecs())
        std::printf("%-8s %s\n", c.codec.c_str(), c.description.c_str());
    return 0;
}

bool knownCodec(const std::string& name, std::string& known)
{
    bool found = false;
    for (const CompressorInfo& c : AviRecorder::AvailableCodecs()) {
        known += (known.empty() ? "" : ", ") + c.codec;
        found = found || c.codec == name;
    }
    return found;
}

// A bar on stderr, only for a terminal and only once the render has taken more than a second.
class Progress {
public:
    explicit Progress(int total)
        : total_(total)
        , start_(std::chrono::steady_clock::now())
        , shown_(isatty(2) != 0)
    {
    }
    void update(int done)
    {
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start_;
        if (!shown_ || spent.count() < 1.0 || (done != total_ && done % 10 != 0))
            return;
        const int width = 40;
        const int filled = total_ > 0 ? static_cast<int>(static_cast<long long>(done) * width / total_) : width;
        std::fprintf(stderr, "\r[%s%s] %d/%d steps", std::string(filled, '#').c_str(),
            std::string(width - filled, '.').c_str(), done, total_);
        drawn_ = true;
    }
    ~Progress()
    {
        if (drawn_)
            std::fputc('\n', stderr);
    }

private:
    int total_;
    std::chrono::steady_clock::time_point start_;
    bool shown_;
    bool drawn_ = false;
};

int runRender(const Options& o, bool pointer)
{
    if (o.listCodecs)
        return listCodecs();
    std::string known;
    if (!o.avi.empty() && !knownCodec(o.compressor.codec, known))
        return cliFail(kCommand, "unknown codec '" + o.compressor.codec + "'; this build can write: " + known);

    CommandLineUi ui(kCommand);
    ui.aviPath = o.avi;
    ui.compressor = o.compressor;
    ScenePlayer player(&ui);
    // The window makes its background texture before the first step; so do we, to draw the same numbers.
    CDib texture;
    MakeBackgroundTexture(texture);
    if (int status = LoadSceneInput(player, o.input, kCommand))
        return status;

    const int width = player.GetHost().getWidth();
    const int height = player.GetHost().getHeight();
    const bool pictures = !o.avi.empty() || !o.snapshot.empty();
    if (pictures && !PictureFits(width, height)) {
        CString why;
        why.Format("the scene's size %d x %d is beyond what can be rendered (1 to %d pixels a side)", width, height,
            kMaxPictureSide);
        return cliFail(kCommand, why.str());
    }
    if (!o.avi.empty()) {
        player.StartRecording();
        if (!player.IsRecording())
            return cliFail(kCommand, "cannot write the video '" + o.avi + "'");
    }

    // The composed frame persists from tick to tick, as the window's off-screen bitmap does.
    std::unique_ptr<CDC> frame = pictures ? std::make_unique<CDC>(width, height) : nullptr;
    int lostFrames = 0;
    {
        Progress progress(o.steps);
        for (int i = 0; i < o.steps; ++i) {
            CString status = player.Tick(pointer, o.pointer.first, o.pointer.second);
            if (player.IsRecording() && status.IsEmpty())
                ++lostFrames;
            if (frame && !o.snapshot.empty())
                player.ComposeFrame(*frame, CSize(width, height));
            progress.update(i + 1);
        }
    }
    const int frames = player.GetFrameCount();
    player.StopRecording();

    int status = 0;
    if (lostFrames > 0) {
        CString why;
        why.Format("%d of %d frames could not be written to '%s'", lostFrames, o.steps, o.avi.c_str());
        status = cliFail(kCommand, why.str());
    }
    if (!o.snapshot.empty()) {
        std::unique_ptr<CDibImage> snapshot = player.Snapshot(frame.get());
        if (!SavePictureAs(*snapshot, o.snapshot.c_str()))
            status = cliFail(kCommand, "cannot write the snapshot '" + o.snapshot + "'");
    }
    if (!o.dump.empty() && !WriteParticleDump(o.dump, player.GetSystem().particles))
        status = cliFail(kCommand, "cannot write the particle file '" + o.dump + "'");
    std::printf("steps %d, particles alive %d, frames recorded %d\n", o.steps,
        player.GetSystem().particles.getParticleCount(), frames);
    return status;
}

} // namespace

CliRun AddRenderCommand(CLI::App& program)
{
    CLI::App* command
        = program.add_subcommand("render", "run a scene as the player does, recording video and snapshots");
    auto o = std::make_shared<Options>();
    o->compressor.codec = "mjpeg";
    AddSceneInputOptions(*command, o->input);
    command->add_option("--steps", o->steps, "ticks to run (the window runs 20 a second)")->check(WholeNumber(0));
    CLI::Option* pointer
        = command->add_option("--pointer", o->pointer, "hold the left mouse button at X,Y on every tick");
    pointer->delimiter(',')->type_name("X,Y")->default_str("");
    command->add_option("--avi", o->avi, "record every tick as a frame of an AVI file (30 frames a second)");
    command->add_option("--codec", o->compressor.codec, "the compressor (--codecs lists them)");
    command->add_option("--quality", o->compressor.quality, "0 (smallest) to 100 (best); lossless codecs ignore it")
        ->check(WholeNumber(0, 100))
        ->default_str("the codec's own");
    command->add_option("--keyframes", o->compressor.keyFrameInterval, "frames from one key frame to the next")
        ->check(WholeNumber(0));
    command->add_option("--bitrate", o->compressor.dataRate, "data rate in kbit/s (0: the codec's own choice)")
        ->check(WholeNumber(0));
    command->add_option("--snapshot", o->snapshot, "save the last frame as a picture (JPEG or BMP)");
    command->add_option("--dump-particles", o->dump, "write the live particles at the end as CSV (as 'run' does)");
    command->add_flag("--codecs", o->listCodecs, "list the codecs this build can write, and do nothing else");
    command->footer("Runs a scene exactly as the Mirrim window plays it, tick by tick, without a window.\n"
                    "Without a scene it plays the player's default scene.\n\n"
                    "--pointer holds the left mouse button at that point of the drawing area: the part\n"
                    "factory fires there on every tick, through the scene's mapping. --codec takes none\n"
                    "(uncompressed frames), mjpeg, ffv1, huffyuv, utvideo, cinepak, mpeg4 or h264, as this\n"
                    "build offers them. --snapshot saves as the snapshot dialog does: a JPEG (quality 100)\n"
                    "when the name ends in exactly .jpg or .jpeg, a BMP file otherwise.\n\n"
                    "Exit status: 0 done; 1 an unreadable, truncated or newer scene, an unknown codec, or an\n"
                    "output that could not be written; 2 bad usage.\n\n"
                    "Example: mirrim-cli render --steps 300 --avi out.avi --snapshot last.jpg\n");
    return [o, pointer] { return runRender(*o, pointer->count() > 0); };
}
