#include "player/app/SceneFile.h"

#include "platform/CArchive.h"

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
