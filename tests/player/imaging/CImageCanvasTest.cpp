#include "player/imaging/store/CImageCanvas.h"

#include "player/imaging/store/CDib.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

namespace {

class CImageCanvasTest : public testing::Test {
protected:
    void SetUp() override { canvas_.GetDib().Create(16, 16); }

    // Pixels that are no longer black.
    int painted()
    {
        int count = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                count += canvas().GetPixel(x, y) != 0;
        return count;
    }
    // Through the interface, as the engine calls it.
    IImageCanvas& canvas() { return canvas_; }

    CImageCanvas canvas_;
};

TEST_F(CImageCanvasTest, IntegerAlphaZeroPaintsAndFullAlphaKeeps)
{
    canvas().SetPixel(1, 1, RGB(10, 20, 30));
    EXPECT_EQ(canvas().BlendPixel255(1, 1, RGB(200, 100, 50), 255), 1);
    EXPECT_EQ(canvas().GetPixel(1, 1), RGB(10, 20, 30));
    canvas().BlendPixel255(1, 1, RGB(200, 100, 50), 0);
    EXPECT_EQ(canvas().GetPixel(1, 1), RGB(200, 100, 50));
    // (new * (255 - a) + old * a) / 255, truncated
    canvas().BlendPixel255(1, 1, RGB(0, 0, 0), 128);
    EXPECT_EQ(canvas().GetPixel(1, 1), RGB(200 * 128 / 255, 100 * 128 / 255, 50 * 128 / 255));
}

TEST_F(CImageCanvasTest, FloatAlphaHalfOfWhiteOnBlackIs127)
{
    canvas().BlendPixel(2, 2, RGB(255, 255, 255), 0.5f);
    EXPECT_EQ(canvas().GetPixel(2, 2), RGB(127, 127, 127));
    canvas().BlendPixelRGBF(3, 3, 1.0f, 1.0f, 1.0f, 0.5f);
    EXPECT_EQ(canvas().GetPixel(3, 3), RGB(127, 127, 127));
}

TEST_F(CImageCanvasTest, AlphaFarOutsideItsRangeStillGivesBytes)
{
    canvas().SetPixel(0, 0, RGB(255, 255, 255));
    EXPECT_EQ(canvas().BlendPixel255(0, 0, RGB(255, 255, 255), std::numeric_limits<int>::min()), 1);
    EXPECT_EQ(canvas().BlendPixel(0, 0, RGB(255, 255, 255), std::numeric_limits<float>::quiet_NaN()), 1);
    EXPECT_EQ(canvas().GetPixel(0, 0) >> 24, 0u);
}

TEST_F(CImageCanvasTest, ComponentsKeepTheirLowEightBits)
{
    canvas().SetPixelRGBF(0, 0, 1.0f, 0.5f, 0.0f);
    EXPECT_EQ(canvas().GetPixel(0, 0), RGB(255, 127, 0));
    canvas().SetPixelRGB(1, 0, 256, 257, 255);
    EXPECT_EQ(canvas().GetPixel(1, 0), RGB(0, 1, 255));
    canvas().SetPixelBytes(2, 0, 9, 1, 2, 3);
    EXPECT_EQ(canvas().GetBlue(2, 0), 1);
    EXPECT_EQ(canvas().GetGreen(2, 0), 2);
    EXPECT_EQ(canvas().GetRed(2, 0), 3);
    EXPECT_EQ(canvas().GetByte3(2, 0), 0) << "byte 3 is never stored";
    EXPECT_FLOAT_EQ(canvas().GetRedF(0, 0), 1.0f);
    EXPECT_EQ(canvas().GetRed(-1, 0), 0x80) << "outside reads mid grey";
}

TEST_F(CImageCanvasTest, FrameCornersAreBlendedTwice)
{
    canvas().FrameRectBlend255(2, 2, 6, 5, RGB(255, 255, 255), 128);
    const int once = 255 * 127 / 255;
    const int twice = (255 * 127 + once * 128) / 255;
    for (auto [x, y] : { std::pair { 2, 2 }, { 5, 2 }, { 2, 4 }, { 5, 4 } })
        EXPECT_EQ(canvas().GetRed(x, y), twice) << x << "," << y;
    for (auto [x, y] : { std::pair { 3, 2 }, { 4, 4 }, { 2, 3 }, { 5, 3 } })
        EXPECT_EQ(canvas().GetRed(x, y), once) << x << "," << y;
    EXPECT_EQ(canvas().GetPixel(3, 3), 0u);
    EXPECT_EQ(painted(), 10);
}

TEST_F(CImageCanvasTest, FillRectPutsBorderAroundFill)
{
    canvas().FillRect(0, 0, 3, 3, RGB(255, 0, 0), RGB(0, 255, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(canvas().GetPixel(x, y), x == 1 && y == 1 ? RGB(0, 255, 0) : RGB(255, 0, 0)) << x << "," << y;
    EXPECT_EQ(painted(), 9);
}

TEST_F(CImageCanvasTest, ShapesOverHugeRangesAreCutAtTheEdges)
{
    const int big = std::numeric_limits<int>::max();
    canvas().FillRect(-big, -big, big, big, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas().GetPixel(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas().GetPixel(15, 15), RGB(0, 0, 255));
    canvas().FrameRect(std::numeric_limits<int>::min(), 3, big, 4, RGB(0, 255, 0));
    EXPECT_EQ(canvas().GetPixel(7, 3), RGB(0, 255, 0));
    canvas().FillCircle(8, 8, big, RGB(1, 1, 1));
    EXPECT_EQ(canvas().GetPixel(15, 0), RGB(1, 1, 1));
}

TEST_F(CImageCanvasTest, CircleOfRadiusOneIsItsCentre)
{
    canvas().FillCircle(5, 5, 1, RGB(255, 255, 255));
    EXPECT_EQ(canvas().GetPixel(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(painted(), 1);
    canvas().FillCircle(5, 5, 0, RGB(255, 0, 0));
    canvas().FillCircle(5, 5, -3, RGB(255, 0, 0));
    EXPECT_EQ(canvas().GetPixel(5, 5), RGB(255, 255, 255));
    canvas().FillCircle(8, 8, 2, RGB(0, 255, 0)); // x and y 7..9: the ring at distance 2 is left out
    EXPECT_EQ(painted(), 1 + 9);
}

TEST_F(CImageCanvasTest, LineBetweenOnePixelPlotsOnlyThatPixel)
{
    canvas().DrawLine(10.0f, 10.0f, RGB(255, 255, 255), 0.0f, 10.0f, 10.0f, RGB(255, 255, 255), 0.0f);
    EXPECT_EQ(canvas().GetPixel(10, 10), RGB(255, 255, 255));
    EXPECT_EQ(painted(), 1);
}

TEST_F(CImageCanvasTest, LineIsGradedAndLeavesNoGaps)
{
    canvas().DrawLine(0.0f, 5.0f, RGB(255, 0, 0), 0.0f, 15.0f, 5.0f, RGB(0, 0, 255), 0.0f);
    for (int x = 1; x < 15; ++x)
        EXPECT_NE(canvas().GetPixel(x, 5), 0u) << x;
    EXPECT_GT(canvas().GetRed(2, 5), canvas().GetBlue(2, 5));
    EXPECT_LT(canvas().GetRed(13, 5), canvas().GetBlue(13, 5));
    EXPECT_EQ(painted(), 15);
}

TEST_F(CImageCanvasTest, SolidLineWithAlphaBlends)
{
    canvas().DrawSolidLine255(4, 4, 4, 4, RGB(255, 255, 255), 255);
    EXPECT_EQ(painted(), 0);
    canvas().DrawSolidLine(1, 1, 1, 1, RGB(0, 255, 0));
    EXPECT_EQ(canvas().GetPixel(1, 1), RGB(0, 255, 0));
}

TEST_F(CImageCanvasTest, LinesWithNanOrHugeEndsFinishQuickly)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const auto start = std::chrono::steady_clock::now();
    canvas().DrawLine(nan, 5.0f, RGB(255, 0, 0), 0.0f, 10.0f, 5.0f, RGB(255, 0, 0), 0.0f);
    canvas().DrawLine(-inf, 5.0f, RGB(255, 0, 0), 0.0f, inf, 5.0f, RGB(255, 0, 0), 0.0f);
    canvas().DrawLine(1e30f, 1e30f, RGB(255, 0, 0), 0.0f, 3.0e38f, 3.0e38f, RGB(255, 0, 0), 0.0f);
    EXPECT_EQ(painted(), 0) << "nothing of these lies on the picture";

    // A line billions of pixels long that crosses the picture draws the part that does.
    canvas().DrawLine(-1e9f, 8.0f, RGB(0, 255, 0), 0.0f, 1e9f, 8.0f, RGB(0, 255, 0), 0.0f);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(canvas().GetPixel(x, 8), RGB(0, 255, 0)) << x;
    EXPECT_EQ(painted(), 16);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(CImageCanvasTest, BlendsOnlyWherePixelsAreStored)
{
    // Ends just off the left edge truncate toward zero, onto column 0; beyond the other edges nothing.
    canvas().DrawLine(-0.5f, 3.0f, RGB(255, 0, 0), 0.0f, -0.5f, 3.0f, RGB(255, 0, 0), 0.0f);
    EXPECT_EQ(canvas().GetPixel(0, 3), RGB(255, 0, 0));
    EXPECT_EQ(canvas().BlendPixel(16, 0, RGB(255, 255, 255), 0.0f), 1);
    EXPECT_EQ(canvas().BlendPixel(0, -1, RGB(255, 255, 255), 0.0f), 1);
    EXPECT_EQ(painted(), 1);

    // A picture of 8 bits per pixel reads black and keeps its pixels whatever is blended on it.
    ASSERT_EQ(canvas_.GetDib().Load("no such file.gif"), 0);
    ASSERT_EQ(canvas_.GetDib().GetBitCount(), 8);
    const std::vector<std::uint8_t> before = canvas_.GetDib().GetBlock();
    canvas().DrawLine(0.0f, 0.0f, RGB(255, 255, 255), 0.0f, 9.0f, 9.0f, RGB(255, 255, 255), 0.0f);
    EXPECT_EQ(canvas().BlendPixel(1, 1, RGB(255, 255, 255), 0.5f), 1);
    EXPECT_EQ(canvas_.GetDib().GetBlock(), before);
}

TEST_F(CImageCanvasTest, LockActsOnThePrivateCopy)
{
    EXPECT_EQ(canvas().IsLocked(), 0);
    EXPECT_EQ(canvas().Lock(), 1);
    EXPECT_NE(canvas().IsLocked(), 0);
    canvas().SetPixel(0, 0, RGB(1, 2, 3));
    EXPECT_EQ(canvas().Unlock(), 1);
    EXPECT_EQ(canvas().IsLocked(), 0);
    EXPECT_EQ(canvas().GetPixel(0, 0), RGB(1, 2, 3));
}

} // namespace
