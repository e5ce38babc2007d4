// The configuration folder from the environment, as the XDG base directories name it.
#include "platform/UserSettings.h"

#include <cstdlib>
#include <filesystem>

namespace platform {

std::string userSettingsFile(const std::string& name) {
    std::filesystem::path folder;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config && *config == '/')
        folder = config;
    else if (home && *home)
        folder = std::filesystem::path(home) / ".config";
    else
        return "";
    folder /= "oxbrine";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return (folder / name).string();
}

} // namespace platform
