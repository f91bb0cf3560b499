#include "particle/core/DefaultScene.h"

#include "particle/core/ConstraintCollection.h"

void AddDefaultScene(ConstraintCollection& constraints)
{
    constraints.addConstraint("factory.ParticleFactoryUniform", "<CenterX>160</CenterX><CenterY>120</CenterY>");
    constraints.addConstraint("constraint.OmniForce", "<CenterX>160</CenterX><CenterY>120</CenterY>");
    constraints.addConstraint("constraint.RemoveAged", "");
    constraints.addConstraint("constraint.RemoveOutOfBounds", "");
}
