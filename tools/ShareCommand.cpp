// mirrim-cli share: the page's address that carries a scene file, as the page's Share command makes it.
//
// The link is BASE#def=DATA[&seed=N][&pic=NAME:DATA]...: DATA is the file's bytes compressed in the
// zlib format (what the browser's CompressionStream("deflate") writes and its DecompressionStream
// reads) and written in base64url without padding; NAME is a picture's name relative to the scene, as
// encodeURIComponent writes it. The page reads the scene as Load reads a chosen file, so a scene file
// keeps its size, flags and part factory, and a definition file is its text.
#include "CliCommand.h"
#include "CliSupport.h"

#include "platform/CStdioFile.h"
#include "player/app/SceneFile.h"

#include <CLI/CLI.hpp>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// What a link may hold in all: browsers and chat programs take addresses well beyond this, but a
// scene that needs more is no longer a link to paste.
constexpr std::size_t kMaxLinkChars = 32 * 1024;
// The page shows its address at this place when scripts/web serves it.
constexpr const char* kDefaultBase = "http://127.0.0.1:8080/";

struct Options {
    std::string file;
    std::string base = kDefaultBase;
    int seed = -1;
};

using Bytes = std::vector<std::uint8_t>;

std::string Base64Url(const Bytes& bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (n > 1)
            v |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (n > 2)
            v |= bytes[i + 2];
        for (std::size_t k = 0; k <= n; ++k)
            out += digits[(v >> (18 - 6 * k)) & 63];
    }
    return out;
}

std::string Compressed(const Bytes& bytes)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(size);
    return Base64Url(out);
}

// As encodeURIComponent writes it.
std::string UriComponent(const std::string& text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || std::strchr("-_.!~*'()", c)) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// Where a printf integer conversion ("%d", "%04d", "%-3.2i") starts at s[at], its length; otherwise 0.
std::size_t conversionAt(const std::string& s, std::size_t at)
{
    const auto digit = [&s](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
    if (s[at] != '%')
        return 0;
    std::size_t i = at + 1;
    while (i < s.size() && std::string("-+ #0").find(s[i]) != std::string::npos)
        ++i;
    for (int n = 0; n < 3 && digit(i); ++n)
        ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        for (int n = 0; n < 3 && digit(i); ++n)
            ++i;
    }
    return i < s.size() && (s[i] == 'd' || s[i] == 'i') ? i + 1 - at : 0;
}

// Whether name is what the pattern gives for some numbers: its text as it stands, each conversion any run
// of digits. Places tried and failed are remembered, so that runs of conversions cannot take exponential
// time; both are file names, at most a few hundred characters.
class PatternMatch {
public:
    PatternMatch(const std::string& pattern, const std::string& name)
        : pattern_(pattern)
        , name_(name)
        , failed_((pattern.size() + 1) * (name.size() + 1), false)
    {
    }
    bool operator()(std::size_t p = 0, std::size_t n = 0)
    {
        for (; p < pattern_.size(); ++p, ++n) {
            if (const std::size_t length = conversionAt(pattern_, p))
                return digitsThenRest(p + length, n);
            if (n >= name_.size() || name_[n] != pattern_[p])
                return false;
        }
        return n == name_.size();
    }

private:
    bool digitsThenRest(std::size_t p, std::size_t n)
    {
        for (std::size_t end = n; end < name_.size() && name_[end] >= '0' && name_[end] <= '9'; ++end) {
            const std::size_t key = p * (name_.size() + 1) + end + 1;
            if (!failed_[key] && (*this)(p, end + 1))
                return true;
            failed_[key] = true;
        }
        return false;
    }

    const std::string& pattern_;
    const std::string& name_;
    std::vector<bool> failed_;
};

