#pragma once

// Pieces the run and render commands share.
#include "particle/core/ParticleCollection.h"
#include "platform/CString.h"

#include <optional>
#include <string>

// Whole decimal digits only, 0 to INT_MAX: "--steps 1e3" or "--steps 10x" is a mistake, not 1 or 10.
std::optional<int> parseSteps(const std::string& text);
// The definition text with every line ended by CR LF, as definition files are read everywhere else;
// nothing when the file cannot be read.
std::optional<CString> readDefinition(const std::string& path);
// Every live particle as CSV: index,x,y,prev_x,prev_y,dx,dy,color,age,group. False when not written.
bool writeParticles(const std::string& path, ParticleCollection& particles);
