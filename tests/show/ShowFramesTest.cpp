// Frames of the real show from the compiled tracks: every scene shows a lit, distinct picture
// at its place in the running order, the cards appear where their fades say, and the picture
// is black as the show ends.
#include "OfflineShow.h"
#include "kem/Exception.h"
#include "Timeline.h"
#include "TrackWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const int resolution1024x768 = 2;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    // Mean of R, G and B over the part of the picture between the given fractions.
    double meanLevel(double x0 = 0, double y0 = 0, double x1 = 1, double y1 = 1) const {
        double sum = 0;
        long count = 0;
        for (int y = int(y0 * height); y < int(y1 * height); ++y)
            for (int x = int(x0 * width); x < int(x1 * width); ++x) {
                const unsigned char* p = &rgba[(size_t(y) * width + x) * 4];
                sum += p[0] + p[1] + p[2];
                count += 3;
            }
        return count ? sum / count : 0;
    }

    // Brightest minus darkest of a 4 x 4 grid of block means: 0 for a flat picture.
    double blockContrast() const {
        double low = 1e9, high = -1e9;
        for (int by = 0; by < 4; ++by)
            for (int bx = 0; bx < 4; ++bx) {
                double level = meanLevel(bx / 4.0, by / 4.0, (bx + 1) / 4.0, (by + 1) / 4.0);
                low = std::min(low, level);
                high = std::max(high, level);
            }
        return high - low;
    }
};

// Mean absolute difference per channel over a region.
double difference(const Image& a, const Image& b, double x0 = 0, double y0 = 0, double x1 = 1,
                  double y1 = 1) {
    double sum = 0;
    long count = 0;
    for (int y = int(y0 * a.height); y < int(y1 * a.height); ++y)
        for (int x = int(x0 * a.width); x < int(x1 * a.width); ++x)
            for (int c = 0; c < 3; ++c) {
                size_t i = (size_t(y) * a.width + x) * 4 + c;
                sum += std::abs(int(a.rgba[i]) - int(b.rgba[i]));
                ++count;
            }
    return count ? sum / count : 0;
}

struct Shot {
    double seconds;
    int part; // the scene the running order puts there
};

// Mid-scene moments of the running order, the ending's Architecture last.
const Shot sceneShots[] = {{8.0, 4}, {21.0, 0}, {33.0, 3}, {38.0, 1},
                           {50.0, 2}, {64.0, 5}, {73.0, 4}};
const double morvelinAt = 3.0, goAt = 60.5, endAt = 76.0, noCardAt = 21.0;

Image renderAt(OfflineShow& show, double seconds) {
    long long ms = (long long)std::llround(seconds * 1000.0);
    EXPECT_TRUE(show.render(ms)) << seconds;
    Image image;
    image.width = show.getWidth();
    image.height = show.getHeight();
    image.rgba = show.readPixels();
    return image;
}

