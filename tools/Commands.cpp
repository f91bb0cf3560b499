#include "CliCommand.h"

#include <CLI/CLI.hpp>

const std::vector<AddCliCommand>& cliCommands()
{
    static const std::vector<AddCliCommand> commands = { AddClassesCommand, AddDescribeCommand, AddRunCommand,
        AddRenderCommand, AddMakeSceneCommand, AddCheckCommand, AddConvertCommand, AddShareCommand };
    return commands;
}
