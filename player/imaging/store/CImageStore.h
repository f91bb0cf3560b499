#pragma once

#include "particle/core/IImageProvider.h"
#include "player/imaging/store/CNamedImage.h"

#include <memory>
#include <vector>

// The named pictures the engine draws into and reads from. Entries stay in insertion order; names need
// not be unique, and every lookup by name takes the first entry whose name matches byte for byte.
class CImageStore : public IImageProvider {
public:
    CImageStore() = default;
    CImageStore(const CImageStore&) = delete;
    CImageStore& operator=(const CImageStore&) = delete;

    std::unique_ptr<IImage> CreateImage(int width, int height) override;
    std::unique_ptr<IImage> CreateImageFromFile(CString fileName) override;
    unsigned char AddImage(CString name, std::unique_ptr<IImage> image) override;
    std::unique_ptr<IImage> DetachImage(CString name) override;
    unsigned char RemoveImage(CString name) override;
    IImage* GetImageAt(int index) override;
    IImage* GetImage(CString name) override;
    int GetImageCount() override;

    // Destroys every entry and its picture.
    virtual ~CImageStore();
    // Empty for an index out of range.
    virtual CString GetImageName(int index);
    // Renames the first entry called oldName; 1 if there was one.
    virtual unsigned char RenameImage(CString oldName, CString newName);
    // 0 for an index out of range.
    virtual unsigned char SetImageName(int index, CString name);

private:
    CNamedImage* entryAt(int index) const;
    std::vector<std::unique_ptr<CNamedImage>>::iterator find(const CString& name);

    std::vector<std::unique_ptr<CNamedImage>> entries_;
};
