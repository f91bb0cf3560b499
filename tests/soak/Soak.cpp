// soak: runs every shipped scene through the headless player for many ticks, the way the window does
// (compose every frame, record for a stretch, hold the pointer for another, draw the constraints for a
// third), and checks that memory stops growing after warm-up and that no scene breeds particles beyond
// what its own factories and removal rules allow.
//
// Usage: soak [--ticks N] [--scene TEXT] [--except TEXT]...   (default 100000 ticks; every scene whose
// name holds the --scene TEXT and none of the --except ones; run from the directory that holds scenes/)
// Exit status: 0 every scene passed, 1 a scene failed, 2 bad usage.
//
// One row per scene: particles fewest and most after warm-up (the first tenth of the ticks) and the
// bound they must stay under; frames recorded; resident memory at the end of warm-up, at its peak over
// the samples taken every 1000 ticks after it, and at the end; growth, the end less the warm-up figure,
// which must stay under 1 MiB (the peak only shows how far the allocator's working set swings while
// pictures come and go); heap+, the allocator's bytes in use at the end less at warm-up, which must stay
// under 256 KiB.
#include "particle/core/ConstraintCollection.h"
#include "particle/core/DefinitionSource.h"
#include "particle/core/StringParameters.h"
#include "platform/CDC.h"
#include "platform/Numbers.h"
#include "player/app/ScenePlayer.h"
#include "player/imaging/store/CDibImage.h"
#include "tests/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr long kMaxRssGrowth = 1 << 20;
// Resident memory alone misses a small leak for a long time, as the allocator first reuses what it
// already holds; the bytes it has handed out show one at once. Particle counts that differ between the
// two moments account for a few tens of KiB.
constexpr long kMaxHeapGrowth = 256 << 10;
// AddressSanitizer's allocator holds freed memory in quarantine and keeps its own books, so neither
// figure says anything there; LeakSanitizer judges leaks at exit instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kJudgeMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kJudgeMemory = false;
#else
constexpr bool kJudgeMemory = true;
#endif
#else
constexpr bool kJudgeMemory = true;
#endif
constexpr int kSampleEvery = 1000;

// Answers the player as a user would who always records to the same temporary file with Motion JPEG.
struct SoakUi : IPlayerUi {
    std::string savePath;
    std::vector<std::string> messages;
    bool AskOpenFile(const CString&, const CString&, CString&) override { return false; }
    bool AskSaveFile(const CString&, const CString&, CString& path) override
    {
        path = savePath.c_str();
        return true;
    }
    void ShowMessage(const CString& text, MessageKind) override { messages.push_back(text.str()); }
    bool ChooseCompressor(CompressorSettings& settings) override
    {
        settings.codec = "mjpeg";
        return true;
    }
};

long residentBytes()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Bytes the allocator has handed out and not had back: a leak shows here even where the allocator
// keeps freed pages resident.
long heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

struct Scene {
    std::string name;
    std::string path; // empty: the player's built-in default scene
};

std::vector<Scene> shippedScenes()
{
    std::vector<Scene> scenes { { "(built-in default)", "" } };
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("scenes", ec)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".vq" || ext == ".zrk")
            files.push_back(entry.path().generic_string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& f : files)
        scenes.push_back({ f, f });
    return scenes;
}

// Loads a scene file or a definition file as the player's Load button does. Empty on success, else why not.
std::string loadScene(ScenePlayer& player, const Scene& scene)
{
    if (scene.path.empty())
        return "";
    const ScenePlayer::LoadReport report = player.LoadFile(scene.path.c_str());
    if (report.read != ScenePlayer::SceneRead::Complete)
        return "the file did not load";
    if (!report.findings.empty())
        return "the checker finds: " + FindingsText(report.findings);
    return player.GetSystem().constraints.getConstraintCount() > 0 ? "" : "the scene holds no constraint";
}

