// Drives the director frame by frame from a clock it sets itself.
#include "OfflineShow.h"

#include "Demo.h"
#include "FramebufferImage.h"
#include "LaunchOptions.h"
#include "Sync.h"
#include "platform/HeadlessGL.h"
#include "platform/sound/SoundControl.h"

OfflineShow::OfflineShow(int resolution, const std::string& tracks) {
    getLaunchOptions().resolution = resolution;
    width = getRenderResolution().width;
    height = getRenderResolution().height;
    if (!tracks.empty()) {
        std::string base = tracks.back() == '/' ? tracks : tracks + "/";
        Sync::setTrackDirectory(base.c_str());
    }
    SoundControl::setNonRealTime(true);
    SoundControl::setNonRealTimePosition(0);

    context = std::make_unique<platform::HeadlessGL>();
    Extensions::load();

    // Stands where the window's back buffer would be.
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, width, height);

    demo = std::make_unique<Demo>();
    demo->setOutputFramebuffer(framebuffer);
}

OfflineShow::~OfflineShow() {
    demo.reset();
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &depth);
    glDeleteTextures(1, &colour);
}

bool OfflineShow::render(long long milliseconds) {
    SoundControl::setNonRealTimePosition(static_cast<unsigned int>(milliseconds));
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    return demo->renderFrame();
}

const std::vector<unsigned char>& OfflineShow::readPixels() {
    readFramebufferImage(framebuffer, width, height, pixels, rowBuffer);
    return pixels;
}

float OfflineShow::partAt(long long milliseconds) {
    SoundControl::setNonRealTimePosition(static_cast<unsigned int>(milliseconds));
    return Sync::getValue("Part");
}
