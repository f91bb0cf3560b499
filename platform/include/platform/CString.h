#pragma once

#include "platform/PlatformExport.h"

#include <cstddef>
#include <string>

// A byte string value. Positions and lengths count bytes; nothing here knows about characters or locales.
class PLATFORM_EXPORT CString {
public:
    CString() = default;
    CString(const char* text)
        : s_(text ? text : "")
    {
    }
    CString(const char* text, int length)
        : s_(text ? std::string(text, length > 0 ? length : 0) : std::string())
    {
    }
    CString(std::string text)
        : s_(std::move(text))
    {
    }

    int GetLength() const { return static_cast<int>(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }
    const char* c_str() const { return s_.c_str(); }
    const std::string& str() const { return s_; }
    char operator[](int index) const { return s_[static_cast<std::size_t>(index)]; }

    // Position of the first occurrence at or after start, or -1.
    int Find(const CString& what, int start = 0) const;
    int Find(char what, int start = 0) const;
    int ReverseFind(char what) const;
    // Out-of-range arguments are clamped, as the classic string class does.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;
    int CompareNoCase(const CString& other) const;

    // printf-style formatting, always in the "C" locale whatever the process locale is.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    CString& operator+=(const CString& other)
    {
        s_ += other.s_;
        return *this;
    }
    CString& operator+=(const char* other)
    {
        s_ += other;
        return *this;
    }
    CString& operator+=(char c)
    {
        s_ += c;
        return *this;
    }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.s_ + b.s_); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.s_ + b); }
    friend CString operator+(const char* a, const CString& b) { return CString(a + b.s_); }
    friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
    friend bool operator!=(const CString& a, const CString& b) { return a.s_ != b.s_; }
    friend bool operator<(const CString& a, const CString& b) { return a.s_ < b.s_; }
    friend bool operator==(const CString& a, const char* b) { return a.s_ == b; }
    friend bool operator!=(const CString& a, const char* b) { return a.s_ != b; }

private:
    std::string s_;
};
