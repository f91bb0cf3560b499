// The smallest host of the particle engine: a facade, the default scene, a hundred steps, and one
// frame drawn into an off-screen surface. It prints the class list, the particles left and how many
// pixels the frame lit.
#include "particle/particle.h"
#include "platform/CDC.h"

#include <cstdio>

int main()
{
    CMorvane morvane; // owns the particle system; no picture store is needed for this scene
    ParticleSystem* system = morvane.getParticleSystem();
    for (int i = 0; i < morvane.GetConstraintClassCount(); ++i)
        std::printf("%s\n", morvane.GetConstraintClassName(i).c_str());

    system->constraints.removeAllConstraints();
    AddDefaultScene(system->constraints);
    for (int tick = 0; tick < 100; ++tick)
        system->step();

    CDC frame(morvane.getWidth(), morvane.getHeight());
    frame.FillSolidRect(0, 0, morvane.getWidth(), morvane.getHeight(), RGB(0, 0, 0));
    system->draw(&frame);
    int lit = 0;
    for (int y = 0; y < morvane.getHeight(); ++y)
        for (int x = 0; x < morvane.getWidth(); ++x)
            lit += frame.GetPixel(x, y) != RGB(0, 0, 0);
    std::printf("particles %d lit %d\n", system->particles.getParticleCount(), lit);
    return system->particles.getParticleCount() > 0 && lit > 0 ? 0 : 1;
}
