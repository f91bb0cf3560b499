#pragma once

#include "particle/ParticleExport.h"

#include "platform/Colour.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

// 24-bit pixels, blue, green and red bytes, in rows: the top row starts at `top` and each row further
// down starts `stride` bytes on (negative for a bitmap stored bottom-up). It draws the colour-graded lines
// of the picture canvas, so that the canvas and the engine's render step share one implementation.
//
// A view may be limited to a band of rows: it then writes only pixels of those rows, in the picture's own
// coordinates. Bands of one picture can be drawn on by different threads at the same time, and a band
// receives exactly the blends the whole picture would have received in its rows, in the same order.
class PARTICLE_EXPORT PixelRows {
public:
    // One end of a colour-graded line: position, colour components from 0 to 1, and transparency.
    struct End {
        float x, y, r, g, b, alpha;
    };

    PixelRows() = default;
    PixelRows(std::uint8_t* top, std::ptrdiff_t stride, int width, int height)
        : top_(top)
        , stride_(stride)
        , width_(width)
        , height_(height)
        , bandEnd_(height)
    {
    }

    bool isEmpty() const { return !top_ || width_ <= 0 || height_ <= 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The same pixels, drawn on only in the rows [begin, end) of this view.
    PixelRows band(int begin, int end) const;

    // The stored bytes of the pixel at (x, y); null outside the picture or the band.
    std::uint8_t* pixelBytes(int x, int y) const
    {
        if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) || y < bandBegin_ || y >= bandEnd_)
            return nullptr;
        return top_ + static_cast<std::ptrdiff_t>(y) * stride_ + static_cast<std::ptrdiff_t>(x) * 3;
    }

    // Whether a line whose ends have these y coordinates can plot a pixel in the band's rows. Every
    // point of a line lies between its ends, so false means the line draws nothing here.
    bool mayReachRows(float y0, float y1) const
    {
        // Truncation toward zero puts y from -1 (not included) up to 1 into row 0, and y from n up to
        // n + 1 into row n. (A line with a NaN end plots nothing, whatever this answers.)
        const float lowest = std::min(y0, y1);
        const float highest = std::max(y0, y1);
        const bool above = bandBegin_ == 0 ? highest <= -1.0f : highest < static_cast<float>(bandBegin_);
        return !(above || lowest >= static_cast<float>(bandEnd_));
    }

    // The canvas's graded line: by recursive midpoint subdivision, each midpoint blended in with its
    // colour and transparency, until the ends are on the same or neighbouring pixels.
    void drawGradedLine(const End& a, const End& b) const
    {
        if (holds(a) && holds(b))
            lineInside(a, b);
        else
            line(a, b, 0);
    }

    // A particle's streak: drawGradedLine from `from` to `via`, then from `via` to `to`, for three ends of
    // one colour. Every midpoint then has that colour too (halving the sum of a number with itself gives
    // it back exactly), so the colour is converted once per streak instead of at every pixel, and the
    // shared end is looked at once; the blends are the same, bit for bit.
    void drawOneColourPath(const End& from, const End& via, const End& to) const
    {
        if (!holds(via)) {
            line(from, via, 0);
            line(via, to, 0);
            return;
        }
        const Colour c = Colour::of(via);
        const Point v = Point::of(via);
        if (holds(from))
            lineOneColour(c, Point::of(from), v);
        else
            line(from, via, 0);
        if (holds(to))
            lineOneColour(c, v, Point::of(to));
        else
            line(via, to, 0);
    }

    // Float to int toward zero, saturating; NaN gives 0. In range (the common case) it is one
    // comparison and the plain conversion.
    static int truncate(float v)
    {
        return std::fabs(v) < 2147483648.0f ? static_cast<int>(v) : platform::TruncToInt(v);
    }
    // A component from 0 to 1 as a byte: times 255, truncated, low 8 bits.
    static int channel(float v) { return truncate(v * 255.0f) & 0xFF; }
    static COLORREF pack(float r, float g, float b) { return RGB(channel(r), channel(g), channel(b)); }
    // byte / 255, from a table: a line splits two colours into many, and a division is dearer than a load.
    static float unit(int byte);
    // (1 - alpha) x new + alpha x old per channel, truncated, into stored blue, green and red bytes.
    static void blend(std::uint8_t* bgr, COLORREF c, float alpha)
    {
        const float keep = 1.0f - alpha;
        auto mix = [keep, alpha](int fresh, std::uint8_t& old) {
            old = static_cast<std::uint8_t>(
                truncate(keep * static_cast<float>(fresh) + alpha * static_cast<float>(old)));
        };
        mix(GetBValue(c), bgr[0]);
        mix(GetGValue(c), bgr[1]);
        mix(GetRValue(c), bgr[2]);
    }

private:
    // Whether every midpoint between this end and another such end lands on a pixel of the band, with
    // plain conversions exact for its coordinates and for every blend of its colour and transparency.
    bool holds(const End& e) const
    {
        return e.x >= 0.0f && e.x < static_cast<float>(width_) && e.y >= static_cast<float>(bandBegin_)
            && e.y < static_cast<float>(bandEnd_) && e.alpha >= -kPlainAlpha && e.alpha <= kPlainAlpha && isUnit(e.r)
            && isUnit(e.g) && isUnit(e.b);
    }
    static bool isUnit(float v) { return v >= 0.0f && v <= 1.0f; }
    // Far below the range where (1 - alpha) x 255 + alpha x 255 leaves an int.
    static constexpr float kPlainAlpha = 1000.0f;

    // The bytes a blend mixes in, blue, green and red, as the floats the blend multiplies. Only for an end
    // that holds() accepts: its colour components are from 0 to 1.
    struct Colour {
        float b, g, r;
        static Colour of(const End& e)
        {
            auto byte = [](float unit) { return static_cast<float>(static_cast<int>(unit * 255.0f) & 0xFF); };
            return { byte(e.b), byte(e.g), byte(e.r) };
        }
    };
    // What lineOneColour needs of an end: position, its pixel, transparency. Only for an end that holds()
    // accepts.
    struct Point {
        float x, y, alpha;
        int px, py;
        static Point of(const End& e) { return { e.x, e.y, e.alpha, static_cast<int>(e.x), static_cast<int>(e.y) }; }
    };

    void line(const End& a, const End& b, int depth) const;
    // line() for ends that the band holds: nothing to clip, no NaN, no saturation, no depth limit (each
    // level halves a line that is shorter than the picture, so it ends within 17 levels).
    void lineInside(const End& a, const End& b) const;
    // lineInside for a line of one colour.
    void lineOneColour(const Colour& c, const Point& a, const Point& b) const;

    std::uint8_t* top_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    int width_ = 0;
    int height_ = 0;
    int bandBegin_ = 0;
    int bandEnd_ = 0;
};
