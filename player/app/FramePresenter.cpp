#include "player/app/FramePresenter.h"

#include "particle/constraints/ImageFade.h"
#include "particle/constraints/ImageText.h"
#include "particle/constraints/RenderLight.h"
#include "particle/constraints/RenderSimple.h"
#include "particle/core/ParticleBase.h"
#include "particle/core/ParticleCollection.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"
#include "platform/PixelBudget.h"
#include "player/app/SceneEngine.h"
#include "player/imaging/store/CDibImage.h"
#include "player/imaging/store/SmoothDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const char kRender[] = "RENDER";

CDib* dibNamed(SceneEngine& engine, const CString& name)
{
    auto* image = dynamic_cast<CDibImage*>(engine.GetImageStore().GetImage(name));
    return image ? &image->GetDib() : nullptr;
}

COLORREF colourTags(const CString& parameters, COLORREF colour)
{
    StringParameters sp;
    return RGB(sp.getIntParameter(parameters, "Red", GetRValue(colour)) & 0xFF,
        sp.getIntParameter(parameters, "Green", GetGValue(colour)) & 0xFF,
        sp.getIntParameter(parameters, "Blue", GetBValue(colour)) & 0xFF);
}

// The picture a step draws into, by the tag the picture steps name it with.
CString targetOf(const CString& parameters)
{
    StringParameters sp;
    const CString image = sp.getStringParameter(parameters, "Image", "");
    return image.IsEmpty() ? sp.getStringParameter(parameters, "RenderToImage", "") : image;
}

void drawClear(FramePresenter::Pass& pass, IConstraint&, const CString& parameters)
{
    const COLORREF colour = pass.Backdrop().value_or(colourTags(parameters, 0));
    CDib& target = pass.Target();
    target.Fill(colour);
    pass.SetBackground(colour);
    if (pass.Backdrop())
        return;
    StringParameters sp;
    CDib* background = dibNamed(pass.engine, sp.getStringParameter(parameters, "Background Image", "BACKGROUND"));
    CDib* render = dibNamed(pass.engine, kRender);
    if (!background || !render || render->GetWidth() <= 0 || render->GetHeight() <= 0)
        return;
    // The background covers the top-left of the picture, as far as the smaller of the two reaches.
    const int w = std::min(render->GetWidth(), background->GetWidth());
    const int h = std::min(render->GetHeight(), background->GetHeight());
    CDib part;
    if (!part.Create(w, h))
        return;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            part.SetPixel(x, y, background->GetPixel(x, y));
    }
    SmoothDrawing::Resample(part, target, 0, 0, static_cast<int>(std::lround(w * pass.scale)),
        static_cast<int>(std::lround(h * pass.scale)));
}

void drawFade(FramePresenter::Pass& pass, IConstraint&, const CString& parameters)
{
    StringParameters sp;
    const float factor = std::min(std::max(sp.getFloatParameter(parameters, "Factor", 0.1f), 0.0f), 1.0f);
    // Towards a backdrop, what fades becomes as transparent as it is faded.
    const COLORREF colour = pass.Backdrop().value_or(colourTags(parameters, 0));
    pass.SetBackground(colour);
    if (!(factor > 0.0f))
        return;
    const int background[3] = { GetBValue(colour), GetGValue(colour), GetRValue(colour) };
    // Every output pixel is faded each tick: each channel's 256 results are worked out once.
    std::uint8_t faded[3][256];
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v)
            faded[c][v] = static_cast<std::uint8_t>(ImageFade::fadeChannel(v, background[c], factor));
    }
    CDib& target = pass.Target();
    for (int y = 0; y < target.GetHeight(); ++y) {
        std::uint8_t* p = target.PixelBytes(0, y);
        for (int x = 0; p && x < target.GetWidth(); ++x, p += 3) {
            for (int c = 0; c < 3; ++c)
                p[c] = faded[c][p[c]];
        }
    }
}

