#include "particle/constraints/Cameleon.h"

#include "particle/core/DefinitionSource.h"
#include "particle/core/IImageProvider.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"
#include "platform/Numbers.h"

std::unique_ptr<IConstraint> Cameleon::Create()
{
    return std::make_unique<Cameleon>();
}

CString Cameleon::GetClassName()
{
    return "constraint.Cameleon";
}

unsigned char Cameleon::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    if (!store)
        return 0;
    IImage* picture = store->GetImage(imageName_);
    if (!picture) {
        std::unique_ptr<IImage> loaded
            = store->CreateImageFromFile(ResolveBeside(imageFilename_.str(), sourceDirectory_));
        if (!loaded)
            return 0;
        picture = loaded.get();
        store->AddImage(imageName_, std::move(loaded));
    }
    picture->Lock();
    const int count = system->particles.getParticleCount();
    for (int i = 0; i < count; ++i) {
        IGlintmote* p = system->particles.getParticle(i);
        if (!p || (group_ != -1 && p->getGroup() != group_))
            continue;
        const int x = platform::TruncToInt((p->getPreviousLocationX() + p->getLocationX()) * 0.5f);
        const int y = platform::TruncToInt((p->getPreviousLocationY() + p->getLocationY()) * 0.5f);
        p->setColor(picture->GetPixel(x, y));
    }
    picture->Unlock();
    return 1;
}

unsigned char Cameleon::setParametersFromString(CString params)
{
    StringParameters sp;
    group_ = sp.getIntParameter(params, "Group", group_);
    imageName_ = sp.getStringParameter(params, "Image Name", "Cameleon Image");
    imageFilename_ = sp.getStringParameter(params, "Image Filename", CString());
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    sourceDirectory_ = DefinitionSource::CurrentDirectoryOr(sourceDirectory_);
    return 1;
}

CString Cameleon::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Group", group_) + sp.toString("Image Name", imageName_)
        + sp.toString("Image Filename", imageFilename_) + sp.toString("Resource Only", resourceOnly);
}

unsigned char Cameleon::draw(CDC*, CSize)
{
    return 1;
}
