#include "player/app/EditedScene.h"

#include "particle/core/ParticleSystem.h"
#include "player/app/SceneEngine.h"
#include "player/imaging/codecs/SafeFileWriter.h"

#include <cerrno>
#include <cstring>
#include <strings.h>

SceneDescription DescribeRunningScene(SceneEngine& engine, const std::string& definition)
{
    SceneDescription scene;
    scene.definition = CString(definition);
    scene.mapping = engine.mapping;
    CMorvane& host = engine.GetHost();
    ParticleSystem& system = engine.GetSystem();
    if (IConstraint* factory = system.getPartFactoryClass()) {
        scene.partFactoryClass = factory->GetClassName();
        scene.partFactoryParameters = factory->getParameterExample();
    }
    scene.backgroundImage = host.GetBackgroundImageStr();
    scene.foregroundImage = host.GetForegroundImageStr();
    scene.width = host.getWidth();
    scene.height = host.getHeight();
    scene.erase = host.shouldErase() ? 1 : 0;
    scene.drawConstraints = engine.drawConstraints;
    scene.drawParticles = engine.drawParticles;
    scene.directFrame = engine.directFrame;
    return scene;
}

bool SaveEditedScene(SceneEngine& engine, const std::string& definition, const std::string& path, std::string& error)
{
    const bool sceneFile = path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".zrk") == 0;
    std::vector<std::uint8_t> bytes;
    if (sceneFile)
        bytes = EncodeScene(DescribeRunningScene(engine, definition));
    else
        bytes.assign(definition.begin(), definition.end());
    const auto write
        = [&bytes](std::FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); };
    if (SaveFile(CString(path), write))
        return true;
    error = std::strerror(errno);
    return false;
}
