#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Makes a clip of `loop` frames whose last frame flows into its first, from loop + blend frames of a
// scene played on: the last `blend` frames are cross-faded over the first `blend`, the earlier frame's
// share rising from 1/(blend + 1) to blend/(blend + 1), and the clip starts halfway through the fade, so
// that its end and its start are neighbours within the fade, no further apart than any two neighbours.
// The whole clip is held until its last frame is known.
class LoopFade {
public:
    LoopFade(int loop, int blend);
    int ticks() const { return loop_ + blend_; }
    // Whether the clip has been given out: until then, there is nothing to write.
    bool complete() const { return index_ >= ticks(); }
    // Bytes the held frames take, for frames of the given size.
    double heldBytes(std::size_t frameSize) const { return static_cast<double>(frameSize) * loop_; }
    // Takes the next frame; gives the frames to write now (all of the clip after the last, else none).
    std::vector<const std::uint8_t*> operator()(const std::uint8_t* rows, std::size_t size);

private:
    int loop_;
    int blend_;
    int index_ = 0;
    std::vector<std::vector<std::uint8_t>> held_;
};
