#include "player/app/SceneChecker.h"

#include "particle/core/ConstraintCollection.h"
#include "particle/core/DefinitionSource.h"
#include "particle/core/DefinitionText.h"
#include "particle/core/StringParameters.h"
#include "platform/CArchive.h"
#include "platform/CStdioFile.h"
#include "platform/Numbers.h"
#include "player/app/DisabledConstraint.h"
#include "player/app/NameSuggestion.h"
#include "player/imaging/codecs/PictureLimits.h"
#include "player/imaging/store/CDib.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <unordered_map>

namespace {

Finding finding(Finding::Severity severity, const char* kind, std::string message)
{
    Finding f;
    f.severity = severity;
    f.kind = kind;
    f.message = std::move(message);
    return f;
}

Finding error(const char* kind, std::string message)
{
    return finding(Finding::Severity::Error, kind, std::move(message));
}

Finding warning(const char* kind, std::string message)
{
    return finding(Finding::Severity::Warning, kind, std::move(message));
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool blank(const std::string& text, std::size_t from, std::size_t to)
{
    return std::all_of(text.begin() + static_cast<long>(from), text.begin() + static_cast<long>(to),
        [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// Where a relative name was looked for, for messages.
std::string lookedFor(const std::string& file)
{
    return " (looked in the working directory and beside " + Quoted(file) + ")";
}

} // namespace

// Line numbers of offsets into one text.
class SceneChecker::TextLines {
public:
    explicit TextLines(const std::string& text)
    {
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
            breaks_.push_back(at);
    }
    int LineOf(std::size_t offset) const
    {
        return 1 + static_cast<int>(std::lower_bound(breaks_.begin(), breaks_.end(), offset) - breaks_.begin());
    }

private:
    std::vector<std::size_t> breaks_;
};

SceneCheck SceneChecker::CheckFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(path, kMaxSceneBytes, bytes)) {
        SceneCheck check;
        Finding f = error("unreadable",
            exists(path) ? "cannot be read: " + platform::WhyUnreadable(path, kMaxSceneBytes) : "does not exist");
        f.file = path;
        check.findings.push_back(std::move(f));
        return check;
    }
    return CheckBytes(path, bytes);
}

SceneCheck SceneChecker::CheckBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    result_ = SceneCheck();
    said_.clear();
    including_.clear();
    includes_ = 0;
    includedBytes_ = 0;
    texts_.clear();
    result_.kind = DetectSceneFileKind(bytes);
    result_.files.push_back(path);
    if (result_.kind == SceneFileKind::Scene)
        checkSceneFile(path, bytes);
    else
        checkDefinition(path, DefinitionTextOf(bytes).str());

    // In reading order: file by file as they were met, line by line; what concerns a whole file last.
    std::unordered_map<std::string, std::size_t> order;
    for (const std::string& file : result_.files)
        order.emplace(file, order.size());
    const auto rank = [&order](const Finding& f) {
        const auto file = order.find(f.file);
        return std::make_pair(file == order.end() ? order.size() : file->second, f.line > 0 ? f.line : INT_MAX);
    };
    std::stable_sort(result_.findings.begin(), result_.findings.end(),
        [&rank](const Finding& a, const Finding& b) { return rank(a) < rank(b); });
    return std::move(result_);
}

std::vector<Finding> SceneChecker::CheckSettings(const std::string& path, const SceneDescription& scene)
{
    result_ = SceneCheck();
    said_.clear();
    checkPartFactory(path, scene);
    checkSize(path, scene);
    return std::move(result_.findings);
}

void SceneChecker::add(Finding finding)
{
    // A file included twice says the same twice; once is enough.
    std::string key = finding.file + '\0' + std::to_string(finding.line) + '\0' + finding.message;
    if (!said_.insert(std::move(key)).second)
        return;
    result_.findings.push_back(std::move(finding));
}

std::optional<NameSuggestion> SceneChecker::suggest(const std::string& wrong, const std::vector<std::string>& known)
{
    // The same wrong name tends to come back many times; past a few thousand different ones the file is
    // not one a person typed, and hints would cost more than they help.
    constexpr std::size_t kMostRemembered = 4096;
    std::string key = wrong;
    for (const std::string& name : known)
        key += '\0' + name;
    const auto found = suggestions_.find(key);
    if (found != suggestions_.end())
        return found->second;
    if (suggestions_.size() >= kMostRemembered)
        return std::nullopt;
    std::optional<NameSuggestion> nearest = SuggestName(wrong, known);
    suggestions_.emplace(std::move(key), nearest);
    return nearest;
}

const std::vector<ClassTag>& SceneChecker::tagsOf(const std::string& classId)
{
    auto found = tags_.find(classId);
    if (found == tags_.end()) {
        std::unique_ptr<IConstraint> fresh = registry_.createConstraint(classId.c_str());
        found = tags_.emplace(classId, fresh ? TagsOf(*fresh) : std::vector<ClassTag>()).first;
    }
    return found->second;
}

const std::vector<std::string>& SceneChecker::constraintClassNames()
{
    if (constraintNames_.empty()) {
        for (int i = 0; i < registry_.constraintClassCount(); ++i)
            constraintNames_.push_back(registry_.constraintClassName(i).str());
    }
    return constraintNames_;
}

void SceneChecker::checkDefinition(const std::string& file, const std::string& text)
{
    const TextLines lines(text);
    const std::vector<DefinitionBlock> blocks = SplitDefinitionText(text);
    for (const DefinitionBlock& block : blocks) {
        if (!block.HasIdentifierLine()) {
            Finding f = error("empty-block",
                Quoted(text.substr(block.begin, block.end - block.begin))
                    + " is followed directly by the full-stop line, so the block adds nothing: a block needs a "
                      "line, even an empty one, between its class identifier and the full stop");
            f.file = file;
            f.line = lines.LineOf(block.begin);
            add(std::move(f));
            continue;
        }
        checkBlock(file, text, lines, block.begin, block.lineEnd, block.end);
    }

    // A line of a full stop and blanks looks like the end of a block but is not one.
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line != "." && line.find('.') != std::string::npos && line.find_first_not_of(" \t.") == std::string::npos
            && std::count(line.begin(), line.end(), '.') == 1) {
            Finding f = error("separator-blanks",
                "this line holds a full stop and blanks, so it does not end a block: the block runs on to the "
                "next line holding only a full stop");
            f.file = file;
            f.line = lines.LineOf(at);
            add(std::move(f));
        }
        at = end + 1;
    }

    const std::size_t tail = DefinitionTail(text, blocks);
    if (!blank(text, tail, text.size())) {
        Finding f = error("unterminated-block",
            "the text from here on is not closed by a line holding a single full stop, so it is ignored");
        f.file = file;
        f.line = lines.LineOf(tail + text.substr(tail).find_first_not_of(" \t\r\n"));
        add(std::move(f));
    } else if (blocks.empty()) {
        Finding f = error("no-constraints", "holds no constraints");
        f.file = file;
        add(std::move(f));
    }
}

