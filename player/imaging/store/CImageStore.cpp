#include "player/imaging/store/CImageStore.h"

#include "player/imaging/store/CDibImage.h"

#include <new>

CImageStore::~CImageStore() = default;

std::unique_ptr<IImage> CImageStore::CreateImage(int width, int height)
{
    try {
        auto image = std::make_unique<CDibImage>();
        if (!image->GetDib().Create(width, height))
            return nullptr;
        return image;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<IImage> CImageStore::CreateImageFromFile(CString fileName)
{
    try {
        auto image = std::make_unique<CDibImage>();
        image->LoadFile(fileName);
        return image;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

unsigned char CImageStore::AddImage(CString name, std::unique_ptr<IImage> image)
{
    entries_.push_back(std::make_unique<CNamedImage>(std::move(name), std::move(image)));
    return 1;
}

std::vector<std::unique_ptr<CNamedImage>>::iterator CImageStore::find(const CString& name)
{
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if ((*it)->GetName() == name)
            return it;
    }
    return entries_.end();
}

std::unique_ptr<IImage> CImageStore::DetachImage(CString name)
{
    const auto it = find(name);
    if (it == entries_.end())
        return nullptr;
    std::unique_ptr<IImage> image = (*it)->TakeImage();
    entries_.erase(it);
    return image;
}

unsigned char CImageStore::RemoveImage(CString name)
{
    const auto it = find(name);
    if (it == entries_.end())
        return 0;
    // Out of the list before the picture goes, so the store is consistent while it is destroyed.
    std::unique_ptr<CNamedImage> entry = std::move(*it);
    entries_.erase(it);
    return 1;
}

CNamedImage* CImageStore::entryAt(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        return nullptr;
    return entries_[static_cast<std::size_t>(index)].get();
}

IImage* CImageStore::GetImageAt(int index)
{
    CNamedImage* entry = entryAt(index);
    return entry ? entry->GetImage() : nullptr;
}

IImage* CImageStore::GetImage(CString name)
{
    const auto it = find(name);
    return it == entries_.end() ? nullptr : (*it)->GetImage();
}

int CImageStore::GetImageCount()
{
    return static_cast<int>(entries_.size());
}

CString CImageStore::GetImageName(int index)
{
    CNamedImage* entry = entryAt(index);
    return entry ? entry->GetName() : CString();
}

unsigned char CImageStore::RenameImage(CString oldName, CString newName)
{
    const auto it = find(oldName);
    if (it == entries_.end())
        return 0;
    (*it)->SetName(std::move(newName));
    return 1;
}

unsigned char CImageStore::SetImageName(int index, CString name)
{
    CNamedImage* entry = entryAt(index);
    if (!entry)
        return 0;
    entry->SetName(std::move(name));
    return 1;
}
