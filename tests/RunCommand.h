#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

// What a shell command said and how it ended.
struct CommandResult {
    int status; // the exit status; -1 when it did not exit normally
    std::string out; // what it wrote to stdout (and to stderr, if the command sends it there)
};

// Runs a shell command and captures its standard output.
inline CommandResult RunCommand(const std::string& command)
{
    CommandResult r { -1, {} };
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.out.append(buffer.data(), n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}
