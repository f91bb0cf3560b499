// mirrim-cli classes / describe: what the engine can build, and how each class describes itself.
#include "CliCommand.h"

#include "particle/core/ClassRegistry.h"

#include <cstdio>
#include <memory>

namespace {

int runClasses(const std::vector<std::string>& args)
{
    if (!args.empty())
        return cliFail("classes", "takes no arguments (see --help)", 2);
    ClassRegistry registry;
    std::printf("Particle classes (%d):\n", registry.particleClassCount());
    for (int i = 0; i < registry.particleClassCount(); ++i)
        std::printf("  %s\n", registry.particleClassName(i).c_str());
    std::printf("Constraint classes (%d):\n", registry.constraintClassCount());
    for (int i = 0; i < registry.constraintClassCount(); ++i)
        std::printf("  %s\n", registry.constraintClassName(i).c_str());
    return 0;
}

int runDescribe(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return cliFail("describe", "needs exactly one class identifier (see --help)", 2);
    ClassRegistry registry;
    std::unique_ptr<IConstraint> constraint = registry.createConstraint(args[0].c_str());
    if (constraint) {
        std::fputs(constraint->getParameterExample().c_str(), stdout);
        return 0;
    }
    if (registry.createParticle(args[0].c_str())) {
        std::printf("%s is a particle class; it has no parameters.\n", args[0].c_str());
        return 0;
    }
    return cliFail("describe", "unknown class '" + args[0] + "' (mirrim-cli classes lists them)");
}

} // namespace

extern const CliCommand kClassesCommand = { "classes", "list the particle and constraint classes, in registry order",
    "Usage: mirrim-cli classes\n\n"
    "Lists the particle classes and the constraint classes the engine can create, in the\n"
    "order of its class registry. These identifiers start each block of definition text.\n",
    runClasses };

extern const CliCommand kDescribeCommand = { "describe", "print the parameters of one class with their default values",
    "Usage: mirrim-cli describe CLASS\n\n"
    "Prints the parameter text of a freshly made object of CLASS: one tag per setting,\n"
    "holding its default value, in the order the class reads them. Paste it under the\n"
    "class identifier in a definition file and change what you need.\n\n"
    "Example: mirrim-cli describe constraint.OmniForce\n",
    runDescribe };
