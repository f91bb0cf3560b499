#include "particle/constraints/ImageDeltaParticleFactory.h"

#include "particle/core/IImageProvider.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

std::unique_ptr<IConstraint> ImageDeltaParticleFactory::Create()
{
    return std::make_unique<ImageDeltaParticleFactory>();
}

CString ImageDeltaParticleFactory::GetClassName()
{
    return "factory.ImageDeltaParticleFactory";
}

bool ImageDeltaParticleFactory::drivable(IConstraint* target) const
{
    if (target == this)
        return false;
    const auto* delta = dynamic_cast<const ImageDeltaParticleFactory*>(target);
    return !(delta && delta->applying_);
}

unsigned char ImageDeltaParticleFactory::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    // Re-entered through a collection it drives: refuse, or the recursion would not end.
    if (!store || applying_)
        return 0;
    IImage* picture = store->GetImage(deltaImageName_);
    if (!picture)
        return 0;
    applying_ = true;
    picture->Lock();
    StringParameters sp;
    const int count = system->constraints.getConstraintCount();
    for (int i = 0; i < count && picture; ++i) {
        IConstraint* target = system->constraints.getConstraint(i);
        if (!target || target->GetCustomName() != factoryResource_ || !drivable(target))
            continue;
        for (int y = 0; picture && y < picture->GetHeight(); ++y) {
            for (int x = 0; picture && x < picture->GetWidth(); ++x) {
                const COLORREF c = picture->GetPixel(x, y);
                if (GetRValue(c) + GetGValue(c) + GetBValue(c) == 0)
                    continue;
                target->setParametersFromString(sp.toString(xVariableName_, x) + sp.toString(yVariableName_, y));
                target->apply(system);
                IImage* now = store->GetImage(deltaImageName_);
                if (now != picture) {
                    picture = now; // replaced (carry on over the new one) or gone (stop)
                    if (picture)
                        picture->Lock();
                }
                // The driven constraint may have changed the list itself; never keep a stale target.
                if (system->constraints.getConstraint(i) != target)
                    break;
            }
            if (system->constraints.getConstraint(i) != target)
                break;
        }
    }
    if (picture)
        picture->Unlock();
    applying_ = false;
    return 1;
}

unsigned char ImageDeltaParticleFactory::setParametersFromString(CString params)
{
    StringParameters sp;
    factoryResource_ = sp.getStringParameter(params, "Factory Resource", factoryResource_);
    xVariableName_ = sp.getStringParameter(params, "X VariableName", xVariableName_);
    yVariableName_ = sp.getStringParameter(params, "Y VariableName", yVariableName_);
    deltaImageName_ = sp.getStringParameter(params, "Delta Image Name", deltaImageName_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    return 1;
}

CString ImageDeltaParticleFactory::getParameterExample()
{
    StringParameters sp;
    return sp.toString("Factory Resource", factoryResource_)
        + "// Factory Resource: custom name assigned to the constraint.\r\n"
        + sp.toString("X VariableName", xVariableName_) + sp.toString("Y VariableName", yVariableName_)
        + "// X/Y VariableName: variable names of the specified factory resource which are affected by the "
          "pixel coordinates\r\n"
        + sp.toString("Delta Image Name", deltaImageName_)
        + "// Delta Image Name: Image resource name which indicates where to invoke the factory constraint "
          "specified.\r\n"
        + sp.toString("Resource Only", resourceOnly)
        + "// Any pixel which is not black (RGB(0,0,0)) will invoke the specified factory.\r\n"
          "// Choose your image carefully (there are a lot of pixels in what may appear to be a small image).\r\n";
}

unsigned char ImageDeltaParticleFactory::draw(CDC*, CSize)
{
    return 1;
}
