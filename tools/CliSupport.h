#pragma once

// Pieces the commands share.
#include "platform/CString.h"
#include "player/app/Finding.h"
#include "player/app/PlayerUi.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <optional>
#include <string>

class ScenePlayer;

// Accepts whole decimal numbers from low to high only: "--steps 1e3" or "--steps 10x" is a mistake,
// not 1 or 10.
CLI::Validator WholeNumber(int low, int high = INT_MAX);

// Answers the player's questions from the command line instead of dialogs: messages go to stderr, and
// the video file and compressor are the ones the options gave.
class CommandLineUi : public IPlayerUi {
public:
    explicit CommandLineUi(std::string command)
        : command_(std::move(command))
    {
    }
    std::string videoPath;
    CompressorSettings compressor;

    bool AskOpenFile(const CString&, const CString&, CString&) override { return false; }
    bool AskSaveFile(const CString& filter, const CString& defaultExtension, CString& path) override;
    void ShowMessage(const CString& text, MessageKind kind) override;
    bool ChooseCompressor(CompressorSettings& settings) override;

private:
    std::string command_;
};

// The scene a command plays, given the same way to every command: FILE, --scene FILE or --definition
// FILE; none of them: the player's default scene.
struct SceneInput {
    std::string file;
    std::string scene;
    std::string definition;
    bool quiet = false; // do not print what the checker finds
};
void AddSceneInputOptions(CLI::App& command, SceneInput& input);
// Whether any output (picture, video, particle file) can be written at path as OutputFile writes it
// (links followed, pipes and devices written in place): empty when it can, otherwise the system's reason.
std::string CannotWrite(const std::string& path);

// Loads the input into the player, printing on stderr what the checker finds in it. 0, or the exit
// status after saying why.
int LoadSceneInput(ScenePlayer& player, const SceneInput& input, const std::string& command);
// Prints the findings on stderr.
void PrintFindings(const std::vector<Finding>& findings);

// --seed N: where the random sequence starts. seed stays negative when the option is not given.
void AddSeedOption(CLI::App& command, int& seed);
// Starts the random sequence from the seed option, or else from the seed the loaded scene carries; with
// neither, leaves it as it is. True when it seeded.
bool StartSeed(ScenePlayer& player, int seedOption);
