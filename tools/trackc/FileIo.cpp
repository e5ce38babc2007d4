// Whole-file reading and replacing for the track tools, through the one reader and writer; their
// errors become the tools' own.
#include "FileIo.h"

#include "Timeline.h"
#include "kem/Exception.h"
#include "platform/Files.h"

namespace {

std::string textOf(const Kem::Exception& error) {
    std::string text = error.getMessage().getData() ? error.getMessage().getData() : "";
    if (error.getDetail().getLength() > 0)
        text += std::string("\n") + error.getDetail().getData();
    return text;
}

} // namespace

std::string readWholeFile(const std::string& path) {
    try {
        std::vector<unsigned char> bytes =
            platform::readFileLimited(path, platform::sourceLimit, "timeline");
        return std::string(bytes.begin(), bytes.end());
    } catch (const Kem::Exception& error) {
        throw TimelineError(textOf(error));
    }
}

void replaceFiles(const std::vector<std::pair<std::string, std::string>>& files) {
    try {
        platform::writeFilesAtomically(files);
    } catch (const Kem::Exception& error) {
        throw TimelineError(textOf(error));
    }
}

void replaceFile(const std::string& path, const std::string& bytes) {
    try {
        platform::writeFileAtomically(path, bytes);
    } catch (const Kem::Exception& error) {
        throw TimelineError(textOf(error));
    }
}