void drawSimple(FramePresenter::Pass& pass, IConstraint& step, const CString& parameters)
{
    // At the scene's own scale the streaks are the picture's own, pixel for pixel.
    if (auto* simple = dynamic_cast<RenderSimple*>(&step); simple && pass.scale == 1.0) {
        simple->drawInto(pass.ParticlesAsDrawnCollection(), pass.Target().Rows());
        return;
    }
    StringParameters sp;
    const float current = sp.getFloatParameter(parameters, "Alpha Current", 1.0f);
    const float previous = sp.getFloatParameter(parameters, "Alpha Previous", 1.0f);
    const float middle = sp.getFloatParameter(parameters, "Alpha Midpoint", 0.0f);
    const float s = static_cast<float>(pass.scale);
    CDib& target = pass.Target();
    for (const FramePresenter::Pass::Seen& p : pass.ParticlesAsDrawn()) {
        const float a[2] = { p.x * s, p.y * s };
        const float b[2] = { p.px * s, p.py * s };
        const float m[2] = { (a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f };
        // The scene's alphas are transparencies.
        SmoothDrawing::Streak(target, a, m, b, p.colour, 1.0f - current, 1.0f - middle, 1.0f - previous, s * 0.5f);
    }
}

void drawLight(FramePresenter::Pass& pass, IConstraint& step, const CString&)
{
    auto* light = dynamic_cast<RenderLight*>(&step);
    if (!light)
        return;
    LightPlacement placement;
    placement.scale = static_cast<float>(pass.scale);
    light->renderLight(pass.ParticlesAsDrawnCollection(), pass.LightOf(step), pass.Target().Rows(), placement);
}

// Text is drawn again at the output size, so its edges stay as sharp as at 1x, on the ticks it was written.
void drawText(FramePresenter::Pass& pass, IConstraint& step, const CString&)
{
    auto* text = dynamic_cast<ImageText*>(&step);
    if (text && text->wroteOnLastStep())
        text->writeInto(pass.Target().Rows(), static_cast<float>(pass.scale));
}

// A step that replaces "RENDER" with a picture it loaded: shown resampled, but only when it did.
void drawLoad(FramePresenter::Pass&, IConstraint&, const CString&)
{
    // The picture's replacement is noticed by the presenter itself, which resamples the new one.
}

std::map<std::string, FramePresenter::StepDrawer>& drawers()
{
    static std::map<std::string, FramePresenter::StepDrawer> table {
        { "image.ImageClear", drawClear },
        { "image.ImageFade", drawFade },
        { "image.ImageLoad", drawLoad },
        { "image.ImageText", drawText },
        { "render.RenderLight", drawLight },
        { "render.RenderSimple", drawSimple },
    };
    return table;
}

std::uint64_t positionKey(float x, float y)
{
    std::uint32_t bx = 0;
    std::uint32_t by = 0;
    std::memcpy(&bx, &x, sizeof bx);
    std::memcpy(&by, &y, sizeof by);
    return (static_cast<std::uint64_t>(bx) << 32) | by;
}

} // namespace

void FramePresenter::RegisterStep(const std::string& className, StepDrawer drawer)
{
    drawers()[className] = std::move(drawer);
}

bool FramePresenter::ParseSize(const std::string& text, int& width, int& height)
{
    static const struct {
        const char* name;
        int width, height;
    } kNamed[] = { { "720p", 1280, 720 }, { "1080p", 1920, 1080 }, { "4k", 3840, 2160 } };
    for (const auto& named : kNamed) {
        if (text == named.name) {
            width = named.width;
            height = named.height;
            return true;
        }
    }
    int w = 0;
    int h = 0;
    int end = 0;
    if (std::sscanf(text.c_str(), "%9dx%9d%n", &w, &h, &end) != 2 || end != static_cast<int>(text.size()))
        return false;
    if (!PictureFits(w, h))
        return false;
    width = w;
    height = h;
    return true;
}

FramePresenter::FramePresenter(int width, int height, std::optional<COLORREF> backdrop)
    : width_(width)
    , height_(height)
    , backdrop_(backdrop)
    , bars_(backdrop.value_or(0))
{
    frame_.Create(width, height);
}

FramePresenter::Pass::Pass(FramePresenter& presenter, SceneEngine& engineToDraw, double scaleToDraw)
    : engine(engineToDraw)
    , scale(scaleToDraw)
    , presenter_(presenter)
{
}

FramePresenter::~FramePresenter() = default;

void FramePresenter::Pass::ResampleFrom(const CDib& picture)
{
    CDib& target = Target();
    SmoothDrawing::Resample(picture, target, 0, 0, target.GetWidth(), target.GetHeight());
}

const std::vector<FramePresenter::Pass::Seen>& FramePresenter::Pass::ParticlesAsDrawn()
{
    if (seenMade_)
        return seen_;
    seenMade_ = true;
    // The particles have moved since the step drew them: each one's previous position is where it was
    // drawn, and the position it had at the end of the last tick tells where it had come from then.
    ParticleCollection& particles = engine.GetSystem().particles;
    const int count = particles.getParticleCount();
    seen_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        IGlintmote* p = particles.getParticle(i);
        if (!p)
            continue;
        Seen s { p->getPreviousLocationX(), p->getPreviousLocationY(), 0, 0, p->getColor() };
        const auto known = presenter_.cameFrom_.find(positionKey(s.x, s.y));
        // One born during the tick was drawn where it was born.
        s.px = known != presenter_.cameFrom_.end() ? known->second.first : s.x;
        s.py = known != presenter_.cameFrom_.end() ? known->second.second : s.y;
        seen_.push_back(s);
    }
    return seen_;
}

