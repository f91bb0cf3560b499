#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CDib;

// A frame with transparency, worked out from the same drawing done twice: once with every background
// black and once with it white. Where the two agree, the drawing covered the pixel fully; where they are
// 255 apart, it left the background showing; in between lies the drawing's opacity, 1 - (white - black),
// whatever blending made it (anti-aliased edges, faded trails, added light), and its colour is black /
// opacity. Of the three channels the one that let the least background through decides, so that added
// light, which shows no white through where it is strongest, keeps its brightness as opacity.
//
// onBlack and onWhite are 24-bit pictures of one size; bgra becomes their rows bottom-up as a 32-bit
// DIB stores them (blue, green, red, alpha, not premultiplied). False when the two do not match.
bool AlphaFromBackdrops(const CDib& onBlack, const CDib& onWhite, std::vector<std::uint8_t>& bgra);

// Bottom-up blue-green-red-alpha rows made top-down red-green-blue-alpha, as PNG and most tools take them.
std::vector<std::uint8_t> TopDownRgba(const std::uint8_t* bgra, int width, int height);
