// The light-adding renderer: pixels worked out by hand for its curve, spreading, size, fading and glow,
// and the same bits on one thread or two.
#include "particle/constraints/RenderLight.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/PixelRows.h"
#include "platform/Random.h"
#include "player/imaging/store/CImageStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include <string>
#include <utility>
#include <vector>

namespace {

std::unique_ptr<ParticleBase> particle(float px, float py, float x, float y, COLORREF colour = RGB(255, 255, 255))
{
    auto p = std::make_unique<ParticleBase>();
    p->setPreviousLocationX(px);
    p->setPreviousLocationY(py);
    p->setLocationX(x);
    p->setLocationY(y);
    p->setColor(colour);
    return p;
}

// A picture of width x height bytes, blue, green, red, from the top.
struct Bytes {
    int width, height;
    std::vector<std::uint8_t> data;
    Bytes(int w, int h)
        : width(w)
        , height(h)
        , data(static_cast<std::size_t>(w) * h * 3, 0)
    {
    }
    PixelRows rows() { return PixelRows(data.data(), width * 3, width, height); }
    int red(int x, int y) const { return data[(static_cast<std::size_t>(y) * width + x) * 3 + 2]; }
};

TEST(RenderLight, PixelsWorkedOutByHand)
{
    struct Case {
        const char* params;
        float px, py, x, y;
        LightPlacement placement;
        std::vector<int> row; // red of row `line`, from x 0
        int line;
    };
    const Case cases[] = {
        // Half a particle's light in one pixel on log(1 + v) / log(2): 255 x 0.58496 = 149.2.
        { "<Opacity>0.5</Opacity><Exposure>1</Exposure><Density>1</Density>", 2.5f, 1.5f, 2.5f, 1.5f, {},
            { 0, 0, 149, 0 }, 1 },
        // Gamma 2 on a straight curve: 255 x sqrt(0.25) = 127.5.
        { "<Opacity>0.25</Opacity><Density>0</Density><Gamma>2</Gamma>", 1, 0, 1, 0, {}, { 0, 127, 0, 0 }, 0 },
        // A move of three pixels shares the light over the three pixels it reaches, not where it started:
        // a third each, times 1.5.
        { "<Exposure>1.5</Exposure><Density>0</Density>", 0.5f, 0.5f, 3.5f, 0.5f, {}, { 0, 127, 127, 127 }, 0 },
        // Twice the size, moved a quarter pixel: a box two pixels wide centred on x 2.5, y 2, lighting
        // rows 1 and 2 whole and columns 1 and 3 by half.
        { "<Density>0</Density>", 1.25f, 1.0f, 1.25f, 1.0f, { 2.0f, 0.0f, 0.0f }, { 0, 127, 255, 127 }, 1 },
        // Exposure that burns out stops at 255; a coordinate that is no number lights nothing.
        { "<Exposure>1000</Exposure>", 0, 0, 0, 0, {}, { 255, 0, 0, 0 }, 0 },
        { "<Exposure>1000</Exposure>", 0, 0, 0, std::nanf(""), {}, { 0, 0, 0, 0 }, 0 },
    };
    for (const Case& c : cases) {
        RenderLight light;
        light.setParametersFromString(c.params);
        ParticleCollection particles;
        particles.addParticle(particle(c.px, c.py, c.x, c.y));
        LightBuffer buffer;
        Bytes picture(4, 3);
        ASSERT_TRUE(light.renderLight(particles, buffer, picture.rows(), c.placement));
        std::vector<int> row;
        for (int x = 0; x < 4; ++x)
            row.push_back(picture.red(x, c.line));
        EXPECT_EQ(row, c.row) << c.params;
    }
}

class LightPicture : public ::testing::Test {
protected:
    CImageStore store;
    ParticleSystem system;
    IImage* picture = nullptr;

