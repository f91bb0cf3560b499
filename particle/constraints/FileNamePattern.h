#pragma once

#include "particle/ParticleExport.h"

#include "platform/CString.h"

// A numbered file name from a printf-style pattern such as "imag%04d.jpg". The pattern comes from scene
// files, so it is never handed to printf as it stands: only literal text, "%%" and exactly one integer
// conversion (flags, a width and a precision of at most three digits each, no length modifier) are
// formatted; any other pattern is taken as a literal file name, every "%" included.
PARTICLE_EXPORT CString FormatFileNamePattern(const CString& pattern, int index);
