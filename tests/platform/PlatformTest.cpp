#include "platform/CDC.h"
#include "platform/CStdioFile.h"
#include "platform/CString.h"
#include "platform/Numbers.h"
#include "platform/Random.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

TEST(Random, RepeatsTheClassicRuntimeSequence)
{
    platform::SeedRand();
    EXPECT_EQ(platform::Rand(), 41);
    EXPECT_EQ(platform::Rand(), 18467);
    EXPECT_EQ(platform::Rand(), 6334);
    platform::SeedRand();
    EXPECT_EQ(platform::Rand(), 41);
}

TEST(Numbers, ParseIntFollowsAtoi)
{
    EXPECT_EQ(platform::ParseInt("  \t-12abc"), -12);
    EXPECT_EQ(platform::ParseInt("+7"), 7);
    EXPECT_EQ(platform::ParseInt("1.5"), 1);
    EXPECT_EQ(platform::ParseInt("abc"), 0);
    EXPECT_EQ(platform::ParseInt("- 5"), 0);
    EXPECT_EQ(platform::ParseInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(platform::ParseInt("-99999999999999999999"), INT_MIN);
}

TEST(Numbers, ParseDoubleFollowsAtofWithoutLocale)
{
    EXPECT_DOUBLE_EQ(platform::ParseDouble("2,5"), 2.0);
    EXPECT_DOUBLE_EQ(platform::ParseDouble(" \n-1.5e2x"), -150.0);
    EXPECT_DOUBLE_EQ(platform::ParseDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(platform::ParseDouble("1.5e"), 1.5);
    EXPECT_DOUBLE_EQ(platform::ParseDouble("inf"), 0.0);
    EXPECT_DOUBLE_EQ(platform::ParseDouble("nan"), 0.0);
    EXPECT_DOUBLE_EQ(platform::ParseDouble("1e-999"), 0.0);
    EXPECT_FLOAT_EQ(platform::ToFloat(platform::ParseDouble("1e999")), 3.40282347e38f);
    EXPECT_EQ(platform::FormatFixed(160.0), "160.000000");
    EXPECT_EQ(platform::FormatFixed(-0.0000004), "-0.000000");
    EXPECT_EQ(platform::TruncToInt(-0.5), 0);
    EXPECT_EQ(platform::TruncToInt(3.9), 3);
    EXPECT_EQ(platform::TruncToInt(1e30), INT_MAX);
    EXPECT_EQ(platform::TruncToInt(std::nan("")), 0);
}

TEST(CString, SlicesClampLikeTheClassicStringClass)
{
    CString s("Dozozudori: x");
    EXPECT_EQ(s.Find("Dozozudori"), 0);
    EXPECT_EQ(s.Find("zzz"), -1);
    EXPECT_EQ(s.Find('x', 100), -1);
    EXPECT_EQ(s.Mid(11), " x");
    EXPECT_EQ(s.Mid(-3, 2), "Do");
    EXPECT_EQ(s.Mid(50, 2), "");
    EXPECT_EQ(s.Left(100), s);
    EXPECT_EQ(s.Right(1), "x");
    CString f;
    f.Format("Rendering - Frame %d", 12);
    EXPECT_EQ(f, "Rendering - Frame 12");
}

// A surface whose pixels can be counted: black background, lines in white.
struct Surface {
    CDC dc { 20, 20 };
    int lit() const
    {
        int n = 0;
        for (int y = 0; y < dc.GetHeight(); ++y)
            for (int x = 0; x < dc.GetWidth(); ++x)
                n += dc.GetPixel(x, y) != 0;
        return n;
    }
};

TEST(CDC, LineLeavesOutItsLastPixel)
{
    Surface s;
    CPen pen(PS_SOLID, 0, RGB(255, 255, 255));
    s.dc.SelectObject(&pen);
    s.dc.MoveTo(2, 3);
    s.dc.LineTo(2, 3);
    EXPECT_EQ(s.lit(), 0);
    s.dc.MoveTo(2, 3);
    s.dc.LineTo(7, 3);
    EXPECT_EQ(s.lit(), 5);
    EXPECT_EQ(s.dc.GetPixel(2, 3), RGB(255, 255, 255));
    EXPECT_EQ(s.dc.GetPixel(7, 3), 0u);
    s.dc.MoveTo(10, 10);
    s.dc.LineTo(5, 15); // diagonal, backwards
    EXPECT_EQ(s.dc.GetPixel(10, 10), RGB(255, 255, 255));
    EXPECT_EQ(s.dc.GetPixel(6, 14), RGB(255, 255, 255));
    EXPECT_EQ(s.dc.GetPixel(5, 15), 0u);
}

// Lines within the surface are walked step by step, lines that leave it in closed form; both must light
// exactly the pixels of step i = 0 .. major - 1 at minor coordinate floor((2 i minor + major) / (2 major)),
// inverting ones as well.
TEST(CDC, EveryLineLightsTheStepsOfItsClosedForm)
{
    constexpr int kSize = 24;
    for (int rop : { R2_COPYPEN, R2_NOT }) {
        for (int from = 0; from < 400; ++from) {
            const int x0 = (from * 7) % (kSize + 10) - 5;
            const int y0 = (from * 13) % (kSize + 10) - 5;
            const int x1 = (from * 11 + 3) % (kSize + 10) - 5;
            const int y1 = (from * 5 + 1) % (kSize + 10) - 5;
            CDC dc(kSize, kSize);
            CPen pen(PS_SOLID, 0, RGB(200, 100, 50));
            dc.SelectObject(&pen);
            dc.SetROP2(rop);
            dc.MoveTo(x0, y0);
            dc.LineTo(x1, y1);
            std::vector<int> expected(kSize * kSize, 0);
            const long long dx = x1 - x0, dy = y1 - y0;
            const bool xMajor = std::llabs(dx) >= std::llabs(dy);
            const long long major = std::max(std::llabs(dx), std::llabs(dy));
            const long long minor = std::min(std::llabs(dx), std::llabs(dy));
            for (long long i = 0; i < major; ++i) {
                const long long m = (2 * i * minor + major) / (2 * major);
                const long long x = xMajor ? x0 + (dx < 0 ? -i : i) : x0 + (dx < 0 ? -m : m);
                const long long y = xMajor ? y0 + (dy < 0 ? -m : m) : y0 + (dy < 0 ? -i : i);
                if (x >= 0 && y >= 0 && x < kSize && y < kSize)
                    expected[y * kSize + x] = 1;
            }
            const COLORREF lit = rop == R2_NOT ? RGB(255, 255, 255) : RGB(200, 100, 50);
            for (int y = 0; y < kSize; ++y)
                for (int x = 0; x < kSize; ++x)
                    ASSERT_EQ(dc.GetPixel(x, y), expected[y * kSize + x] ? lit : 0u)
                        << "(" << x0 << "," << y0 << ") to (" << x1 << "," << y1 << ") at " << x << "," << y;
        }
    }
}

TEST(CDC, HugeLinesClipWithoutWalkingTheirLength)
{
    Surface s;
    CPen pen(PS_SOLID, 0, RGB(255, 255, 255));
    s.dc.SelectObject(&pen);
    s.dc.MoveTo(INT_MIN, 5);
    s.dc.LineTo(INT_MAX, 5); // would take seconds if every step were walked
    EXPECT_EQ(s.lit(), 20);
    s.dc.MoveTo(INT_MIN, INT_MIN);
    s.dc.LineTo(INT_MAX, INT_MAX);
    for (int i = 0; i < 20; ++i)
        EXPECT_NE(s.dc.GetPixel(i, i), 0u) << i;
    s.dc.FillSolidRect(INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX, RGB(1, 2, 3));
    s.dc.FillSolidRect(-5, -5, -10, -10, RGB(1, 2, 3));
}

TEST(CDC, InvertingEllipseTouchesTheOutlineOnce)
{
    CDC dc(64, 64);
    dc.FillSolidRect(0, 0, 64, 64, RGB(10, 20, 30));
    dc.SetROP2(R2_NOT);
    LOGBRUSH hollow;
    hollow.lbStyle = BS_NULL;
    CBrush brush;
    brush.CreateBrushIndirect(&hollow);
    dc.SelectObject(&brush);
    dc.Ellipse(12, 12, 52, 52);
    const COLORREF inverted = RGB(245, 235, 225);
    EXPECT_EQ(dc.GetPixel(12, 31), inverted); // left edge
    EXPECT_EQ(dc.GetPixel(51, 32), inverted); // right edge, inside the exclusive bound
    EXPECT_EQ(dc.GetPixel(31, 12), inverted);
    EXPECT_EQ(dc.GetPixel(32, 32), RGB(10, 20, 30)); // nothing inside
    EXPECT_EQ(dc.GetPixel(52, 32), RGB(10, 20, 30)); // nothing outside
    dc.Ellipse(12, 12, 52, 52); // inverting twice restores everything
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(dc.GetPixel(x, y), RGB(10, 20, 30)) << x << "," << y;
    dc.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX); // clipped, returns
}

TEST(CDC, SolidBrushFillsTheInside)
{
    CDC dc(16, 16);
    CBrush brush(RGB(0, 0, 255));
    CPen pen(PS_SOLID, 0, RGB(255, 0, 0));
    dc.SelectObject(&brush);
    dc.SelectObject(&pen);
    dc.Ellipse(0, 0, 9, 9);
    EXPECT_EQ(dc.GetPixel(4, 4), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(0, 4), RGB(255, 0, 0));
}

class TextFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("text.txt");
    void write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    std::vector<std::string> lines()
    {
        CStdioFile f;
        std::vector<std::string> out;
        if (!f.Open(path.c_str()))
            return { "<unopened>" };
        CString line;
        while (f.ReadString(line))
            out.push_back(line.str());
        return out;
    }
};

