#include "player/app/SceneFile.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/DefinitionText.h"
#include "platform/CArchive.h"

namespace {

// How many blocks of the text name a registered constraint class.
int constraintBlocks(const std::string& text, ClassRegistry& registry)
{
    int count = 0;
    for (const DefinitionBlock& block : SplitDefinitionText(text)) {
        if (block.HasIdentifierLine()
            && registry.createConstraint(CString(text.substr(block.begin, block.lineEnd - block.begin))))
            ++count;
    }
    return count;
}

// Whether text starts with a line (ended by CR LF or LF) that is a registered constraint class.
bool startsWithClassLine(const std::string& text, ClassRegistry& registry)
{
    const std::size_t end = text.find_first_of("\r\n");
    return end != std::string::npos && end > 0 && registry.createConstraint(CString(text.substr(0, end)));
}

} // namespace

std::vector<std::uint8_t> EncodeScene(const SceneDescription& scene)
{
    CArchiveWriter out;
    out.WriteString(scene.header);
    out.WriteInt(scene.version);
    out.WriteString(scene.definition);
    out.WriteInt(scene.mapping.integerA);
    out.WriteInt(scene.mapping.integerB);
    out.WriteString(scene.mapping.xTagName);
    out.WriteString(scene.mapping.yTagName);
    out.WriteInt(scene.mapping.flag ? 1 : 0);
    out.WriteFloat(scene.mapping.offsetX);
    out.WriteFloat(scene.mapping.offsetY);
    out.WriteFloat(scene.mapping.scaleX);
    out.WriteFloat(scene.mapping.scaleY);
    out.WriteString(scene.partFactoryClass);
    out.WriteString(scene.partFactoryParameters);
    out.WriteString(scene.backgroundImage);
    out.WriteString(scene.foregroundImage);
    out.WriteInt(scene.width);
    out.WriteInt(scene.height);
    out.WriteInt(scene.erase);
    out.WriteInt(scene.drawConstraints);
    out.WriteInt(scene.drawParticles);
    out.WriteInt(scene.directFrame);
    return out.Bytes();
}

SceneFileKind DetectSceneFileKind(const std::vector<std::uint8_t>& bytes)
{
    CArchiveReader archive(bytes.data(), bytes.size());
    CString first;
    if (!archive.ReadString(first)) {
        // Too short for its own length prefix: text with at least one block, or nothing at all, is a
        // definition; anything else is a damaged scene file, of which nothing loads.
        const std::string text = DefinitionTextOf(bytes).str();
        const bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
        return blank || !SplitDefinitionText(text).empty() ? SceneFileKind::Definition : SceneFileKind::Scene;
    }
    if (first.Find(kSceneHeader) == 0)
        return SceneFileKind::Scene;
    // A first string that starts as definition text does, with a class identifier line, is a
    // plain-definition scene file whatever its line ends and whatever follows it: in plain text the
    // first letter would be taken for the length, and the rest of a class name is no class name.
    ClassRegistry registry;
    if (startsWithClassLine(first.str(), registry))
        return SceneFileKind::Scene;
    const int asScene = constraintBlocks(first.str(), registry);
    const int asText = constraintBlocks(DefinitionTextOf(bytes).str(), registry);
    if (asScene != asText)
        return asScene > asText ? SceneFileKind::Scene : SceneFileKind::Definition;
    return asScene > 0 && archive.Position() == bytes.size() ? SceneFileKind::Scene : SceneFileKind::Definition;
}

int ConstraintBlockCount(const std::string& text)
{
    ClassRegistry registry;
    return constraintBlocks(text, registry);
}

CString DefinitionTextOf(const std::vector<std::uint8_t>& bytes)
{
    return CString(DefinitionFileText(std::string(bytes.begin(), bytes.end())));
}

bool HoldsScene(const std::vector<std::uint8_t>& bytes, SceneFileKind kind)
{
    if (kind == SceneFileKind::Scene) {
        CArchiveReader archive(bytes.data(), bytes.size());
        CString first;
        return archive.ReadString(first);
    }
    ClassRegistry registry;
    return constraintBlocks(DefinitionTextOf(bytes).str(), registry) > 0;
}

std::optional<CString> DefinitionOfFile(const std::vector<std::uint8_t>& bytes)
{
    if (DetectSceneFileKind(bytes) == SceneFileKind::Definition)
        return DefinitionTextOf(bytes);
    CArchiveReader archive(bytes.data(), bytes.size());
    CString text;
    archive.ReadString(text);
    if (text.Find(kSceneHeader) != 0)
        return text;
    std::int32_t version = 0;
    if (!archive.ReadInt(version) || version > kNewestSceneVersion || !archive.ReadString(text))
        return std::nullopt;
    return text;
}
