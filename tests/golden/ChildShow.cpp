// Forks, renders and passes the reductions back through a temporary file.
#include "golden/ChildShow.h"

#include "OfflineShow.h"
#include "Timeline.h"
#include "TrackWriter.h"
#include "kem/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace golden {

namespace {

const int resolution1280x720 = 1;
const int frameWidth = 1280 / reduction, frameHeight = 720 / reduction;

std::string temporaryFolder(const char* label) {
    std::string pattern = std::string("/tmp/oxbrine-") + label + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const char* made = mkdtemp(name.data());
    return made ? std::string(made) + "/" : std::string();
}

} // namespace

std::string compileTracks(const std::string& timeline) {
    std::ifstream in(timeline);
    std::stringstream text;
    text << in.rdbuf();
    std::string folder = temporaryFolder("golden-tracks");
    writeTracks(parseTimeline(text.str(), timeline), folder);
    return folder;
}

std::vector<Image> renderInChild(const std::string& tracks, const std::vector<double>& seconds) {
    std::string folder = temporaryFolder("golden-frames");
    std::string raw = folder + "frames.raw";
    size_t frameBytes = size_t(frameWidth) * frameHeight * 3;
    pid_t child = fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return {};
    }
    if (child == 0) {
        int status = 1;
        try {
            OfflineShow show(resolution1280x720, tracks);
            std::FILE* out = std::fopen(raw.c_str(), "wb");
            bool written = out != nullptr;
            for (double t : seconds) {
                if (!written || !show.render(std::llround(t * 1000.0)))
                    break;
                Image image = reduce(show.readPixels(), show.getWidth(), show.getHeight());
                written = std::fwrite(image.rgb.data(), 1, frameBytes, out) == frameBytes;
            }
            if (out)
                written = std::fclose(out) == 0 && written;
            status = written ? 0 : 1;
        } catch (const Kem::Exception& e) {
            std::fprintf(stderr, "the show failed: %s\n", e.getMessage().getData());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "the show failed: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "the show failed\n");
        }
        _exit(status);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the rendering child failed";

    std::vector<Image> frames;
    if (std::FILE* in = std::fopen(raw.c_str(), "rb")) {
        for (size_t i = 0; i < seconds.size(); ++i) {
            Image image{frameWidth, frameHeight, std::vector<unsigned char>(frameBytes)};
            if (std::fread(image.rgb.data(), 1, frameBytes, in) != frameBytes)
                break;
            frames.push_back(std::move(image));
        }
        std::fclose(in);
    }
    std::remove(raw.c_str());
    rmdir(folder.c_str());
    EXPECT_EQ(frames.size(), seconds.size()) << "frames rendered";
    return frames;
}

} // namespace golden
