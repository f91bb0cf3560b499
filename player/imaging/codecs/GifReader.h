#pragma once

#include "platform/CString.h"
#include "player/imaging/codecs/PictureFormat.h"

#include <cstddef>
#include <cstdint>

// Reads the first image of a GIF87a or GIF89a file into a 24-bit block at the image's own size. The
// reader keeps the text of its last message ("No Error" when made), which says why a read failed.
class GifReader {
public:
    PictureRead ReadGif(const CString& fileName);
    PictureRead ReadGifMemory(const std::uint8_t* data, std::size_t size);
    CString GetMessage() const { return message_; }

private:
    PictureRead fail(PictureRead read, const char* message);

    CString message_ = "No Error";
};
