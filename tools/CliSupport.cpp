#include "CliSupport.h"

#include "CliCommand.h"

#include "particle/constraints/SceneSeed.h"
#include "player/app/ScenePlayer.h"
#include "player/imaging/codecs/SafeFileWriter.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

CLI::Validator WholeNumber(int low, int high)
{
    const std::string range
        = high == INT_MAX ? std::to_string(low) + " or more" : std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [low, high, range](std::string& text) -> std::string {
            int value = 0;
            const char* begin = text.data();
            const char* end = begin + text.size();
            const auto [stop, error] = std::from_chars(begin, end, value);
            if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
                return "needs a whole number, " + range + ", not '" + text + "'";
            return std::string();
        },
        "", "");
}

bool CommandLineUi::AskSaveFile(const CString&, const CString&, CString& path)
{
    if (videoPath.empty())
        return false;
    path = videoPath.c_str();
    return true;
}

void CommandLineUi::ShowMessage(const CString& text, MessageKind)
{
    cliFail(command_, text.str());
}

bool CommandLineUi::ChooseCompressor(CompressorSettings& settings)
{
    settings = compressor;
    return true;
}

std::string CannotWrite(const std::string& path)
{
    const int error = CheckWritable(path.c_str());
    return error ? std::strerror(error) : std::string();
}

void AddSceneInputOptions(CLI::App& command, SceneInput& input)
{
    CLI::Option* file = command.add_option("FILE", input.file, "a scene file or a definition file to play");
    CLI::Option* scene = command.add_option("--scene", input.scene, "a scene file (.zrk) to play");
    CLI::Option* definition = command.add_option("--definition", input.definition, "a definition file to play");
    file->excludes(scene)->excludes(definition);
    scene->excludes(definition);
    command.add_flag("-q,--quiet", input.quiet, "do not print what the checker finds in the scene, nor progress");
}

void PrintFindings(const std::vector<Finding>& findings)
{
    std::fputs(FindingsText(findings).c_str(), stderr);
}

int LoadSceneInput(ScenePlayer& player, const SceneInput& input, const std::string& command)
{
    std::string path = input.file;
    std::optional<SceneFileKind> expected;
    if (!input.scene.empty()) {
        path = input.scene;
        expected = SceneFileKind::Scene;
    } else if (!input.definition.empty()) {
        path = input.definition;
        expected = SceneFileKind::Definition;
    }
    if (path.empty())
        return 0;
    const ScenePlayer::LoadReport report = player.LoadFile(path.c_str(), expected);
    if (!input.quiet && report.read != ScenePlayer::SceneRead::NewerVersion)
        PrintFindings(report.findings);
    switch (report.read) {
    case ScenePlayer::SceneRead::Complete:
        return 0;
    case ScenePlayer::SceneRead::Unopenable:
        return cliFail(command, "cannot read '" + path + "': " + report.unreadable);
    case ScenePlayer::SceneRead::Truncated:
        return cliFail(command, "'" + path + "' ends early or is damaged; it was loaded as far as it could be read");
    case ScenePlayer::SceneRead::Rejected:
        return cliFail(command, "'" + path + "' was not loaded: " + report.unreadable);
    case ScenePlayer::SceneRead::NewerVersion:
        break; // the player has said why
    }
    return 1;
}

void AddSeedOption(CLI::App& command, int& seed)
{
    command.add_option("--seed", seed, "start the random sequence from N once the scene is loaded")
        ->check(WholeNumber(0))
        ->type_name("N")
        ->default_str("the scene's constraint.Seed, else 1");
}

bool StartSeed(ScenePlayer& player, int seedOption)
{
    return SceneSeed::Start(player.GetSystem().constraints,
        seedOption >= 0 ? std::optional<unsigned int>(static_cast<unsigned int>(seedOption)) : std::nullopt);
}
