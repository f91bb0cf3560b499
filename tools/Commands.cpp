#include "CliCommand.h"

extern const CliCommand kClassesCommand;
extern const CliCommand kConvertCommand;
extern const CliCommand kDescribeCommand;
extern const CliCommand kMakeSceneCommand;
extern const CliCommand kRenderCommand;
extern const CliCommand kRunCommand;

const std::vector<CliCommand>& cliCommands()
{
    static const std::vector<CliCommand> commands
        = { kClassesCommand, kDescribeCommand, kRunCommand, kRenderCommand, kMakeSceneCommand, kConvertCommand };
    return commands;
}
