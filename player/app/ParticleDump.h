#pragma once

#include "particle/core/ParticleCollection.h"

#include <string>

// Every live particle as CSV, one line each: index,x,y,prev_x,prev_y,dx,dy,color,age,group, the floats
// with nine significant digits (exact to the last bit) and the colour as 0xBBGGRR. What mirrim-cli
// writes with --dump-particles and the tests compare between builds. False when not written; a file of
// that name is then left as it was.
bool WriteParticleDump(const std::string& path, ParticleCollection& particles);
