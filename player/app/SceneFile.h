#pragma once

#include "platform/CString.h"
#include "player/app/PointerMapping.h"

#include <cstdint>
#include <vector>

// Everything a versioned scene file holds, with the values of the player's own start-up.
struct SceneDescription {
    CString header = "Dozozudori";
    std::int32_t version = 1000;
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
