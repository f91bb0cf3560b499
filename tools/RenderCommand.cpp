// mirrim-cli render: the player without its window. Runs a scene for a number of ticks, optionally
// holding the mouse at a point, recording an AVI file and saving the last frame as a snapshot.
#include "CliCommand.h"
#include "CliSupport.h"

#include "player/app/ScenePlayer.h"
#include "player/imaging/CDibImage.h"
#include "player/imaging/PictureFormats.h"
#include "player/imaging/PictureLimits.h"
#include "player/imaging/SnapshotFile.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

const char kCommand[] = "render";

// Answers the player's questions from the command line instead of dialogs.
class CommandLineUi : public IPlayerUi {
public:
    std::string aviPath;
    CompressorSettings compressor;

    bool AskOpenFile(const CString&, const CString&, CString&) override { return false; }
    bool AskSaveFile(const CString&, const CString&, CString& path) override
    {
        if (aviPath.empty())
            return false;
        path = aviPath.c_str();
        return true;
    }
    void ShowMessage(const CString& text, MessageKind) override
    {
        std::fprintf(stderr, "mirrim-cli %s: %s\n", kCommand, text.c_str());
    }
    bool ChooseCompressor(CompressorSettings& settings) override
    {
        settings = compressor;
        return true;
    }
};

struct Options {
    std::string scene;
    std::string definition;
    int steps = 300;
    bool pointer = false;
    int pointerX = 0;
    int pointerY = 0;
    std::string avi;
    std::string snapshot;
    std::string dump;
    CompressorSettings compressor;
    bool listCodecs = false;
};

bool parseIntText(const std::string& text, int& value)
{
    std::optional<int> v = parseSteps(!text.empty() && text[0] == '-' ? text.substr(1) : text);
    if (!v)
        return false;
    value = !text.empty() && text[0] == '-' ? -*v : *v;
    return true;
}

bool parsePoint(const std::string& text, int& x, int& y)
{
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && parseIntText(text.substr(0, comma), x)
        && parseIntText(text.substr(comma + 1), y);
}

// Returns 0 when the options are good, else the exit status after printing why.
int parseOptions(const std::vector<std::string>& args, Options& o)
{
    o.compressor.codec = "mjpeg";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--codecs") {
            o.listCodecs = true;
            continue;
        }
        if (a.size() < 2 || a[0] != '-')
            return cliFail(kCommand, "unexpected argument '" + a + "' (see --help)", 2);
        if (i + 1 >= args.size())
            return cliFail(kCommand, a + " needs a value (see --help)", 2);
        const std::string& v = args[++i];
        bool ok = true;
        if (a == "--scene")
            o.scene = v;
        else if (a == "--definition")
            o.definition = v;
        else if (a == "--steps")
            ok = (o.steps = parseSteps(v).value_or(-1)) >= 0;
        else if (a == "--pointer")
            ok = o.pointer = parsePoint(v, o.pointerX, o.pointerY);
        else if (a == "--avi")
            o.avi = v;
        else if (a == "--codec")
            o.compressor.codec = v;
        else if (a == "--quality")
            ok = parseIntText(v, o.compressor.quality) && o.compressor.quality >= 0 && o.compressor.quality <= 100;
        else if (a == "--keyframes")
            ok = parseIntText(v, o.compressor.keyFrameInterval) && o.compressor.keyFrameInterval >= 0;
        else if (a == "--bitrate")
            ok = parseIntText(v, o.compressor.dataRate) && o.compressor.dataRate >= 0;
        else if (a == "--snapshot")
            o.snapshot = v;
        else if (a == "--dump-particles")
            o.dump = v;
        else
            return cliFail(kCommand, "unknown option '" + a + "' (see --help)", 2);
        if (!ok)
            return cliFail(kCommand, "bad value '" + v + "' for " + a + " (see --help)", 2);
    }
    if (!o.scene.empty() && !o.definition.empty())
        return cliFail(kCommand, "give --scene or --definition, not both", 2);
    return 0;
}

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

