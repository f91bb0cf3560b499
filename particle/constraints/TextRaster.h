#pragma once

#include <string>
#include <vector>

// Lines of text drawn with the one font the program ships with (DejaVu Sans), the same pixels on every
// machine: the rasteriser is compiled with the rest of the library, in IEEE float arithmetic.
namespace text_raster {

// The longest text and the largest size drawn; beyond them a line is cut or the size held.
constexpr std::size_t kMaxCharacters = 128;
constexpr float kMaxEmPixels = 256.0f;

// Coverage (0 none .. 255 full) of a line of UTF-8 text whose em is emPixels high and whose box has its
// top-left corner at (x, y), over a width x height area from (0, 0). False, with nothing drawn, when the
// font cannot be read or the size is not above 0. With an enlargement other than 1 the same line is
// drawn that many times larger (size held as above first, then enlarged; box and place enlarged), at the
// larger size rather than resampled, so its edges stay sharp.
bool DrawLine(const std::string& text, float emPixels, float x, int y, int width, int height,
    std::vector<unsigned char>& coverage, float enlargement = 1.0f);

// The path the font is read from (in the browser, the page's own copy comes first).
const char* FontFile();

} // namespace text_raster
