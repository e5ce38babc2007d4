// The director: construction of the show's resources in their fixed order, and the per-frame
// sequence of clock, camera, scene, overlay, title cards and post chain.
#include "Demo.h"

#include "Bloom.h"
#include "Camera.h"
#include "ImagePrefetch.h"
#include "LaunchOptions.h"
#include "NoiseVolume.h"
#include "PerkProc.h"
#include "Sync.h"
#include "TitleCard.h"
#include "effects/Architecture.h"
#include "effects/Colon.h"
#include "effects/DruSucks.h"
#include "effects/DuckNipples.h"
#include "effects/Garbitch.h"
#include "effects/Particles.h"
#include "effects/Sphurrs.h"
#include "platform/Clock.h"

#include <cstdio>

namespace {

// A value outside int's range has no truncation; it selects nothing.
int truncatedIndex(float part) {
    if (!(part > -2147483648.0f && part < 2147483648.0f))
        return -1;
    return static_cast<int>(part);
}

// In the order the show has always read them.
CameraTracks readCameraTracks() {
    CameraTracks tracks;
    tracks.fov = Sync::getValue("Camera FOV");
    tracks.shake = Sync::getValue("Camera Shake");
    tracks.shakeFine = Sync::getValue("Camera Shake Fine");
    tracks.z = Sync::getValue("Camera Z");
    tracks.y = Sync::getValue("Camera Y");
    tracks.x = Sync::getValue("Camera X");
    tracks.pitch = Sync::getValue("Camera Pitch");
    tracks.yaw = Sync::getValue("Camera Yaw");
    tracks.roll = Sync::getValue("Camera Roll");
    tracks.offZ = Sync::getValue("Camera Off Z");
    tracks.offY = Sync::getValue("Camera Off Y");
    tracks.offX = Sync::getValue("Camera Off X");
    return tracks;
}

} // namespace

Demo::Demo() {
    Sync::setAudio(&audio, rowsPerSecond);

    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_POINT_SMOOTH);
    glLineWidth(1.0f);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);

    // Decoded on worker threads while the shaders compile, in the order they are needed; those
    // of the post chain and the scenes only while those are still to be built.
    static bool scenesBuilt = false;
    std::vector<std::string> images;
    if (!scenesBuilt)
        images = {"Data/bokehfuckyou.jpg", "Data/kusmasuger.jpg",  "Data/blurry.jpg",
                  "Data/skyboxlol.jpg",    "Data/colonskybox.jpg", "Data/rock.png",
                  "Data/rockn.png"};
    images.insert(images.end(),
                  {"Data/morvelin.png", "Data/w0lvar.png", "Data/pim00dle.png", "Data/vexaroon.png",
                   "Data/brisko.png", "Data/g.png", "Data/o.png", "Data/end.png"});
    ImagePrefetch prefetch(images);

    try {
        PerkProc::get();
        Bloom::get();
        NoiseVolume::get();

        particles = new Particles();

        // Built once per process and kept to its end, whatever happens to this Demo.
        static DuckNipples duckNipples(particles);
        static Sphurrs sphurrs;
        static DruSucks druSucks;
        static Colon colon;
        static Architecture architecture;
        static Garbitch garbitch;

        scenesBuilt = true;

        effects.add(&duckNipples);
        effects.add(&sphurrs);
        effects.add(&druSucks);
        effects.add(&colon);
        effects.add(&architecture);
        effects.add(&garbitch);

        morvelinCard = new Texture("Data/morvelin.png");
        w0lvarCard = new Texture("Data/w0lvar.png");
        pim00dleCard = new Texture("Data/pim00dle.png");
        vexaroonCard = new Texture("Data/vexaroon.png");
        briskoCard = new Texture("Data/brisko.png");
        gCard = new Texture("Data/g.png");
        oCard = new Texture("Data/o.png");
        endCard = new Texture("Data/end.png");

        audio.startStream(MusicGrid::musicFile);
    } catch (...) {
        // The overlay and the cards loaded so far would otherwise outlive the failed Demo, and
        // the clock would keep reading an audio object that is about to go.
        releaseOwned();
        Sync::setAudio(nullptr, rowsPerSecond);
        throw;
    }
}

Demo::~Demo() {
    passTimers.reset();
    releaseOwned();
    // Nothing may ask the clock for a position once the audio is gone.
    Sync::setAudio(nullptr, rowsPerSecond);
}

void Demo::releaseOwned() {
    // The overlay is always exactly a Particles, so its own destructor is the right one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
    delete particles;
#pragma GCC diagnostic pop
    particles = nullptr;
    Texture** cards[] = {&morvelinCard, &w0lvarCard, &pim00dleCard, &vexaroonCard,
                         &briskoCard,   &gCard,      &oCard,        &endCard};
    for (Texture** card : cards) {
        delete *card;
        *card = nullptr;
    }
}

const Demo::TitleCardFade Demo::titleCardFades[7] = {{"Morvelin Fade", "Morvelin"},
                                                     {"W0lvar Fade", "W0lvar"},
                                                     {"Pim00dle Fade", "Pim00dle"},
                                                     {"Vexaroon Fade", "Vexaroon"},
                                                     {"Brisko Fade", "Brisko"},
                                                     {"Go Fade", "Go"},
                                                     {"End Fade", "End"}};

