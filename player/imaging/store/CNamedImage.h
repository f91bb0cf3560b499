#pragma once

#include "particle/core/IImage.h"
#include "platform/CObject.h"
#include "platform/CString.h"

#include <memory>

// One entry of the picture store: a name and the picture it owns.
class CNamedImage : public CObject {
public:
    CNamedImage(CString name, std::unique_ptr<IImage> image)
        : name_(std::move(name))
        , image_(std::move(image))
    {
    }

    const CString& GetName() const { return name_; }
    void SetName(CString name) { name_ = std::move(name); }
    IImage* GetImage() const { return image_.get(); }
    // Hands the picture over; the entry is left without one.
    std::unique_ptr<IImage> TakeImage() { return std::move(image_); }

private:
    CString name_;
    std::unique_ptr<IImage> image_;
};
