#include "particle/core/ConstraintCollection.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/DefinitionSource.h"
#include "particle/core/DefinitionText.h"
#include "particle/core/ParticleRuleRun.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/StringParameters.h"

#include <algorithm>
#include <map>
#include <string>

namespace {

const char kLineEnd[] = "\r\n";

// One load: a definition text turned into constraints together with every file it includes, however
// deep. Includes are counted over the whole load, not per chain: files that include one another a few
// times each would otherwise multiply (three includes each, sixteen deep, is 3^16 loads). Each file is
// read from disk once per load. Everything runs on one thread.
struct LoadSession {
    int depth = 0; // nested loads under way; the session ends when the outermost one does
    int includes = 0;
    std::size_t includedBytes = 0;
    std::map<std::string, std::string> texts; // the files read so far, by identity
    std::vector<std::string> chain; // the files being loaded right now, outermost first
};

LoadSession& session()
{
    static LoadSession current;
    return current;
}

class SessionScope {
public:
    SessionScope() { ++session().depth; }
    ~SessionScope()
    {
        LoadSession& s = session();
        if (--s.depth == 0) {
            s.includes = 0;
            s.includedBytes = 0;
            s.texts.clear();
        }
    }
    SessionScope(const SessionScope&) = delete;
    SessionScope& operator=(const SessionScope&) = delete;
};

} // namespace

std::unique_ptr<IConstraint> ConstraintCollection::Create()
{
    return std::make_unique<ConstraintCollection>();
}

CString ConstraintCollection::GetClassName()
{
    return "constraint.ConstraintCollection";
}

template <typename Argument> unsigned char ConstraintCollection::applyAll(Argument argument)
{
    // Re-entered through a constraint it drives (an image delta factory inside it naming it): refuse,
    // or every pass would start another.
    if (applying_ > 0)
        return 0;
    ++applying_;
    const int count = getConstraintCount();
    for (int i = 0; i < count; ++i) {
        IConstraint* c = getConstraint(i);
        if (c && !c->IsResourceOnly())
            c->apply(argument);
    }
    --applying_;
    retired_.clear();
    return 1;
}

unsigned char ConstraintCollection::applyToSystem(ParticleSystem* system, bool thenStep)
{
    if (applying_ > 0) {
        if (thenStep)
            system->particles.step();
        return 0;
    }
    ++applying_;
    bool stepped = false;
    const int count = getConstraintCount();
    for (int i = 0; i < count; ++i) {
        IConstraint* c = getConstraint(i);
        if (!c || c->IsResourceOnly())
            continue;
        // The longest run of per-particle rules from here, passing over what would not be applied
        // anyway; none of them changes this list, so it can be read ahead.
        ParticleRuleRun run;
        int end = i;
        if (system->particles.holdsOnlyParticleBase()) {
            for (; end < count; ++end) {
                IConstraint* next = getConstraint(end);
                if (next && !next->IsResourceOnly() && !run.add(next))
                    break;
            }
        }
        if (run.size() == 0) {
            c->apply(system);
            continue;
        }
        // Nothing after the run: the particles may move in the same walk.
        const bool step = thenStep && end == count;
        run.apply(system->particles, step);
        stepped = stepped || step;
        i = end - 1;
    }
    --applying_;
    retired_.clear();
    if (thenStep && !stepped)
        system->particles.step();
    return 1;
}

unsigned char ConstraintCollection::apply(ParticleSystem* system)
{
    if (!system)
        return 0;
    return applyToSystem(system, false);
}

void ConstraintCollection::applyAndStep(ParticleSystem* system)
{
    applyToSystem(system, true);
}

unsigned char ConstraintCollection::apply(ParticleCollection* particles)
{
    return applyAll(particles);
}

unsigned char ConstraintCollection::apply(IGlintmote* particle)
{
    return applyAll(particle);
}

void ConstraintCollection::retire(std::unique_ptr<IConstraint> constraint)
{
    if (applying_ > 0)
        retired_.push_back(std::move(constraint));
}

unsigned char ConstraintCollection::setParametersFromString(CString params)
{
    StringParameters sp;
    defLocation = sp.getStringParameter(params, "DefLocation", defLocation);
    defFilename = sp.getStringParameter(params, "DefFilename", defFilename);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    sourceDirectory_ = DefinitionSource::CurrentDirectoryOr(sourceDirectory_);
    populateFromDefinitionFile();
    return 1;
}

CString ConstraintCollection::getParameterExample()
{
    StringParameters sp;
    return sp.toString("DefLocation", defLocation) + sp.toString("DefFilename", defFilename)
        + sp.toString("Resource Only", resourceOnly);
}

unsigned char ConstraintCollection::draw(CDC* dc, CSize size)
{
    const int count = getConstraintCount();
    for (int i = 0; i < count; ++i) {
        if (IConstraint* c = getConstraint(i))
            c->draw(dc, size);
    }
    return 1;
}

unsigned char ConstraintCollection::addConstraint(CString classId, CString params)
{
    std::unique_ptr<IConstraint> constraint;
    {
        ClassRegistry registry;
        constraint = registry.createConstraint(classId);
    }
    if (!constraint)
        return 0;
    constraint->setParametersFromString(params);
    return addConstraint(std::move(constraint));
}

