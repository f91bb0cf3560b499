#include "particle/constraints/ImageClear.h"

#include "particle/constraints/ColourTags.h"
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
    color_ = ReadColourTags(sp, params, color_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ImageClear::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Image", image_) + sp.toString("Background Image", backgroundImage_) + ColourTags(sp, color_)
        + sp.toString("Resource Only", resourceOnly);
}

unsigned char ImageClear::draw(CDC*, CSize)
{
    return 0;
}
