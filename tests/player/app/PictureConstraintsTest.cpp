// The picture constraints against the player's real picture store, pictures and canvas.
#include "particle/constraints/FileNamePattern.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleSystem.h"
#include "player/imaging/store/CDib.h"
#include "player/imaging/store/CDibImage.h"
#include "player/imaging/store/CImageStore.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

class Pictures : public ::testing::Test {
protected:
    CImageStore store;
    ParticleSystem system;
    TempDir dir;

    void SetUp() override { system.SetImageProvider(&store); }
    void TearDown() override { system.SetImageProvider(nullptr); }

    IImage* add(const char* name, int width, int height, COLORREF fill = 0)
    {
        std::unique_ptr<IImage> image = store.CreateImage(width, height);
        image->Fill(fill);
        IImage* raw = image.get();
        store.AddImage(name, std::move(image));
        return raw;
    }
    IConstraint* constraint(const char* classId, const char* params, const char* customName = "")
    {
        system.constraints.addConstraint(classId, params);
        IConstraint* c = system.constraints.getConstraint(system.constraints.getConstraintCount() - 1);
        c->SetCustomName(customName);
        return c;
    }
    // A picture file of one colour, width pixels wide, as the tests' image sequences need.
    std::string writePicture(const std::string& name, int width, COLORREF color)
    {
        CDib dib;
        dib.Create(width, 4);
        dib.Fill(color);
        const std::string path = dir.file(name);
        EXPECT_TRUE(dib.SaveBmp(path.c_str()));
        return path;
    }
    IGlintmote* particle(float x, float y, float px, float py, int group = 0)
    {
        auto p = std::make_unique<ParticleBase>();
        p->setLocationX(x);
        p->setLocationY(y);
        p->setPreviousLocationX(px);
        p->setPreviousLocationY(py);
        p->setGroup(group);
        p->setColor(RGB(1, 2, 3));
        IGlintmote* raw = p.get();
        system.particles.addParticle(std::move(p));
        return raw;
    }
};

TEST_F(Pictures, ClearFillsAndCopiesTheBackgroundCorner)
{
    IConstraint* clear = constraint("image.ImageClear", "<Red>300</Red><Green>2</Green><Blue>-1</Blue>");
    EXPECT_EQ(clear->apply(&system), 0) << "no RENDER yet";
    IImage* render = add("RENDER", 320, 240, RGB(9, 9, 9));
    EXPECT_EQ(clear->apply(&system), 1);
    EXPECT_EQ(render->GetPixel(0, 0), RGB(44, 2, 255)); // each colour cut to its low 8 bits
    EXPECT_EQ(render->GetPixel(319, 239), RGB(44, 2, 255));
    EXPECT_NE(clear->getParameterExample().Find("<Red>44</Red>"), -1);

    add("BACKGROUND", 100, 50, RGB(0, 200, 0));
    clear->apply(&system);
    EXPECT_EQ(render->GetPixel(99, 49), RGB(0, 200, 0));
    EXPECT_EQ(render->GetPixel(100, 49), RGB(44, 2, 255));
    EXPECT_EQ(render->GetPixel(99, 50), RGB(44, 2, 255));
    // Fill ended the run, so the copied pixels reach the screen copy only at its next rebuild.
    EXPECT_EQ(FromSurfacePixel(render->GetBitmap()->GetBits()[0]), RGB(44, 2, 255));
}

TEST(FileNamePattern, OnlyOneIntegerConversionIsFormatted)
{
    EXPECT_EQ(FormatFileNamePattern("imag%04d.jpg", 7), "imag0007.jpg");
    EXPECT_EQ(FormatFileNamePattern("100%%_%-+5d|", 7), "100%_+7   |");
    EXPECT_EQ(FormatFileNamePattern("f%x.gif", 255), "fff.gif");
    EXPECT_EQ(FormatFileNamePattern("plain.bmp", 3), "plain.bmp");
    // Anything else is a literal name: nothing is read that is not there, nothing huge is written.
    for (const char* hostile : { "%s", "%n", "%d%d", "%*d", "%1000000d", "%.9999d", "%ld", "%", "a%", "%%%", "%'d" })
        EXPECT_EQ(FormatFileNamePattern(hostile, 1), hostile) << hostile;
    // A NUL would end the text printf sees right after "%5": found by fuzzing.
    const CString withNul(std::string("imag%5\0d", 8));
    EXPECT_EQ(FormatFileNamePattern(withNul, 1), withNul);
}

