#pragma once

#include "particle/ParticleExport.h"

#include "platform/CString.h"

// Reader and writer of tag parameter text: a value V named N is written <N>V</N>. Readers take the first
// opening tag and the first closing tag after it; everything else in the text is ignored. Numbers are
// read and written the same way whatever the process locale.
class PARTICLE_EXPORT StringParameters {
public:
    virtual ~StringParameters() = default;

    // The typed readers return the default when the tag is missing, unclosed or empty.
    virtual int getIntParameter(CString params, CString name, int defaultValue);
    virtual float getFloatParameter(CString params, CString name, float defaultValue);
    // 1 for "true" in any letter case, else 0.
    virtual unsigned char getBooleanParameter(CString params, CString name, unsigned char defaultValue);
    // The raw text between the tags, untrimmed; an empty value is returned as found.
    virtual CString getStringParameter(CString params, CString name, CString defaultValue);

    // One tag and a CR LF: <name>value</name>\r\n
    virtual CString toString(CString name, CString value);
    virtual CString toString(CString name, unsigned char value); // "true" / "false"
    virtual CString toString(CString name, float value); // "%f"
    virtual CString toString(CString name, int value); // "%d"
};
