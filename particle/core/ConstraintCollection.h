#pragma once

#include "particle/ParticleExport.h"

#include "particle/core/IConstraint.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The ordered, owning list of constraints; order is application order. It is itself a constraint and
// reads and writes constraint definition text: per constraint its class identifier on one line, its
// parameter tags, then a line holding a single full stop (lines end in CR LF).
//
// A collection given "DefLocation" and "DefFilename" loads that definition file, so definition files can
// include one another. A file that is already being loaded further up is refused, and includes nest at
// most kMaxIncludeDepth deep, so a file that includes itself loads as far as it can and stops. One load
// (a definition text with everything it includes) reads at most kMaxIncludesPerLoad included files
// and kMaxIncludedBytesPerLoad bytes of them; includes beyond either stay empty. A relative file name
// is looked for beside the including file when the working directory lacks it.
class PARTICLE_EXPORT ConstraintCollection : public IConstraint {
public:
    static constexpr int kMaxIncludeDepth = 16;
    static constexpr int kMaxIncludesPerLoad = 1000;
    static constexpr std::size_t kMaxIncludedBytesPerLoad = 64u << 20;

    std::unique_ptr<IConstraint> Create() override;
    CString GetClassName() override;
    // Applies every non-null entry that is not resource-only, in order. A collection that is already
    // applying refuses to be applied again from inside (result 0).
    unsigned char apply(ParticleSystem* system) override;
    unsigned char apply(ParticleCollection* particles) override;
    unsigned char apply(IGlintmote* particle) override;
    // Reads "DefLocation", "DefFilename" and "Resource Only", then loads the definition file.
    unsigned char setParametersFromString(CString params) override;
    CString getParameterExample() override;
    // Draws every non-null entry, resource-only ones included.
    unsigned char draw(CDC* dc, CSize size) override;

    // Creates a constraint of the registered class, hands it the parameters and appends it; 0 when the
    // class identifier is not registered.
    virtual unsigned char addConstraint(CString classId, CString params);
    // Appends and takes ownership.
    virtual unsigned char addConstraint(std::unique_ptr<IConstraint> constraint);
    virtual int getConstraintCount();
    // Null when the index is out of range.
    virtual IConstraint* getConstraint(int index);
    // 0 when the index is out of range.
    virtual unsigned char removeConstraint(int index);
    virtual unsigned char removeConstraint(IConstraint* constraint);
    virtual unsigned char removeAllConstraints();
    virtual unsigned char moveConstraintForward(IConstraint* constraint);
    virtual unsigned char moveConstraintBackward(IConstraint* constraint);

    // Editing the list between steps, for editors (each 0 or null when an index is out of range).
    // Inserts at index, 0 to the count, and takes ownership.
    unsigned char insertConstraint(int index, std::unique_ptr<IConstraint> constraint);
    // Takes the constraint out of the list and hands it over with its state, as it was; null while the
    // list is being applied, when a constraint must not go before the apply has returned.
    std::unique_ptr<IConstraint> detachConstraint(int index);
    // Moves the constraint at from so that it stands at to, the others keeping their order.
    unsigned char moveConstraint(int from, int to);

    // The particle system's step: apply(system), then every particle moves and ages (particles.step()),
    // also when this collection refuses to be applied. A run of per-particle rules at the end of the list
    // moves each particle in the same walk.
    void applyAndStep(ParticleSystem* system);

    // Replaces the whole list by the constraints of the definition text; always 1.
    unsigned char populateFromDefinitionString(CString text);
    CString getConstraintDefinition();

protected:
    // Loads DefLocation + DefFilename; 0 and the list untouched when the file cannot be read.
    unsigned char populateFromDefinitionFile();

private:
    int indexOf(IConstraint* constraint) const;
    template <typename Argument> unsigned char applyAll(Argument argument);
    // apply(system), with runs of the library's per-particle rules applied in one walk each
    // (ParticleRuleRun); with thenStep, followed by the particles' step.
    unsigned char applyToSystem(ParticleSystem* system, bool thenStep);
    void retire(std::unique_ptr<IConstraint> constraint);

    CString defLocation;
    CString defFilename;
    // The directory of the definition this collection was read from, where a relative file name that
    // the working directory does not have is looked for.
    std::string sourceDirectory_;
    std::vector<std::unique_ptr<IConstraint>> constraints_;
    // While the list is being applied, a constraint it drives may re-populate or shrink it (a collection
    // driven by an image delta factory re-reads its file). Removed constraints then wait here until the
    // outermost apply has returned, so that none is destroyed while it is still running.
    int applying_ = 0;
    std::vector<std::unique_ptr<IConstraint>> retired_;
};