TEST_F(Pictures, ImageLoadLoopsWithAnEndIndex)
{
    for (int i = 0; i < 3; ++i)
        writePicture("f" + std::to_string(i) + ".bmp", i + 1, RGB(10 * i, 0, 0));
    IConstraint* load = constraint("image.ImageLoad",
        ("<Image>SEQ</Image><Image Filename>" + dir.path()
            + "f%d.bmp</Image Filename><End Index>2</End Index>"
              "<Loop>true</Loop>")
            .c_str());
    std::vector<int> widths;
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(load->apply(&system), 1);
        widths.push_back(store.GetImage("SEQ")->GetWidth());
    }
    EXPECT_EQ(widths, (std::vector<int> { 1, 2, 3, 1, 2, 3, 1 }));
    EXPECT_EQ(store.GetImageCount(), 1); // each load replaced the last
}

TEST_F(Pictures, ImageLoadWithoutEndIndexWrapsAfterTheFirstHole)
{
    for (int i = 0; i < 3; ++i)
        writePicture("g" + std::to_string(i) + ".bmp", i + 1, 0);
    IConstraint* load = constraint("image.ImageLoad",
        ("<Image>SEQ</Image><Image Filename>" + dir.path() + "g%d.bmp</Image Filename><Loop>true</Loop>").c_str());
    std::vector<int> results;
    std::vector<int> widths;
    for (int i = 0; i < 5; ++i) {
        results.push_back(load->apply(&system));
        widths.push_back(store.GetImage("SEQ")->GetWidth());
    }
    EXPECT_EQ(results, (std::vector<int> { 1, 1, 1, 0, 1 }));
    EXPECT_EQ(widths, (std::vector<int> { 1, 2, 3, 3, 1 })); // the hole kept the picture of 2

    // Without Loop the index just counts on, loaded or not.
    IConstraint* once = constraint("image.ImageLoad",
        ("<Image>ONCE</Image><Image Filename>" + dir.path()
            + "g%d.bmp</Image Filename><Current Index>2</Current Index>"
              "<End Index>2</End Index>")
            .c_str());
    EXPECT_EQ(once->apply(&system), 1);
    EXPECT_EQ(once->apply(&system), 0);
    EXPECT_NE(once->getParameterExample().Find("<Current Index>4</Current Index>"), -1);
}

TEST_F(Pictures, RenderSimpleDrawsOpaqueStreaksBetweenBothPositions)
{
    IImage* render = add("RENDER", 40, 20);
    IConstraint* renderer = constraint("render.RenderSimple",
        "<Alpha Current>0</Alpha Current><Alpha Previous>0</Alpha Previous><Alpha Midpoint>0</Alpha Midpoint>");
    EXPECT_NE(renderer->getParameterExample().Find("</Alpha Midpoint>\r\n// Alpha: 0.0 = opaque, 1.0 = transparent\r\n"
                                                   "<Resource Only>"),
        -1);
    particle(30.0f, 10.0f, 10.0f, 10.0f)->setColor(RGB(255, 128, 0));
    EXPECT_EQ(renderer->apply(&system), 1);
    int lit = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const COLORREF c = render->GetPixel(x, y);
            if (c == 0)
                continue;
            ++lit;
            EXPECT_EQ(c, RGB(255, 128, 0)) << x << "," << y; // opaque: no blending
            EXPECT_EQ(y, 10);
            EXPECT_GE(x, 10);
            EXPECT_LE(x, 30);
        }
    EXPECT_GE(lit, 18); // a solid line from one end to the other
    // With the default alphas the ends fade: the middle is solid, the far ends are not.
    IImage* soft = add("SOFT", 40, 20);
    IConstraint* defaults = constraint("render.RenderSimple", "<RenderToImage>SOFT</RenderToImage>");
    defaults->apply(&system);
    EXPECT_GE(GetRValue(soft->GetPixel(20, 10)), 230);
    EXPECT_LT(GetRValue(soft->GetPixel(29, 10)), GetRValue(soft->GetPixel(20, 10)) / 2);
}

