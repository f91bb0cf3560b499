#pragma once

#include "particle/ParticleExport.h"

#include "particle/constraints/CollectionConstraint.h"

struct RuleBlock;

// Deletes the particles (of its group; -1: all) that have left the kept area: x from Left up to but not
// including Right, y from Top up to but not including Bottom. With CurrentOnly false the previous
// location counts too: on the left and top a particle goes only when both locations are outside, on
// the right and bottom as soon as either is.
class PARTICLE_EXPORT RemoveOutOfBounds : public CollectionConstraint {
public:
    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    using CollectionConstraint::apply;
    // Removes the particles that fail the test, in one pass over the collection.
    unsigned char apply(ParticleCollection* particles) override;
    // "Group", "CurrentOnly", "Left", "Right", "Top", "Bottom", "Resource Only".
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    unsigned char draw(CDC* dc, CSize size) override;

    virtual CRect getBounds();
    virtual unsigned char setBounds(CRect bounds);
    virtual void setCurrentOnly();
    virtual void clearCurrentOnly();
    virtual unsigned char isCurrentOnly();
    // 1 when the previous location takes part in the test.
    virtual int isUsingPrevious();
    virtual unsigned char shouldRemove(IGlintmote* particle);

    // This class's kernel in the engine's fast walk over plain particles.
    static void runBlock(const IConstraint& rule, RuleBlock block);

private:
    // The test of shouldRemove with the bounds as floats, worked out once for a whole walk.
    struct Test {
        int group;
        bool currentOnly;
        float left, top, right, bottom;
        template <typename Particle> bool condemns(Particle p) const;
    };
    Test test() const
    {
        return { group_, currentOnly_ != 0, static_cast<float>(bounds_.left), static_cast<float>(bounds_.top),
            static_cast<float>(bounds_.right), static_cast<float>(bounds_.bottom) };
    }

    CRect bounds_ { 0, 0, 640, 480 };
    unsigned char currentOnly_ = 1;
    int group_ = -1;
};

// Through whichever access the walk has.
template <typename Particle> bool RemoveOutOfBounds::Test::condemns(Particle p) const
{
    if (group != -1 && p.group() != group)
        return false;
    const float x = p.locationX();
    const float y = p.locationY();
    if (currentOnly)
        return x < left || x >= right || y < top || y >= bottom;
    const float px = p.previousLocationX();
    const float py = p.previousLocationY();
    return (x < left && px < left) || x >= right || px >= right || (y < top && py < top) || y >= bottom || py >= bottom;
}
