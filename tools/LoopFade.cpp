#include "LoopFade.h"

#include <algorithm>

LoopFade::LoopFade(int loop, int blend)
    : loop_(std::max(loop, 1))
    , blend_(std::clamp(blend, 1, loop_))
{
}

std::vector<const std::uint8_t*> LoopFade::operator()(const std::uint8_t* rows, std::size_t size)
{
    const int k = index_++;
    if (k < loop_) {
        held_.emplace_back(rows, rows + size);
        return {};
    }
    const int j = k - loop_;
    if (j >= blend_)
        return {};
    std::vector<std::uint8_t>& head = held_[static_cast<std::size_t>(j)];
    const unsigned total = static_cast<unsigned>(blend_) + 1;
    const unsigned tailShare = static_cast<unsigned>(blend_ - j);
    const unsigned headShare = total - tailShare;
    for (std::size_t i = 0; i < std::min(size, head.size()); ++i)
        head[i] = static_cast<std::uint8_t>((rows[i] * tailShare + head[i] * headShare + total / 2) / total);
    if (j + 1 < blend_)
        return {};
    std::vector<const std::uint8_t*> clip;
    const int start = blend_ / 2;
    for (int n = 0; n < loop_; ++n)
        clip.push_back(held_[static_cast<std::size_t>((start + n) % loop_)].data());
    return clip;
}
