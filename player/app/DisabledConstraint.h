#pragma once

#include "particle/core/IConstraint.h"

#include <memory>
#include <string>

class ConstraintCollection;

// A constraint kept in its list but switched off: it holds the constraint, state and all, and neither
// applies nor draws it, so switching it on again gives back exactly what there was.
//
// Its definition block is the constraint's own with kDisabledPrefix before the class identifier. A
// reader that knows nothing of switching off takes that for an unknown class and skips the block, as it
// would skip a commented-out one; RestoreDisabledConstraints puts it back, switched off.
class DisabledConstraint : public IConstraint {
public:
    static constexpr const char* kDisabledPrefix = "// ";

    explicit DisabledConstraint(std::unique_ptr<IConstraint> inner);
    ~DisabledConstraint() override;

    IConstraint& Inner() { return *inner_; }
    std::unique_ptr<IConstraint> Release() { return std::move(inner_); }

    // Switched off too, holding a new default constraint of the same class.
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    unsigned char apply(ParticleSystem* system) override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;
    // Also keeps it out of a collection's walks.
    unsigned char IsResourceOnly() override { return 1; }

private:
    std::unique_ptr<IConstraint> inner_;
};

// The registered constraint class a block's identifier names switched off; empty when it names none.
std::string DisabledClassOf(const std::string& identifier);

// After list has been populated from text: puts each switched-off block of the text back in its place,
// switched off. Blocks inside included files are their files' own business.
void RestoreDisabledConstraints(ConstraintCollection& list, const std::string& text);
