#include "particle/constraints/ImageLoad.h"

#include "particle/constraints/FileNamePattern.h"
#include "particle/core/DefinitionSource.h"
#include "particle/core/IImageProvider.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

#include <climits>

std::unique_ptr<IConstraint> ImageLoad::Create()
{
    return std::make_unique<ImageLoad>();
}

CString ImageLoad::GetClassName()
{
    return "image.ImageLoad";
}

unsigned char ImageLoad::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    if (!store)
        return 0;
    std::unique_ptr<IImage> picture = store->CreateImage(10, 10);
    if (!picture)
        return 0;
    const CString fileName
        = ResolveBeside(FormatFileNamePattern(imageFilename_, currentIndex_).str(), sourceDirectory_);
    // The index moves on before the file is tried, whether or not it loads. It stops at INT_MAX
    // rather than overflowing.
    if (currentIndex_ < INT_MAX)
        ++currentIndex_;
    if (picture->LoadFile(fileName)) {
        store->RemoveImage(image_);
        store->AddImage(image_, std::move(picture));
        if (endIndex_ != -1 && loop_ && currentIndex_ > endIndex_)
            currentIndex_ = startIndex_;
        return 1;
    }
    if (loop_ && (endIndex_ == -1 || currentIndex_ > endIndex_))
        currentIndex_ = startIndex_;
    return 0;
}

unsigned char ImageLoad::setParametersFromString(CString params)
{
    StringParameters sp;
    image_ = sp.getStringParameter(params, "Image", image_);
    imageFilename_ = sp.getStringParameter(params, "Image Filename", imageFilename_);
    currentIndex_ = sp.getIntParameter(params, "Current Index", currentIndex_);
    startIndex_ = sp.getIntParameter(params, "Start Index", startIndex_);
    endIndex_ = sp.getIntParameter(params, "End Index", endIndex_);
    loop_ = sp.getBooleanParameter(params, "Loop", loop_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    sourceDirectory_ = DefinitionSource::CurrentDirectoryOr(sourceDirectory_);
    return 1;
}

CString ImageLoad::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Image", image_) + sp.toString("Image Filename", imageFilename_)
        + sp.toString("Current Index", currentIndex_) + sp.toString("Start Index", startIndex_)
        + sp.toString("End Index", endIndex_) + sp.toString("Loop", loop_) + sp.toString("Resource Only", resourceOnly);
}

unsigned char ImageLoad::draw(CDC*, CSize)
{
    return 0;
}
