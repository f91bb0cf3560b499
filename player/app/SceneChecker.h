#pragma once

#include "particle/core/ClassRegistry.h"
#include "player/app/Finding.h"
#include "player/app/NameSuggestion.h"
#include "player/app/SceneFile.h"
#include "player/app/TagCheck.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

// What the checker found in one file and the files it includes.
struct SceneCheck {
    SceneFileKind kind = SceneFileKind::Definition;
    std::vector<Finding> findings;
    // The file checked and every definition file it includes, as the loader finds them.
    std::vector<std::string> files;
};

// Reads a scene file or a definition file as the player does (told apart by content, includes
// followed, relative names looked up as the loader looks them up) and reports, each with its file and
// line, what the loader skips without a word or reads otherwise than written: unknown class
// identifiers, tags a class does not read, values not of their tag's kind, blocks that become nothing,
// includes that are missing or already being loaded, pictures that cannot be found or read, and
// damaged, newer or odd scene files. Lines of a scene file count within the definition text it holds.
// It loads nothing and changes nothing.
class SceneChecker {
public:
    SceneCheck CheckFile(const std::string& path);
    SceneCheck CheckBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
    // The settings of a scene about to be written to path, beside its definition: the part factory,
    // its parameters, the pointer's tags and the drawing size.
    std::vector<Finding> CheckSettings(const std::string& path, const SceneDescription& scene);

private:
    class TextLines;

    void checkDefinition(const std::string& file, const std::string& text);
    void checkBlock(const std::string& file, const std::string& text, const TextLines& lines, std::size_t begin,
        std::size_t lineEnd, std::size_t end);
    // Each takes the line of an offset into the block's parameter text (npos: the block's first line).
    using LineAt = std::function<int(std::size_t)>;
    void checkInclude(const std::string& file, const LineAt& lineAt, const std::string& params);
    void checkPictures(
        const std::string& file, const LineAt& lineAt, const std::string& classId, const std::string& params);
    void checkParticleClass(const std::string& file, const LineAt& lineAt, const std::vector<ClassTag>& tags,
        const std::string& classId, const std::string& params);
    void checkSceneFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
    void checkPartFactory(const std::string& path, const SceneDescription& scene);
    void checkSize(const std::string& path, const SceneDescription& scene);
    const std::vector<ClassTag>& tagsOf(const std::string& classId);
    const std::vector<std::string>& constraintClassNames();
    void add(Finding finding);
    // SuggestName, remembered for names met before.
    std::optional<NameSuggestion> suggest(const std::string& wrong, const std::vector<std::string>& known);

    ClassRegistry registry_;
    std::map<std::string, std::vector<ClassTag>> tags_;
    // The identities of the included files being checked, outermost first, as the loader keeps them.
    std::vector<std::string> including_;
    // Included files over the whole check, counted and read as the loader counts and reads them.
    int includes_ = 0;
    std::size_t includedBytes_ = 0;
    std::map<std::string, std::optional<std::string>> texts_;
    std::vector<std::string> constraintNames_;
    std::map<std::string, std::optional<NameSuggestion>> suggestions_;
    // What has been said already, to say each finding once.
    std::unordered_set<std::string> said_;
    SceneCheck result_;
};

// Said when a file was given as one kind and holds the other; it is read as what it holds.
Finding OtherKindFinding(const std::string& path, SceneFileKind holds);
