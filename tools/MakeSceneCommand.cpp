// mirrim-cli make-scene: writes a versioned scene file, the only way to make one.
#include "CliCommand.h"
#include "CliSupport.h"

#include "player/app/SceneFile.h"
#include "player/imaging/SafeFileWriter.h"

#include <cstdio>

namespace {

const char kCommand[] = "make-scene";

// The scene's settings as the command line gives them; text goes into the scene's CStrings at the end.
struct Options {
    SceneDescription scene;
    std::string definition;
    std::string output;
    std::pair<std::int32_t, std::int32_t> mappingInts { 0, 0 };
    std::string xTag;
    std::string yTag;
    std::int32_t mappingFlag = 0;
    std::pair<float, float> offset;
    std::pair<float, float> scale;
    std::string partFactory;
    std::string partFactoryParams;
    std::string background;
    std::string foreground;
    std::pair<std::int32_t, std::int32_t> size;
};

int runMakeScene(Options o)
{
    SceneDescription& scene = o.scene;
    scene.mapping.integerA = o.mappingInts.first;
    scene.mapping.integerB = o.mappingInts.second;
    scene.mapping.xTagName = o.xTag.c_str();
    scene.mapping.yTagName = o.yTag.c_str();
    scene.mapping.flag = o.mappingFlag != 0;
    scene.mapping.offsetX = o.offset.first;
    scene.mapping.offsetY = o.offset.second;
    scene.mapping.scaleX = o.scale.first;
    scene.mapping.scaleY = o.scale.second;
    scene.partFactoryClass = o.partFactory.c_str();
    scene.partFactoryParameters = o.partFactoryParams.c_str();
    scene.backgroundImage = o.background.c_str();
    scene.foregroundImage = o.foreground.c_str();
    scene.width = o.size.first;
    scene.height = o.size.second;

    std::optional<CString> definition = readDefinition(o.definition);
    if (!definition)
        return cliFail(kCommand, "cannot read the definition file '" + o.definition + "'");
    scene.definition = *definition;

    const std::vector<std::uint8_t> bytes = EncodeScene(scene);
    SafeFileWriter writer;
    std::FILE* out = writer.Open(o.output.c_str());
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || !writer.Commit())
        return cliFail(kCommand, "cannot write the scene file '" + o.output + "'");
    return 0;
}

} // namespace

CliRun AddMakeSceneCommand(CLI::App& program)
{
    CLI::App* command = program.add_subcommand("make-scene", "write a scene file (.zrk) from a definition file");
    auto o = std::make_shared<Options>();
    const SceneDescription& d = o->scene;
    o->mappingInts = { d.mapping.integerA, d.mapping.integerB };
    o->xTag = d.mapping.xTagName.str();
    o->yTag = d.mapping.yTagName.str();
    o->mappingFlag = d.mapping.flag ? 1 : 0;
    o->offset = { d.mapping.offsetX, d.mapping.offsetY };
    o->scale = { d.mapping.scaleX, d.mapping.scaleY };
    o->partFactory = d.partFactoryClass.str();
    o->partFactoryParams = d.partFactoryParameters.str();
    o->size = { d.width, d.height };

    command->add_option("--definition", o->definition, "the definition file whose constraints the scene holds")
        ->required();
    command->add_option("OUTPUT", o->output, "the scene file to write")->required();
    command->add_option("--size", o->size, "drawing size")
        ->delimiter('x')
        ->type_name("WxH")
        ->default_str(std::to_string(d.width) + "x" + std::to_string(d.height));
    command->add_option("--erase", o->scene.erase, "clear each frame to BACKGROUND or black")->check(WholeNumber(0, 1));
    command->add_option("--direct-frame", o->scene.directFrame, "1: draw particles directly; 0: show RENDER")
        ->check(WholeNumber(0, 1));
    command->add_option("--draw-particles", o->scene.drawParticles, "draw the particles over the frame")
        ->check(WholeNumber(0, 1));
    command->add_option("--draw-constraints", o->scene.drawConstraints, "draw the constraints' outlines")
        ->check(WholeNumber(0, 1));
    command->add_option("--part-factory", o->partFactory, "the constraint the mouse fires");
    command->add_option("--part-factory-params", o->partFactoryParams, "its parameters, e.g. '<Amount>5</Amount>'");
    command->add_option("--x-tag", o->xTag, "the tag that receives the pointer's x");
    command->add_option("--y-tag", o->yTag, "the tag that receives the pointer's y");
    command->add_option("--offset", o->offset, "pointer mapping: tag value = (pointer + offset) x scale")
        ->delimiter(',')
        ->type_name("X,Y")
        ->default_str("0,0");
    command->add_option("--scale", o->scale, "pointer mapping scale")
        ->delimiter(',')
        ->type_name("X,Y")
        ->default_str("1,1");
    command->add_option("--mapping-ints", o->mappingInts, "stored in the file, unused by the player")
        ->delimiter(',')
        ->type_name("A,B")
        ->default_str("0,0");
    command->add_option("--mapping-flag", o->mappingFlag, "stored in the file, unused by the player");
    command->add_option("--background", o->background, "background picture name kept with the scene");
    command->add_option("--foreground", o->foreground, "foreground picture name kept with the scene");
    command->add_option("--scene-version", o->scene.version, "the version written (the player reads up to 1000)");
    command->footer("Writes a versioned scene file that the player's Load button and 'mirrim-cli render'\n"
                    "read. It holds the constraints of the definition file and the settings above; each\n"
                    "defaults to what the player starts with.\n\n"
                    "Exit status: 0 written, 1 a file could not be read or written, 2 bad usage.\n\n"
                    "Example: mirrim-cli make-scene --definition scenes/vortex.vq --erase 0 vortex.zrk\n");
    return [o] { return runMakeScene(*o); };
}
