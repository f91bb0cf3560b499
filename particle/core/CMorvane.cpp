#include "particle/core/CMorvane.h"

#include "particle/core/ClassRegistry.h"

CMorvane::CMorvane()
    : CMorvane(CString(MIRRIM_DEF_LOCATION))
{
}

CMorvane::CMorvane(CString definitionDirectory)
{
    particleSystem_.constraints.setParametersFromString(
        "<DefLocation>" + definitionDirectory + "</DefLocation><DefFilename>flame1.vq</DefFilename>");
}

CMorvane::~CMorvane() = default;

ParticleSystem* CMorvane::getParticleSystem()
{
    return &particleSystem_;
}

void CMorvane::createParticles(int count, CPoint point)
{
    particleSystem_.createParticles(count, point, hueMin_, hueMax_, saturation_, brightness_);
}

CString CMorvane::GetBackgroundImageStr()
{
    return backgroundImageStr_;
}
CString CMorvane::GetForegroundImageStr()
{
    return foregroundImageStr_;
}

unsigned char CMorvane::SetBackgroundImageStr(CString name)
{
    backgroundImageStr_ = name;
    return 1;
}

unsigned char CMorvane::SetForegroundImageStr(CString name)
{
    foregroundImageStr_ = name;
    return 1;
}

int CMorvane::getParticlesCreatedStill()
{
    return particlesCreatedStill_;
}
int CMorvane::getParticlesCreatedDrag()
{
    return particlesCreatedDrag_;
}
float CMorvane::getHueMin()
{
    return hueMin_;
}
float CMorvane::getHueMax()
{
    return hueMax_;
}
float CMorvane::getSaturation()
{
    return saturation_;
}
float CMorvane::getBrightness()
{
    return brightness_;
}
void CMorvane::setParticlesCreatedStill(int count)
{
    particlesCreatedStill_ = count;
}
void CMorvane::setParticlesCreatedDrag(int count)
{
    particlesCreatedDrag_ = count;
}
void CMorvane::setHueMin(float value)
{
    hueMin_ = value;
}
void CMorvane::setHueMax(float value)
{
    hueMax_ = value;
}
void CMorvane::setSaturation(float value)
{
    saturation_ = value;
}
void CMorvane::setBrightness(float value)
{
    brightness_ = value;
}
int CMorvane::getWidth()
{
    return width_;
}
int CMorvane::getHeight()
{
    return height_;
}
void CMorvane::setWidth(int width)
{
    width_ = width;
}
void CMorvane::setHeight(int height)
{
    height_ = height;
}

IImageProvider* CMorvane::GetImageProvider()
{
    return imageProvider_;
}

void CMorvane::SetImageProvider(IImageProvider* provider)
{
    imageProvider_ = provider;
    particleSystem_.SetImageProvider(provider);
}

void CMorvane::erase(unsigned char shouldErase)
{
    shouldErase_ = shouldErase;
}
unsigned char CMorvane::shouldErase()
{
    return shouldErase_;
}

int CMorvane::GetParticleClassCount()
{
    return ClassRegistry().particleClassCount();
}

CString CMorvane::GetParticleClassName(int index)
{
    return ClassRegistry().particleClassName(index);
}

int CMorvane::GetConstraintClassCount()
{
    return ClassRegistry().constraintClassCount();
}

CString CMorvane::GetConstraintClassName(int index)
{
    return ClassRegistry().constraintClassName(index);
}
