#pragma once

// Tests that drive quillan-cli run it through the shell and read what it prints.

#include <string>

namespace quillan::testutil {

// Runs `command` with /bin/sh and appends its standard output to `out`. Returns the exit
// status, or -1 when the command could not be started or did not exit normally.
int RunShell(const std::string& command, std::string& out);

} // namespace quillan::testutil
