#include "support/RunShell.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string RunCli(const std::string& args, int* exitCode)
{
    const char* cli = std::getenv("QUILLAN_CLI");
    EXPECT_NE(cli, nullptr);
    std::string out;
    *exitCode = quillan::testutil::RunShell(std::string(cli ? cli : "quillan-cli") + " " + args + " 2>&1", out);
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
