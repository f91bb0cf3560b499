// mirrim-cli: the Mirrim engine without a window.
#include "CliCommand.h"

#include <cstdio>
#include <cstring>

bool wantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help")
            return true;
    }
    return false;
}

int cliFail(const char* command, const std::string& message, int status)
{
    std::fprintf(stderr, "mirrim-cli %s: %s\n", command, message.c_str());
    return status;
}

namespace {

void printHelp(std::FILE* out)
{
    std::fprintf(out,
        "Usage: mirrim-cli COMMAND [ARGUMENTS]\n\n"
        "Runs Mirrim particle scenes without a window.\n\nCommands:\n");
    for (const CliCommand& c : cliCommands())
        std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    std::fprintf(out, "\nRun 'mirrim-cli COMMAND --help' for the arguments of one command.\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printHelp(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        printHelp(stdout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const CliCommand& c : cliCommands()) {
        if (std::strcmp(argv[1], c.name) != 0)
            continue;
        if (wantsHelp(args)) {
            std::fputs(c.usage, stdout);
            return 0;
        }
        return c.run(args);
    }
    std::fprintf(stderr, "mirrim-cli: unknown command '%s'\n\n", argv[1]);
    printHelp(stderr);
    return 2;
}
