// Every shipped scene, and a stress scene of 100000 particles, played through the headless player as
// `mirrim-cli render` plays them, must give exactly the particles and pictures recorded in
// tests/reference/digests.txt: the engine may get faster, but no particle may move by one bit and no pixel
// may change. Every case is played twice: on one thread, and on three with every loop split however
// small, which must give the same bits.
//
// The reference was made by the build before the engine was reworked for speed. To make it again (only
// when a result is meant to change), run this program with MIRRIM_WRITE_REFERENCE=DIR: it then writes
// digests.txt, the particle dumps and the last frames into DIR instead of comparing.
#include "particle/core/ParallelLoop.h"
#include "platform/Random.h"
#include "player/app/ScenePlayer.h"
#include "player/imaging/store/CDibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Case {
    const char* name;
    const char* scene; // empty: the player's default scene; otherwise a scene or definition file
    bool pointer; // hold the pointer at (60, 200) on every tick
    std::vector<int> checkpoints;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

const Case kCases[] = {
    { "default", "", false, { 40, 200 } },
    { "default-pointer", "", true, { 40, 200 } },
    { "fountain-vq", "scenes/fountain.vq", false, { 40, 200 } },
    { "fountain-zrk", "scenes/fountain.zrk", true, { 40, 200 } },
    { "star-vq", "scenes/star.vq", false, { 40, 200 } },
    { "star-zrk", "scenes/star.zrk", false, { 40, 200 } },
    { "streaks-vq", "scenes/streaks.vq", false, { 40, 200 } },
    { "streaks-zrk", "scenes/streaks.zrk", false, { 40, 200 } },
    { "vortex-vq", "scenes/vortex.vq", false, { 40, 200 } },
    { "vortex-zrk", "scenes/vortex.zrk", false, { 40, 200 } },
    { "fireworks-vq", "scenes/fireworks.vq", false, { 40, 200 } },
    { "fireworks-zrk", "scenes/fireworks.zrk", false, { 40, 200 } },
    { "galaxy-vq", "scenes/galaxy.vq", false, { 40, 200 } },
    { "galaxy-zrk", "scenes/galaxy.zrk", false, { 40, 200 } },
    { "lettering-vq", "scenes/lettering.vq", false, { 40, 200 } },
    { "lettering-zrk", "scenes/lettering.zrk", false, { 40, 200 } },
    { "stress", "tests/reference/stress.vq", false, { 20, 40 } },
};

// FNV-1a, 64 bits: enough to tell any two results apart, and cheap to keep in a text file.
class Digest {
public:
    void add(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i)
            hash_ = (hash_ ^ p[i]) * 0x100000001b3ull;
    }
    std::string hex() const
    {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash_));
        return text;
    }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// The particles in the CSV form of `mirrim-cli render --dump-particles`: every float to nine digits,
// which gives back its exact bits.
std::string particleDump(ParticleCollection& particles)
{
    std::string text = "index,x,y,prev_x,prev_y,dx,dy,color,age,group\n";
    const int count = particles.getParticleCount();
    for (int i = 0, index = 0; i < count; ++i) {
        IGlintmote* p = particles.getParticle(i);
        if (!p)
            continue;
        CString line;
        line.Format("%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,0x%06lx,%d,%d\n", index++, p->getLocationX(), p->getLocationY(),
            p->getPreviousLocationX(), p->getPreviousLocationY(), p->getDeltaX(), p->getDeltaY(), p->getColor(),
            p->getAge(), p->getGroup());
        text += line.str();
    }
    return text;
}

std::string frameDigest(const CDC& frame)
{
    Digest d;
    for (int y = 0; y < frame.GetHeight(); ++y)
        d.add(frame.GetBits() + static_cast<std::size_t>(y) * frame.GetStride(),
            static_cast<std::size_t>(frame.GetWidth()) * 4);
    return d.hex();
}

std::string renderDigest(ScenePlayer& player)
{
    auto* render = dynamic_cast<CDibImage*>(player.GetImageStore().GetImage("RENDER"));
    if (!render || !render->GetDib().GetRows())
        return "-";
    Digest d;
    d.add(render->GetDib().GetRows(), render->GetDib().GetImageSize());
    return d.hex();
}

// One line of digests.txt: case, tick, particle count and the three digests.
struct Outcome {
    std::string line;
    std::string dump;
};

// The stored dumps keep the first 1000 particles: the stress scene's whole dump would be megabytes,
// and its digest already holds every particle.
constexpr std::size_t kStoredDumpLines = 1001;

std::string storedPart(const std::string& dump)
{
    std::size_t end = 0;
    for (std::size_t lines = 0; lines < kStoredDumpLines; ++lines) {
        end = dump.find('\n', end);
        if (end == std::string::npos)
            return dump;
        ++end;
    }
    return dump.substr(0, end);
}

