#include "CliSupport.h"

#include "platform/CStdioFile.h"
#include "player/imaging/SafeFileWriter.h"

#include <charconv>
#include <cstdio>

std::optional<int> parseSteps(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::optional<CString> readDefinition(const std::string& path)
{
    CStdioFile file;
    if (!file.Open(path.c_str()))
        return std::nullopt;
    CString text;
    CString line;
    while (file.ReadString(line)) {
        text += line;
        text += "\r\n";
    }
    return text;
}

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

bool writeParticles(const std::string& path, ParticleCollection& particles)
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
