#include "CliCommand.h"

#include <CLI/CLI.hpp>

CliRun AddCheckCommand(CLI::App& program);
CliRun AddClassesCommand(CLI::App& program);
CliRun AddConvertCommand(CLI::App& program);
CliRun AddDescribeCommand(CLI::App& program);
CliRun AddMakeSceneCommand(CLI::App& program);
CliRun AddRenderCommand(CLI::App& program);
CliRun AddRunCommand(CLI::App& program);
CliRun AddShareCommand(CLI::App& program);

const std::vector<AddCliCommand>& cliCommands()
{
    static const std::vector<AddCliCommand> commands = { AddClassesCommand, AddDescribeCommand, AddRunCommand,
        AddRenderCommand, AddMakeSceneCommand, AddCheckCommand, AddConvertCommand, AddShareCommand };
    return commands;
}
