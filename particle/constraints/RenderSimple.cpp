#include "particle/constraints/RenderSimple.h"

#include "particle/core/IDirectImage.h"
#include "particle/core/IImageCanvas.h"
#include "particle/core/IImageProvider.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

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
    rows.drawOneColourLine({ x, y, r, g, b, alphaCurrent_ }, { mx, my, r, g, b, alphaMidpoint_ });
    rows.drawOneColourLine({ mx, my, r, g, b, alphaMidpoint_ }, { px, py, r, g, b, alphaPrevious_ });
}

void RenderSimple::drawDirect(ParticleCollection& particles, const PixelRows& rows) const
{
    if (particles.holdsOnlyParticleBase()) {
        const std::size_t count = particles.size();
        const int bands = parallel::SliceCount(count, kParticlesPerBand);
        parallel::RunSlices(bands, [&](int band) {
            const PixelRows mine = rows.band(rows.height() * band / bands, rows.height() * (band + 1) / bands);
            for (std::size_t i = 0; i < count; ++i) {
                const DirectParticle p(particles.particleBaseAt(i));
                if (bands == 1 || mine.mayReachRows(p.locationY(), p.previousLocationY()))
                    drawStreak(mine, p);
            }
        });
        return;
    }
    const int count = particles.getParticleCount();
    for (int i = 0; i < count; ++i) {
        if (IGlintmote* p = particles.getParticle(i))
            drawStreak(rows, VirtualParticle(p));
    }
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