// The most particles a scene can hold, from its own rules: every tick its factories emit a fixed number
// (an image delta factory: one batch of its targets per lit pixel of its picture), the held pointer's
// factory adds its batch, and the age rule for all groups removes each particle a couple of ticks after
// its MaximumAge. A scene without such an age rule has no bound, and fails.
class ParticleBound {
public:
    // sceneDirectory: where the scene file lies; its pictures may be named relative to it.
    explicit ParticleBound(std::string sceneDirectory)
        : sceneDirectory_(std::move(sceneDirectory))
    {
    }

    std::optional<long> derive(ParticleSystem& system)
    {
        survey(system, system.constraints);
        if (!maxAge_)
            return std::nullopt;
        const long pointer = amountOf(system.getPartFactoryClass());
        return (perTick_ + pointer) * (*maxAge_ + 2);
    }

private:
    static int amountOf(IConstraint* factory)
    {
        StringParameters sp;
        return std::max(0, sp.getIntParameter(factory->getParameterExample(), "Amount", 0));
    }

    static long litPixels(IImage* picture)
    {
        long lit = 0;
        for (int y = 0; picture && y < picture->GetHeight(); ++y)
            for (int x = 0; x < picture->GetWidth(); ++x)
                lit += picture->GetPixel(x, y) != 0;
        return lit;
    }

    // Lit pixels of the picture the delta factory scans. After a step the store may hold something else
    // under that name (a scene can swap it during the scan), so a plain file that a loader of the scene
    // puts there at every step counts rather than what the store holds now.
    long litPixels(ParticleSystem& system, const CString& name) const
    {
        for (const auto& [image, file] : loaded_) {
            CDibImage picture;
            if (image == name && file.Find("%") < 0
                && picture.GetDib().Load(CString(ResolveBeside(file.str(), sceneDirectory_))))
                return litPixels(&picture);
        }
        return litPixels(system.GetImageProvider() ? system.GetImageProvider()->GetImage(name) : nullptr);
    }

    void survey(ParticleSystem& system, ConstraintCollection& list)
    {
        StringParameters sp;
        for (int i = 0; i < list.getConstraintCount(); ++i) {
            IConstraint* c = list.getConstraint(i);
            if (!c || c->IsResourceOnly())
                continue;
            const CString cls = c->GetClassName();
            const CString params = c->getParameterExample();
            if (auto* inner = dynamic_cast<ConstraintCollection*>(c)) {
                survey(system, *inner);
            } else if (cls == "image.ImageLoad") {
                loaded_.emplace_back(
                    sp.getStringParameter(params, "Image", ""), sp.getStringParameter(params, "Image Filename", ""));
            } else if (cls == "constraint.RemoveAged") {
                if (sp.getIntParameter(params, "Group", 0) == -1) {
                    const int age = sp.getIntParameter(params, "MaximumAge", 0);
                    maxAge_ = maxAge_ ? std::min(*maxAge_, age) : age;
                }
            } else if (cls == "factory.ImageDeltaParticleFactory") {
                const CString resource = sp.getStringParameter(params, "Factory Resource", "");
                long batch = 0;
                for (int j = 0; j < list.getConstraintCount(); ++j) {
                    IConstraint* target = list.getConstraint(j);
                    if (target && target != c && target->GetCustomName() == resource)
                        batch += amountOf(target);
                }
                perTick_ += batch * litPixels(system, sp.getStringParameter(params, "Delta Image Name", ""));
            } else if (cls.Find("factory.") == 0) {
                perTick_ += amountOf(c);
            }
        }
    }

    std::string sceneDirectory_;
    long perTick_ = 0;
    std::optional<int> maxAge_;
    std::vector<std::pair<CString, CString>> loaded_; // image name, file, of every loader that runs by itself
};

struct Result {
    std::string scene;
    int ticks = 0;
    double seconds = 0;
    int minParticles = 0;
    int maxParticles = 0;
    long bound = 0;
    int frames = 0;
    int framesExpected = 0;
    long rssWarm = 0;
    long rssPeak = 0; // the most of any sample after warm-up
    long rssEnd = 0;
    long heapWarm = 0;
    long heapEnd = 0;
    std::string failure;
};

