#include "player/app/DisabledConstraint.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/DefinitionText.h"

#include <cstring>
#include <set>

namespace {

std::set<std::string> constraintClasses(ClassRegistry& registry)
{
    std::set<std::string> names;
    for (int i = 0; i < registry.constraintClassCount(); ++i)
        names.insert(registry.constraintClassName(i).str());
    return names;
}

std::string disabledClassOf(const std::string& identifier, const std::set<std::string>& classes)
{
    const std::size_t prefix = std::strlen(DisabledConstraint::kDisabledPrefix);
    if (identifier.compare(0, prefix, DisabledConstraint::kDisabledPrefix) != 0)
        return {};
    std::string classId = identifier.substr(prefix);
    return classes.count(classId) ? classId : std::string();
}

} // namespace

DisabledConstraint::DisabledConstraint(std::unique_ptr<IConstraint> inner)
    : inner_(std::move(inner))
{
}

DisabledConstraint::~DisabledConstraint() = default;

std::unique_ptr<IConstraint> DisabledConstraint::Create()
{
    std::unique_ptr<IConstraint> fresh = inner_ ? inner_->Create() : nullptr;
    return fresh ? std::make_unique<DisabledConstraint>(std::move(fresh)) : nullptr;
}

CString DisabledConstraint::GetClassName()
{
    return inner_ ? CString(kDisabledPrefix) + inner_->GetClassName() : CString();
}

unsigned char DisabledConstraint::apply(ParticleSystem*)
{
    return 0;
}

unsigned char DisabledConstraint::apply(ParticleCollection*)
{
    return 0;
}

unsigned char DisabledConstraint::apply(IGlintmote*)
{
    return 0;
}

unsigned char DisabledConstraint::setParametersFromString(CString params)
{
    return inner_ ? inner_->setParametersFromString(params) : 0;
}

CString DisabledConstraint::getParameterExample()
{
    return inner_ ? inner_->getParameterExample() : CString();
}

unsigned char DisabledConstraint::draw(CDC*, CSize)
{
    return 0;
}

std::string DisabledClassOf(const std::string& identifier)
{
    if (identifier.compare(0, std::strlen(DisabledConstraint::kDisabledPrefix), DisabledConstraint::kDisabledPrefix))
        return {};
    ClassRegistry registry;
    return disabledClassOf(identifier, constraintClasses(registry));
}

void RestoreDisabledConstraints(ConstraintCollection& list, const std::string& text)
{
    ClassRegistry registry;
    const std::set<std::string> classes = constraintClasses(registry);
    int index = 0;
    for (const DefinitionBlock& block : SplitDefinitionText(text)) {
        if (!block.HasIdentifierLine())
            continue;
        const std::string identifier = text.substr(block.begin, block.lineEnd - block.begin);
        // Blocks the loader took stand in the list in the order of the text.
        if (classes.count(identifier)) {
            ++index;
            continue;
        }
        const std::string classId = disabledClassOf(identifier, classes);
        if (classId.empty())
            continue;
        std::unique_ptr<IConstraint> inner = registry.createConstraint(classId.c_str());
        inner->setParametersFromString(text.substr(block.lineEnd + 2, block.end - block.lineEnd - 2).c_str());
        if (list.insertConstraint(index, std::make_unique<DisabledConstraint>(std::move(inner))))
            ++index;
    }
}
