#include "platform/CArchive.h"

#include <cstring>

bool CArchiveReader::take(std::size_t n, const std::uint8_t*& at)
{
    if (failed_ || n > size_ - pos_) {
        failed_ = true;
        return false;
    }
    at = data_ + pos_;
    pos_ += n;
    return true;
}

bool CArchiveReader::ReadInt(std::int32_t& value)
{
    const std::uint8_t* at;
    if (!take(4, at))
        return false;
    std::uint32_t u = static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8
        | static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    std::memcpy(&value, &u, sizeof value);
    return true;
}

bool CArchiveReader::ReadFloat(float& value)
{
    std::int32_t bits;
    if (!ReadInt(bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool CArchiveReader::ReadString(CString& value)
{
    const std::uint8_t* at;
    if (!take(1, at))
        return false;
    std::uint64_t length = at[0];
    if (length == 0xFF) {
        if (!take(2, at))
            return false;
        length = static_cast<std::uint64_t>(at[0]) | static_cast<std::uint64_t>(at[1]) << 8;
        if (length == 0xFFFF) {
            std::int32_t wide;
            if (!ReadInt(wide))
                return false;
            length = static_cast<std::uint32_t>(wide);
        }
    }
    if (!take(static_cast<std::size_t>(length), at))
        return false;
    value = CString(std::string(reinterpret_cast<const char*>(at), static_cast<std::size_t>(length)));
    return true;
}

void CArchiveWriter::put(std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void CArchiveWriter::WriteInt(std::int32_t value)
{
    std::uint32_t u;
    std::memcpy(&u, &value, sizeof u);
    put(u, 4);
}

void CArchiveWriter::WriteFloat(float value)
{
    std::uint32_t u;
    std::memcpy(&u, &value, sizeof u);
    put(u, 4);
}

void CArchiveWriter::WriteString(const CString& value)
{
    const std::size_t n = value.str().size();
    if (n < 0xFF) {
        put(static_cast<std::uint32_t>(n), 1);
    } else if (n < 0xFFFF) {
        put(0xFF, 1);
        put(static_cast<std::uint32_t>(n), 2);
    } else {
        put(0xFF, 1);
        put(0xFFFF, 2);
        put(static_cast<std::uint32_t>(n), 4);
    }
    bytes_.insert(bytes_.end(), value.str().begin(), value.str().end());
}
