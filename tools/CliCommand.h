#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// One subcommand of mirrim-cli. Its Add function registers the subcommand and its options on the
// program's parser and returns what runs it once the command line has been parsed. Exit status: 0 done,
// 1 failed (the message is on stderr), 2 bad usage.
using CliRun = std::function<int()>;
using AddCliCommand = CliRun (*)(CLI::App& program);

// The subcommands, each in its own file.
CliRun AddCheckCommand(CLI::App& program);
CliRun AddClassesCommand(CLI::App& program);
CliRun AddConvertCommand(CLI::App& program);
CliRun AddDescribeCommand(CLI::App& program);
CliRun AddMakeSceneCommand(CLI::App& program);
CliRun AddRenderCommand(CLI::App& program);
CliRun AddRunCommand(CLI::App& program);
CliRun AddShareCommand(CLI::App& program);

// Every subcommand, in the order --help lists them.
const std::vector<AddCliCommand>& cliCommands();

// Prints "mirrim-cli NAME: message" on stderr and returns the status.
int cliFail(const std::string& command, const std::string& message, int status = 1);
