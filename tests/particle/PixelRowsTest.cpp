#include "particle/core/PixelRows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

constexpr int kWidth = 37;
constexpr int kHeight = 29;

// A picture stored bottom-up with padded rows, as a DIB is, and the view on it.
struct Picture {
    static constexpr std::ptrdiff_t kRow = kWidth * 3 + 1;
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kRow * kHeight, 40);
    PixelRows rows() { return PixelRows(bytes.data() + kRow * (kHeight - 1), -kRow, kWidth, kHeight); }
};

// Lines that start and end anywhere: inside, on the edges, just above row 0 (y between -1 and 0
// truncates into it), far off, and not numbers at all.
std::vector<std::pair<PixelRows::End, PixelRows::End>> lines()
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::pair<PixelRows::End, PixelRows::End>> all = {
        { { -0.5f, -0.9f, 1, 0, 0, 0.0f }, { 36.9f, -0.2f, 0, 1, 0, 0.5f } },
        { { 3, -1.0f, 1, 1, 1, 0.0f }, { 30, 28.99f, 0, 0, 1, 0.0f } },
        { { 18, -50, 0.2f, 0.4f, 0.6f, 0.3f }, { 18, 400, 0.9f, 0.1f, 0.5f, 0.7f } },
        { { -1e30f, 10, 1, 0, 0, 0 }, { 1e30f, 11, 0, 1, 0, 1 } },
        { { 5, 5, 1, 1, 0, 0 }, { inf, 6, 1, 1, 0, 0 } },
        { { 5, 5, 1, 1, 0, 0 }, { nan, 6, 1, 1, 0, 0 } },
        { { 10, 14.5f, 0, 1, 1, 0.25f }, { 11, 14.5f, 1, 0, 1, 0.75f } },
    };
    // And many ordinary ones, from a fixed sequence, most of them crossing the band edges below.
    std::uint32_t state = 12345;
    auto next = [&state](float lo, float hi) {
        state = state * 1103515245u + 12345u;
        return lo + static_cast<float>((state >> 8) & 0xFFFF) / 65535.0f * (hi - lo);
    };
    for (int i = 0; i < 300; ++i)
        all.push_back({ { next(-5, 42), next(-5, 34), next(0, 1), next(0, 1), next(0, 1), next(0, 1) },
            { next(-5, 42), next(-5, 34), next(0, 1), next(0, 1), next(0, 1), next(0, 1) } });
    // Lines wholly on the picture whose transparencies lie outside 0 to 1, so that blends overshoot a
    // byte and wrap: the quick path for lines that need no clipping must wrap exactly as the other does.
    for (int i = 0; i < 100; ++i)
        all.push_back({ { next(0, 36.9f), next(0, 28.9f), next(0, 1), next(0, 1), next(0, 1), next(-3, 4) },
            { next(0, 36.9f), next(0, 28.9f), next(0, 1), next(0, 1), next(0, 1), next(-3, 4) } });
    return all;
}

// The graded line as the canvas describes it, with nothing skipped: every midpoint worked out and
// plotted when it lands on the picture. Only for lines of sensible length.
void plainLine(PixelRows rows, const PixelRows::End& a, const PixelRows::End& b, int depth = 0)
{
    const PixelRows::End m = { (a.x + b.x) / 2, (a.y + b.y) / 2, (a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2,
        (a.alpha + b.alpha) / 2 };
    if (std::isnan(m.x) || std::isnan(m.y))
        return;
    if (std::uint8_t* p = rows.pixelBytes(PixelRows::truncate(m.x), PixelRows::truncate(m.y)))
        PixelRows::blend(p, PixelRows::pack(m.r, m.g, m.b), m.alpha);
    if ((std::abs(PixelRows::truncate(b.x) - PixelRows::truncate(a.x)) <= 1
            && std::abs(PixelRows::truncate(b.y) - PixelRows::truncate(a.y)) <= 1)
        || depth >= 32)
        return;
    plainLine(rows, a, m, depth + 1);
    plainLine(rows, m, b, depth + 1);
}

// Skipping the pieces that cannot reach the picture changes nothing, also for lines that graze row 0
// from above (y between -1 and 0 truncates into it) or the edges.
TEST(PixelRows, SkippingWhatIsOffThePictureChangesNothing)
{
    Picture drawn;
    Picture plain;
    for (const auto& line : lines()) {
        if (std::abs(line.first.x) > 1000 || std::abs(line.second.x) > 1000)
            continue; // far too long for the plain line
        drawn.rows().drawGradedLine(line.first, line.second);
        plainLine(plain.rows(), line.first, line.second);
    }
    EXPECT_TRUE(drawn.bytes == plain.bytes);
}

// A streak has one colour: its quicker path must blend what two graded lines blend, wrapping bytes
// alike when transparencies overshoot, and where either half is clipped.
TEST(PixelRows, OneColourPathsBlendAsGradedLines)
{
    Picture graded;
    Picture oneColour;
    const auto all = lines();
    for (std::size_t i = 0; i < all.size(); ++i) {
        auto [from, via] = all[i];
        PixelRows::End to = all[(i + 1) % all.size()].first;
        for (PixelRows::End* e : { &via, &to }) {
            e->r = from.r;
            e->g = from.g;
            e->b = from.b;
        }
        graded.rows().drawGradedLine(from, via);
        graded.rows().drawGradedLine(via, to);
        oneColour.rows().drawOneColourPath(from, via, to);
    }
    EXPECT_TRUE(oneColour.bytes == graded.bytes);
}

// Bands drawn one after another give, byte for byte, what the whole picture gets: every pixel receives
// the same blends in the same order, and nothing outside a band is touched.
TEST(PixelRows, BandsTogetherDrawWhatTheWholePictureDraws)
{
    Picture whole;
    for (const auto& line : lines())
        whole.rows().drawGradedLine(line.first, line.second);
    for (const std::vector<int>& cuts : std::vector<std::vector<int>> {
             { 0, 1, kHeight }, { 0, 14, kHeight }, { 0, 9, 10, 20, kHeight }, { 0, kHeight } }) {
        Picture banded;
        for (std::size_t b = 0; b + 1 < cuts.size(); ++b) {
            const PixelRows band = banded.rows().band(cuts[b], cuts[b + 1]);
            for (const auto& line : lines())
                band.drawGradedLine(line.first, line.second);
        }
        EXPECT_TRUE(banded.bytes == whole.bytes) << "cut into " << cuts.size() - 1 << " bands";
    }
}

TEST(PixelRows, ABandWritesOnlyItsOwnRows)
{
    Picture p;
    const PixelRows band = p.rows().band(10, 12);
    band.drawGradedLine({ 0, 0, 1, 1, 1, 0 }, { 36, 28, 1, 1, 1, 0 });
    for (int y = 0; y < kHeight; ++y) {
        int changed = 0;
        for (int x = 0; x < kWidth; ++x)
            changed += p.rows().pixelBytes(x, y)[0] != 40;
        EXPECT_EQ(changed > 0, y == 10 || y == 11) << y;
    }
    EXPECT_EQ(band.pixelBytes(5, 9), nullptr);
    EXPECT_EQ(band.pixelBytes(kWidth, 10), nullptr);
    EXPECT_NE(band.pixelBytes(5, 11), nullptr);
}

} // namespace
