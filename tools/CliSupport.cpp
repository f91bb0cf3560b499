#include "CliSupport.h"

#include "CliCommand.h"

#include "platform/CStdioFile.h"
#include "player/app/ScenePlayer.h"

#include <charconv>
#include <cstdio>

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
    if (aviPath.empty())
        return false;
    path = aviPath.c_str();
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

void AddSceneInputOptions(CLI::App& command, SceneInput& input)
{
    CLI::Option* file = command.add_option("FILE", input.file, "the definition file to play");
    CLI::Option* scene = command.add_option("--scene", input.scene, "a scene file (.zrk) to play");
    CLI::Option* definition = command.add_option("--definition", input.definition, "a definition file to play");
    file->excludes(scene)->excludes(definition);
    scene->excludes(definition);
}

int LoadSceneInput(ScenePlayer& player, const SceneInput& input, const std::string& command)
{
    if (!input.scene.empty()) {
        switch (player.LoadSceneFile(input.scene.c_str())) {
        case ScenePlayer::SceneRead::Complete:
            return 0;
        case ScenePlayer::SceneRead::Unopenable:
            return cliFail(command, "cannot read the scene file '" + input.scene + "'");
        case ScenePlayer::SceneRead::NewerVersion:
        case ScenePlayer::SceneRead::Truncated:
            return 1; // the player has said why
        }
    }
    const std::string& definition = input.definition.empty() ? input.file : input.definition;
    if (!definition.empty()) {
        std::optional<CString> text = readDefinition(definition);
        if (!text)
            return cliFail(command, "cannot read the definition file '" + definition + "'");
        player.GetSystem().constraints.removeAllConstraints();
        player.GetSystem().constraints.populateFromDefinitionString(*text);
    }
    return 0;
}

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
