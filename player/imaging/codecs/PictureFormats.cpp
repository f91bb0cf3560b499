#include "player/imaging/codecs/PictureFormats.h"

#include "platform/CStdioFile.h"
#include "player/imaging/codecs/DibPixels.h"
#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/codecs/SafeFileWriter.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>

extern const PictureFormat kBmpFormat;
extern const PictureFormat kGifFormat;
#ifdef MIRRIM_HAVE_JPEG
extern const PictureFormat kJpegFormat;
#endif
#ifdef MIRRIM_HAVE_PNG
extern const PictureFormat kPngFormat;
#endif

namespace {

// "the budget of 65535 pixels a side and 268 megapixels (16384 x 16384) in all"
std::string BudgetText()
{
    long long square = 1;
    while ((square + 1) * (square + 1) <= kPixelBudget.maxPixels)
        ++square;
    return "the budget of " + std::to_string(kPixelBudget.maxSide) + " pixels a side and "
        + std::to_string(kPixelBudget.maxPixels / 1000000) + " megapixels (" + std::to_string(square) + " x "
        + std::to_string(square) + ") in all";
}

// "a, b or c"
std::string ListText(const std::vector<std::string>& items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " or " : ", ") + items[i];
    return text;
}

} // namespace

const std::vector<const PictureFormat*>& PictureFormats()
{
    static const std::vector<const PictureFormat*> formats = {
#ifdef MIRRIM_HAVE_JPEG
        &kJpegFormat,
#endif
        &kGifFormat,
        &kBmpFormat,
#ifdef MIRRIM_HAVE_PNG
        &kPngFormat,
#endif
    };
    return formats;
}

const PictureFormat* FormatOfContent(const std::uint8_t* data, std::size_t size)
{
    for (const PictureFormat* format : PictureFormats()) {
        if (format->sniff(data, size))
            return format;
    }
    return nullptr;
}

const PictureFormat* FormatOfExtension(const CString& fileName)
{
    const std::string& name = fileName.str();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos)
        return nullptr;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const PictureFormat* format : PictureFormats()) {
        if (!format->write)
            continue;
        for (const char* const* e = format->extensions; *e; ++e) {
            if (extension == *e)
                return format;
        }
    }
    return nullptr;
}

const PictureFormat* FormatNamed(const char* name)
{
    for (const PictureFormat* format : PictureFormats()) {
        if (std::strcmp(format->name, name) == 0)
            return format;
    }
    return nullptr;
}

std::string WritableExtensions()
{
    std::vector<std::string> all;
    for (const PictureFormat* format : PictureFormats()) {
        if (!format->write)
            continue;
        for (const char* const* e = format->extensions; *e; ++e)
            all.push_back(std::string(".") + *e);
    }
    return ListText(all);
}

PictureFile ReadPictureFile(const CString& fileName)
{
    PictureFile file;
    PictureRead& read = file.read;
    struct stat st { };
    if (::stat(fileName.c_str(), &st) != 0) {
        file.systemError = errno;
        read.status = errno == ENOENT || errno == ENOTDIR ? PictureStatus::Missing : PictureStatus::Unreadable;
        return file;
    }
    if (!S_ISREG(st.st_mode)) {
        file.systemError = S_ISDIR(st.st_mode) ? EISDIR : 0;
        read.status = PictureStatus::Unreadable;
        return file;
    }
    if (static_cast<unsigned long long>(st.st_size) > kMaxPictureFileBytes) {
        read.status = PictureStatus::TooLarge;
        return file;
    }
    std::vector<unsigned char> bytes;
    try {
        if (!platform::ReadWholeFile(fileName.str(), kMaxPictureFileBytes, bytes)) {
            file.systemError = errno;
            read.status = PictureStatus::Unreadable;
            return file;
        }
        file.format = FormatOfContent(bytes.data(), bytes.size());
        if (!file.format) {
            read.status = PictureStatus::UnknownFormat;
            return file;
        }
        read = file.format->read(bytes.data(), bytes.size());
    } catch (const std::bad_alloc&) {
        read = PictureRead();
        read.status = PictureStatus::NoMemory;
    }
    return file;
}

std::string DescribeReadFailure(PictureStatus status)
{
    switch (status) {
    case PictureStatus::Read:
        return "read";
    case PictureStatus::Missing:
        return "no such file";
    case PictureStatus::Unreadable:
        return "the file cannot be read";
    case PictureStatus::TooLarge:
        return "the file is larger than any picture we can show (1 GiB)";
    case PictureStatus::UnknownFormat: {
        std::vector<std::string> names;
        for (const PictureFormat* format : PictureFormats())
            names.push_back(format->name);
        return "not a " + ListText(names) + " picture";
    }
    case PictureStatus::Damaged:
        return "a damaged or unsupported picture";
    case PictureStatus::OverBudget:
        return "a picture larger than " + BudgetText();
    case PictureStatus::NoMemory:
        return "not enough memory for the picture";
    }
    return "cannot be read";
}

std::string DescribeReadFailure(const PictureFile& file)
{
    const PictureRead& read = file.read;
    switch (read.status) {
    case PictureStatus::Unreadable:
        if (file.systemError != 0)
            return std::strerror(file.systemError);
        return "not a regular file";
    case PictureStatus::Damaged:
        if (file.format)
            return std::string("a damaged or unsupported ") + file.format->name + " file";
        break;
    case PictureStatus::OverBudget:
        if (read.width > 0 && read.height > 0)
            return "a " + std::to_string(read.width) + " x " + std::to_string(read.height) + " picture, larger than "
                + BudgetText();
        break;
    default:
        break;
    }
    return DescribeReadFailure(read.status);
}

int SavePicture(const CString& fileName, const PictureFormat& format, RgbRows&& rows, int quality)
{
    if (!format.write || rows.Width() <= 0) {
        errno = format.write ? EINVAL : ENOSYS;
        return 0;
    }
    return SaveFile(fileName, [&](std::FILE* file) { return format.write(file, rows, quality); });
}

int SavePictureBlock(const CString& fileName, const PictureFormat& format, const std::vector<std::uint8_t>& block)
{
    if (!format.writeBlock || !DibPixels(block.data(), block.size()).Valid()) {
        errno = format.writeBlock ? EINVAL : ENOSYS;
        return 0;
    }
    return SaveFile(fileName, [&](std::FILE* file) { return format.writeBlock(file, block); });
}

std::string DescribeSaveFailure(int error)
{
    switch (error) {
    case EDOM:
        return "the picture is larger than the format can hold";
    case EINVAL:
        return "there is no picture to save";
    case ENOSYS:
        return "this build cannot write that format";
    default:
        return std::strerror(error);
    }
}
