// Constraint definition text, as found in definition files and scene files. Includes of other definition
// files are followed, so the harness also meets missing, self-including and odd files.
#include "FuzzTarget.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/ParticleSystem.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ParticleSystem system;
    system.constraints.populateFromDefinitionString(CString(std::string(reinterpret_cast<const char*>(data), size)));
    // A loaded scene must survive a round trip through its own definition text.
    CString written = system.constraints.getConstraintDefinition();
    ConstraintCollection again;
    again.populateFromDefinitionString(written);
    return 0;
}