unsigned char ConstraintCollection::addConstraint(std::unique_ptr<IConstraint> constraint)
{
    constraints_.push_back(std::move(constraint));
    return 1;
}

int ConstraintCollection::getConstraintCount()
{
    return static_cast<int>(constraints_.size());
}

IConstraint* ConstraintCollection::getConstraint(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= constraints_.size())
        return nullptr;
    return constraints_[static_cast<std::size_t>(index)].get();
}

unsigned char ConstraintCollection::removeConstraint(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= constraints_.size())
        return 0;
    std::unique_ptr<IConstraint> removed = std::move(constraints_[static_cast<std::size_t>(index)]);
    constraints_.erase(constraints_.begin() + index);
    retire(std::move(removed));
    return 1;
}

unsigned char ConstraintCollection::removeConstraint(IConstraint* constraint)
{
    int index = indexOf(constraint);
    if (index < 0)
        return 0;
    return removeConstraint(index);
}

unsigned char ConstraintCollection::removeAllConstraints()
{
    std::vector<std::unique_ptr<IConstraint>> removed;
    removed.swap(constraints_);
    for (std::unique_ptr<IConstraint>& c : removed)
        retire(std::move(c));
    return 1;
}

unsigned char ConstraintCollection::moveConstraintForward(IConstraint* constraint)
{
    int i = indexOf(constraint);
    if (i < 0)
        return 0;
    if (i > 0)
        std::swap(constraints_[static_cast<std::size_t>(i)], constraints_[static_cast<std::size_t>(i - 1)]);
    return 1;
}

unsigned char ConstraintCollection::moveConstraintBackward(IConstraint* constraint)
{
    int i = indexOf(constraint);
    if (i < 0)
        return 0;
    if (i < getConstraintCount() - 1)
        std::swap(constraints_[static_cast<std::size_t>(i)], constraints_[static_cast<std::size_t>(i + 1)]);
    return 1;
}

unsigned char ConstraintCollection::insertConstraint(int index, std::unique_ptr<IConstraint> constraint)
{
    if (index < 0 || static_cast<std::size_t>(index) > constraints_.size())
        return 0;
    constraints_.insert(constraints_.begin() + index, std::move(constraint));
    return 1;
}

std::unique_ptr<IConstraint> ConstraintCollection::detachConstraint(int index)
{
    if (applying_ > 0 || index < 0 || static_cast<std::size_t>(index) >= constraints_.size())
        return nullptr;
    std::unique_ptr<IConstraint> detached = std::move(constraints_[static_cast<std::size_t>(index)]);
    constraints_.erase(constraints_.begin() + index);
    return detached;
}

unsigned char ConstraintCollection::moveConstraint(int from, int to)
{
    const int count = getConstraintCount();
    if (from < 0 || from >= count || to < 0 || to >= count)
        return 0;
    const auto at = [this](int i) { return constraints_.begin() + i; };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
    return 1;
}

int ConstraintCollection::indexOf(IConstraint* constraint) const
{
    for (std::size_t i = 0; i < constraints_.size(); ++i) {
        if (constraints_[i].get() == constraint)
            return static_cast<int>(i);
    }
    return -1;
}

unsigned char ConstraintCollection::populateFromDefinitionString(CString text)
{
    const SessionScope scope;
    removeAllConstraints();
    const std::string& all = text.str();
    for (const DefinitionBlock& block : SplitDefinitionText(all)) {
        if (!block.HasIdentifierLine())
            continue;
        CString classId(all.substr(block.begin, block.lineEnd - block.begin));
        CString params(all.substr(block.lineEnd + 2, block.end - block.lineEnd - 2));
        addConstraint(classId, params);
    }
    return 1;
}

CString ConstraintCollection::getConstraintDefinition()
{
    CString result;
    for (const std::unique_ptr<IConstraint>& c : constraints_) {
        if (!c)
            continue;
        CString name = c->GetClassName();
        if (name.IsEmpty())
            continue;
        result += name + kLineEnd + c->getParameterExample() + kLineEnd + "." + kLineEnd;
    }
    return result;
}

unsigned char ConstraintCollection::populateFromDefinitionFile()
{
    if (defLocation.IsEmpty() && defFilename.IsEmpty())
        return 0;
    const SessionScope scope;
    LoadSession& s = session();
    const std::string path = ResolveBeside((defLocation + defFilename).str(), sourceDirectory_);
    const std::string identity = FileIdentity(path);
    if (s.chain.size() >= static_cast<std::size_t>(kMaxIncludeDepth)
        || std::find(s.chain.begin(), s.chain.end(), identity) != s.chain.end() || s.includes >= kMaxIncludesPerLoad)
        return 0;

    auto known = s.texts.find(identity);
    if (known == s.texts.end()) {
        std::string text;
        if (!ReadDefinitionFile(path, text))
            return 0;
        known = s.texts.emplace(identity, std::move(text)).first;
    }
    if (known->second.size() > kMaxIncludedBytesPerLoad - s.includedBytes)
        return 0;
    ++s.includes;
    s.includedBytes += known->second.size();

    s.chain.push_back(identity);
    {
        DefinitionSource source(path);
        populateFromDefinitionString(CString(known->second));
    }
    s.chain.pop_back();
    return 1;
}