// Plays the case from a fresh start, as a new `mirrim-cli render` process would, and reports every
// checkpoint. Runs from the repository root, where the scenes find their pictures. Given a directory, it
// also writes the last dump and pictures there.
std::vector<Outcome> play(const Case& c, const char* outputDir)
{
    platform::SeedRand(1);
    ScenePlayer player;
    CDib texture;
    MakeBackgroundTexture(texture); // the window's draws before the first step
    // As `mirrim-cli render` loads it: pictures the working directory lacks come from beside the file.
    if (*c.scene) {
        EXPECT_EQ(player.LoadFile(c.scene).read, ScenePlayer::SceneRead::Complete) << c.scene;
    }
    const int width = player.GetHost().getWidth();
    const int height = player.GetHost().getHeight();
    CDC frame(width, height);
    std::vector<Outcome> outcomes;
    int tick = 0;
    for (int checkpoint : c.checkpoints) {
        for (; tick < checkpoint; ++tick) {
            player.Tick(c.pointer, 60, 200);
            player.ComposeFrame(frame, CSize(width, height));
        }
        Outcome o;
        o.dump = particleDump(player.GetSystem().particles);
        Digest particles;
        particles.add(o.dump.data(), o.dump.size());
        std::ostringstream line;
        line << c.name << ' ' << tick << ' ' << player.GetSystem().particles.getParticleCount() << ' '
             << particles.hex() << ' ' << frameDigest(frame) << ' ' << renderDigest(player);
        o.line = line.str();
        outcomes.push_back(o);
    }
    if (outputDir) {
        const fs::path base = fs::path(outputDir) / c.name;
        std::ofstream(base.string() + ".csv") << storedPart(outcomes.back().dump);
        player.Snapshot(&frame)->SaveBitmapFile((base.string() + "-frame.bmp").c_str());
        if (IImage* render = player.GetImageStore().GetImage("RENDER"))
            render->SaveBitmapFile((base.string() + "-render.bmp").c_str());
    }
    return outcomes;
}

fs::path referenceDir()
{
    return fs::path(MIRRIM_SOURCE_DIR) / "tests" / "reference";
}

std::map<std::string, std::string> expectedLines()
{
    std::map<std::string, std::string> lines;
    std::ifstream in(referenceDir() / "digests.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name, tick;
        fields >> name >> tick;
        lines[name + ' ' + tick] = line;
    }
    return lines;
}

// Where the particle dump parts ways with the stored one, to say which particle went wrong first.
std::string firstDifference(const std::string& ours, const fs::path& referencePath)
{
    std::ifstream in(referencePath);
    std::istringstream mine(ours);
    std::string a, b;
    for (int n = 1; std::getline(in, b); ++n) {
        if (!std::getline(mine, a))
            a = "(end)";
        if (a != b)
            return "first different dump line " + std::to_string(n) + ":\n  now:       " + a + "\n  reference: " + b;
    }
    return "";
}

// A case, and the threads it is played on.
using Played = std::tuple<Case, int>;

class SceneReference : public ::testing::TestWithParam<Played> {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::current_path(MIRRIM_SOURCE_DIR);
        const int threads = std::get<1>(GetParam());
        parallel::Configure(threads, threads > 1);
    }
    void TearDown() override
    {
        parallel::Configure(0, false);
        fs::current_path(previous_);
    }

private:
    fs::path previous_;
};

TEST_P(SceneReference, PlaysBitForBitAsRecorded)
{
    const Case& c = std::get<0>(GetParam());
    const char* out = std::getenv("MIRRIM_WRITE_REFERENCE");
    if (out && std::get<1>(GetParam()) != 1)
        GTEST_SKIP() << "the reference is written from the single-threaded run";
    const std::vector<Outcome> outcomes = play(c, out);
    if (out) {
        std::ofstream digests(fs::path(out) / "digests.txt", std::ios::app);
        for (const Outcome& o : outcomes)
            digests << o.line << '\n';
        return;
    }
    const std::map<std::string, std::string> expected = expectedLines();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const std::string key = std::string(c.name) + ' ' + std::to_string(c.checkpoints[i]);
        const auto it = expected.find(key);
        ASSERT_NE(it, expected.end()) << "no reference for " << key;
        EXPECT_EQ(outcomes[i].line, it->second)
            << "(case tick particles particle-digest frame-digest render-digest)\n"
            << (i + 1 == outcomes.size()
                       ? firstDifference(outcomes[i].dump, referenceDir() / (std::string(c.name) + ".csv"))
                       : "");
    }
}

// Threads only pay above some thousands of particles: the shipped scenes, with a few hundred, never wake
// one; the stress scene, with 100000, splits its loops.
TEST(SceneThreads, OnlyLargeScenesSplitTheirLoops)
{
    const fs::path previous = fs::current_path();
    fs::current_path(MIRRIM_SOURCE_DIR);
    parallel::Configure(2, false);
    for (const Case& c : kCases) {
        const long before = parallel::LoopsSplit();
        play({ c.name, c.scene, c.pointer, { 60 } }, nullptr);
        const bool large = std::string(c.name) == "stress";
        EXPECT_EQ(parallel::LoopsSplit() > before, large) << c.name;
    }
    parallel::Configure(0, false);
    fs::current_path(previous);
}

INSTANTIATE_TEST_SUITE_P(Scenes, SceneReference,
    ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(1, 3)),
    [](const ::testing::TestParamInfo<Played>& test) {
        std::string name = std::get<0>(test.param).name;
        for (char& ch : name)
            if (ch == '-')
                ch = '_';
        return name + "_threads" + std::to_string(std::get<1>(test.param));
    });

} // namespace
