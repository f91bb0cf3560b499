// mirrim-cli make-scene: writes a versioned scene file, the only way to make one.
#include "CliCommand.h"
#include "CliSupport.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/DefinitionSource.h"
#include "particle/core/DefinitionText.h"
#include "particle/core/StringParameters.h"
#include "platform/CStdioFile.h"
#include "player/app/NameSuggestion.h"
#include "player/app/SceneChecker.h"
#include "player/app/SceneFile.h"
#include "player/app/TagCheck.h"
#include "player/imaging/codecs/SafeFileWriter.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

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
    bool quiet = false;
    int seed = -1;
};

// The part factory must be a constraint class: the player would keep its own factory otherwise.
int refuseUnknownPartFactory(const std::string& name)
{
    ClassRegistry registry;
    std::vector<std::string> names;
    for (int i = 0; i < registry.constraintClassCount(); ++i)
        names.push_back(registry.constraintClassName(i).str());
    std::string message = "--part-factory: unknown constraint class " + Quoted(name);
    if (std::optional<NameSuggestion> nearest = SuggestName(name, names))
        message += ": " + nearest->Hint();
    return cliFail(kCommand, message + " ('mirrim-cli classes' lists them)", 2);
}

// How many constraints the definition gives, loaded as the player loads it.
int constraintCount(const CString& definition, const std::string& path)
{
    ConstraintCollection constraints;
    DefinitionSource source(path);
    constraints.populateFromDefinitionString(definition);
    return constraints.getConstraintCount();
}

// The directory from which "to" reaches "from", ending in a separator; empty when they are the same.
std::string pathBetween(const std::string& to, const std::string& from)
{
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(fs::absolute(from.empty() ? "." : from, ec), ec);
    const fs::path b = fs::weakly_canonical(fs::absolute(to.empty() ? "." : to, ec), ec);
    if (ec || a == b)
        return std::string();
    const std::string between = a.lexically_relative(b).string();
    return between.empty() || between == "." ? std::string() : between + "/";
}

// A relative file name in the definition (a picture, an included file) points at a file from where the
// definition was found: the working directory when the file is there, otherwise the definition file's
// folder. A scene written into another folder would look beside itself instead, so such names get the
// way from the scene's folder to theirs put in front. Returns the text; each change goes into notes.
std::string relocateNames(
    const std::string& text, const std::string& from, const std::string& to, std::vector<std::string>& notes)
{
    ClassRegistry registry;
    std::string out;
    std::size_t copied = 0;
    for (const DefinitionBlock& block : SplitDefinitionText(text)) {
        if (!block.HasIdentifierLine())
            continue;
        std::unique_ptr<IConstraint> constraint
            = registry.createConstraint(CString(text.substr(block.begin, block.lineEnd - block.begin)));
        if (!constraint)
            continue;
        const std::size_t paramsAt = block.lineEnd + 2;
        const std::string params = text.substr(paramsAt, block.end - paramsAt);
        // Parameters alone, without loading what they name.
        StringParameters sp;
        std::string name;
        const char* tag = nullptr;
        if (dynamic_cast<ConstraintCollection*>(constraint.get())) {
            name = (sp.getStringParameter(params.c_str(), "DefLocation", CString())
                + sp.getStringParameter(params.c_str(), "DefFilename", CString()))
                       .str();
            tag = params.find("<DefLocation>") != std::string::npos ? "<DefLocation>" : "<DefFilename>";
        } else {
            constraint->setParametersFromString(params.c_str());
            name = FirstPictureFile(TagsOf(*constraint));
            tag = "<Image Filename>";
        }
        const std::size_t at = params.find(tag);
        if (name.empty() || name[0] == '/' || at == std::string::npos)
            continue;
        std::error_code ec;
        const std::string prefix
            = pathBetween(DirectoryOf(to), fs::exists(name, ec) ? std::string() : DirectoryOf(from));
        if (prefix.empty())
            continue;
        const std::size_t valueAt = paramsAt + at + std::strlen(tag);
        out.append(text, copied, valueAt - copied);
        out += prefix;
        copied = valueAt;
        const std::size_t valueEnd = text.find('<', valueAt);
        notes.push_back(Quoted(text.substr(valueAt, valueEnd - valueAt)) + " is written as "
            + Quoted(prefix + text.substr(valueAt, valueEnd - valueAt))
            + ", the same file seen from the scene file's folder");
    }
    return out + text.substr(copied);
}

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

    if (!ClassRegistry().createConstraint(scene.partFactoryClass))
        return refuseUnknownPartFactory(o.partFactory);

    std::vector<std::uint8_t> input;
    if (!platform::ReadWholeFile(o.definition, kMaxSceneBytes, input))
        return cliFail(kCommand, "cannot read the definition file '" + o.definition + "'");
    SceneChecker checker;
    SceneCheck check = checker.CheckBytes(o.definition, input);
    if (check.kind == SceneFileKind::Scene)
        check.findings.insert(check.findings.begin(), OtherKindFinding(o.definition, check.kind));
    for (Finding& f : checker.CheckSettings(o.output, scene))
        check.findings.push_back(std::move(f));
    if (!o.quiet)
        PrintFindings(check.findings);
    std::optional<CString> definition = DefinitionOfFile(input);
    if (!definition)
        return cliFail(kCommand, "'" + o.definition + "' is a damaged or newer scene file; no definition to take");
    std::vector<std::string> notes;
    scene.definition = CString(relocateNames(definition->str(), o.definition, o.output, notes));
    // First in the list, so that it is the seed that counts.
    if (o.seed >= 0)
        scene.definition = CString("constraint.Seed\r\n<Seed>") + std::to_string(o.seed).c_str() + "</Seed>\r\n.\r\n"
            + scene.definition;

    const std::vector<std::uint8_t> bytes = EncodeScene(scene);
    SafeFileWriter writer;
    std::FILE* out = writer.Open(o.output.c_str());
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || !writer.Commit())
        return cliFail(kCommand, "cannot write the scene file '" + o.output + "'");
    std::printf("wrote %s: %d constraints, %d x %d, part factory %s\n", o.output.c_str(),
        constraintCount(scene.definition, o.output), scene.width, scene.height, scene.partFactoryClass.c_str());
    for (const std::string& note : notes)
        std::printf("  %s\n", note.c_str());
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
    command->add_option("--seed", o->seed, "the seed the scene carries: a constraint.Seed block put first")
        ->check(WholeNumber(0))
        ->type_name("N");
    command->add_flag("-q,--quiet", o->quiet, "do not print what the checker finds");
    command->footer("Writes a versioned scene file that the player's Load button and 'mirrim-cli render'\n"
                    "read. It holds the constraints of the definition file and the settings above; each\n"
                    "defaults to what the player starts with. Prints what the checker finds in the\n"
                    "definition and the settings on stderr, and one line on what it wrote.\n\n"
                    "Exit status: 0 written, 1 a file could not be read or written, 2 bad usage.\n\n"
                    "Example: mirrim-cli make-scene --definition scenes/vortex.vq --erase 0 vortex.zrk\n");
    return [o] { return runMakeScene(*o); };
}
