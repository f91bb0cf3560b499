#include "particle/constraints/TextRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// stb_truetype from the system's libstb-dev, its implementation private to this file.
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

#ifndef MIRRIM_FONT_FILE
#define MIRRIM_FONT_FILE "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif

namespace text_raster {
namespace {

// Larger than any font worth drawing; a bigger file is not read.
constexpr long kMaxFontBytes = 32L * 1024 * 1024;
// Beyond a 4K picture of a small scene: a glyph's bitmap grows with its square.
constexpr float kMaxEnlargement = 16.0f;

struct Font {
    std::vector<unsigned char> bytes;
    stbtt_fontinfo info {};
    bool ready = false;
};

const Font& TheFont()
{
    static const Font font = [] {
        Font f;
        std::FILE* file = nullptr;
#ifdef MIRRIM_EMBEDDED_FONT_FILE
        file = std::fopen(MIRRIM_EMBEDDED_FONT_FILE, "rb");
#endif
        if (!file)
            file = std::fopen(FontFile(), "rb");
        if (!file)
            return f;
        long size = -1;
        if (std::fseek(file, 0, SEEK_END) == 0)
            size = std::ftell(file);
        if (size > 0 && size <= kMaxFontBytes && std::fseek(file, 0, SEEK_SET) == 0) {
            f.bytes.resize(static_cast<std::size_t>(size));
            if (std::fread(f.bytes.data(), 1, f.bytes.size(), file) == f.bytes.size())
                f.ready = stbtt_InitFont(&f.info, f.bytes.data(), stbtt_GetFontOffsetForIndex(f.bytes.data(), 0)) != 0;
        }
        std::fclose(file);
        return f;
    }();
    return font;
}

// The code points of UTF-8 text; bytes that do not form a character are passed over.
std::vector<int> CodePoints(const std::string& text)
{
    std::vector<int> points;
    for (std::size_t i = 0; i < text.size() && points.size() < kMaxCharacters;) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1
            : (lead >> 5) == 0x6       ? 2
            : (lead >> 4) == 0xE       ? 3
            : (lead >> 3) == 0x1E      ? 4
                                       : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
            ++i;
            continue;
        }
        int point = length == 1 ? lead : lead & (0x7F >> length);
        bool whole = true;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            whole = whole && (next & 0xC0) == 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        i += whole ? static_cast<std::size_t>(length) : 1;
        // Control characters (a line break in the tag) have no glyph: they would show as boxes.
        if (whole && point >= 0x20)
            points.push_back(point);
    }
    return points;
}

} // namespace

const char* FontFile()
{
    return MIRRIM_FONT_FILE;
}

bool DrawLine(const std::string& text, float emPixels, float x, int y, int width, int height,
    std::vector<unsigned char>& coverage, float enlargement)
{
    coverage.assign(static_cast<std::size_t>(std::max(0, width)) * static_cast<std::size_t>(std::max(0, height)), 0);
    const Font& font = TheFont();
    if (!font.ready || !(emPixels > 0.0f) || !std::isfinite(x) || !(enlargement > 0.0f)
        || !(enlargement <= kMaxEnlargement))
        return false;
    const float unenlarged = stbtt_ScaleForMappingEmToPixels(&font.info, std::min(emPixels, kMaxEmPixels));
    const float scale = unenlarged * enlargement;
    int ascent = 0;
    int descent = 0;
    int lineGap = 0;
    stbtt_GetFontVMetrics(&font.info, &ascent, &descent, &lineGap);
    // The baseline where the line has it unenlarged, then moved with the rest: the text keeps its place.
    long baseline = static_cast<long>(y) + static_cast<long>(std::lround(ascent * unenlarged));
    if (enlargement != 1.0f)
        baseline = std::lround(static_cast<double>(baseline) * enlargement);
    float pen = x * enlargement;
    int previous = 0;
    for (const int point : CodePoints(text)) {
        if (previous != 0)
            pen += scale * static_cast<float>(stbtt_GetCodepointKernAdvance(&font.info, previous, point));
        previous = point;
        // Far off the area on either side: nothing more to draw.
        if (!(pen < static_cast<float>(width) + 1.0f) || pen < -1.0e6f)
            break;
        const float whole = std::floor(pen);
        int glyphWidth = 0;
        int glyphHeight = 0;
        int offsetX = 0;
        int offsetY = 0;
        unsigned char* glyph = stbtt_GetCodepointBitmapSubpixel(
            &font.info, scale, scale, pen - whole, 0.0f, point, &glyphWidth, &glyphHeight, &offsetX, &offsetY);
        const long left = static_cast<long>(whole) + offsetX;
        const long top = baseline + offsetY;
        for (int row = 0; glyph && row < glyphHeight; ++row) {
            const long py = top + row;
            if (py < 0 || py >= height)
                continue;
            for (int column = 0; column < glyphWidth; ++column) {
                const long px = left + column;
                if (px < 0 || px >= width)
                    continue;
                unsigned char& cell = coverage[static_cast<std::size_t>(py) * static_cast<std::size_t>(width)
                    + static_cast<std::size_t>(px)];
                cell = std::max(cell, glyph[row * glyphWidth + column]);
            }
        }
        stbtt_FreeBitmap(glyph, nullptr);
        int advance = 0;
        int bearing = 0;
        stbtt_GetCodepointHMetrics(&font.info, point, &advance, &bearing);
        pen += scale * static_cast<float>(advance);
    }
    return true;
}

} // namespace text_raster
