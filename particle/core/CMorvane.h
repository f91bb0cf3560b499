#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/ParticleSystem.h"

class IImageProvider;

// The one object through which a host uses the engine: it owns the particle system, keeps the host's
// settings (drawing-area size, erase flag, picture names, colours and counts for particles made at a
// point) and lists the classes the engine can create. It never owns the picture store: the host hands
// it over with SetImageProvider after construction and withdraws it (null) before destroying the store.
class PARTICLE_EXPORT CMorvane : public CObject {
public:
    // Loads the default definition file "flame1.vq" from the directory the library was built with;
    // without that file the scene starts empty.
    CMorvane();
    // The same, looking for "flame1.vq" in definitionDirectory instead (which must end with "/"): for
    // tests and for hosts that keep their own data directory.
    explicit CMorvane(CString definitionDirectory);
    ~CMorvane() override;

    // Still owned by the facade; the host reaches the particles and constraints through it.
    ParticleSystem* getParticleSystem();

    // Adds count particles at the point with this facade's hue range, saturation and brightness.
    virtual void createParticles(int count, CPoint point);
    virtual CString GetBackgroundImageStr();
    virtual CString GetForegroundImageStr();
    virtual unsigned char SetBackgroundImageStr(CString name);
    virtual unsigned char SetForegroundImageStr(CString name);
    virtual int getParticlesCreatedStill();
    virtual int getParticlesCreatedDrag();
    virtual float getHueMin();
    virtual float getHueMax();
    virtual float getSaturation();
    virtual float getBrightness();
    virtual void setParticlesCreatedStill(int count);
    virtual void setParticlesCreatedDrag(int count);
    virtual void setHueMin(float value);
    virtual void setHueMax(float value);
    virtual void setSaturation(float value);
    virtual void setBrightness(float value);
    virtual int getWidth();
    virtual int getHeight();
    virtual void setWidth(int width);
    virtual void setHeight(int height);
    virtual IImageProvider* GetImageProvider();
    // Also hands the pointer to the particle system.
    virtual void SetImageProvider(IImageProvider* provider);
    virtual void erase(unsigned char shouldErase);
    virtual unsigned char shouldErase();
    // Class listings, in registry order. A name query outside 0..count-1 gives an empty string.
    virtual int GetParticleClassCount();
    virtual CString GetParticleClassName(int index);
    virtual int GetConstraintClassCount();
    virtual CString GetConstraintClassName(int index);

private:
    IImageProvider* imageProvider_ = nullptr;
    CString backgroundImageStr_;
    CString foregroundImageStr_;
    ParticleSystem particleSystem_;
    int particlesCreatedStill_ = 15;
    int particlesCreatedDrag_ = 15;
    float hueMin_ = 0.5f;
    float hueMax_ = 0.75f;
    float saturation_ = 1.0f;
    float brightness_ = 1.0f;
    int width_ = 320;
    int height_ = 240;
    unsigned char shouldErase_ = 1;
};
