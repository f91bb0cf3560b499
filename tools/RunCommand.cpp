// mirrim-cli run: steps a scene headless and reports (optionally dumps) the particles that are left.
#include "CliCommand.h"
#include "CliSupport.h"

#include "player/app/ParticleDump.h"
#include "player/app/ScenePlayer.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>

namespace {

const char kCommand[] = "run";

struct Options {
    SceneInput input;
    int steps = 0;
    std::string dump;
    int seed = -1;
};

int runRun(const Options& o)
{
    CommandLineUi ui(kCommand);
    ScenePlayer player(&ui);
    if (int status = LoadSceneInput(player, o.input, kCommand))
        return status;
    StartSeed(player, o.seed);
    ParticleSystem& system = player.GetSystem();

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < o.steps; ++i)
        system.step();
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;

    if (!o.dump.empty() && !WriteParticleDump(o.dump, system.particles))
        return cliFail(kCommand, "cannot write the particle file '" + o.dump + "'");
    CString summary;
    summary.Format(
        "steps %d, particles alive %d, time %.3f s\n", o.steps, system.particles.getParticleCount(), taken.count());
    std::fputs(summary.c_str(), stdout);
    return 0;
}

} // namespace

CliRun AddRunCommand(CLI::App& program)
{
    CLI::App* command = program.add_subcommand("run", "step a scene without a window and report the particles left");
    auto o = std::make_shared<Options>();
    AddSceneInputOptions(*command, o->input);
    command->add_option("--steps", o->steps, "how many simulation steps to run")
        ->default_str("")
        ->required()
        ->check(WholeNumber(0));
    command->add_option("--dump-particles", o->dump, "after the last step, write the live particles as CSV");
    AddSeedOption(*command, o->seed);
    command->footer("Loads the scene into the player (without one, the player's default scene) and steps\n"
                    "it N times without drawing. Prints one line at the end: the steps taken, the\n"
                    "particles alive and the time taken.\n\n"
                    "The CSV file has one line per particle: index,x,y,prev_x,prev_y,dx,dy,color,age,group,\n"
                    "with the colour as 0xBBGGRR and floats exact to the last bit.\n\n"
                    "--seed N starts the random sequence from N once the scene is loaded (a scene may carry\n"
                    "its own in a constraint.Seed block; --seed overrides it). The same scene and seed give\n"
                    "the same particles on every run. run draws nothing, while render and the window draw\n"
                    "the background texture before the first step, which takes numbers from the same random\n"
                    "sequence: so the particles, and often their count, differ from theirs (scenes/galaxy.vq\n"
                    "at 300 steps: 1,058 here, 1,051 there). Use render --steps N --dump-particles to see\n"
                    "what the window shows.\n\n"
                    "Exit status: 0 done, 1 a file could not be read or written, or holds no scene,\n"
                    "2 bad usage.\n\n"
                    "Example: mirrim-cli run scenes/vortex.vq --steps 100\n");
    return [o] { return runRun(*o); };
}
