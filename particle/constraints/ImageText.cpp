#include "particle/constraints/ImageText.h"

#include "particle/constraints/ColourTags.h"
#include "particle/constraints/TextRaster.h"
#include "particle/core/IImageProvider.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/PixelRows.h"
#include "particle/core/StringParameters.h"

#include <vector>

namespace {

// The largest picture this step makes by itself, per side.
constexpr int kMaxSide = 4096;

int blend(int under, int over, int coverage)
{
    return (under * (255 - coverage) + over * coverage + 127) / 255;
}

// Draws the line over a w x h area and blends the colour into every pixel it covers, through get and set
// (COLORREF at x, y).
template <typename Get, typename Set>
bool blendLine(const CString& text, float emPixels, float x, int y, float enlargement, COLORREF colour, int w, int h,
    Get get, Set set)
{
    std::vector<unsigned char> coverage;
    if (!text_raster::DrawLine(text.str(), emPixels, x, y, w, h, coverage, enlargement))
        return false;
    for (int row = 0; row < h; ++row) {
        for (int column = 0; column < w; ++column) {
            const int a = coverage[static_cast<std::size_t>(row) * static_cast<std::size_t>(w)
                + static_cast<std::size_t>(column)];
            if (a == 0)
                continue;
            const COLORREF under = get(column, row);
            set(column, row,
                RGB(blend(GetRValue(under), GetRValue(colour), a), blend(GetGValue(under), GetGValue(colour), a),
                    blend(GetBValue(under), GetBValue(colour), a)));
        }
    }
    return true;
}

} // namespace

std::unique_ptr<IConstraint> ImageText::Create()
{
    return std::make_unique<ImageText>();
}

CString ImageText::GetClassName()
{
    return "image.ImageText";
}

unsigned char ImageText::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    if (!store)
        return 0;
    wrote_ = false;
    const long step = steps_++;
    if (step > 0 && (every_ <= 0 || step % every_ != 0))
        return 1;
    IImage* target = store->GetImage(image_);
    if (!target) {
        if (width_ < 1 || height_ < 1 || width_ > kMaxSide || height_ > kMaxSide)
            return 0;
        std::unique_ptr<IImage> made = store->CreateImage(width_, height_);
        if (!made)
            return 0;
        made->Fill(0);
        target = made.get();
        store->AddImage(image_, std::move(made));
    }
    target->Lock();
    const bool drawn = blendLine(
        text_, fontSize_, x_, y_, 1.0f, color_, target->GetWidth(), target->GetHeight(),
        [target](int x, int y) { return target->GetPixel(x, y); },
        [target](int x, int y, COLORREF c) { target->SetPixel(x, y, c); });
    target->Unlock();
    wrote_ = drawn;
    return drawn ? 1 : 0;
}

bool ImageText::writeInto(const PixelRows& rows, float enlargement) const
{
    return blendLine(
        text_, fontSize_, x_, y_, enlargement, color_, rows.width(), rows.height(),
        [&rows](int x, int y) {
            const std::uint8_t* p = rows.pixelBytes(x, y);
            return p ? RGB(p[2], p[1], p[0]) : COLORREF(0);
        },
        [&rows](int x, int y, COLORREF c) {
            if (std::uint8_t* p = rows.pixelBytes(x, y)) {
                p[0] = GetBValue(c);
                p[1] = GetGValue(c);
                p[2] = GetRValue(c);
            }
        });
}

unsigned char ImageText::setParametersFromString(CString params)
{
    StringParameters sp;
    image_ = sp.getStringParameter(params, "Image", image_);
    text_ = sp.getStringParameter(params, "Text", text_);
    fontSize_ = sp.getFloatParameter(params, "Font Size", fontSize_);
    x_ = sp.getFloatParameter(params, "X", x_);
    y_ = sp.getIntParameter(params, "Y", y_);
    color_ = ReadColourTags(sp, params, color_);
    every_ = sp.getIntParameter(params, "Every", every_);
    width_ = sp.getIntParameter(params, "Width", width_);
    height_ = sp.getIntParameter(params, "Height", height_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ImageText::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Image", image_) + sp.toString("Text", text_) + sp.toString("Font Size", fontSize_)
        + "// Font Size: height of the em in pixels; X, Y: top-left corner of the line\r\n" + sp.toString("X", x_)
        + sp.toString("Y", y_) + ColourTags(sp, color_) + sp.toString("Every", every_)
        + "// Every: steps between writings (0: only on the first step); Width, Height: size of a new picture\r\n"
        + sp.toString("Width", width_) + sp.toString("Height", height_) + sp.toString("Resource Only", resourceOnly);
}

unsigned char ImageText::draw(CDC*, CSize)
{
    return 0;
}