    void SetUp() override
    {
        system.SetImageProvider(&store);
        std::unique_ptr<IImage> image = store.CreateImage(16, 16);
        picture = image.get();
        store.AddImage("RENDER", std::move(image));
    }
    void TearDown() override { system.SetImageProvider(nullptr); }
    int step(RenderLight& light)
    {
        picture->Fill(RGB(0, 0, 20));
        return light.apply(&system);
    }
};

TEST_F(LightPicture, AddsOntoThePictureAndFadesByDecay)
{
    RenderLight light;
    light.setParametersFromString("<Density>0</Density><Decay>0.5</Decay>");
    system.particles.addParticle(particle(3, 4, 3, 4, RGB(200, 100, 255)));
    ASSERT_EQ(step(light), 1);
    EXPECT_EQ(picture->GetPixel(3, 4), RGB(200, 100, 255)); // 20 + 255 stops at 255
    system.particles.removeAllParticles();
    for (int i = 0; i < 3; ++i)
        step(light);
    // An eighth of the light is left: 200 / 8 = 25, 100 / 8 = 12.5, 255 / 8 = 31.9 over the blue 20.
    EXPECT_EQ(picture->GetPixel(3, 4), RGB(25, 12, 51));
    EXPECT_EQ(picture->GetPixel(4, 4), RGB(0, 0, 20));
}

TEST_F(LightPicture, GlowReachesNeighboursWithinItsRadiusOnly)
{
    RenderLight light;
    light.setParametersFromString("<Density>0</Density><Exposure>100000</Exposure><Glow Radius>3</Glow Radius>"
                                  "<Glow Strength>1</Glow Strength><Glow Threshold>0.5</Glow Threshold>");
    system.particles.addParticle(particle(8, 8, 8, 8));
    system.particles.addParticle(particle(1, 1, 1, 1, RGB(2, 2, 2))); // below the threshold: no glow
    ASSERT_EQ(step(light), 1);
    for (int d : { 1, 3 }) {
        EXPECT_EQ(GetRValue(picture->GetPixel(8 + d, 8)), 255) << d;
        EXPECT_EQ(GetRValue(picture->GetPixel(8, 8 - d)), 255) << d;
        EXPECT_EQ(GetRValue(picture->GetPixel(8 - d, 8 + d)), 255) << d;
    }
    EXPECT_EQ(picture->GetPixel(12, 8), RGB(0, 0, 20));
    EXPECT_EQ(picture->GetPixel(8, 4), RGB(0, 0, 20));
    EXPECT_EQ(picture->GetPixel(2, 1), RGB(0, 0, 20));
    EXPECT_NE(picture->GetPixel(1, 1), RGB(0, 0, 20));
}

// 10^5 particles with trails and glow, into the scene's picture and drawn again at 2.5 times its size,
// on 1 and on 2 threads.
std::string play(int threads)
{
    parallel::Configure(threads, threads > 1);
    platform::SeedRand(1);
    CImageStore store;
    ParticleSystem system;
    system.SetImageProvider(&store);
    std::unique_ptr<IImage> render = store.CreateImage(640, 480);
    IImage* picture = render.get();
    store.AddImage("RENDER", std::move(render));
    ConstraintCollection& c = system.constraints;
    c.addConstraint("image.ImageClear", "");
    c.addConstraint("factory.ParticlesSquare",
        "<CenterX>320</CenterX><CenterY>240</CenterY><Amount>20000</Amount><MinDx>-9</MinDx><MaxDx>9</MaxDx>"
        "<MinDy>-9</MinDy><MaxDy>7</MaxDy>");
    c.addConstraint("render.RenderLight", "<Decay>0.3</Decay><Glow Radius>4</Glow Radius><Exposure>0.3</Exposure>");
    RenderLight larger;
    larger.setParametersFromString("<Decay>0.3</Decay><Glow Radius>4</Glow Radius><Exposure>0.3</Exposure>");
    LightBuffer buffer;
    Bytes big(800, 700);
    for (int i = 0; i < 5; ++i) {
        system.step();
        larger.renderLight(system.particles, buffer, big.rows(), { 2.5f, -400.0f, -250.0f });
    }
    EXPECT_EQ(system.particles.getParticleCount(), 100000);
    std::string text(big.data.begin(), big.data.end());
    for (int y = 0; y < picture->GetHeight(); ++y) {
        for (int x = 0; x < picture->GetWidth(); ++x)
            text += std::to_string(picture->GetPixel(x, y)) + ",";
    }
    system.SetImageProvider(nullptr);
    parallel::Configure(0, false);
    return text;
}

TEST(RenderLight, SameBitsOnOneThreadOrTwo)
{
    const long splitBefore = parallel::LoopsSplit();
    const std::string serial = play(1);
    EXPECT_TRUE(serial == play(2));
    EXPECT_GT(parallel::LoopsSplit(), splitBefore);
}

std::uint64_t digest(const std::string& bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

// Frames as they came from the first, plain version of the renderer: the faster paths since (strips of
// rows in the cache, vector blurs, fused passes) must not move a bit. Besides play(), a full-HD picture
// with odd glow radii, so that the two blurs have different radii or one of them none.
TEST(RenderLight, SameBitsAsThePlainRenderer)
{
    EXPECT_EQ(digest(play(2)), 0xefd4ed6abee62d62ull);
    parallel::Configure(2, true);
    platform::SeedRand(7);
    ParticleCollection particles;
    for (int i = 0; i < 30000; ++i) {
        const float x = static_cast<float>(platform::Rand() % 19400) / 10.0f - 10.0f;
        const float y = static_cast<float>(platform::Rand() % 11000) / 10.0f - 10.0f;
        particles.addParticle(particle(x, y, x + static_cast<float>(platform::Rand() % 1201 - 600) / 100.0f,
            y + static_cast<float>(platform::Rand() % 1201 - 600) / 100.0f,
            RGB(platform::Rand() & 0xFF, platform::Rand() & 0xFF, platform::Rand() & 0xFF)));
    }
    // Radius 1 has one blur each way, of radius 1 along rows and columns.
    const std::pair<const char*, std::uint64_t> glows[]
        = { { "3", 0x54a3f57a2cece769ull }, { "1", 0xfbba6d5276b0eef0ull } };
    for (const auto& [radius, expected] : glows) {
        RenderLight light;
        light.setParametersFromString(
            std::string("<Opacity>0.7</Opacity><Density>20</Density><Gamma>1.4</Gamma><Decay>0.5</Decay>"
                        "<Glow Threshold>0.2</Glow Threshold><Glow Radius>")
            + radius + "</Glow Radius>");
        LightBuffer buffer;
        Bytes hd(1920, 1080);
        for (int i = 0; i < 3; ++i)
            light.renderLight(particles, buffer, hd.rows(), LightPlacement());
        EXPECT_EQ(digest(std::string(hd.data.begin(), hd.data.end())), expected) << radius;
    }
    // Moves from above the picture to below it, too many to copy into every strip of rows they cross.
    ParticleCollection jumps;
    for (int i = 0; i < 3000; ++i) {
        const float x = static_cast<float>(platform::Rand() % 1920);
        jumps.addParticle(particle(x, -50.0f, x + 7.0f, 1200.0f, RGB(255, 128, 64)));
    }
    RenderLight light;
    LightBuffer buffer;
    Bytes hd(1920, 1080);
    for (int i = 0; i < 2; ++i)
        light.renderLight(jumps, buffer, hd.rows(), LightPlacement());
    EXPECT_EQ(digest(std::string(hd.data.begin(), hd.data.end())), 0x698c539183eaa41dull);
    parallel::Configure(0, false);
}

} // namespace
