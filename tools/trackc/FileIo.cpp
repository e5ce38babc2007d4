// Whole-file reading and replacing through a temporary file and a rename.
#include "FileIo.h"

#include "Timeline.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

std::string readWholeFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        throw TimelineError(path + ": cannot be read");
    std::ostringstream buffer;
    buffer << stream.rdbuf();
    if (stream.bad())
        throw TimelineError(path + ": cannot be read");
    return buffer.str();
}

void replaceFile(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    std::string temporary = path + ".tmp";
    {
        std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
        stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        stream.flush();
        if (!stream) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw TimelineError(path + ": cannot be written");
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw TimelineError(path + ": cannot be replaced: " + error.message());
    }
}
