// mirrim-cli run: steps a scene headless and reports (optionally dumps) the particles that are left.
#include "CliCommand.h"

#include "particle/core/CMorvane.h"
#include "particle/core/DefaultScene.h"
#include "platform/CStdioFile.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

const char kCommand[] = "run";

// Whole decimal digits only, 0 to INT_MAX: "--steps 1e3" or "--steps 10x" is a mistake, not 1 or 10.
std::optional<int> parseSteps(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// The definition text with every line ended by CR LF, as definition files are read everywhere else.
std::optional<CString> readDefinition(const std::string& path)
{
    CStdioFile file;
    if (!file.Open(path.c_str()))
        return std::nullopt;
    CString text;
    CString line;
    while (file.ReadString(line)) {
        text += line;
        text += "\r\n";
    }
    return text;
}

CString csvLine(int index, IGlintmote* p)
{
    CString line;
    line.Format("%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,0x%06lx,%d,%d\n", index, p->getLocationX(), p->getLocationY(),
        p->getPreviousLocationX(), p->getPreviousLocationY(), p->getDeltaX(), p->getDeltaY(), p->getColor(),
        p->getAge(), p->getGroup());
    return line;
}

bool writeParticles(const std::string& path, ParticleCollection& particles)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = std::fputs("index,x,y,prev_x,prev_y,dx,dy,color,age,group\n", out) >= 0;
    const int count = particles.getParticleCount();
    int index = 0;
    for (int i = 0; i < count && ok; ++i) {
        if (IGlintmote* p = particles.getParticle(i))
            ok = std::fputs(csvLine(index++, p).c_str(), out) >= 0;
    }
    ok = std::fflush(out) == 0 && ok;
    return std::fclose(out) == 0 && ok;
}

int runRun(const std::vector<std::string>& args)
{
    std::optional<std::string> definitionPath;
    std::optional<std::string> dumpPath;
    std::optional<int> steps;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--steps" || a == "--dump-particles") {
            if (i + 1 >= args.size())
                return cliFail(kCommand, a + " needs a value (see --help)", 2);
            const std::string& value = args[++i];
            if (a == "--dump-particles") {
                dumpPath = value;
                continue;
            }
            steps = parseSteps(value);
            if (!steps)
                return cliFail(kCommand, "--steps needs a whole number from 0 up, not '" + value + "'", 2);
        } else if (!a.empty() && a[0] == '-') {
            return cliFail(kCommand, "unknown option '" + a + "' (see --help)", 2);
        } else if (definitionPath) {
            return cliFail(kCommand, "takes at most one definition file (see --help)", 2);
        } else {
            definitionPath = a;
        }
    }
    if (!steps)
        return cliFail(kCommand, "needs --steps N (see --help)", 2);

    CMorvane host;
    host.setWidth(320);
    host.setHeight(240);
    ParticleSystem* system = host.getParticleSystem();
    if (definitionPath) {
        std::optional<CString> text = readDefinition(*definitionPath);
        if (!text)
            return cliFail(kCommand, "cannot read the definition file '" + *definitionPath + "'");
        system->constraints.populateFromDefinitionString(*text);
    } else {
        AddDefaultScene(system->constraints);
    }

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < *steps; ++i)
        system->step();
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;

    if (dumpPath && !writeParticles(*dumpPath, system->particles))
        return cliFail(kCommand, "cannot write the particle file '" + *dumpPath + "'");
    CString summary;
    summary.Format(
        "steps %d, particles alive %d, time %.3f s\n", *steps, system->particles.getParticleCount(), taken.count());
    std::fputs(summary.c_str(), stdout);
    return 0;
}

} // namespace

extern const CliCommand kRunCommand = { "run", "step a scene without a window and report the particles left",
    "Usage: mirrim-cli run [DEFINITION_FILE] --steps N [--dump-particles FILE.csv]\n\n"
    "Builds the engine at 320 x 240, loads the constraints of DEFINITION_FILE (definition\n"
    "text: per constraint its class identifier, its parameter tags, then a line holding a\n"
    "single full stop) or, without one, the player's default scene, and steps it N times.\n"
    "Prints one line at the end: the steps taken, the particles alive and the time taken.\n\n"
    "  --steps N                 how many simulation steps to run (0 or more)\n"
    "  --dump-particles FILE     after the last step, write every live particle to FILE as\n"
    "                            CSV: index,x,y,prev_x,prev_y,dx,dy,color,age,group with the\n"
    "                            colour as 0xBBGGRR and floats exact to the last bit\n\n"
    "The same scene gives the same particles on every run. Exit status: 0 done, 1 a file\n"
    "could not be read or written, 2 bad usage.\n",
    runRun };
