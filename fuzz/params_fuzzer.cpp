// Tag parameter reader: the first line of the input is a parameter name, the rest the parameter text.
#include "FuzzTarget.h"
#include "particle/core/StringParameters.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t cut = input.find('\n');
    CString name(input.substr(0, cut == std::string::npos ? 0 : cut));
    CString params(cut == std::string::npos ? input : input.substr(cut + 1));
    StringParameters sp;
    sp.getStringParameter(params, name, "default");
    sp.getIntParameter(params, name, 7);
    sp.getFloatParameter(params, name, 0.5f);
    sp.getBooleanParameter(params, name, 1);
    // What is written must read back.
    CString value = sp.getStringParameter(params, name, "");
    if (value.Find("</") < 0 && name.Find(">") < 0) {
        CString written = sp.toString(name, value);
        if (sp.getStringParameter(written, name, "x") != value)
            __builtin_trap();
    }
    return 0;
}
