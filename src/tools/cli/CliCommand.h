#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillan::cli {

// A subcommand of quillan-cli. Each lives in its own Cmd*.cpp and registers itself, so adding a
// command never touches a shared table. Returns the process exit code; a failure prints one line
// on stderr.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    std::string_view name;
    std::string_view usage;
    CommandFn run;
};

void RegisterCommand(const Command& command);
const std::vector<Command>& Commands();

struct CommandRegistrar {
    CommandRegistrar(std::string_view name, std::string_view usage, CommandFn run)
    {
        RegisterCommand({ name, usage, run });
    }
};

// `quillan-cli bench NAME ...` dispatches to these; see Bench.h for the timing helpers.
void RegisterBench(const Command& bench);
const std::vector<Command>& Benches();

struct BenchRegistrar {
    BenchRegistrar(std::string_view name, std::string_view usage, CommandFn run)
    {
        RegisterBench({ name, usage, run });
    }
};

// Prints "quillan-cli: <message>" on stderr and returns 1.
int Fail(std::string_view message);

// Escapes bytes for one-line output: backslash as \\, tab as \t, other bytes below 0x20 or at
// or above 0x7F as \xHH (upper-case hex). Unescape is its inverse.
std::string Escape(std::string_view bytes);
std::string Unescape(std::string_view text);

} // namespace quillan::cli

#define QUILLAN_CLI_COMMAND(ident, name, usage, fn)                                                                    \
    static const ::quillan::cli::CommandRegistrar quillanCliCommand_##ident                                            \
    {                                                                                                                  \
        name, usage, fn                                                                                                \
    }
#define QUILLAN_CLI_BENCH(ident, name, usage, fn)                                                                      \
    static const ::quillan::cli::BenchRegistrar quillanCliBench_##ident                                                \
    {                                                                                                                  \
        name, usage, fn                                                                                                \
    }