TEST_F(TextFile, ReadsLfCrLfAndAnUnterminatedLastLine)
{
    write("a\r\nb\nc");
    EXPECT_EQ(lines(), (std::vector<std::string> { "a", "b", "c" }));
    write("a\n\n");
    EXPECT_EQ(lines(), (std::vector<std::string> { "a", "" }));
    write("");
    EXPECT_TRUE(lines().empty());
}

TEST_F(TextFile, RefusesWhatIsNotARegularFileOrTooLong)
{
    CStdioFile f;
    EXPECT_FALSE(f.Open("/nonexistent/file"));
    EXPECT_FALSE(f.Open(dir.path().c_str())); // a directory
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(f.Open(fifo.c_str())); // must neither block nor read
    write(std::string(100, 'x'));
    EXPECT_FALSE(f.Open(path.c_str(), 99));
    EXPECT_TRUE(f.Open(path.c_str(), 100));
}

} // namespace

#include "platform/CArchive.h"

namespace {

TEST(Archive, StringPrefixesRoundTripAtEveryBoundary)
{
    CArchiveWriter w;
    const std::size_t lengths[] = { 0, 1, 254, 255, 0xFFFE, 0xFFFF, 70000 };
    for (std::size_t n : lengths)
        w.WriteString(CString(std::string(n, 'a')));
    w.WriteInt(-2);
    w.WriteFloat(0.5f);
    // 254 fits in the byte; 255 needs the 16-bit form; 0xFFFF needs the 32-bit form.
    EXPECT_EQ(w.Bytes()[0], 0);
    CArchiveReader r(w.Bytes().data(), w.Bytes().size());
    for (std::size_t n : lengths) {
        CString s;
        ASSERT_TRUE(r.ReadString(s)) << n;
        EXPECT_EQ(static_cast<std::size_t>(s.GetLength()), n);
    }
    std::int32_t i;
    float f;
    EXPECT_TRUE(r.ReadInt(i));
    EXPECT_EQ(i, -2);
    EXPECT_TRUE(r.ReadFloat(f));
    EXPECT_EQ(f, 0.5f);
    EXPECT_FALSE(r.ReadInt(i)); // past the end
    EXPECT_TRUE(r.Failed());
}

TEST(Archive, LyingLengthPrefixesFailWithoutReadingOn)
{
    const std::uint8_t huge[] = { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b' };
    CArchiveReader r(huge, sizeof huge);
    CString s = "kept";
    EXPECT_FALSE(r.ReadString(s));
    EXPECT_EQ(s, "kept");
    std::int32_t i;
    const std::uint8_t two[] = { 1, 2 };
    CArchiveReader shortInt(two, sizeof two);
    EXPECT_FALSE(shortInt.ReadInt(i));
    EXPECT_FALSE(CArchiveReader(nullptr, 0).ReadString(s));
}

} // namespace
