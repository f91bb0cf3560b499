#include "particle/constraints/ImageClear.h"

#include "particle/core/IImageProvider.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

#include <algorithm>

std::unique_ptr<IConstraint> ImageClear::Create()
{
    return std::make_unique<ImageClear>();
}

CString ImageClear::GetClassName()
{
    return "image.ImageClear";
}

unsigned char ImageClear::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    if (!store)
        return 0;
    IImage* target = store->GetImage(image_);
    if (!target)
        return 0;
    IImage* background = store->GetImage(backgroundImage_);
    target->Lock();
    target->Fill(color_);
    if (background) {
        const int h = std::min(target->GetHeight(), background->GetHeight());
        const int w = std::min(target->GetWidth(), background->GetWidth());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                target->SetPixel(x, y, background->GetPixel(x, y));
        }
    }
    target->Unlock();
    return 1;
}

unsigned char ImageClear::setParametersFromString(CString params)
{
    StringParameters sp;
    image_ = sp.getStringParameter(params, "Image", image_);
    backgroundImage_ = sp.getStringParameter(params, "Background Image", backgroundImage_);
    const int red = sp.getIntParameter(params, "Red", GetRValue(color_));
    const int green = sp.getIntParameter(params, "Green", GetGValue(color_));
    const int blue = sp.getIntParameter(params, "Blue", GetBValue(color_));
    color_ = RGB(red, green, blue); // each cut to its low 8 bits
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ImageClear::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Image", image_) + sp.toString("Background Image", backgroundImage_)
        + sp.toString("Red", GetRValue(color_)) + sp.toString("Green", GetGValue(color_))
        + sp.toString("Blue", GetBValue(color_)) + sp.toString("Resource Only", resourceOnly);
}

unsigned char ImageClear::draw(CDC*, CSize)
{
    return 0;
}
