// Programs started with posix_spawn and waited for.
#include "platform/Process.h"

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {

int runProgram(const std::string& program, const std::vector<std::string>& arguments,
               std::string& error) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int failed = ::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (failed != 0) {
        error = "cannot run " + program + ": " + std::strerror(failed);
        return -1;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            error = "lost " + program + ": " + std::strerror(errno);
            return -1;
        }
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    error = program + " was stopped by signal " + std::to_string(WTERMSIG(status));
    return -1;
}

} // namespace platform
