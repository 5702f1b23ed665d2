#include "support/RunShell.h"

#include <cstdio>
#include <sys/wait.h>

namespace quillan::testutil {

int RunShell(const std::string& command, std::string& out)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace quillan::testutil
