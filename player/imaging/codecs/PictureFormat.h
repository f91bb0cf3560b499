#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class RgbRows;

// What became of an attempt to read a picture.
enum class PictureStatus {
    Read,
    Missing, // no such file
    Unreadable, // the file could not be opened or read (the system's reason is kept)
    TooLarge, // a file larger than any picture within the pixel budget needs
    UnknownFormat, // no format recognises its first bytes
    Damaged, // recognised, but broken, cut off before its pixels, or of a kind we do not decode
    OverBudget, // a picture larger than the pixel budget
    NoMemory,
};

// What a reader gives: a DIB block (see DibLayout.h) when the status is Read, and the size the file
// claims once it is known.
struct PictureRead {
    PictureStatus status = PictureStatus::Damaged;
    long long width = 0;
    long long height = 0;
    std::vector<std::uint8_t> block;
};

// One picture file format: one row of the table in PictureFormats.h, defined in its own codec file.
struct PictureFormat {
    const char* name; // "PNG"
    const char* const* extensions; // lower case, without the dot, null-terminated; the first is the usual one
    // True when the first bytes are this format's signature; only one format claims any file.
    bool (*sniff)(const std::uint8_t* data, std::size_t size);
    PictureRead (*read)(const std::uint8_t* data, std::size_t size);
    // Writes a picture to an open file (quality for lossy formats, 0 to 100); null for a format we only
    // read. On failure errno says why: the system's reason, or EDOM for a picture too large for the
    // format.
    bool (*write)(std::FILE* file, RgbRows& rows, int quality);
    // Writes a picture's own block (DibLayout.h: its depth, masks and colour table) when the format can
    // hold it; null otherwise.
    bool (*writeBlock)(std::FILE* file, const std::vector<std::uint8_t>& block);
};
