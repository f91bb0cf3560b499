#include "player/app/Finding.h"

#include <algorithm>
#include <cstdio>

namespace {

// The length of the well-formed UTF-8 sequence starting at text[i] (a byte of 0x80 or more), or 0.
std::size_t utf8Length(const std::string& text, std::size_t i)
{
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    const std::size_t length = c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    const unsigned char low = c == 0xe0 ? 0xa0 : c == 0xf0 ? 0x90 : 0x80;
    const unsigned char high = c == 0xed ? 0x9f : c == 0xf4 ? 0x8f : 0xbf;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
    }
    return length;
}

// A JSON string; bytes that are not UTF-8 become U+FFFD, so the output is always valid JSON.
std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const std::size_t length = utf8Length(text, i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
                continue;
            }
            out.append(text, i, length);
            i += length;
            continue;
        }
        ++i;
    }
    return out + "\"";
}

} // namespace

std::string Finding::Text() const
{
    std::string where = file;
    if (line > 0)
        where += ":" + std::to_string(line);
    return where + (severity == Severity::Error ? ": error: " : ": warning: ") + message;
}

bool HasErrors(const std::vector<Finding>& findings)
{
    return std::any_of(
        findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Finding::Severity::Error; });
}

std::string FindingsText(const std::vector<Finding>& findings)
{
    std::string text;
    for (const Finding& f : findings)
        text += f.Text() + "\n";
    return text;
}

std::string FindingsJson(const std::vector<Finding>& findings)
{
    std::string json = "[";
    for (const Finding& f : findings) {
        json += json.size() > 1 ? ",\n " : "\n ";
        json += "{\"file\": " + jsonString(f.file) + ", \"line\": " + std::to_string(f.line)
            + ", \"severity\": " + (f.severity == Finding::Severity::Error ? "\"error\"" : "\"warning\"")
            + ", \"kind\": " + jsonString(f.kind) + ", \"message\": " + jsonString(f.message)
            + ", \"suggestion\": " + (f.suggestion.empty() ? "null" : jsonString(f.suggestion)) + "}";
    }
    return json + (findings.empty() ? "]\n" : "\n]\n");
}

std::string Quoted(const std::string& text)
{
    constexpr std::size_t kLongest = 60;
    std::string out = "'";
    for (std::size_t i = 0; i < text.size() && i < kLongest; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + (text.size() > kLongest ? "...'" : "'");
}
