#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// What the render step costs without the engine's objects: every particle drawn as the same two
// midpoint-subdivided, alpha-graded lines, blended straight into a plain array of 0x00BBGGRR pixels (top
// row first). The arithmetic is the canvas's, in the same precision and order (colours and alphas halved
// as floats, channels truncated after the float blend), so its picture must equal the engine's pixel for
// pixel; the benchmark checks that before it measures anything.
class RenderBaseline {
public:
    struct Streak {
        float x, y, previousX, previousY;
        std::uint32_t color;
    };

    // The render constraint's default transparencies: faded at both ends, solid in the middle.
    float alphaCurrent = 1.0f, alphaMidpoint = 0.0f, alphaPrevious = 1.0f;

    RenderBaseline(int width, int height)
        : width_(width)
        , height_(height)
        , pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    {
    }

    std::uint32_t& pixel(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

    void render(const std::vector<Streak>& streaks)
    {
        for (const Streak& s : streaks) {
            const float mx = (s.previousX + s.x) * 0.5f;
            const float my = (s.previousY + s.y) * 0.5f;
            const float r = static_cast<float>(s.color & 0xFF) / 255.0f;
            const float g = static_cast<float>((s.color >> 8) & 0xFF) / 255.0f;
            const float b = static_cast<float>((s.color >> 16) & 0xFF) / 255.0f;
            line({ s.x, s.y, r, g, b, alphaCurrent }, { mx, my, r, g, b, alphaMidpoint });
            line({ mx, my, r, g, b, alphaMidpoint }, { s.previousX, s.previousY, r, g, b, alphaPrevious });
        }
    }

private:
    struct End {
        float x, y, r, g, b, alpha;
    };

    // Coordinates stay within a few pixels of the picture, so plain truncation is exact here.
    void line(const End& a, const End& b)
    {
        const End mid = { (a.x + b.x) / 2, (a.y + b.y) / 2, (a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2,
            (a.alpha + b.alpha) / 2 };
        blend(static_cast<int>(mid.x), static_cast<int>(mid.y), mid);
        if (std::abs(static_cast<int>(b.x) - static_cast<int>(a.x)) <= 1
            && std::abs(static_cast<int>(b.y) - static_cast<int>(a.y)) <= 1)
            return;
        line(a, mid);
        line(mid, b);
    }

    void blend(int x, int y, const End& ink)
    {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return;
        std::uint32_t& p = pixel(x, y);
        const float alpha = ink.alpha;
        auto mix = [alpha](float channel, std::uint32_t old) {
            const int fresh = static_cast<int>(channel * 255.0f) & 0xFF;
            return static_cast<std::uint32_t>(
                       static_cast<int>((1.0f - alpha) * static_cast<float>(fresh) + alpha * static_cast<float>(old)))
                & 0xFF;
        };
        p = mix(ink.r, p & 0xFF) | mix(ink.g, (p >> 8) & 0xFF) << 8 | mix(ink.b, (p >> 16) & 0xFF) << 16;
    }

    int width_, height_;
    std::vector<std::uint32_t> pixels_;
};
