// Running another program of the making tools and waiting for it: no shell, the arguments passed
// as they are.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Runs the program with the arguments and waits. Returns its exit status (0 for success), or -1
// when it could not be started or did not exit normally; the reason then goes into `error`.
int runProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::string& error);

} // namespace platform
