#include "player/app/ParticleDump.h"

#include "player/imaging/codecs/SafeFileWriter.h"

#include <cstdio>

namespace {

CString csvLine(int index, IGlintmote* p)
{
    CString line;
    line.Format("%d,%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,0x%06lx,%d,%d\n", index, p->getLocationX(), p->getLocationY(),
        p->getPreviousLocationX(), p->getPreviousLocationY(), p->getDeltaX(), p->getDeltaY(), p->getColor(),
        p->getAge(), p->getGroup());
    return line;
}

} // namespace

bool WriteParticleDump(const std::string& path, ParticleCollection& particles)
{
    SafeFileWriter writer;
    std::FILE* out = writer.Open(path.c_str());
    if (!out)
        return false;
    bool ok = std::fputs("index,x,y,prev_x,prev_y,dx,dy,color,age,group\n", out) >= 0;
    const int count = particles.getParticleCount();
    int index = 0;
    for (int i = 0; i < count && ok; ++i) {
        if (IGlintmote* p = particles.getParticle(i))
            ok = std::fputs(csvLine(index++, p).c_str(), out) >= 0;
    }
    return ok && writer.Commit();
}
