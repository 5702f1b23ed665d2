#include "tools/cli/CliCommand.h"

#include <cstdio>
#include <exception>
#include <iostream>

namespace quillan::cli {

namespace {
std::vector<Command>& CommandTable()
{
    static std::vector<Command> table;
    return table;
}
std::vector<Command>& BenchTable()
{
    static std::vector<Command> table;
    return table;
}

const Command* Find(const std::vector<Command>& table, std::string_view name)
{
    for (const Command& c : table)
        if (c.name == name)
            return &c;
    return nullptr;
}

int Usage()
{
    std::cerr << "usage: quillan-cli COMMAND [ARGS]\n";
    for (const Command& c : Commands())
        std::cerr << "  " << c.name << ' ' << c.usage << '\n';
    return 2;
}

int RunBench(const std::vector<std::string>& args)
{
    if (args.empty() || !Find(Benches(), args[0])) {
        std::cerr << "usage: quillan-cli bench NAME [ARGS]\n";
        for (const Command& b : Benches())
            std::cerr << "  bench " << b.name << ' ' << b.usage << '\n';
        return 2;
    }
    return Find(Benches(), args[0])->run({ args.begin() + 1, args.end() });
}
} // namespace

void RegisterCommand(const Command& command)
{
    CommandTable().push_back(command);
}
const std::vector<Command>& Commands()
{
    return CommandTable();
}
void RegisterBench(const Command& bench)
{
    BenchTable().push_back(bench);
}
const std::vector<Command>& Benches()
{
    return BenchTable();
}

int Fail(std::string_view message)
{
    std::cerr << "quillan-cli: " << message << '\n';
    return 1;
}

std::string Escape(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Unescape(std::string_view text)
{
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char e = text[i + 1];
        if (e == '\\') {
            out += '\\';
            ++i;
        } else if (e == 't') {
            out += '\t';
            ++i;
        } else if (e == 'x' && i + 3 < text.size() + 0 && hexValue(text[i + 2]) >= 0 && hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else {
            out += '\\';
        }
    }
    return out;
}

} // namespace quillan::cli

QUILLAN_CLI_COMMAND(
    bench, "bench", "NAME [ARGS]   run a benchmark (quillan-cli bench lists them)", quillan::cli::RunBench);

int main(int argc, char** argv)
{
    using namespace quillan::cli;
    if (argc < 2)
        return Usage();
    const Command* command = Find(Commands(), argv[1]);
    if (!command)
        return Usage();
    try {
        return command->run({ argv + 2, argv + argc });
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
