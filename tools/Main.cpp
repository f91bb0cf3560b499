// mirrim-cli: the Mirrim engine without a window.
#include "CliCommand.h"

#include "player/app/NameSuggestion.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>

int cliFail(const std::string& command, const std::string& message, int status)
{
    std::fprintf(stderr, "mirrim-cli %s: %s\n", command.c_str(), message.c_str());
    return status;
}

namespace {

// The long names of a command's options, without their dashes.
std::vector<std::string> optionNames(const CLI::App& command)
{
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames())
            names.push_back(name);
    }
    return names;
}

// Arguments the command did not take: an unknown option (with the nearest real one) or one too many.
int refuseExtras(const CLI::App& command)
{
    const std::string& name = command.get_name();
    const std::string extra = command.remaining().front();
    if (extra.size() < 2 || extra[0] != '-')
        return cliFail(name, "unexpected argument '" + extra + "' (see --help)", 2);
    const std::string option = extra.substr(0, extra.find('='));
    std::string message = "unknown option '" + option + "'";
    const std::size_t dashes = option.find_first_not_of('-');
    if (std::optional<NameSuggestion> nearest
        = SuggestName(option.substr(std::min(dashes, option.size())), optionNames(command))) {
        nearest->name = "--" + nearest->name;
        message += ": " + nearest->Hint();
    }
    return cliFail(name, message + " (see --help)", 2);
}

int refuseCommand(const CLI::App& program, const std::string& name)
{
    std::vector<std::string> names;
    for (const CLI::App* command : program.get_subcommands([](const CLI::App*) { return true; }))
        names.push_back(command->get_name());
    std::string message = "mirrim-cli: unknown command '" + name + "'";
    if (std::optional<NameSuggestion> nearest = SuggestName(name, names))
        message += ": " + nearest->Hint();
    std::fprintf(stderr, "%s (see mirrim-cli --help)\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App program("Runs Mirrim particle scenes without a window.", "mirrim-cli");
    program.option_defaults()->always_capture_default();
    program.set_version_flag("--version", "mirrim-cli " MIRRIM_VERSION);
    program.require_subcommand(1);
    program.get_formatter()->column_width(28);
    program.footer("Run 'mirrim-cli COMMAND --help' for the arguments of one command.");

    std::map<const CLI::App*, CliRun> runs;
    for (AddCliCommand add : cliCommands()) {
        CliRun run = add(program);
        const std::vector<CLI::App*> all = program.get_subcommands([](CLI::App*) { return true; });
        runs.emplace(all.back(), std::move(run));
    }
    try {
        program.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return program.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return program.exit(version);
    } catch (const CLI::ParseError& error) {
        const std::vector<CLI::App*> chosen = program.get_subcommands();
        // A misspelled option is the likelier cause of whatever went wrong after it.
        if (!chosen.empty() && !chosen.front()->remaining().empty())
            return refuseExtras(*chosen.front());
        if (!chosen.empty())
            return cliFail(chosen.front()->get_name(), std::string(error.what()) + " (see --help)", 2);
        if (argc < 2 || argv[1][0] == '-') {
            std::fputs(program.help().c_str(), stderr);
            return 2;
        }
        return refuseCommand(program, argv[1]);
    }
    const CLI::App* command = program.get_subcommands().front();
    if (!command->remaining().empty())
        return refuseExtras(*command);
    return runs.at(command)();
}
