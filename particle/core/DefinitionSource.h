#pragma once

#include "particle/ParticleExport.h"

#include <string>

// The file that definition text being read right now comes from. File names written in that text
// (pictures, included definition files) are relative to the working directory first, as they always
// were; one that does not exist there is looked for beside the file that names it, so that a scene
// works from wherever it is started.
//
// A host that reads a scene or definition file keeps a DefinitionSource alive while the text is turned
// into constraints; included files push their own. Constraints that read file names take the directory
// then, and keep it for the files they open later. Sources nest on one thread, innermost last.
class PARTICLE_EXPORT DefinitionSource {
public:
    explicit DefinitionSource(const std::string& path);
    ~DefinitionSource();
    DefinitionSource(const DefinitionSource&) = delete;
    DefinitionSource& operator=(const DefinitionSource&) = delete;

    // The directory of the innermost source, ending in a separator; empty while no text is being read.
    static std::string CurrentDirectory();
    // The current directory while text is being read; kept (what a constraint noted before) otherwise,
    // as when a constraint is driven with new parameters while the scene plays.
    static std::string CurrentDirectoryOr(const std::string& kept);
};

// name as it stands when it is empty, absolute or present from the working directory; otherwise
// directory + name when that exists; otherwise name as it stands.
PARTICLE_EXPORT std::string ResolveBeside(const std::string& name, const std::string& directory);

// The directory part of path, ending in a separator; empty for a bare file name.
PARTICLE_EXPORT std::string DirectoryOf(const std::string& path);

// One name per file however it was reached ("a/../b.vq" and "b.vq" alike), to tell when an include
// leads back to a file already being loaded.
PARTICLE_EXPORT std::string FileIdentity(const std::string& path);
