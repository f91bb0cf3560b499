#include "player/imaging/store/SmoothDrawing.h"
#include "player/imaging/store/AlphaFromBackdrops.h"
#include "player/imaging/store/CDib.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool between(COLORREF c)
{
    return GetRValue(c) > 0 && GetRValue(c) < 255;
}

} // namespace

// A diagonal streak four pixels wide, as one scene pixel at 4x: every row it crosses has pixels part
// covered on both edges (no staircase), the middle fully white and the far corners untouched.
TEST(SmoothDrawing, DiagonalStreakHasSoftEdges)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(64, 64));
    const float a[2] = { 8.3f, 10.1f };
    const float b[2] = { 55.7f, 50.6f };
    const float m[2] = { (a[0] + b[0]) / 2, (a[1] + b[1]) / 2 };
    SmoothDrawing::Streak(dib, a, m, b, RGB(255, 255, 255), 1.0f, 1.0f, 1.0f, 2.0f);
    for (int y = 16; y < 46; ++y) {
        int soft = 0;
        bool full = false;
        for (int x = 0; x < 64; ++x) {
            soft += between(dib.GetPixel(x, y)) ? 1 : 0;
            full = full || dib.GetPixel(x, y) == RGB(255, 255, 255);
        }
        EXPECT_GE(soft, 2) << "row " << y;
        EXPECT_TRUE(full) << "row " << y;
    }
    EXPECT_EQ(dib.GetPixel(60, 2), RGB(0, 0, 0));
    EXPECT_EQ(dib.GetPixel(2, 60), RGB(0, 0, 0));

    // A particle flung far off the picture draws nothing and does not overflow the clipping.
    const float far[2] = { 3e30f, -3e30f };
    SmoothDrawing::Streak(dib, far, far, far, RGB(255, 0, 0), 1.0f, 1.0f, 1.0f, 2.0f);
    EXPECT_EQ(dib.GetPixel(60, 2), RGB(0, 0, 0));
}

// Enlarging a black and white pair of pixels grades between them instead of repeating each; shrinking
// averages, so a fine checkerboard becomes grey instead of one of its colours.
TEST(SmoothDrawing, ResampleFiltersBothWays)
{
    CDib pair;
    ASSERT_TRUE(pair.Create(2, 1));
    pair.SetPixel(1, 0, RGB(255, 255, 255));
    CDib wide;
    ASSERT_TRUE(wide.Create(8, 1));
    SmoothDrawing::Resample(pair, wide, 0, 0, 8, 1);
    EXPECT_EQ(wide.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(wide.GetPixel(7, 0), RGB(255, 255, 255));
    EXPECT_TRUE(between(wide.GetPixel(3, 0)) && between(wide.GetPixel(4, 0)));

    CDib board;
    ASSERT_TRUE(board.Create(16, 16));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            board.SetPixel(x, y, (x + y) % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0));
    }
    CDib small;
    ASSERT_TRUE(small.Create(4, 4));
    SmoothDrawing::Resample(board, small, 0, 0, 4, 4);
    EXPECT_NEAR(GetRValue(small.GetPixel(1, 2)), 128, 8);
}

// One pixel drawn on black and on white, and what the two make of it, worked by hand: laid over black the
// result gives back the black drawing, and a half-opaque or additive colour comes out as its colour at
// that opacity.
TEST(SmoothDrawing, OpacityFromBlackAndWhiteBackdrops)
{
    const struct {
        COLORREF onBlack, onWhite;
        std::uint8_t b, g, r, a;
    } cases[] = {
        { RGB(0, 0, 0), RGB(255, 255, 255), 0, 0, 0, 0 }, // background only
        { RGB(10, 200, 30), RGB(10, 200, 30), 30, 200, 10, 255 }, // opaque particle
        { RGB(128, 0, 0), RGB(255, 127, 127), 0, 0, 255, 128 }, // red at half opacity
        { RGB(200, 100, 50), RGB(255, 255, 255), 64, 128, 255, 200 }, // light added: as opaque as bright
        { RGB(90, 90, 90), RGB(80, 80, 80), 90, 90, 90, 255 }, // white darker than black: opaque
    };
    for (const auto& c : cases) {
        CDib black;
        CDib white;
        ASSERT_TRUE(black.Create(1, 1) && white.Create(1, 1));
        black.SetPixel(0, 0, c.onBlack);
        white.SetPixel(0, 0, c.onWhite);
        std::vector<std::uint8_t> bgra;
        ASSERT_TRUE(AlphaFromBackdrops(black, white, bgra));
        EXPECT_EQ(bgra, (std::vector<std::uint8_t> { c.b, c.g, c.r, c.a })) << std::hex << c.onBlack;
    }
    CDib wide;
    CDib narrow;
    ASSERT_TRUE(wide.Create(2, 1) && narrow.Create(1, 1));
    std::vector<std::uint8_t> bgra;
    EXPECT_FALSE(AlphaFromBackdrops(wide, narrow, bgra));
}
