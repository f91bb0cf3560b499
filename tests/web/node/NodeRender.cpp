// node_render: the page's player (WebPlayer, built to WebAssembly) under Node, with the real file
// system, taking the options of `mirrim-cli render` that make pictures and particle dumps:
//
//   node node_render.js [--scene FILE] --steps N [--pointer X,Y] [--seed N]
//                       [--snapshot OUT.bmp] [--dump-particles OUT.csv]
//
// The tests compare what it writes with what the native mirrim-cli writes, byte for byte.
#include "player/app/ParticleDump.h"
#include "player/imaging/store/CDibImage.h"
#include "web/WebPlayer.h"

#include "particle/core/ParticleSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    std::string scene, snapshot, dump;
    int steps = 0;
    int seed = -1;
    bool pointer = false;
    int x = 0, y = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--scene")
            scene = value;
        else if (option == "--steps")
            steps = std::atoi(value.c_str());
        else if (option == "--pointer")
            pointer = std::sscanf(value.c_str(), "%d,%d", &x, &y) == 2;
        else if (option == "--seed")
            seed = std::atoi(value.c_str());
        else if (option == "--snapshot")
            snapshot = value;
        else if (option == "--dump-particles")
            dump = value;
        else {
            std::fprintf(stderr, "node_render: unknown option %s\n", option.c_str());
            return 2;
        }
    }

    WebPlayer player;
    if (!scene.empty() && player.Load(scene.c_str()) != SceneEngine::SceneRead::Complete) {
        std::fprintf(stderr, "node_render: cannot read %s\n", scene.c_str());
        return 1;
    }
    player.StartSeed(seed);
    for (int i = 0; i < steps; ++i)
        player.Tick(pointer, x, y);
    if (!snapshot.empty() && !player.Engine().Snapshot(player.Frame())->SaveBitmapFile(snapshot.c_str())) {
        std::fprintf(stderr, "node_render: cannot write %s: %s\n", snapshot.c_str(), std::strerror(errno));
        return 1;
    }
    if (!dump.empty() && !WriteParticleDump(dump, player.Engine().GetSystem().particles)) {
        std::fprintf(stderr, "node_render: cannot write %s\n", dump.c_str());
        return 1;
    }
    return 0;
}
