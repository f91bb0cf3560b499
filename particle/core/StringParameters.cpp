#include "particle/core/StringParameters.h"

#include "platform/Numbers.h"

#include <strings.h>

namespace {

// Finds the value of a tag without copying the text; false when the tag is missing or not closed.
bool findValue(const std::string& params, const std::string& name, std::string& value)
{
    const std::string open = "<" + name + ">";
    const std::string close = "</" + name + ">";
    std::size_t start = params.find(open);
    if (start == std::string::npos)
        return false;
    start += open.size();
    std::size_t end = params.find(close, start);
    if (end == std::string::npos)
        return false;
    value.assign(params, start, end - start);
    return true;
}

} // namespace

CString StringParameters::getStringParameter(CString params, CString name, CString defaultValue)
{
    std::string value;
    if (!findValue(params.str(), name.str(), value))
        return defaultValue;
    return CString(std::move(value));
}

int StringParameters::getIntParameter(CString params, CString name, int defaultValue)
{
    CString value = getStringParameter(params, name, CString());
    if (value.IsEmpty())
        return defaultValue;
    return platform::ParseInt(value.c_str());
}

float StringParameters::getFloatParameter(CString params, CString name, float defaultValue)
{
    CString value = getStringParameter(params, name, CString());
    if (value.IsEmpty())
        return defaultValue;
    return platform::ToFloat(platform::ParseDouble(value.c_str()));
}

unsigned char StringParameters::getBooleanParameter(CString params, CString name, unsigned char defaultValue)
{
    CString value = getStringParameter(params, name, CString());
    if (value.IsEmpty())
        return defaultValue;
    return strcasecmp(value.c_str(), "true") == 0 ? 1 : 0;
}

CString StringParameters::toString(CString name, CString value)
{
    return "<" + name + ">" + value + "</" + name + ">\r\n";
}

CString StringParameters::toString(CString name, unsigned char value)
{
    return toString(name, CString(value ? "true" : "false"));
}

CString StringParameters::toString(CString name, float value)
{
    return toString(name, CString(platform::FormatFixed(static_cast<double>(value))));
}

CString StringParameters::toString(CString name, int value)
{
    return toString(name, CString(platform::FormatInt(value)));
}