int loadScene(ScenePlayer& player, const Options& o)
{
    if (!o.scene.empty()) {
        switch (player.LoadSceneFile(o.scene.c_str())) {
        case ScenePlayer::SceneRead::Complete:
            return 0;
        case ScenePlayer::SceneRead::Unopenable:
            return cliFail(kCommand, "cannot read the scene file '" + o.scene + "'");
        case ScenePlayer::SceneRead::NewerVersion:
        case ScenePlayer::SceneRead::Truncated:
            return 1; // the player has said why
        }
    }
    if (!o.definition.empty()) {
        std::optional<CString> text = readDefinition(o.definition);
        if (!text)
            return cliFail(kCommand, "cannot read the definition file '" + o.definition + "'");
        player.GetSystem().constraints.removeAllConstraints();
        player.GetSystem().constraints.populateFromDefinitionString(*text);
    }
    return 0;
}

int runRender(const std::vector<std::string>& args)
{
    Options o;
    if (int status = parseOptions(args, o))
        return status;
    if (o.listCodecs)
        return listCodecs();
    std::string known;
    if (!o.avi.empty() && !knownCodec(o.compressor.codec, known))
        return cliFail(kCommand, "unknown codec '" + o.compressor.codec + "'; this build can write: " + known);

    CommandLineUi ui;
    ui.aviPath = o.avi;
    ui.compressor = o.compressor;
    ScenePlayer player(&ui);
    // The window makes its background texture before the first step; so do we, to draw the same numbers.
    CDib texture;
    MakeBackgroundTexture(texture);
    if (int status = loadScene(player, o))
        return status;

    const int width = player.GetHost().getWidth();
    const int height = player.GetHost().getHeight();
    const bool pictures = !o.avi.empty() || !o.snapshot.empty();
    if (pictures && !PictureFits(width, height)) {
        CString why;
        why.Format("the scene's size %d x %d is beyond what can be rendered (1 to %lld pixels a side, %lld in all)",
            width, height, kPixelBudget.maxSide, kPixelBudget.maxPixels);
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
            CString status = player.Tick(o.pointer, o.pointerX, o.pointerY);
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
            status = cliFail(kCommand, "cannot write the snapshot '" + o.snapshot + "': " + DescribeSaveFailure(errno));
    }
    if (!o.dump.empty() && !writeParticles(o.dump, player.GetSystem().particles))
        status = cliFail(kCommand, "cannot write the particle file '" + o.dump + "'");
    std::printf("steps %d, particles alive %d, frames recorded %d\n", o.steps,
        player.GetSystem().particles.getParticleCount(), frames);
    return status;
}

} // namespace

extern const CliCommand kRenderCommand = { "render", "run a scene as the player does, recording video and snapshots",
    "Usage: mirrim-cli render [--scene FILE.zrk | --definition FILE] [--steps N] [options]\n"
    "       mirrim-cli render --codecs\n\n"
    "Runs a scene exactly as the Mirrim window plays it, tick by tick, without a window.\n"
    "Without --scene or --definition it plays the player's default scene.\n\n"
    "  --scene FILE.zrk       a scene file (definition text alone, or a versioned scene)\n"
    "  --definition FILE      a definition file: per constraint its class identifier, its tags,\n"
    "                         then a line holding a single full stop\n"
    "  --steps N              ticks to run (default 300; the window runs 20 a second)\n"
    "  --pointer X,Y          hold the left mouse button at that point of the drawing area on\n"
    "                         every tick: the part factory fires there, through the scene's mapping\n"
    "  --avi OUT.avi          record every tick as a frame of an AVI file at 30 frames a second\n"
    "  --codec NAME           the compressor: none (uncompressed frames), mjpeg (default), ffv1,\n"
    "                         huffyuv, utvideo, cinepak, mpeg4, h264; --codecs lists what this\n"
    "                         build can write\n"
    "  --quality Q            0 (smallest) to 100 (best); lossless codecs ignore it\n"
    "  --keyframes K          frames from one key frame to the next\n"
    "  --bitrate B            data rate in kbit/s (0: the codec's own choice)\n"
    "  --snapshot OUT         save the last frame as the snapshot dialog does: JPEG (quality\n"
    "                         100) when OUT ends in exactly .jpg or .jpeg, PNG for exactly\n"
    "                         .png, BMP otherwise\n"
    "  --dump-particles FILE  write the live particles at the end as CSV (as 'run' does)\n\n"
    "Exit status: 0 done; 1 an unreadable, truncated or newer scene, an unknown codec, or an\n"
    "output that could not be written; 2 bad usage.\n\n"
    "Example: mirrim-cli render --steps 300 --avi out.avi --snapshot last.jpg\n",
    runRender };
