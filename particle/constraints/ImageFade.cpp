#include "particle/constraints/ImageFade.h"

#include "particle/constraints/ColourTags.h"
#include "particle/core/IImageProvider.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"
#include "platform/Numbers.h"

#include <algorithm>

std::unique_ptr<IConstraint> ImageFade::Create()
{
    return std::make_unique<ImageFade>();
}

CString ImageFade::GetClassName()
{
    return "image.ImageFade";
}

int ImageFade::fadeChannel(int value, int background, float factor)
{
    const int gap = background - value;
    if (gap == 0)
        return value;
    int move = platform::TruncToInt(static_cast<float>(gap) * factor);
    if (move == 0)
        move = gap > 0 ? 1 : -1;
    return value + move;
}

unsigned char ImageFade::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    if (!store)
        return 0;
    IImage* target = store->GetImage(image_);
    if (!target)
        return 0;
    // A factor outside 0..1 would overshoot the background; NaN reads as 0.
    const float factor = factor_ > 0.0f ? std::min(factor_, 1.0f) : 0.0f;
    if (factor == 0.0f)
        return 1;
    const int red = GetRValue(color_);
    const int green = GetGValue(color_);
    const int blue = GetBValue(color_);
    target->Lock();
    const int h = target->GetHeight();
    const int w = target->GetWidth();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = target->GetPixel(x, y);
            const COLORREF faded = RGB(fadeChannel(GetRValue(c), red, factor), fadeChannel(GetGValue(c), green, factor),
                fadeChannel(GetBValue(c), blue, factor));
            if (faded != c)
                target->SetPixel(x, y, faded);
        }
    }
    target->Unlock();
    return 1;
}

unsigned char ImageFade::setParametersFromString(CString params)
{
    StringParameters sp;
    image_ = sp.getStringParameter(params, "Image", image_);
    factor_ = sp.getFloatParameter(params, "Factor", factor_);
    color_ = ReadColourTags(sp, params, color_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ImageFade::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Image", image_) + sp.toString("Factor", factor_)
        + "// Factor: fraction of the way to the background colour each step (0 keeps trails, 1 clears)\r\n"
        + ColourTags(sp, color_) + sp.toString("Resource Only", resourceOnly);
}

unsigned char ImageFade::draw(CDC*, CSize)
{
    return 0;
}