// The render step draws straight into the player's picture when no canvas is open on it, on more than
// one thread for many particles, and through the open canvas otherwise: the pixels and the display copy
// come out the same, and so does the end of a run of pixel access that was left open.
TEST_F(Pictures, RenderSimpleDrawsTheSameInPlaceAsThroughACanvas)
{
    auto picture = [this](const char* name) {
        IImage* p = add(name, 64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                p->SetPixel(x, y, RGB(x * 4, y * 5, x + y));
        p->Lock();
        return p;
    };
    IImage* inPlace = picture("IN PLACE");
    IImage* throughCanvas = picture("CANVAS");
    system.createParticles(3000, CPoint(32, 24), 0.0f, 1.0f, 1.0f, 1.0f);
    for (int i = 0; i < 3000; ++i) {
        IGlintmote* p = system.particles.getParticle(i);
        p->setLocationX(static_cast<float>(i % 70) - 3.5f);
        p->setLocationY(static_cast<float>(i % 53) - 2.25f);
        p->step();
    }
    parallel::Configure(3, true);
    constraint("render.RenderSimple", "<RenderToImage>IN PLACE</RenderToImage>")->apply(&system);
    parallel::Configure(0, false);
    throughCanvas->GetCanvas(); // already open: the step must draw on it and commit it
    constraint("render.RenderSimple", "<RenderToImage>CANVAS</RenderToImage>")->apply(&system);
    int differing = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            differing += inPlace->GetPixel(x, y) != throughCanvas->GetPixel(x, y)
                || inPlace->GetBitmap()->GetPixel(x, y) != throughCanvas->GetBitmap()->GetPixel(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(inPlace->GetPixel(32, 24), RGB(128, 120, 56)); // drawn on
    for (IImage* p : { inPlace, throughCanvas })
        EXPECT_FALSE(dynamic_cast<CDibImage&>(*p).GetDib().IsLocked());
}

TEST_F(Pictures, CameleonSamplesTheMidpointOfTheLastMoveForItsGroup)
{
    const std::string file = writePicture("palette.bmp", 16, RGB(7, 8, 9));
    IConstraint* cameleon
        = constraint("constraint.Cameleon", ("<Group>1</Group><Image Filename>" + file + "</Image Filename>").c_str());
    EXPECT_NE(cameleon->getParameterExample().Find("<Image Name>Cameleon Image</Image Name>"), -1);
    IGlintmote* inGroup = particle(9.0f, 3.0f, 0.0f, 0.0f, 1);
    IGlintmote* otherGroup = particle(1.0f, 1.0f, 1.0f, 1.0f, 0);
    IGlintmote* outside = particle(100.0f, 1.0f, 100.0f, 1.0f, 1);
    EXPECT_EQ(cameleon->apply(&system), 1);
    EXPECT_EQ(inGroup->getColor(), RGB(7, 8, 9));
    EXPECT_EQ(otherGroup->getColor(), RGB(1, 2, 3));
    EXPECT_EQ(outside->getColor(), 0x808080u); // off the picture: the mid grey
    // Loaded once and registered under its name: later applications find it without the file.
    IImage* picture = store.GetImage("Cameleon Image");
    ASSERT_NE(picture, nullptr);
    picture->SetPixel(4, 1, RGB(50, 60, 70)); // (0 + 9) / 2, (0 + 3) / 2
    std::remove(file.c_str());
    cameleon->apply(&system);
    EXPECT_EQ(inGroup->getColor(), RGB(50, 60, 70));
    EXPECT_EQ(store.GetImageCount(), 1);
}

TEST_F(Pictures, DeltaFactoryEmitsAtEveryLitPixelInScanOrder)
{
    IImage* shape = add("SHAPE", 3, 2);
    shape->SetPixel(0, 0, RGB(1, 0, 0)); // red 1 counts as lit
    shape->SetPixel(2, 1, RGB(255, 255, 255));
    IConstraint* delta = constraint("factory.ImageDeltaParticleFactory",
        "<Factory Resource>emit</Factory Resource><Delta Image Name>SHAPE</Delta Image Name>");
    IConstraint* square = constraint("factory.ParticlesSquare", "<Resource Only>true</Resource Only>", "emit");
    system.step(); // the resource-only square fires only when driven
    ASSERT_EQ(system.particles.getParticleCount(), 2);
    EXPECT_EQ(system.particles.getParticle(0)->getPreviousLocationX(), 0.0f);
    EXPECT_EQ(system.particles.getParticle(1)->getPreviousLocationX(), 2.0f);
    EXPECT_EQ(system.particles.getParticle(1)->getPreviousLocationY(), 1.0f);
    EXPECT_NE(square->getParameterExample().Find("<CenterX>2.000000</CenterX>"), -1);

    EXPECT_NE(
        delta->getParameterExample().Find("</Factory Resource>\r\n// Factory Resource: custom name assigned to the "
                                          "constraint.\r\n<X VariableName>"),
        -1);
    delta->setParametersFromString("<Delta Image Name>NONE</Delta Image Name>");
    EXPECT_EQ(delta->apply(&system), 0);
}

TEST_F(Pictures, DeltaFactoryDrivesEveryTargetOfTheNameInListOrder)
{
    IImage* shape = add("SHAPE", 2, 1, RGB(9, 9, 9));
    (void)shape;
    IConstraint* delta = constraint("factory.ImageDeltaParticleFactory",
        "<Factory Resource>f</Factory Resource><Delta Image Name>SHAPE</Delta Image Name>");
    constraint("factory.ParticlesSquare", "<Resource Only>true</Resource Only><Group>1</Group>", "f");
    constraint("factory.ParticlesSquare", "<Resource Only>true</Resource Only><Group>2</Group>", "f");
    IConstraint* omni = constraint("constraint.OmniForce", "<Resource Only>true</Resource Only>", "g");
    delta->apply(&system);
    std::vector<int> groups;
    for (int i = 0; i < system.particles.getParticleCount(); ++i)
        groups.push_back(system.particles.getParticle(i)->getGroup());
    EXPECT_EQ(groups, (std::vector<int> { 1, 1, 2, 2 })); // the first over the whole picture, then the second

    delta->setParametersFromString("<Factory Resource>g</Factory Resource><X VariableName>RadiusOut</X VariableName>");
    delta->apply(&system);
    EXPECT_NE(omni->getParameterExample().Find("<RadiusOut>1.000000</RadiusOut>"), -1);
}

TEST_F(Pictures, DeltaFactoriesNeverDriveThemselvesOrEachOtherWithoutEnd)
{
    add("SHAPE", 4, 4, RGB(255, 255, 255));
    // Empty Factory Resource: every constraint without a custom name, itself included, matches.
    constraint("factory.ImageDeltaParticleFactory", "<Delta Image Name>SHAPE</Delta Image Name>");
    constraint("factory.ImageDeltaParticleFactory", "<Delta Image Name>SHAPE</Delta Image Name>");
    constraint("factory.ParticlesSquare", "<Resource Only>true</Resource Only>");
    system.step();
    // Each delta drives the square at 16 pixels; neither drives itself; each drives the other, which
    // then refuses to be re-entered... or drives the square once more per pixel: all finite.
    EXPECT_GT(system.particles.getParticleCount(), 0);
    EXPECT_LT(system.particles.getParticleCount(), 16 * 16 * 4);
}

TEST_F(Pictures, DeltaFactorySurvivesItsPictureBeingReplacedMidScan)
{
    add("SHAPE", 3, 3, RGB(255, 255, 255));
    const std::string file = writePicture("shape.bmp", 3, RGB(255, 255, 255));
    constraint("factory.ImageDeltaParticleFactory",
        "<Factory Resource>x</Factory Resource><Delta Image Name>SHAPE</Delta Image Name>");
    // Driven per pixel, this replaces the very picture being scanned.
    constraint("image.ImageLoad",
        ("<Image>SHAPE</Image><Image Filename>" + file + "</Image Filename><Resource Only>true</Resource Only>")
            .c_str(),
        "x");
    system.step(); // under AddressSanitizer, any use of the destroyed picture fails here
    EXPECT_NE(store.GetImage("SHAPE"), nullptr);
    EXPECT_EQ(store.GetImageCount(), 1);
}

TEST_F(Pictures, CollectionRepopulatedByTheFactoryInsideItSurvives)
{
    add("SHAPE", 2, 2, RGB(255, 255, 255));
    // inner.vq holds a delta factory that drives every unnamed constraint, including the collection
    // that holds it: driving re-reads inner.vq, replacing the running factory.
    std::ofstream(dir.file("inner.vq"), std::ios::binary)
        << "factory.ImageDeltaParticleFactory\r\n<Delta Image Name>SHAPE</Delta Image Name>\r\n.\r\n"
           "factory.ParticlesSquare\r\n<Resource Only>true</Resource Only>\r\n.\r\n";
    constraint("constraint.ConstraintCollection",
        ("<DefLocation>" + dir.path() + "</DefLocation><DefFilename>inner.vq</DefFilename>").c_str());
    system.step();
    system.step();
    EXPECT_EQ(system.constraints.getConstraintCount(), 1);
}

} // namespace