void SceneChecker::checkBlock(const std::string& file, const std::string& text, const TextLines& lines,
    std::size_t begin, std::size_t lineEnd, std::size_t end)
{
    std::string classId = text.substr(begin, lineEnd - begin);
    // A constraint switched off in the editor is read back switched off: it is checked as its class.
    if (std::string disabled = DisabledClassOf(classId); !disabled.empty())
        classId = std::move(disabled);
    const std::string params = text.substr(lineEnd + 2, end - lineEnd - 2);
    const int line = lines.LineOf(begin);
    auto report = [&](Finding f, int at) {
        f.file = file;
        f.line = at;
        add(std::move(f));
    };

    if (classId.empty()) {
        std::string message = "the block starts with an empty line, so it has no class identifier and is skipped";
        const std::size_t first = params.find_first_not_of(" \t\r\n");
        if (first != std::string::npos) {
            const std::string next = params.substr(first, params.find("\r\n", first) - first);
            if (registry_.createConstraint(next.c_str()))
                message += ": remove the empty line before " + next;
        }
        report(error("blank-first-line", message), line);
        return;
    }
    // A full stop with blanks is told as such where it stands.
    if (classId.find_first_not_of(" \t.") == std::string::npos)
        return;
    if (!registry_.createConstraint(classId.c_str())) {
        Finding f = error("unknown-class", "unknown class " + Quoted(classId) + ", so the block is skipped");
        if (registry_.createParticle(classId.c_str())) {
            f.message = Quoted(classId) + " is a particle class, not a constraint, so the block is skipped";
        } else if (std::optional<NameSuggestion> nearest = suggest(classId, constraintClassNames())) {
            f.message += ": " + nearest->Hint();
            f.suggestion = nearest->name;
        }
        report(std::move(f), line);
        return;
    }

    // A tag's line; the block's first line for what is not written in it (npos), such as a default.
    const LineAt lineAt
        = [&](std::size_t offset) { return offset == std::string::npos ? line : lines.LineOf(lineEnd + 2 + offset); };
    const std::vector<ClassTag>& tags = tagsOf(classId);
    CheckTags(classId, tags, params, [&](std::size_t offset, Finding f) { report(std::move(f), lineAt(offset)); });
    checkParticleClass(file, lineAt, tags, classId, params);
    checkPictures(file, lineAt, classId, params);
    std::unique_ptr<IConstraint> probe = registry_.createConstraint(classId.c_str());
    if (dynamic_cast<ConstraintCollection*>(probe.get()))
        checkInclude(file, lineAt, params);
}