ParticleCollection& FramePresenter::Pass::ParticlesAsDrawnCollection()
{
    std::unique_ptr<ParticleCollection>& drawn = presenter_.drawn_;
    if (!drawn)
        drawn = std::make_unique<ParticleCollection>();
    if (collectionMade_)
        return *drawn;
    collectionMade_ = true;
    const std::vector<Seen>& seen = ParticlesAsDrawn();
    // The particles are kept from tick to tick and only their fields change.
    while (drawn->size() > seen.size())
        drawn->removeParticle(static_cast<int>(drawn->size()) - 1);
    while (drawn->size() < seen.size() && drawn->addParticle(std::make_unique<ParticleBase>())) { }
    for (std::size_t i = 0; i < seen.size() && i < drawn->size(); ++i) {
        IGlintmote* p = drawn->particleAt(static_cast<int>(i));
        p->setLocationX(seen[i].x);
        p->setLocationY(seen[i].y);
        p->setPreviousLocationX(seen[i].px);
        p->setPreviousLocationY(seen[i].py);
        p->setColor(seen[i].colour);
    }
    return *drawn;
}

LightBuffer& FramePresenter::Pass::LightOf(const IConstraint& step)
{
    std::unique_ptr<LightBuffer>& light = presenter_.light_[&step];
    if (!light)
        light = std::make_unique<LightBuffer>();
    return *light;
}

void FramePresenter::fit(int sceneWidth, int sceneHeight)
{
    if (sceneWidth == sceneWidth_ && sceneHeight == sceneHeight_)
        return;
    sceneWidth_ = sceneWidth;
    sceneHeight_ = sceneHeight;
    scale_ = std::min(
        static_cast<double>(width_) / std::max(1, sceneWidth), static_cast<double>(height_) / std::max(1, sceneHeight));
    fittedWidth_ = std::clamp(static_cast<int>(std::lround(sceneWidth * scale_)), 1, width_);
    fittedHeight_ = std::clamp(static_cast<int>(std::lround(sceneHeight * scale_)), 1, height_);
    left_ = (width_ - fittedWidth_) / 2;
    top_ = (height_ - fittedHeight_) / 2;
    framed_ = false;
    render_.Create(0, 0);
    light_.clear();
}

void FramePresenter::AfterTick(SceneEngine& engine)
{
    fit(engine.GetHost().getWidth(), engine.GetHost().getHeight());
    if (engine.directFrame)
        presentDirect(engine);
    else
        presentRender(engine);
    remember(engine);
}

void FramePresenter::presentDirect(SceneEngine& engine)
{
    if (scale_ == 1.0) {
        presentDirectAtSceneScale(engine);
        return;
    }
    if (engine.GetHost().shouldErase() || !framed_) {
        frame_.Fill(backdrop_.value_or(RGB(0, 0, 0)));
        if (CDib* background = backdrop_ ? nullptr : dibNamed(engine, "BACKGROUND")) {
            // Tiled at the scene's size as the window does, then enlarged as one picture.
            CDib tiled;
            if (tiled.Create(sceneWidth_, sceneHeight_) && tiled.GetBitmap()) {
                background->Tile(tiled.GetBitmap(), 0, 0, sceneWidth_, sceneHeight_);
                tiled.UpdateFromBitmap();
                SmoothDrawing::Resample(tiled, frame_, left_, top_, fittedWidth_, fittedHeight_);
            }
        }
        framed_ = true;
    }
    DrawParticles(frame_, engine.GetSystem().particles, static_cast<float>(scale_), static_cast<float>(left_),
        static_cast<float>(top_));
}