// Scenes of a hundred thousand particles take a minute a thousand ticks. Where memory is judged they need
// every tick: their crowd keeps growing for hundreds of ticks, and a shorter run ends its warm-up before
// it is full. Under the sanitizers, where memory is not judged, a fifth of the ticks does.
int ticksFor(const Scene& scene, int ticks)
{
    constexpr long kCrowded = 50000;
    SoakUi ui;
    ScenePlayer player(&ui);
    if (!loadScene(player, scene).empty())
        return ticks;
    player.Tick(false, 0, 0);
    const std::optional<long> bound = ParticleBound(DirectoryOf(scene.path)).derive(player.GetSystem());
    return bound && *bound > kCrowded && !kJudgeMemory ? std::max(100, ticks / 5) : ticks;
}

Result soak(const Scene& scene, int ticks)
{
    Result r;
    r.scene = scene.name;
    r.ticks = ticks;
    TempDir dir;
    SoakUi ui;
    ui.savePath = dir.file("soak.avi");
    ScenePlayer player(&ui);
    if (std::string why = loadScene(player, scene); !why.empty()) {
        r.failure = why;
        return r;
    }

    // The run's stretches, as fractions of it. A short recording inside the warm-up makes what every
    // recording needs once (RENDER, the codec's tables), so that the long one after it shows what each
    // recording leaves behind.
    const int warmRecordBegin = ticks * 2 / 100;
    const int warmRecordEnd = ticks * 5 / 100;
    const int warmEnd = ticks / 10;
    const int recordEnd = ticks * 3 / 10;
    const int pointerBegin = ticks * 4 / 10;
    const int pointerEnd = ticks * 6 / 10;
    const int drawBegin = ticks * 7 / 10;
    const int drawEnd = ticks * 8 / 10;

    CDC dc(320, 240);
    ParticleSystem& system = player.GetSystem();
    std::optional<long> bound;
    r.minParticles = -1;
    const auto start = std::chrono::steady_clock::now();
    for (int t = 0; t < ticks; ++t) {
        if (t == warmEnd) {
            r.rssWarm = residentBytes();
            r.heapWarm = heapInUse();
        }
        if (t == warmRecordBegin || t == warmEnd) {
            player.StartRecording();
            if (!player.IsRecording()) {
                r.failure = "the recording did not start";
                return r;
            }
        }
        if (t == warmRecordEnd || t == recordEnd) {
            player.StopRecording();
            std::error_code ec;
            if (std::filesystem::file_size(ui.savePath, ec) == 0 || ec) {
                r.failure = "the recording left no file";
                return r;
            }
            std::filesystem::remove(ui.savePath, ec);
        }
        player.drawConstraints = t >= drawBegin && t < drawEnd;

        const bool held = t >= pointerBegin && t < pointerEnd;
        const int x = 160 + static_cast<int>(120 * std::cos(t / 50.0));
        const int y = 120 + static_cast<int>(90 * std::sin(t / 37.0));
        const CString status = player.Tick(held, x, y);
        if (player.IsRecording()) {
            ++r.framesExpected;
            r.frames += !status.IsEmpty();
        }
        player.ComposeFrame(dc, CSize(320, 240));

        // The scene's pictures are loaded by its first step; only then can the bound be worked out.
        if (t == 0) {
            bound = ParticleBound(DirectoryOf(scene.path)).derive(system);
            if (!bound) {
                r.failure = "no age rule for all groups: no particle bound";
                return r;
            }
            r.bound = *bound;
        }
        const int count = system.particles.getParticleCount();
        if (count > *bound) {
            r.failure = "tick " + std::to_string(t) + ": " + std::to_string(count) + " particles";
            return r;
        }
        if (t >= warmEnd) {
            // Memory in proportion to the largest crowd so far is the scene's due, not a leak: growth is
            // measured from the last tick a new largest crowd came.
            if (count > r.maxParticles && t > warmEnd) {
                r.rssWarm = residentBytes();
                r.heapWarm = heapInUse();
            }
            r.minParticles = r.minParticles < 0 ? count : std::min(r.minParticles, count);
            r.maxParticles = std::max(r.maxParticles, count);
        }
        if ((t + 1) % kSampleEvery == 0 && t >= warmEnd)
            r.rssPeak = std::max(r.rssPeak, residentBytes());
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.rssEnd = residentBytes();
    r.rssPeak = std::max(r.rssPeak, r.rssEnd);
    r.heapEnd = heapInUse();
    if (r.frames != r.framesExpected)
        r.failure = std::to_string(r.framesExpected - r.frames) + " frames not written";
    else if (kJudgeMemory && r.rssEnd - r.rssWarm >= kMaxRssGrowth)
        r.failure = "resident memory grew by " + std::to_string((r.rssEnd - r.rssWarm) / 1024) + " KiB";
    else if (kJudgeMemory && r.heapEnd - r.heapWarm >= kMaxHeapGrowth)
        r.failure = "bytes in use grew by " + std::to_string((r.heapEnd - r.heapWarm) / 1024) + " KiB";
    else if (!ui.messages.empty())
        r.failure = "the player said: " + ui.messages.front();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    int ticks = 100000;
    std::string only;
    std::vector<std::string> except;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--scene" && i + 1 < argc) {
            only = argv[++i];
            continue;
        }
        if (a == "--except" && i + 1 < argc) {
            except.push_back(argv[++i]);
            continue;
        }
        const int n = a == "--ticks" && i + 1 < argc ? platform::ParseInt(argv[++i]) : 0;
        if (n < 100) {
            std::fputs("usage: soak [--ticks N] [--scene TEXT] [--except TEXT]...   (N at least 100; default 100000)\n",
                stderr);
            return 2;
        }
        ticks = n;
    }
    std::vector<Scene> scenes = shippedScenes();
    if (scenes.size() < 2) {
        std::fputs("soak: no scenes/ here; run from the directory that holds it\n", stderr);
        return 1;
    }
    scenes.erase(std::remove_if(scenes.begin(), scenes.end(),
                     [&](const Scene& s) {
                         return s.name.find(only) == std::string::npos
                             || std::any_of(except.begin(), except.end(),
                                 [&](const std::string& e) { return s.name.find(e) != std::string::npos; });
                     }),
        scenes.end());
    // glibc raises its mmap threshold the first time a large block is freed, after which freed frame-sized
    // blocks stay resident: a one-time step of about a megabyte that a short throwaway run takes here,
    // rather than charging it to the first scene.
    soak(shippedScenes().front(), 1000);

    CString row;
    row.Format("%-22s %7s %8s %6s %6s %6s %6s %9s %9s %9s %7s %7s  %s\n", "scene", "ticks", "time s", "p.min", "p.max",
        "bound", "frames", "rss0 KiB", "peak KiB", "end KiB", "growth", "heap+", "result");
    std::fputs(row.c_str(), stdout);
    int failures = 0;
    for (const Scene& scene : scenes) {
        const Result r = soak(scene, ticksFor(scene, ticks));
        failures += !r.failure.empty();
        row.Format("%-22s %7d %8.1f %6d %6d %6ld %6d %9ld %9ld %9ld %7ld %7ld  %s\n", r.scene.c_str(), r.ticks,
            r.seconds, r.minParticles, r.maxParticles, r.bound, r.frames, r.rssWarm / 1024, r.rssPeak / 1024,
            r.rssEnd / 1024, (r.rssEnd - r.rssWarm) / 1024, (r.heapEnd - r.heapWarm) / 1024,
            r.failure.empty() ? "ok" : ("FAIL: " + r.failure).c_str());
        std::fputs(row.c_str(), stdout);
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
