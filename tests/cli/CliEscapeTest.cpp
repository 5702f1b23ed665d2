#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string RunCli(const std::string& args, int* exitCode)
{
    const char* cli = std::getenv("QUILLAN_CLI");
    EXPECT_NE(cli, nullptr);
    std::string cmd = std::string(cli ? cli : "quillan-cli") + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int rc = pclose(p);
    *exitCode = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

TEST(CliFrontEnd, UnknownCommandFailsWithUsage)
{
    int rc = 0;
    std::string out = RunCli("no-such-command", &rc);
    EXPECT_NE(rc, 0);
    EXPECT_NE(out.find("usage: quillan-cli"), std::string::npos);
}

} // namespace
