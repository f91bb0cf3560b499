#pragma once

#include "platform/PlatformExport.h"

#include "platform/CString.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The archive encoding of scene files: little-endian 32-bit ints and IEEE floats, and strings with a
// length prefix (one byte below 255; else 0xFF and 16 bits below 0xFFFF; else 0xFF, 0xFFFF and 32 bits).
//
// The reader works on bytes already in memory. Every read checks that its bytes are there; a read past
// the end fails, and so does every read after it, so a caller can read field after field and look once.
// A length prefix claiming more than is left fails without allocating.
class PLATFORM_EXPORT CArchiveReader {
public:
    CArchiveReader(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(size)
    {
    }

    bool ReadInt(std::int32_t& value);
    bool ReadFloat(float& value);
    bool ReadString(CString& value);
    bool Failed() const { return failed_; }
    std::size_t Position() const { return pos_; }

private:
    bool take(std::size_t n, const std::uint8_t*& at);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

class PLATFORM_EXPORT CArchiveWriter {
public:
    void WriteInt(std::int32_t value);
    void WriteFloat(float value);
    void WriteString(const CString& value);
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    void put(std::uint32_t value, int bytes);

    std::vector<std::uint8_t> bytes_;
};