// The pictures that the scene's "Image Filename" tags name, a numbered pattern standing for every file it
// matches, as names relative to the scene's folder (those outside it begin with "../").
std::vector<std::string> NamedPictures(const std::string& definition, const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    constexpr std::size_t kLongestName = 255; // longer is no file name of this system
    const std::string open = "<Image Filename>";
    const std::string close = "</Image Filename>";
    std::vector<std::string> names;
    for (std::size_t at = definition.find(open); at != std::string::npos; at = definition.find(open, at)) {
        at += open.size();
        const std::size_t end = definition.find('<', at);
        if (end == std::string::npos || definition.compare(end, close.size(), close) != 0)
            continue;
        const std::string value = definition.substr(at, end - at);
        const fs::path relative(value);
        const std::string pattern = relative.filename().string();
        if (value.empty() || relative.is_absolute() || pattern.size() > kLongestName)
            continue;
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder / relative.parent_path(), error)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file(error) && PatternMatch(pattern, name)()) {
                const std::string path = (relative.parent_path() / name).lexically_normal().generic_string();
                if (std::find(names.begin(), names.end(), path) == names.end())
                    names.push_back(path);
            }
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

int runShare(const Options& o)
{
    const char* kCommand = "share";
    Bytes bytes;
    if (!platform::ReadWholeFile(o.file, kMaxSceneBytes, bytes))
        return cliFail(kCommand, "cannot read '" + o.file + "': " + platform::WhyUnreadable(o.file, kMaxSceneBytes));
    const std::optional<CString> definition = DefinitionOfFile(bytes);
    if (!definition || ConstraintBlockCount(definition->str()) == 0)
        return cliFail(kCommand, "'" + o.file + "' holds no scene the page could play");
    if (definition->Find("<DefFilename>") >= 0 || definition->Find("<DefLocation>") >= 0)
        return cliFail(kCommand, "'" + o.file + "' includes other definition files, which a link does not carry");

    // The link's fragment is the scene: one the page's address already has gives way to it.
    std::string link = o.base.substr(0, o.base.find('#')) + "#def=" + Compressed(bytes);
    if (o.seed >= 0)
        link += "&seed=" + std::to_string(o.seed);
    const std::filesystem::path folder = std::filesystem::path(o.file).parent_path();
    for (const std::string& name : NamedPictures(definition->str(), folder)) {
        // The page keeps a link's pictures in the scene's folder or below it.
        if (name.rfind("../", 0) == 0) {
            return cliFail(kCommand,
                "the picture '" + name + "' lies outside the scene's folder, and a link carries only pictures in it "
                    + "or below it");
        }
        Bytes picture;
        const std::string path = (folder / name).string();
        if (!platform::ReadWholeFile(path, kMaxSceneBytes, picture))
            return cliFail(kCommand, "cannot read the picture '" + path + "'");
        link += "&pic=" + UriComponent(name) + ":" + Compressed(picture);
    }
    if (link.size() > kMaxLinkChars) {
        return cliFail(kCommand,
            "the link would be " + std::to_string(link.size()) + " characters, beyond " + std::to_string(kMaxLinkChars)
                + "; the scene or its pictures are too large to travel in a link");
    }
    std::printf("%s\n", link.c_str());
    return 0;
}

} // namespace

CliRun AddShareCommand(CLI::App& program)
{
    CLI::App* command = program.add_subcommand("share", "print a link to the web page that plays a scene file");
    auto o = std::make_shared<Options>();
    command->add_option("FILE", o->file, "the scene file (.zrk) or definition file (.vq)")->required();
    command->add_option("--base", o->base, "the page's address")->type_name("URL")->default_str(kDefaultBase);
    AddSeedOption(*command, o->seed);
    command->footer("Prints the address that opens the page playing FILE: the file compressed (zlib) and in\n"
                    "base64url after #def=, the seed after &seed=, and each picture beside FILE that an\n"
                    "<Image Filename> tag names (a numbered pattern: every file it matches) after\n"
                    "&pic=NAME: in the same way. The page's Share command makes the same link for the\n"
                    "scene it plays. A link is at most 32768 characters; a scene that includes other\n"
                    "definition files cannot be shared.\n\n"
                    "Exit status: 0 printed, 1 FILE unreadable, no scene, or too large to share, 2 bad usage.\n\n"
                    "Example: mirrim-cli share scenes/vortex.zrk --seed 7\n");
    return [o] { return runShare(*o); };
}
