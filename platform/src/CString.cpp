#include "platform/CString.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <locale.h>
#include <strings.h>

namespace {

std::size_t clampIndex(int index, std::size_t size)
{
    if (index < 0)
        return 0;
    return std::min(static_cast<std::size_t>(index), size);
}

locale_t cLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

int CString::Find(const CString& what, int start) const
{
    if (start < 0 || static_cast<std::size_t>(start) > s_.size())
        return -1;
    std::size_t at = s_.find(what.s_, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(char what, int start) const
{
    if (start < 0 || static_cast<std::size_t>(start) > s_.size())
        return -1;
    std::size_t at = s_.find(what, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char what) const
{
    std::size_t at = s_.rfind(what);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Mid(int first) const
{
    return CString(s_.substr(clampIndex(first, s_.size())));
}

CString CString::Mid(int first, int count) const
{
    std::size_t from = clampIndex(first, s_.size());
    std::size_t n = count < 0 ? 0 : static_cast<std::size_t>(count);
    return CString(s_.substr(from, n));
}

CString CString::Left(int count) const
{
    return CString(s_.substr(0, clampIndex(count, s_.size())));
}

CString CString::Right(int count) const
{
    std::size_t n = clampIndex(count, s_.size());
    return CString(s_.substr(s_.size() - n));
}

int CString::CompareNoCase(const CString& other) const
{
    return strcasecmp(s_.c_str(), other.s_.c_str());
}

void CString::Format(const char* format, ...)
{
    locale_t previous = uselocale(cLocale());
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (needed < 0) {
        s_.clear();
    } else {
        std::string out(static_cast<std::size_t>(needed) + 1, '\0');
        std::vsnprintf(&out[0], out.size(), format, again);
        out.resize(static_cast<std::size_t>(needed));
        s_ = std::move(out);
    }
    va_end(again);
    uselocale(previous);
}
