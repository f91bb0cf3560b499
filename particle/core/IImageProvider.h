#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IImage.h"

#include <memory>

// The host's named-picture store. Names need not be unique: lookups by name take the first entry in
// insertion order, compared byte for byte. Pictures in the store belong to it; a caller must not keep a
// picture it got from the store beyond the call that uses it, because the store may replace it.
class PARTICLE_EXPORT IImageProvider {
public:
    // A black picture, not entered in the store; null if it cannot be made.
    virtual std::unique_ptr<IImage> CreateImage(int width, int height) = 0;
    // A new picture loaded from the file (a placeholder if loading failed), not entered in the store.
    virtual std::unique_ptr<IImage> CreateImageFromFile(CString fileName) = 0;
    // Appends an entry and takes the picture; always 1.
    virtual unsigned char AddImage(CString name, std::unique_ptr<IImage> image) = 0;
    // Takes the first entry of that name out of the store and hands its picture back; null if none.
    virtual std::unique_ptr<IImage> DetachImage(CString name) = 0;
    // Removes the first entry of that name and destroys its picture; 1 if one was removed.
    virtual unsigned char RemoveImage(CString name) = 0;
    // Null for an index out of range.
    virtual IImage* GetImageAt(int index) = 0;
    virtual IImage* GetImage(CString name) = 0;
    virtual int GetImageCount() = 0;

protected:
    ~IImageProvider() = default;
};
