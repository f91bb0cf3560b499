#include "particle/constraints/RenderSimple.h"

#include "particle/core/IDirectImage.h"
#include "particle/core/IImageCanvas.h"
#include "particle/core/IImageProvider.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

#include <new>

namespace {

// Below this many particles per band a second thread costs more than it saves.
constexpr std::size_t kParticlesPerBand = 2000;

} // namespace

std::unique_ptr<IConstraint> RenderSimple::Create()
{
    return std::make_unique<RenderSimple>();
}

CString RenderSimple::GetClassName()
{
    return "render.RenderSimple";
}

unsigned char RenderSimple::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    if (!store)
        return 0;
    IImage* picture = store->GetImage(renderToImage_);
    if (!picture)
        return 0;
    if (auto* direct = dynamic_cast<IDirectImage*>(picture)) {
        const PixelRows rows = direct->BeginDirectDrawing();
        if (!rows.isEmpty()) {
            drawDirect(system->particles, rows);
            direct->EndDirectDrawing();
            return 1;
        }
    }
    IImageCanvas* canvas = picture->GetCanvas();
    if (!canvas)
        return 0;
    const int count = system->particles.getParticleCount();
    for (int i = 0; i < count; ++i) {
        IGlintmote* p = system->particles.getParticle(i);
        if (!p)
            continue;
        const float x = p->getLocationX();
        const float y = p->getLocationY();
        const float px = p->getPreviousLocationX();
        const float py = p->getPreviousLocationY();
        const float mx = (px + x) * 0.5f;
        const float my = (py + y) * 0.5f;
        const COLORREF c = p->getColor();
        canvas->DrawLine(x, y, c, alphaCurrent_, mx, my, c, alphaMidpoint_);
        canvas->DrawLine(mx, my, c, alphaMidpoint_, px, py, c, alphaPrevious_);
    }
    picture->ReleaseCanvas();
    return 1;
}

template <typename Particle> void RenderSimple::drawStreak(const PixelRows& rows, Particle p) const
{
    // What the canvas's DrawLine makes of the same two calls.
    const float x = p.locationX();
    const float y = p.locationY();
    const float px = p.previousLocationX();
    const float py = p.previousLocationY();
    const float mx = (px + x) * 0.5f;
    const float my = (py + y) * 0.5f;
    const COLORREF c = p.color();
    const float r = PixelRows::unit(GetRValue(c));
    const float g = PixelRows::unit(GetGValue(c));
    const float b = PixelRows::unit(GetBValue(c));
    rows.drawOneColourPath(
        { x, y, r, g, b, alphaCurrent_ }, { mx, my, r, g, b, alphaMidpoint_ }, { px, py, r, g, b, alphaPrevious_ });
}

void RenderSimple::drawDirect(ParticleCollection& particles, const PixelRows& rows)
{
    if (particles.holdsOnlyParticleBase()) {
        const std::size_t count = particles.size();
        const int bands = parallel::SliceCount(count, kParticlesPerBand);
        if (bands > 1 && drawSorted(particles, rows, bands))
            return;
        sorted_.clear(); // a small scene gives back what a large one sorted
        for (std::size_t i = 0; i < count; ++i)
            drawStreak(rows, DirectParticle(particles.particleBaseAt(i)));
        return;
    }
    const int count = particles.getParticleCount();
    for (int i = 0; i < count; ++i) {
        if (IGlintmote* p = particles.getParticle(i))
            drawStreak(rows, VirtualParticle(p));
    }
}

bool RenderSimple::drawSorted(ParticleCollection& particles, const PixelRows& rows, int bands)
{
    const std::size_t count = particles.size();
    const auto n = static_cast<std::size_t>(bands);
    PixelRows band[parallel::kMaxThreads];
    for (int b = 0; b < bands; ++b)
        band[b] = rows.band(rows.height() * b / bands, rows.height() * (b + 1) / bands);
    // The list is cut into as many parts as there are bands. A part's streaks for one band are at most the
    // part's particles: reserved here, so that sorting cannot fail on a thread (the pages that are not
    // written to are never taken from the system), with room for a growing scene to grow a while.
    try {
        sorted_.resize(n * n);
        for (std::size_t part = 0; part < n; ++part) {
            const std::size_t most = count * (part + 1) / n - count * part / n;
            for (std::size_t b = 0; b < n; ++b) {
                std::vector<Streak>& bucket = sorted_[part * n + b];
                bucket.clear();
                if (bucket.capacity() < most)
                    bucket.reserve(most + most / 4);
            }
        }
    } catch (const std::bad_alloc&) {
        sorted_.clear();
        return false;
    }
    parallel::RunSlices(bands, [&](int part) {
        std::vector<Streak>* mine = &sorted_[static_cast<std::size_t>(part) * n];
        const std::size_t end = count * static_cast<std::size_t>(part + 1) / n;
        for (std::size_t i = count * static_cast<std::size_t>(part) / n; i < end; ++i) {
            const DirectParticle p(particles.particleBaseAt(i));
            const Streak streak { p.locationX(), p.locationY(), p.previousLocationX(), p.previousLocationY(),
                static_cast<std::uint32_t>(p.color()) };
            for (std::size_t b = 0; b < n; ++b) {
                if (band[b].mayReachRows(streak.y, streak.py))
                    mine[b].push_back(streak);
            }
        }
    });
    // Each band takes the parts in list order: it blends its streaks in the order of the list.
    parallel::RunSlices(bands, [&](int b) {
        for (std::size_t part = 0; part < n; ++part) {
            for (const Streak& streak : sorted_[part * n + static_cast<std::size_t>(b)])
                drawStreak(band[b], streak);
        }
    });
    return true;
}

unsigned char RenderSimple::setParametersFromString(CString params)
{
    StringParameters sp;
    renderToImage_ = sp.getStringParameter(params, "RenderToImage", renderToImage_);
    alphaCurrent_ = sp.getFloatParameter(params, "Alpha Current", alphaCurrent_);
    alphaPrevious_ = sp.getFloatParameter(params, "Alpha Previous", alphaPrevious_);
    alphaMidpoint_ = sp.getFloatParameter(params, "Alpha Midpoint", alphaMidpoint_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString RenderSimple::getParameterExample()
{
    StringParameters sp;
    return sp.toString("RenderToImage", renderToImage_) + sp.toString("Alpha Current", alphaCurrent_)
        + sp.toString("Alpha Previous", alphaPrevious_) + sp.toString("Alpha Midpoint", alphaMidpoint_)
        + "// Alpha: 0.0 = opaque, 1.0 = transparent\r\n" + sp.toString("Resource Only", resourceOnly);
}

unsigned char RenderSimple::draw(CDC*, CSize)
{
    return 0;
}