const char* Demo::getSceneName(int index) {
    // In the order the constructor adds the scenes.
    static const char* const names[] = {"DuckNipples", "Sphurrs",      "DruSucks",
                                        "Colon",       "Architecture", "Garbitch"};
    return index >= 0 && index < int(sizeof names / sizeof *names) ? names[index] : nullptr;
}

Effect* Demo::selectScene(float part) {
    try {
        return effects[truncatedIndex(part)];
    } catch (const Kem::Exception& error) {
        // The list's message is fixed; the detail says which track and value chose nothing.
        char detail[96];
        std::snprintf(detail, sizeof detail, "track \"Part\" is %g: no scene has that number",
                      double(part));
        throw Kem::Exception(error.getMessage(), error.getFile(), error.getLine(), detail);
    }
}

void Demo::enablePassTimers(bool on, bool waitForResults) {
    waitForPassTimes = waitForResults;
    if (!on)
        passTimers.reset();
    else if (!passTimers && PassTimers::available())
        passTimers = std::make_unique<PassTimers>();
}

const PassTimes& Demo::getPassTimes() const {
    static const PassTimes none;
    return passTimers ? passTimers->getTimes() : none;
}

bool Demo::renderFrame() {
    if (passTimers)
        passTimers->begin(Pass::Scene);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    audio.update();

    double time = Sync::getTime();
    if (time >= showLength) {
        if (passTimers)
            passTimers->endFrame(false);
        return false;
    }

    PerkProc& perkProc = PerkProc::get();
    RenderTarget& sceneTarget = perkProc.getTarget();
    sceneTarget.bind();
    GLuint targetFramebuffer = sceneTarget.getFramebuffer();

    const Resolution& size = getRenderResolution();
    int width = size.width;
    int height = size.height;
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    float aspect = static_cast<float>(width) / static_cast<float>(height);

    CameraTracks camera = readCameraTracks();
    glm::mat4 projection = cameraProjection(camera.fov, aspect);
    glm::mat4 view = cameraView(time, camera);

    Effect* scene = selectScene(Sync::getValue("Part"));
    scene->render(targetFramebuffer, time, view, projection);

    if (passTimers)
        passTimers->begin(Pass::Overlay);
    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer);
    if (particles)
        particles->render(targetFramebuffer, time, view, projection);

    if (passTimers)
        passTimers->begin(Pass::Cards);
    struct Card {
        Texture* texture;
        const char* fade;
    };
    const Card openingCards[] = {{morvelinCard, "Morvelin Fade"},
                                 {w0lvarCard, "W0lvar Fade"},
                                 {pim00dleCard, "Pim00dle Fade"},
                                 {vexaroonCard, "Vexaroon Fade"},
                                 {briskoCard, "Brisko Fade"}};
    for (const Card& card : openingCards) {
        float alpha = Sync::getValue(card.fade);
        if (alpha > 0)
            drawTitleCard(*card.texture, alpha, 0, width, height);
    }
    // Both offsets are read every frame, shown or not.
    float go = Sync::getValue("Go Fade");
    float gOffset = Sync::getValue("G Offset");
    if (go > 0)
        drawTitleCard(*gCard, go, gOffset, width, height);
    float oOffset = Sync::getValue("O Offset");
    if (go > 0)
        drawTitleCard(*oCard, go, oOffset, width, height);
    float endFade = Sync::getValue("End Fade");
    if (endFade > 0)
        drawTitleCard(*endCard, endFade, 0, width, height);

    if (passTimers)
        passTimers->begin(Pass::Grading);
    Bloom& bloom = Bloom::get();
    Grading grading = Grading::read(Sync::getValue("Perkproc Mix"));
    // Grading that acts on each pixel alone is left to the bloom's passes, which apply it as
    // they read the scene: a full-size pass less.
    bool ownPass = grading.needsItsOwnPass();
    if (ownPass) {
        bloom.getInput().bind();
        glViewport(0, 0, width, height);
        perkProc.apply(grading);
    }
    Texture& bloomSource = ownPass ? *bloom.getInput().getTexture(0) : *sceneTarget.getTexture(0);
    const Grading* gradedOnTheWay = ownPass ? nullptr : &grading;

    if (passTimers)
        passTimers->begin(Pass::Bloom);
    bloom.blur(bloomSource, gradedOnTheWay);

    glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer);
    glViewport(0, 0, width, height);
    float dry = Sync::getValue("Bloom Dry");
    float wet = Sync::getValue("Bloom Wet");
    bloom.mix(wet, dry, bloomSource, gradedOnTheWay);
    if (passTimers)
        passTimers->endFrame(waitForPassTimes);

    glFlush();
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        char detail[64];
        std::snprintf(detail, sizeof detail, "while drawing the frame at %.3f s", time);
        throw Kem::Exception(Kem::String("GL error has occurred: ") +
                                 reinterpret_cast<const char*>(gluErrorString(error)),
                             "Demo", 136, detail);
    }

    platform::sleepMilliseconds(1);
    return true;
}
