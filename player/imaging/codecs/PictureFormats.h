#pragma once

#include "platform/CString.h"
#include "player/imaging/codecs/PictureFormat.h"
#include "player/imaging/codecs/RgbRows.h"

#include <string>
#include <vector>

// The picture formats this build reads and writes, one row each. A format is a codec file that defines
// its row and one line in PictureFormats.cpp; a build without a library leaves its row out.
const std::vector<const PictureFormat*>& PictureFormats();
// The format whose signature the data starts with; null when none does.
const PictureFormat* FormatOfContent(const std::uint8_t* data, std::size_t size);
// The format a file name's extension names, in any letter case; null when it names none.
const PictureFormat* FormatOfExtension(const CString& fileName);
// The format of that name ("BMP", "JPEG", "GIF", "PNG"); null when this build has none.
const PictureFormat* FormatNamed(const char* name);
// ".bmp, .jpg, .jpeg or .png": every extension a picture can be written under.
std::string WritableExtensions();

// The outcome of reading a picture file: the status, the reader's result, and what a message needs.
struct PictureFile {
    PictureRead read;
    const PictureFormat* format = nullptr; // the format its content claims, when one does
    int systemError = 0; // errno, when the file could not be read
};

// Reads the whole file and decodes it with the format its first bytes name, whatever its extension.
PictureFile ReadPictureFile(const CString& fileName);
// Why a picture could not be read, for a message: "no such file", "a damaged or unsupported JPEG file",
// "a 70000 x 70000 picture, more than the 65535 pixels a side and 64 megapixels allowed", ...
std::string DescribeReadFailure(const PictureFile& file);
// Where nothing more is known than the status.
std::string DescribeReadFailure(PictureStatus status);

// Writes the rows to fileName in the format, through SafeFileWriter (its rules for links, pipes and
// devices). 1 when written; 0 otherwise, with errno saying why.
int SavePicture(const CString& fileName, const PictureFormat& format, RgbRows&& rows, int quality);
// Writes a picture's own block to fileName in a format that holds blocks (writeBlock). 1 when written;
// 0 otherwise, with errno saying why. Nothing is opened for a block that cannot be written, so a pipe or
// device named sees nothing.
int SavePictureBlock(const CString& fileName, const PictureFormat& format, const std::vector<std::uint8_t>& block);
// Why a save failed, from the errno it left: the system's own words, or what the format could not take.
std::string DescribeSaveFailure(int error);
