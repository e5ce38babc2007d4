// Where a making tool keeps a user's choices between runs: a file in the user's configuration
// folder ($XDG_CONFIG_HOME/oxbrine, or ~/.config/oxbrine).
#pragma once

#include <string>

namespace platform {

// The path of the named settings file, its folder created; empty when the user has no home.
std::string userSettingsFile(const std::string& name);

} // namespace platform
