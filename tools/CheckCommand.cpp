// mirrim-cli check: reads scenes as the player does and says what it would skip or read otherwise.
#include "CliCommand.h"

#include "particle/core/DefinitionText.h"
#include "platform/CStdioFile.h"
#include "player/app/SceneChecker.h"
#include "player/imaging/store/CDib.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

struct Options {
    std::vector<std::string> files;
    bool json = false;
};

// A file given by name, or found directly inside a directory given (those are checked only when their
// content makes them a scene or definition file: a folder of scenes holds videos and pictures too).
struct Given {
    std::string path;
    bool inDirectory = false;
};

// The files to check: each file given, and the files directly inside each directory given, in name order.
std::vector<Given> expand(const std::vector<std::string>& given)
{
    std::vector<Given> files;
    for (const std::string& name : given) {
        std::error_code ec;
        if (!fs::is_directory(name, ec)) {
            files.push_back({ name, false });
            continue;
        }
        std::vector<std::string> inside;
        for (const fs::directory_entry& entry : fs::directory_iterator(name, ec)) {
            if (entry.is_regular_file(ec))
                inside.push_back(entry.path().string());
        }
        std::sort(inside.begin(), inside.end());
        for (std::string& path : inside)
            files.push_back({ std::move(path), true });
    }
    return files;
}

// Scenes keep their pictures beside them, so "check scenes/*" meets pictures: those are not scenes and
// have nothing to report.
bool isPicture(const std::string& path)
{
    CDib picture;
    return picture.Load(path.c_str()) != 0;
}

// Whether a file found in a directory is one to check: a scene file, or text with a block whose first
// line looks like a class identifier (a misspelt one too, which the check is there to find).
bool looksLikeScene(const std::vector<std::uint8_t>& bytes)
{
    const SceneFileKind kind = DetectSceneFileKind(bytes);
    if (kind == SceneFileKind::Scene)
        return HoldsScene(bytes, kind);
    const std::string text = DefinitionTextOf(bytes).str();
    for (const DefinitionBlock& block : SplitDefinitionText(text)) {
        const std::string first
            = block.HasIdentifierLine() ? text.substr(block.begin, block.lineEnd - block.begin) : "";
        const bool identifier = first.size() >= 3 && first.size() <= 200 && first.find('.') != std::string::npos
            && std::all_of(first.begin(), first.end(),
                [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_'; });
        if (identifier)
            return true;
    }
    return false;
}

int runCheck(const Options& o)
{
    SceneChecker checker;
    std::vector<Finding> findings;
    std::vector<std::string> skipped;
    for (const Given& file : expand(o.files)) {
        const std::string& path = file.path;
        std::vector<std::uint8_t> bytes;
        const bool read = platform::ReadWholeFile(path, kMaxSceneBytes, bytes);
        if (file.inDirectory && (!read || !looksLikeScene(bytes))) {
            skipped.push_back(path);
            continue;
        }
        SceneCheck check = read ? checker.CheckBytes(path, bytes) : checker.CheckFile(path);
        if (!check.findings.empty() && isPicture(path))
            continue;
        findings.insert(findings.end(), check.findings.begin(), check.findings.end());
    }
    std::fputs(o.json ? FindingsJson(findings).c_str() : FindingsText(findings).c_str(), stdout);
    if (!skipped.empty()) {
        std::string note = "check: skipped " + std::to_string(skipped.size())
            + (skipped.size() == 1 ? " file" : " files") + " that " + (skipped.size() == 1 ? "holds" : "hold")
            + " no scene or definition text:";
        for (const std::string& path : skipped)
            note += " " + Quoted(path);
        std::fprintf(stderr, "%s\n", note.c_str());
    }
    return findings.empty() ? 0 : 1;
}

} // namespace

CliRun AddCheckCommand(CLI::App& program)
{
    CLI::App* command = program.add_subcommand("check", "find mistakes in scene and definition files");
    auto o = std::make_shared<Options>();
    command->add_option("FILE", o->files, "scene files, definition files, or directories of them")->required();
    command->add_flag("--json", o->json, "print the findings as a JSON array");
    command->footer("Reads each file as the player does (scene file or definition file, told apart by what it holds,\n"
                    "included files followed) and prints, each with its file and line, what the player would skip\n"
                    "or read otherwise than written: unknown class identifiers and tags (with the nearest real\n"
                    "one), values that are not of their tag's kind, blocks that become nothing, missing or looping\n"
                    "includes, pictures that cannot be found or read, and damaged or newer scene files. Lines of a\n"
                    "scene file count within the definition text it holds. Pictures among the files are passed over.\n"
                    "Of the files in a directory, only those whose content makes them a scene or definition file\n"
                    "are checked; the others (videos, pictures, anything else) are listed on stderr as skipped.\n\n"
                    "With --json each finding is an object with file, line (0: the file as a whole), severity\n"
                    "(error: part of the scene is lost; warning: it loads, not quite as written), kind, message\n"
                    "and suggestion (the name probably meant, or null).\n\n"
                    "Exit status: 0 nothing found, 1 something found, 2 bad usage.\n\n"
                    "Example: mirrim-cli check scenes/*\n");
    return [o] { return runCheck(*o); };
}