// A copy of the compiled tracks with every card fade held at 0.
std::string tracksWithoutCards() {
    fs::path folder = fs::temp_directory_path() / ("oxbrine-show-nocards-" +
                                                   std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(fs::path(OXBRINE_RUN_DIR) / "Data"))
        if (entry.path().filename().string().rfind("_", 0) == 0 &&
            entry.path().extension() == ".track")
            fs::copy_file(entry.path(), folder / entry.path().filename());
    std::string zeros;
    for (const char* name : {"Morvelin Fade", "Go Fade", "End Fade"})
        zeros += std::string("track ") + name + "\n  0 0 hold\n";
    // The writer replaces a folder's whole set, so the zeros go through a folder of their own.
    fs::path zeroFolder = folder / "zeros";
    fs::create_directories(zeroFolder);
    writeTracks(parseTimeline(zeros, "nocards.tl"), zeroFolder.string());
    for (const auto& entry : fs::directory_iterator(zeroFolder))
        fs::copy_file(entry.path(), folder / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
    return folder.string() + "/";
}

class ShowFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        try {
            renderEverything();
        } catch (const Kem::Exception& e) {
            FAIL() << "the show failed: " << e.getMessage().getData();
        }
    }

    static void renderEverything() {
        frames = new std::map<double, Image>();
        withoutCards = new std::map<double, Image>();
        // The scenes and passes are process-wide and bound to the first GL context, so the show
        // without cards renders in a child process of its own, before this one starts its show.
        std::string folder = tracksWithoutCards();
        std::string raw = folder + "frames.raw";
        const double cardTimes[] = {morvelinAt, goAt, endAt, noCardAt};
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int status = 1;
            try {
                OfflineShow show(resolution1024x768, folder);
                std::FILE* out = std::fopen(raw.c_str(), "wb");
                for (double t : cardTimes) {
                    Image image = renderAt(show, t);
                    std::fwrite(image.rgba.data(), 1, image.rgba.size(), out);
                }
                status = std::fclose(out) == 0 ? 0 : 1;
            } catch (...) {
            }
            _exit(status);
        }
        int status = -1;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "cardless show failed";

        OfflineShow show(resolution1024x768, "");
        for (const Shot& shot : sceneShots) {
            parts[shot.seconds] = show.partAt((long long)std::llround(shot.seconds * 1000));
            (*frames)[shot.seconds] = renderAt(show, shot.seconds);
        }
        for (double t : {morvelinAt, goAt, endAt, 77.97})
            (*frames)[t] = renderAt(show, t);
        pastEnd = show.render(78000);

        std::FILE* in = std::fopen(raw.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        for (double t : cardTimes) {
            Image image;
            image.width = show.getWidth();
            image.height = show.getHeight();
            image.rgba.resize(size_t(image.width) * image.height * 4);
            ASSERT_EQ(std::fread(image.rgba.data(), 1, image.rgba.size(), in), image.rgba.size());
            (*withoutCards)[t] = image;
        }
        std::fclose(in);
        fs::remove_all(folder);
    }
    static void TearDownTestSuite() {
        delete frames;
        delete withoutCards;
    }

    static std::map<double, Image>* frames;
    static std::map<double, Image>* withoutCards;
    static std::map<double, float> parts;
    static bool pastEnd;
};

std::map<double, Image>* ShowFrames::frames = nullptr;
std::map<double, Image>* ShowFrames::withoutCards = nullptr;
std::map<double, float> ShowFrames::parts;
bool ShowFrames::pastEnd = true;

TEST_F(ShowFrames, EveryScenePlaysInItsPlaceAndIsLit) {
    for (const Shot& shot : sceneShots) {
        EXPECT_EQ(int(parts[shot.seconds]), shot.part) << "at " << shot.seconds << " s";
        const Image& image = (*frames)[shot.seconds];
        // Dark scenes still average well above black; a broken pass leaves ~0.
        EXPECT_GT(image.meanLevel(), 12.0) << "at " << shot.seconds << " s";
        // Not one flat colour either.
        EXPECT_GT(image.blockContrast(), 6.0) << "at " << shot.seconds << " s";
    }
}

TEST_F(ShowFrames, NeighbouringScenesLookDifferent) {
    for (size_t i = 1; i < std::size(sceneShots); ++i) {
        const Image& a = (*frames)[sceneShots[i - 1].seconds];
        const Image& b = (*frames)[sceneShots[i].seconds];
        EXPECT_GT(difference(a, b), 10.0)
            << sceneShots[i - 1].seconds << " s against " << sceneShots[i].seconds << " s";
    }
}

TEST_F(ShowFrames, CardsShowWhereTheirFadesSay) {
    // Morvelin and the end card sit in the middle band; "g" and "o" meet there too.
    for (double t : {morvelinAt, goAt, endAt})
        EXPECT_GT(difference((*frames)[t], (*withoutCards)[t], 0.2, 0.35, 0.8, 0.65), 4.0)
            << "card at " << t << " s";
    // Where no card is scheduled, zeroing the fades changes nothing.
    EXPECT_LT(difference((*frames)[noCardAt], (*withoutCards)[noCardAt]), 0.5);
}

TEST_F(ShowFrames, PictureFadesToBlackAtTheEnd) {
    EXPECT_LT((*frames)[77.97].meanLevel(), 2.0);
    EXPECT_GT((*frames)[endAt].meanLevel(), 8.0);
    EXPECT_FALSE(pastEnd);
}

} // namespace
