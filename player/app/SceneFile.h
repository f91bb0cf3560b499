#pragma once

#include "platform/CString.h"
#include "player/app/PointerMapping.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The header that starts a versioned scene file, and the newest version the player reads.
constexpr const char* kSceneHeader = "Dozozudori";
constexpr std::int32_t kNewestSceneVersion = 1000;
// No scene file comes near this; a bigger one is not a scene.
constexpr std::size_t kMaxSceneBytes = 64u << 20;

// Everything a versioned scene file holds, with the values of the player's own start-up.
struct SceneDescription {
    CString header = kSceneHeader;
    std::int32_t version = kNewestSceneVersion;
    CString definition;
    PointerMapping mapping;
    CString partFactoryClass = "factory.ParticlesSquare";
    CString partFactoryParameters;
    CString backgroundImage;
    CString foregroundImage;
    std::int32_t width = 320;
    std::int32_t height = 240;
    std::int32_t erase = 1;
    std::int32_t drawConstraints = 0;
    std::int32_t drawParticles = 1;
    std::int32_t directFrame = 1;
};

// The bytes of a versioned scene file: header, version, then the twenty fields in their order.
std::vector<std::uint8_t> EncodeScene(const SceneDescription& scene);

// What a file given to the player holds, told apart by its content, not its name.
enum class SceneFileKind { Definition, Scene };

// A file whose first archive string starts with the scene header is a versioned scene, and one whose
// first string starts with a line naming a constraint class is a plain-definition scene. Otherwise the
// file is read both ways, as a plain-definition scene (one archive string) and as definition text, and
// is taken for the reading in which more blocks name a constraint class; on a tie, for a scene when
// that one string is all the file holds. A file too short for its first string is a definition when it
// is blank or holds a block, and otherwise a damaged scene file.
SceneFileKind DetectSceneFileKind(const std::vector<std::uint8_t>& bytes);

// A definition file's bytes as the loader reads them: a byte-order mark skipped, every line ended by
// CR LF.
CString DefinitionTextOf(const std::vector<std::uint8_t>& bytes);

// How many blocks of definition text name a registered constraint class, as the loader makes them.
int ConstraintBlockCount(const std::string& text);

// Whether a file of that kind holds something to play: a scene file whose first string can be read, or
// definition text with a block that names a constraint class. A picture, a program or random bytes
// do not, and loading them would only wipe the running scene.
bool HoldsScene(const std::vector<std::uint8_t>& bytes, SceneFileKind kind);

// The definition text a file holds, whichever kind it is; nothing when it is a scene file that is
// damaged before the end of its definition or newer than the player reads.
std::optional<CString> DefinitionOfFile(const std::vector<std::uint8_t>& bytes);
