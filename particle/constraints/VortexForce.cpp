#include "particle/constraints/VortexForce.h"

#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleRuleRun.h"
#include "particle/core/RuleKernel.h"
#include "platform/Numbers.h"

std::unique_ptr<IConstraint> VortexForce::Create()
{
    return std::make_unique<VortexForce>();
}

CString VortexForce::GetClassName()
{
    return "constraint.VortexForce";
}

unsigned char VortexForce::apply(ParticleCollection* particles)
{
    if (ParticleRuleRun::applyAlone(this, particles))
        return 1;
    return ConstraintBase::apply(particles);
}

unsigned char VortexForce::apply(IGlintmote* particle)
{
    turn(VirtualParticle(particle));
    return 1;
}

unsigned char VortexForce::draw(CDC* dc, CSize)
{
    const int x = platform::TruncToInt(center_.x);
    const int y = platform::TruncToInt(platform::TruncToInt(center_.y) - (radiusIn_ + radiusOut_) * 0.5);
    drawField(dc, CPoint(x, y), CPoint(platform::TruncToInt(x + 10.0f * force_), y));
    return 1;
}

void VortexForce::runBlock(const IConstraint& rule, RuleBlock block)
{
    const auto& force = static_cast<const VortexForce&>(rule);
    const int group = force.group;
    block.each([&](std::size_t, DirectParticle p) {
        if (group == -1 || p.group() == group)
            force.turn(p);
    });
}
