#include "particle/constraints/Force.h"
#include "particle/constraints/OmniForce.h"
#include "particle/constraints/RemoveAged.h"
#include "particle/constraints/RemoveOutOfBounds.h"
#include "particle/constraints/VortexForce.h"
#include "particle/core/RuleKernel.h"

#include <typeinfo>

// The library's per-particle rules that join a fast walk. A new one is a line here and a static runBlock
// beside its class.
const RuleKernel* FindRuleKernel(const IConstraint& constraint)
{
    static const struct {
        const std::type_info& type;
        RuleKernel kernel;
    } kKernels[] = {
        { typeid(Force), { false, &Force::runBlock } },
        { typeid(OmniForce), { false, &OmniForce::runBlock } },
        { typeid(VortexForce), { false, &VortexForce::runBlock } },
        { typeid(RemoveAged), { true, &RemoveAged::runBlock } },
        { typeid(RemoveOutOfBounds), { true, &RemoveOutOfBounds::runBlock } },
    };
    const std::type_info& type = typeid(constraint);
    for (const auto& entry : kKernels) {
        if (entry.type == type)
            return &entry.kernel;
    }
    return nullptr;
}