void SceneChecker::checkParticleClass(const std::string& file, const LineAt& lineAt, const std::vector<ClassTag>& tags,
    const std::string& classId, const std::string& params)
{
    const char kTag[] = "ParticleClass";
    if (std::none_of(tags.begin(), tags.end(), [&](const ClassTag& t) { return t.name == kTag; }))
        return;
    StringParameters sp;
    const std::string name = sp.getStringParameter(params.c_str(), kTag, CString()).str();
    if (name.empty() || registry_.createParticle(name.c_str()))
        return;
    Finding f = warning("unknown-class",
        Quoted(name) + " in <" + kTag + "> is not a particle class, so " + classId + " keeps its particle class");
    std::vector<std::string> particles;
    for (int i = 0; i < registry_.particleClassCount(); ++i)
        particles.push_back(registry_.particleClassName(i).str());
    if (std::optional<NameSuggestion> nearest = suggest(name, particles)) {
        f.message += ": " + nearest->Hint();
        f.suggestion = nearest->name;
    }
    f.file = file;
    f.line = lineAt(params.find(std::string("<") + kTag + ">"));
    add(std::move(f));
}

void SceneChecker::checkPictures(
    const std::string& file, const LineAt& lineAt, const std::string& classId, const std::string& params)
{
    const char kFileTag[] = "Image Filename";
    const std::vector<ClassTag>& fresh = tagsOf(classId);
    if (std::none_of(fresh.begin(), fresh.end(), [&](const ClassTag& t) { return t.name == kFileTag; }))
        return;
    // The values the constraint itself ends up with, defaults and all.
    std::unique_ptr<IConstraint> constraint = registry_.createConstraint(classId.c_str());
    constraint->setParametersFromString(params.c_str());
    const std::vector<ClassTag> tags = TagsOf(*constraint);
    const std::string pattern = TagValue(tags, kFileTag);
    const std::string name = FirstPictureFile(tags);
    if (name.empty())
        return;
    const std::string path = ResolveBeside(name, DirectoryOf(file));
    const std::string which = name != pattern ? " (the first of " + Quoted(pattern) + ")" : std::string();
    Finding f;
    if (!exists(path)) {
        f = warning("missing-picture", "cannot find the picture file " + Quoted(name) + which + lookedFor(file));
    } else if (CDib picture; !picture.Load(path.c_str())) {
        f = warning("unreadable-picture", Quoted(path) + which + " is not a picture this program can read");
    } else {
        return;
    }
    f.file = file;
    f.line = lineAt(params.find(std::string("<") + kFileTag + ">"));
    add(std::move(f));
}

