#pragma once

#include <string>
#include <vector>

// One subcommand of mirrim-cli. Exit status: 0 done, 1 failed (the message is on stderr), 2 bad usage.
struct CliCommand {
    const char* name;
    const char* summary;
    const char* usage; // full --help text
    int (*run)(const std::vector<std::string>& args);
};

// Every subcommand, in the order --help lists them.
const std::vector<CliCommand>& cliCommands();

// True when args holds -h or --help.
bool wantsHelp(const std::vector<std::string>& args);
// Prints "mirrim-cli NAME: message" on stderr and returns the status.
int cliFail(const char* command, const std::string& message, int status = 1);
