#include "particle/constraints/OmniForce.h"

#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleRuleRun.h"
#include "particle/core/RuleKernel.h"
#include "platform/Numbers.h"

std::unique_ptr<IConstraint> OmniForce::Create()
{
    return std::make_unique<OmniForce>();
}

CString OmniForce::GetClassName()
{
    return "constraint.OmniForce";
}

unsigned char OmniForce::apply(ParticleCollection* particles)
{
    if (ParticleRuleRun::applyAlone(this, particles))
        return 1;
    return ConstraintBase::apply(particles);
}

unsigned char OmniForce::apply(IGlintmote* particle)
{
    push(VirtualParticle(particle));
    return 1;
}

unsigned char OmniForce::draw(CDC* dc, CSize)
{
    const int x = platform::TruncToInt(center_.x);
    drawField(
        dc, CPoint(x, platform::TruncToInt(center_.y)), CPoint(x, platform::TruncToInt(center_.y - 10.0f * force_)));
    return 1;
}

void OmniForce::runBlock(const IConstraint& rule, RuleBlock block)
{
    const auto& force = static_cast<const OmniForce&>(rule);
    const int group = force.group;
    block.each([&](std::size_t, DirectParticle p) {
        if (group == -1 || p.group() == group)
            force.push(p);
    });
}
