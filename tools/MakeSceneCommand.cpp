// mirrim-cli make-scene: writes a versioned scene file, the only way to make one.
#include "CliCommand.h"
#include "CliSupport.h"

#include "platform/Numbers.h"
#include "player/app/SceneFile.h"
#include "player/imaging/SafeFileWriter.h"

#include <cstdio>

namespace {

const char kCommand[] = "make-scene";

bool parseFlag(const std::string& text, std::int32_t& value)
{
    if (text != "0" && text != "1")
        return false;
    value = text == "1" ? 1 : 0;
    return true;
}

bool parseInt(const std::string& text, std::int32_t& value)
{
    const bool negative = !text.empty() && text[0] == '-';
    std::optional<int> v = parseSteps(negative ? text.substr(1) : text);
    if (!v)
        return false;
    value = negative ? -*v : *v;
    return true;
}

bool parseFloat(const std::string& text, float& value)
{
    if (text.empty())
        return false;
    value = platform::ToFloat(platform::ParseDouble(text.c_str()));
    return true;
}

// "A,B" into two values parsed by the given reader.
template <typename T, typename Reader> bool parsePair(const std::string& text, T& a, T& b, Reader read)
{
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && read(text.substr(0, comma), a) && read(text.substr(comma + 1), b);
}

int runMakeScene(const std::vector<std::string>& args)
{
    SceneDescription scene;
    std::string definitionPath;
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            if (!output.empty())
                return cliFail(kCommand, "takes one OUTPUT file (see --help)", 2);
            output = a;
            continue;
        }
        if (i + 1 >= args.size())
            return cliFail(kCommand, a + " needs a value (see --help)", 2);
        const std::string& v = args[++i];
        bool ok = true;
        if (a == "--definition")
            definitionPath = v;
        else if (a == "--mapping-ints")
            ok = parsePair(v, scene.mapping.integerA, scene.mapping.integerB, parseInt);
        else if (a == "--x-tag")
            scene.mapping.xTagName = v.c_str();
        else if (a == "--y-tag")
            scene.mapping.yTagName = v.c_str();
        else if (a == "--mapping-flag") {
            std::int32_t flag = 0;
            ok = parseInt(v, flag);
            scene.mapping.flag = flag != 0;
        } else if (a == "--offset")
            ok = parsePair(v, scene.mapping.offsetX, scene.mapping.offsetY, parseFloat);
        else if (a == "--scale")
            ok = parsePair(v, scene.mapping.scaleX, scene.mapping.scaleY, parseFloat);
        else if (a == "--part-factory")
            scene.partFactoryClass = v.c_str();
        else if (a == "--part-factory-params")
            scene.partFactoryParameters = v.c_str();
        else if (a == "--background")
            scene.backgroundImage = v.c_str();
        else if (a == "--foreground")
            scene.foregroundImage = v.c_str();
        else if (a == "--size") {
            const std::size_t x = v.find('x');
            ok = x != std::string::npos && parseInt(v.substr(0, x), scene.width)
                && parseInt(v.substr(x + 1), scene.height);
        } else if (a == "--erase")
            ok = parseFlag(v, scene.erase);
        else if (a == "--draw-constraints")
            ok = parseFlag(v, scene.drawConstraints);
        else if (a == "--draw-particles")
            ok = parseFlag(v, scene.drawParticles);
        else if (a == "--direct-frame")
            ok = parseFlag(v, scene.directFrame);
        else if (a == "--version")
            ok = parseInt(v, scene.version);
        else
            return cliFail(kCommand, "unknown option '" + a + "' (see --help)", 2);
        if (!ok)
            return cliFail(kCommand, "bad value '" + v + "' for " + a + " (see --help)", 2);
    }
    if (definitionPath.empty() || output.empty())
        return cliFail(kCommand, "needs --definition FILE and an OUTPUT file (see --help)", 2);
    std::optional<CString> definition = readDefinition(definitionPath);
    if (!definition)
        return cliFail(kCommand, "cannot read the definition file '" + definitionPath + "'");
    scene.definition = *definition;

    const std::vector<std::uint8_t> bytes = EncodeScene(scene);
    SafeFileWriter writer;
    std::FILE* out = writer.Open(output.c_str());
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || !writer.Commit())
        return cliFail(kCommand, "cannot write the scene file '" + output + "'");
    return 0;
}

} // namespace

extern const CliCommand kMakeSceneCommand = { "make-scene", "write a scene file (.zrk) from a definition file",
    "Usage: mirrim-cli make-scene --definition FILE [options] OUTPUT.zrk\n\n"
    "Writes a versioned scene file (version 1000) that the player's Load button and\n"
    "'mirrim-cli render --scene' read. It holds the constraints of the definition FILE and\n"
    "the settings below; each defaults to what the player starts with.\n\n"
    "  --size WxH                  drawing size (default 320x240)\n"
    "  --erase 0|1                 clear each frame to BACKGROUND or black (default 1)\n"
    "  --direct-frame 0|1          1: frames show particles directly (default); 0: frames\n"
    "                              show the RENDER picture the scene draws into\n"
    "  --draw-particles 0|1        draw the particles over the frame (default 1)\n"
    "  --draw-constraints 0|1      draw the constraints' outlines (default 0)\n"
    "  --part-factory CLASS        the constraint the mouse fires (default factory.ParticlesSquare)\n"
    "  --part-factory-params TAGS  its parameters, e.g. '<Amount>5</Amount>'\n"
    "  --x-tag NAME, --y-tag NAME  the tags that receive the pointer (default CenterX, CenterY)\n"
    "  --offset X,Y  --scale X,Y   pointer mapping: tag value = (pointer + offset) x scale\n"
    "  --mapping-ints A,B  --mapping-flag N   stored in the file, unused by the player\n"
    "  --background NAME  --foreground NAME   picture names kept with the scene\n"
    "  --version N                 the version written (default 1000; the player reads up to 1000)\n\n"
    "Exit status: 0 written, 1 a file could not be read or written, 2 bad usage.\n\n"
    "Example: mirrim-cli make-scene --definition scenes/vortex.vq --erase 0 vortex.zrk\n",
    runMakeScene };