void SceneChecker::checkInclude(const std::string& file, const LineAt& lineAt, const std::string& params)
{
    StringParameters sp;
    const std::string named = (sp.getStringParameter(params.c_str(), "DefLocation", CString())
        + sp.getStringParameter(params.c_str(), "DefFilename", CString()))
                                  .str();
    if (named.empty())
        return;
    const std::string path = ResolveBeside(named, DirectoryOf(file));
    const std::string identity = FileIdentity(path);
    // Read once per check, as the loader reads each file once per load.
    auto text = texts_.find(identity);
    if (text == texts_.end()) {
        std::string read;
        text = texts_.emplace(identity, ReadDefinitionFile(path, read) ? std::optional(std::move(read)) : std::nullopt)
                   .first;
    }
    using CC = ConstraintCollection;
    const std::string all = " definition files (" + std::to_string(CC::kMaxIncludesPerLoad) + " files or "
        + std::to_string(CC::kMaxIncludedBytesPerLoad) + " bytes in all)";
    Finding f;
    if (including_.size() >= static_cast<std::size_t>(CC::kMaxIncludeDepth)) {
        f = error("include-depth",
            "includes nest deeper than " + std::to_string(CC::kMaxIncludeDepth) + " files, so " + Quoted(named)
                + " is not loaded and this collection stays empty");
    } else if (std::find(including_.begin(), including_.end(), identity) != including_.end()) {
        f = error("include-cycle",
            Quoted(named) + " is already being loaded (it includes itself), so this collection stays empty");
    } else if (includes_ >= CC::kMaxIncludesPerLoad) {
        f = error("include-limit",
            "the scene has already included as many" + all + " as one load reads, so " + Quoted(named)
                + " is not loaded and this collection stays empty");
    } else if (!text->second) {
        f = error("missing-include",
            (exists(path) ? "cannot read the definition file " : "cannot find the definition file ") + Quoted(named)
                + lookedFor(file) + ", so this collection stays empty");
    } else if (text->second->size() > CC::kMaxIncludedBytesPerLoad - includedBytes_) {
        f = error("include-limit",
            Quoted(named) + " would take the scene past as many" + all
                + " as one load reads, so it is not loaded and this collection stays empty");
    } else {
        ++includes_;
        includedBytes_ += text->second->size();
        result_.files.push_back(path);
        including_.push_back(identity);
        checkDefinition(path, *text->second);
        including_.pop_back();
        return;
    }
    f.file = file;
    f.line = lineAt(std::min(params.find("<DefFilename>"), params.find("<DefLocation>")));
    add(std::move(f));
}

