#pragma once

#include <string>

namespace quillan {

// The running program's file, symbolic links resolved (a "quillan" link in ~/.local/bin gives the
// program it points at, so the files installed beside that program are found). Empty when the
// system does not say.
std::string RunningProgramPath();

// The folder of RunningProgramPath(); empty when that is unknown.
std::string RunningProgramFolder();

} // namespace quillan
