// mirrim-cli classes / describe: what the engine can build, and how each class describes itself.
#include "CliCommand.h"

#include "particle/core/ClassRegistry.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

namespace {

int runClasses()
{
    ClassRegistry registry;
    std::printf("Particle classes (%d):\n", registry.particleClassCount());
    for (int i = 0; i < registry.particleClassCount(); ++i)
        std::printf("  %s\n", registry.particleClassName(i).c_str());
    std::printf("Constraint classes (%d):\n", registry.constraintClassCount());
    for (int i = 0; i < registry.constraintClassCount(); ++i)
        std::printf("  %s\n", registry.constraintClassName(i).c_str());
    return 0;
}

int runDescribe(const std::string& name)
{
    ClassRegistry registry;
    std::unique_ptr<IConstraint> constraint = registry.createConstraint(name.c_str());
    if (constraint) {
        std::fputs(constraint->getParameterExample().c_str(), stdout);
        return 0;
    }
    if (registry.createParticle(name.c_str())) {
        std::printf("%s is a particle class; it has no parameters.\n", name.c_str());
        return 0;
    }
    return cliFail("describe", "unknown class '" + name + "' (mirrim-cli classes lists them)");
}

} // namespace

CliRun AddClassesCommand(CLI::App& program)
{
    CLI::App* command
        = program.add_subcommand("classes", "list the particle and constraint classes, in registry order");
    command->footer("Lists the particle classes and the constraint classes the engine can create, in the\n"
                    "order of its class registry. These identifiers start each block of definition text.\n");
    return runClasses;
}

CliRun AddDescribeCommand(CLI::App& program)
{
    CLI::App* command
        = program.add_subcommand("describe", "print the parameters of one class with their default values");
    auto name = std::make_shared<std::string>();
    command->add_option("CLASS", *name, "a class identifier, as 'mirrim-cli classes' lists them")->required();
    command->footer("Prints the parameter text of a freshly made object of CLASS: one tag per setting,\n"
                    "holding its default value, in the order the class reads them. Paste it under the\n"
                    "class identifier in a definition file and change what you need.\n\n"
                    "Example: mirrim-cli describe constraint.OmniForce\n");
    return [name] { return runDescribe(*name); };
}