void FramePresenter::DrawParticles(CDib& target, ParticleCollection& particles, float scale, float left, float top)
{
    const int count = particles.getParticleCount();
    for (int i = 0; i < count; ++i) {
        IGlintmote* p = particles.getParticle(i);
        if (!p)
            continue;
        const float x = p->getLocationX();
        const float y = p->getLocationY();
        const float px = p->getPreviousLocationX();
        const float py = p->getPreviousLocationY();
        // A one-pixel line that starts and ends in the same pixel draws nothing at the scene's size.
        if (static_cast<int>(x) == static_cast<int>(px) && static_cast<int>(y) == static_cast<int>(py))
            continue;
        const float a[2] = { left + x * scale, top + y * scale };
        const float b[2] = { left + px * scale, top + py * scale };
        const float m[2] = { (a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f };
        SmoothDrawing::Streak(target, a, m, b, p->getColor(), 1.0f, 1.0f, 1.0f, scale * 0.5f);
    }
}

// The particles drawn as the recorder draws them at the scene's size, one-pixel lines and all, into a
// picture of that size kept from tick to tick (a scene that does not erase builds on it), then put in the
// middle of the frame.
void FramePresenter::presentDirectAtSceneScale(SceneEngine& engine)
{
    CDC* dc = scene_.GetBitmap();
    if (scene_.GetWidth() != sceneWidth_ || scene_.GetHeight() != sceneHeight_ || !dc) {
        scene_.Create(sceneWidth_, sceneHeight_);
        dc = scene_.GetBitmap();
        framed_ = false;
    }
    if (!dc)
        return;
    if (engine.GetHost().shouldErase() || !framed_) {
        CDib* background = backdrop_ ? nullptr : dibNamed(engine, "BACKGROUND");
        if (background)
            background->Tile(dc, 0, 0, sceneWidth_, sceneHeight_);
        else
            dc->FillSolidRect(0, 0, sceneWidth_, sceneHeight_, backdrop_.value_or(RGB(0, 0, 0)));
        framed_ = true;
    }
    engine.GetSystem().draw(dc);
    scene_.UpdateFromBitmap();
    SmoothDrawing::FillAround(frame_, left_, top_, sceneWidth_, sceneHeight_, backdrop_.value_or(RGB(0, 0, 0)));
    for (int y = 0; y < sceneHeight_; ++y) {
        for (int x = 0; x < sceneWidth_; ++x)
            frame_.SetPixel(left_ + x, top_ + y, scene_.GetPixel(x, y));
    }
}

void FramePresenter::presentRender(SceneEngine& engine)
{
    CDib* render = dibNamed(engine, kRender);
    IImage* renderPicture = engine.GetImageStore().GetImage(kRender);
    const bool replaced = renderPicture != renderSeen_;
    renderSeen_ = renderPicture;
    if (render_.GetWidth() != fittedWidth_ || render_.GetHeight() != fittedHeight_ || replaced) {
        render_.Create(fittedWidth_, fittedHeight_);
        // A picture loaded into "RENDER" is what the particles are drawn on: background.
        if (backdrop_)
            render_.Fill(*backdrop_);
        else if (render)
            SmoothDrawing::Resample(*render, render_, 0, 0, fittedWidth_, fittedHeight_);
    }
    Pass pass(*this, engine, scale_);
    ConstraintCollection& constraints = engine.GetSystem().constraints;
    // Light kept for steps no longer in the scene goes.
    for (auto kept = light_.begin(); kept != light_.end();) {
        bool present = false;
        for (int i = 0; i < constraints.getConstraintCount() && !present; ++i)
            present = constraints.getConstraint(i) == kept->first;
        kept = present ? std::next(kept) : light_.erase(kept);
    }
    for (int i = 0; i < constraints.getConstraintCount(); ++i) {
        IConstraint* step = constraints.getConstraint(i);
        if (!step || step->IsResourceOnly())
            continue;
        const CString parameters = step->getParameterExample();
        if (targetOf(parameters) != kRender)
            continue;
        const auto drawer = drawers().find(step->GetClassName().str());
        if (drawer != drawers().end())
            drawer->second(pass, *step, parameters);
        else if (render)
            pass.ResampleFrom(*render);
    }
    SmoothDrawing::FillAround(frame_, left_, top_, fittedWidth_, fittedHeight_, bars_);
    // Row by row: a pixel at a time takes as long as drawing the picture at a large size.
    for (int y = 0; y < fittedHeight_; ++y) {
        std::uint8_t* to = frame_.PixelBytes(left_, top_ + y);
        const std::uint8_t* from = render_.PixelBytes(0, y);
        if (to && from)
            std::memcpy(to, from, static_cast<std::size_t>(fittedWidth_) * 3);
    }
}

void FramePresenter::remember(SceneEngine& engine)
{
    if (engine.directFrame) {
        cameFrom_.clear();
        return;
    }
    ParticleCollection& particles = engine.GetSystem().particles;
    const int count = particles.getParticleCount();
    cameFrom_.clear();
    cameFrom_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (IGlintmote* p = particles.getParticle(i))
            cameFrom_.emplace(positionKey(p->getLocationX(), p->getLocationY()),
                std::make_pair(p->getPreviousLocationX(), p->getPreviousLocationY()));
    }
}
