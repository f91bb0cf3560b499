#pragma once

#include "player/app/SceneFile.h"

#include <string>

class SceneEngine;

// The running scene as a scene file would hold it: the given definition text beside the player's
// present settings (pointer mapping, part factory, pictures, size and view flags).
SceneDescription DescribeRunningScene(SceneEngine& engine, const std::string& definition);

// Writes an edited scene to path through the safe writer: a scene file when the name ends in ".zrk"
// (any letter case), definition text otherwise. False with the reason in error when it cannot.
bool SaveEditedScene(SceneEngine& engine, const std::string& definition, const std::string& path, std::string& error);
