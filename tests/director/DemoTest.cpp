// Whole frames of the show, rendered headless at 1280 x 720 against the test timeline (Stage.cpp):
// scene selection, title cards through their tracks, the post chain's pass-through, the end of
// the show and the frame-end GL error check.
#include "Architecture.h"
#include "Colon.h"
#include "Demo.h"
#include "DruSucks.h"
#include "DuckNipples.h"
#include "Garbitch.h"
#include "PerkProc.h"
#include "Sphurrs.h"
#include "Stage.h"
#include "Sync.h"
#include "platform/sound/SoundControl.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <typeinfo>

using stage::Rgba;

namespace {

const int width = 1280, height = 720;

bool isMagenta(Rgba p) { return p.r > 200 && p.g < 60 && p.b > 200; }

class DemoFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage::enter();
        demo = new Demo();
        canvas = new stage::Canvas(width, height);
        demo->setOutputFramebuffer(canvas->getFramebuffer());
    }
    static void TearDownTestSuite() {
        delete canvas;
        delete demo;
    }

    // One frame at the given music position, into the test's stand-in for the window.
    static bool frameAt(unsigned milliseconds) {
        SoundControl::setNonRealTimePosition(milliseconds);
        canvas->bind();
        return demo->renderFrame();
    }

    static Demo* demo;
    static stage::Canvas* canvas;
};

Demo* DemoFrames::demo = nullptr;
stage::Canvas* DemoFrames::canvas = nullptr;

} // namespace

TEST_F(DemoFrames, HoldsTheSixScenesInShowOrder) {
    ASSERT_EQ(demo->getSceneCount(), 6);
    EXPECT_EQ(typeid(*demo->selectScene(0)), typeid(DuckNipples));
    EXPECT_EQ(typeid(*demo->selectScene(1)), typeid(Sphurrs));
    EXPECT_EQ(typeid(*demo->selectScene(2)), typeid(DruSucks));
    EXPECT_EQ(typeid(*demo->selectScene(3)), typeid(Colon));
    EXPECT_EQ(typeid(*demo->selectScene(4)), typeid(Architecture));
    EXPECT_EQ(typeid(*demo->selectScene(5)), typeid(Garbitch));
}

TEST_F(DemoFrames, PartIsTruncatedTowardZeroAndBoundsChecked) {
    EXPECT_EQ(typeid(*demo->selectScene(2.9f)), typeid(DruSucks));
    EXPECT_EQ(typeid(*demo->selectScene(-0.5f)), typeid(DuckNipples));
    EXPECT_EQ(demo->selectScene(2.9f), demo->selectScene(2.0f));
    EXPECT_NE(demo->selectScene(2.9f), demo->selectScene(3.0f));
    EXPECT_EQ(demo->selectScene(-0.5f), demo->selectScene(0.0f));
    for (float outside : {6.0f, -1.0f, 1e10f, -1e10f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(stage::messageThrownBy([&] { demo->selectScene(outside); }),
                  "Index out of bounds")
            << outside;

    EXPECT_TRUE(frameAt(6000)); // "Part" -0.5
    EXPECT_EQ(stage::messageThrownBy([] { frameAt(12000); }), "Index out of bounds");
}

TEST_F(DemoFrames, GoCardsLandAQuarterWidthEitherSideAndDryBloomPassesTheImageThrough) {
    ASSERT_TRUE(frameAt(1000));
    std::vector<Rgba> frame = canvas->read();

    std::vector<int> columns;
    for (int x = 0; x < width; ++x)
        if (isMagenta(frame[(height / 2) * width + x]))
            columns.push_back(x);
    ASSERT_FALSE(columns.empty());
    double left = 0, right = 0;
    int leftCount = 0, rightCount = 0;
    for (int x : columns) {
        EXPECT_TRUE(std::abs(x - 320) < 30 || std::abs(x - 960) < 30) << x;
        (x < 640 ? left : right) += x;
        (x < 640 ? leftCount : rightCount) += 1;
    }
    ASSERT_GT(leftCount, 0);
    ASSERT_GT(rightCount, 0);
    EXPECT_NEAR(left / leftCount, 319.5, 2);
    EXPECT_NEAR(right / rightCount, 959.5, 2);

    // "Perkproc Mix" 0, "Bloom Wet" 0 and "Bloom Dry" 1: the window shows the scene target as is.
    std::vector<Rgba> scene =
        stage::readFramebuffer(PerkProc::get().getTarget().getFramebuffer(), width, height);
    int largest = 0;
    for (size_t i = 0; i < scene.size(); ++i)
        largest = std::max({largest, std::abs(scene[i].r - frame[i].r),
                            std::abs(scene[i].g - frame[i].g), std::abs(scene[i].b - frame[i].b)});
    EXPECT_EQ(largest, 0);

    EXPECT_EQ(stage::getInteger(GL_FRAMEBUFFER_BINDING), GLint(canvas->getFramebuffer()));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(DemoFrames, AtSeventyEightSecondsOnlyTheClearHappens) {
    ASSERT_TRUE(frameAt(77999));
    GLuint sceneFramebuffer = PerkProc::get().getTarget().getFramebuffer();
    std::vector<Rgba> sceneBefore = stage::readFramebuffer(sceneFramebuffer, width, height);

    canvas->fill(0, 1, 0, 1);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    EXPECT_FALSE(frameAt(78000));
    glClearColor(0, 0, 0, 0);
    std::vector<Rgba> frame = canvas->read();
    for (size_t i = 0; i < frame.size(); i += 997) {
        ASSERT_EQ(frame[i].r, 51) << i;
        ASSERT_EQ(frame[i].g, 102) << i;
        ASSERT_EQ(frame[i].b, 153) << i;
    }
    std::vector<Rgba> sceneAfter = stage::readFramebuffer(sceneFramebuffer, width, height);
    EXPECT_EQ(0, std::memcmp(sceneBefore.data(), sceneAfter.data(), sceneBefore.size() * 4));
    EXPECT_EQ(stage::getInteger(GL_FRAMEBUFFER_BINDING), GLint(canvas->getFramebuffer()));
    EXPECT_FALSE(frameAt(90000));
}

TEST_F(DemoFrames, APendingGLErrorFailsTheFrame) {
    glEnable(0x7FFF);
    std::string expected = std::string("GL error has occurred: ") +
                           reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM));
    EXPECT_EQ(stage::messageThrownBy([] { frameAt(1000); }), expected);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(frameAt(1000));
}

// Last in this file: a Demo that fails leaves the clock unbound, as it would end the show.
TEST(DemoConstruction, AMissingEndCardFailsAfterTheScenesAndLeavesTheClockUnbound) {
    stage::enter();
    std::string card = stage::folder() + "Data/end.png";
    ASSERT_EQ(std::rename(card.c_str(), (card + ".away").c_str()), 0);
    std::string message = stage::messageThrownBy([] { Demo demo; });
    std::rename((card + ".away").c_str(), card.c_str());
    EXPECT_EQ(message, "Could not load texture \"Data/end.png\"");
    // Without audio every track reads 0, even one with keys.
    EXPECT_EQ(Sync::getValue("Bloom Dry"), 0.0f);
}
