#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/PixelRows.h"

// What a host's picture may offer besides IImage: its stored pixels, so that the engine's own drawing
// goes straight into them instead of through a canvas that copies the whole picture in and out. The
// result must be exactly what the same drawing through GetCanvas and ReleaseCanvas would give, so a
// picture offers its rows only when no canvas is open on it and it is laid out as a canvas draws
// (24 bits per pixel, every row present). Between the two calls the caller touches the picture in no
// other way; other threads may draw into different rows at the same time.
class PARTICLE_EXPORT IDirectImage {
public:
    // Empty when the picture cannot be drawn on directly now: then nothing has begun, and the caller
    // draws through a canvas.
    virtual PixelRows BeginDirectDrawing() = 0;
    // Ends the drawing as ReleaseCanvas ends a canvas's.
    virtual void EndDirectDrawing() = 0;

protected:
    ~IDirectImage() = default;
};