void SceneChecker::checkSceneFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    CArchiveReader archive(bytes.data(), bytes.size());
    CString header;
    archive.ReadString(header);
    if (header.Find(kSceneHeader) != 0) {
        checkDefinition(path, header.str());
        return;
    }
    auto truncated = [&](const char* where) {
        Finding f = error("truncated",
            std::string("the file ends early or is damaged at the ") + where
                + ", so that and what follows keep their earlier values");
        f.file = path;
        add(std::move(f));
    };
    std::int32_t version = 0;
    if (!archive.ReadInt(version))
        return truncated("version");
    if (version > kNewestSceneVersion) {
        Finding f = error("newer-version",
            "version " + std::to_string(version) + " is newer than this program reads ("
                + std::to_string(kNewestSceneVersion) + " at most), so nothing of it is loaded");
        f.file = path;
        add(std::move(f));
        return;
    }
    CString definition;
    if (!archive.ReadString(definition))
        return truncated("constraint definition");
    checkDefinition(path, definition.str());

    SceneDescription scene;
    PointerMapping& mapping = scene.mapping;
    std::int32_t flag = 0;
    if (!(archive.ReadInt(mapping.integerA) && archive.ReadInt(mapping.integerB) && archive.ReadString(mapping.xTagName)
            && archive.ReadString(mapping.yTagName) && archive.ReadInt(flag) && archive.ReadFloat(mapping.offsetX)
            && archive.ReadFloat(mapping.offsetY) && archive.ReadFloat(mapping.scaleX)
            && archive.ReadFloat(mapping.scaleY)))
        return truncated("pointer mapping");
    if (!archive.ReadString(scene.partFactoryClass) || !archive.ReadString(scene.partFactoryParameters))
        return truncated("part factory");
    checkPartFactory(path, scene);
    if (!archive.ReadString(scene.backgroundImage) || !archive.ReadString(scene.foregroundImage))
        return truncated("picture names");
    if (!archive.ReadInt(scene.width) || !archive.ReadInt(scene.height))
        return truncated("drawing size");
    checkSize(path, scene);
    if (!(archive.ReadInt(scene.erase) && archive.ReadInt(scene.drawConstraints) && archive.ReadInt(scene.drawParticles)
            && archive.ReadInt(scene.directFrame)))
        return truncated("view flags");
}

void SceneChecker::checkSize(const std::string& path, const SceneDescription& scene)
{
    if (PictureFits(scene.width, scene.height))
        return;
    Finding f = warning("absurd-size",
        "the drawing size " + std::to_string(scene.width) + " x " + std::to_string(scene.height)
            + " cannot be shown or recorded (1 to " + std::to_string(kPixelBudget.maxSide) + " pixels a side, "
            + std::to_string(kPixelBudget.maxPixels) + " in all)");
    f.file = path;
    add(std::move(f));
}

void SceneChecker::checkPartFactory(const std::string& path, const SceneDescription& scene)
{
    const std::string classId = scene.partFactoryClass.str();
    auto report = [&](Finding f) {
        f.file = path;
        add(std::move(f));
    };
    if (!registry_.createConstraint(classId.c_str())) {
        Finding f = warning("unknown-class",
            "the part factory class " + Quoted(classId)
                + " is not a constraint class, so the mouse keeps firing the factory it had");
        if (std::optional<NameSuggestion> nearest = suggest(classId, constraintClassNames())) {
            f.message += ": " + nearest->Hint();
            f.suggestion = nearest->name;
        }
        return report(std::move(f));
    }
    const std::vector<ClassTag>& tags = tagsOf(classId);
    const std::string owner = "the part factory " + classId;
    CheckTags(owner, tags, scene.partFactoryParameters.str(), [&](std::size_t, Finding f) { report(std::move(f)); });
    std::vector<std::string> names;
    for (const ClassTag& tag : tags)
        names.push_back(tag.name);
    for (const auto& [axis, tag] : { std::pair<const char*, std::string> { "x", scene.mapping.xTagName.str() },
             std::pair<const char*, std::string> { "y", scene.mapping.yTagName.str() } }) {
        if (std::find(names.begin(), names.end(), tag) != names.end())
            continue;
        Finding f = warning("unknown-tag",
            std::string("the pointer's ") + axis + " goes to " + Quoted("<" + tag + ">") + ", which " + owner
                + " does not read, so dragging does not move it");
        if (std::optional<NameSuggestion> nearest = suggest(tag, names)) {
            f.suggestion = nearest->name;
            nearest->name = "<" + nearest->name + ">";
            f.message += ": " + nearest->Hint();
        }
        report(std::move(f));
    }
}

Finding OtherKindFinding(const std::string& path, SceneFileKind holds)
{
    Finding f = warning("other-kind",
        holds == SceneFileKind::Scene
            ? "is a scene file, not a definition file; it is read as the scene file it is"
            : "is a definition file, not a scene file; it is read as the definition file it is");
    f.file = path;
    return f;
}
