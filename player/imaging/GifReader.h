#pragma once

#include "platform/CString.h"
#include "player/imaging/RgbImage.h"

#include <cstddef>
#include <cstdint>

// Reads the first image of a GIF87a or GIF89a file. The reader keeps the text of its last message
// ("No Error" when made), which says why a read failed.
class GifReader {
public:
    bool ReadGif(const CString& fileName, RgbImage& out);
    bool ReadGifMemory(const std::uint8_t* data, std::size_t size, RgbImage& out);
    CString GetMessage() const { return message_; }

private:
    CString message_ = "No Error";
};
