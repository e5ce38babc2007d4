// The frame loop: input, the live link, reloads, the show's frame into its own image, then the
// image scaled to the window with the HUD over it.
#include "PreviewApp.h"

#include "Demo.h"
#include "EditModel.h"
#include "EditorLink.h"
#include "EditorPanel.h"
#include "FramebufferImage.h"
#include "HotReload.h"
#include "Hud.h"
#include "ImageFile.h"
#include "LaunchOptions.h"
#include "RenderTarget.h"
#include "ShowMap.h"
#include "ShownText.h"
#include "Sync.h"
#include "Transport.h"
#include "kem/Exception.h"
#include "platform/Clock.h"
#include "platform/ToolWindow.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const windowTitle = "Oxbrine preview";

// The largest rectangle of the image's shape centred in the area: black bars on the rest.
struct Fit {
    float x0, y0, x1, y1;
};

Fit fitInto(int imageWidth, int imageHeight, float areaWidth, float areaHeight) {
    float scale = std::min(areaWidth / float(imageWidth), areaHeight / float(imageHeight));
    float width = float(imageWidth) * scale, height = float(imageHeight) * scale;
    float x = (areaWidth - width) / 2, y = (areaHeight - height) / 2;
    return {x, y, x + width, y + height};
}

// The picture is opaque whatever alpha the show's passes left: drawn without blending.
void disableBlending(const ImDrawList*, const ImDrawCmd*) {
    glDisable(GL_BLEND);
}

class Preview {
public:
    Preview(const PreviewOptions& options, const PreviewPaths& paths)
        : width(getRenderResolution().width), height(getRenderResolution().height),
          window(platform::createToolWindow(windowTitle, width, height + 56)),
          extensionsLoaded((Extensions::load(), true)), image(width, height, true, 1, GL_RGBA8),
          demo(), transport(demo.getAudio()),
          reload("Data/", paths.content, paths.imageGenerator, model,
                 [this](const std::string& message) { report(message); }),
          panel(model, {"Data/", reload.getLimitsFile()}, paths.content + "/tracks/editor.tl",
                [this](const std::string& message) { report(message); }) {
        try {
            model.load(reload.findTimelineSources());
        } catch (const std::exception& error) {
            report(std::string(error.what()) + "\n(the track editor starts without the sources)");
        }
        panel.adoptLoadedModel();
        if (options.editor)
            link = std::make_unique<EditorLink>(options.editorHost, options.editorPort);
        demo.setOutputFramebuffer(image.getFramebuffer());
        // Paused before the seek, so the music does not move on from where it lands.
        transport.setPaused(options.paused);
        transport.seek(options.start);
        if (options.loop)
            transport.setLoop(options.loopStart, options.loopEnd);
        std::fprintf(stderr, "watching Data/ and %s (%s)\n", paths.content.c_str(),
                     reload.getMethod());
    }

    void run() {
        auto lastFrame = Clock::now();
        while (running) {
            // While nothing moves, wait for input instead of spinning.
            bool idle = transport.isPaused() && !pictureStale && !seeking;
            platform::ToolEvent event;
            for (int wait = idle ? 20 : 0; window->nextEvent(event, wait); wait = 0)
                handle(event);

            bool linked = link && link->isConnected();
            if (link)
                followEditor();
            if (reload.poll(linked))
                pictureStale = true;
            if (!linked && panel.pushToEngine())
                pictureStale = true;
            updateTitle();
            if (transport.update())
                pictureStale = true;
            if (transport.getChangeCount() != seenChanges) {
                seenChanges = transport.getChangeCount();
                pictureStale = true;
            }
            if (!transport.isPaused() || pictureStale) {
                drawShow();
                if (link && !transport.isPaused())
                    link->reportRow(std::uint32_t(std::max(0.0, std::floor(transport.getRow()))));
                auto now = Clock::now();
                double seconds = std::chrono::duration<double>(now - lastFrame).count();
                lastFrame = now;
                if (seconds > 0)
                    framesPerSecond = framesPerSecond * 0.9 + 0.1 / seconds;
                if (!transport.isPaused())
                    playedFrames[playedCount++ % playedFrames.size()] = float(seconds * 1000.0);
            }
            if (stillWanted) {
                stillWanted = false;
                saveStill();
            }
            map.refresh();
            present();
        }
        reportFrameTimes();
    }

private:
    // The median time between frames drawn while playing, for comparing with the show's.
    void reportFrameTimes() {
        std::size_t count = std::min<std::size_t>(playedCount, playedFrames.size());
        if (count < 3)
            return;
        std::vector<float> times(playedFrames.begin(), playedFrames.begin() + count);
        std::nth_element(times.begin(), times.begin() + count / 2, times.end());
        std::fprintf(stderr, "%zu frames played, median %.1f ms a frame\n", playedCount,
                     double(times[count / 2]));
    }

    // The whole message to stderr, its first lines to the HUD.
    void report(const std::string& message) {
        std::string whole = message;
        while (!whole.empty() && whole.back() == '\n')
            whole.pop_back();
        std::cerr << whole << "\n";
        lastError = shownText(whole);
    }

    // The editor's moves and pauses; its messages go to the HUD.
    void followEditor() {
        LinkRequests requests = link->poll(*Sync::getTracks(), platform::getMilliseconds());
        if (requests.seek)
            transport.seekRow(double(requests.row));
        if (requests.pauseChanged)
            transport.setPaused(requests.paused);
        if (requests.tracksChanged)
            pictureStale = true;
        if (link->getLastMessage() != linkMessage) {
            linkMessage = link->getLastMessage();
            if (link->isLastMessageAnError())
                lastError = shownText(linkMessage);
        }
    }

    void updateTitle() {
        bool unsaved = panel.hasUnsavedEdits();
        if (unsaved == titleShowsUnsaved)
            return;
        titleShowsUnsaved = unsaved;
        window->setTitle(unsaved ? "Oxbrine preview *" : windowTitle);
    }

    // A first quit with unsaved track edits only warns; the second one discards them, unless
    // the edits changed in between: then they are new, and are warned of again.
    void requestQuit() {
        if (panel.hasUnsavedEdits() && warnedAtChange != model.getChangeCount()) {
            warnedAtChange = model.getChangeCount();
            report("unsaved track edits: quit again to discard them (Ctrl+S saves)");
            return;
        }
        running = false;
    }

    void drawShow() {
        pictureStale = false;
        readStamp = Sync::nextReadStamp();
        // A paused frame is drawn once: its own times are worth the wait. Playing never waits.
        demo.enablePassTimers(true, transport.isPaused());
        image.bind();
        try {
            demo.renderFrame();
        } catch (const Kem::Exception& error) {
            // The detail names what the engine refused (a track and its value).
            std::string text = error.getMessage().getData() ? error.getMessage().getData() : "";
            if (error.getDetail().getLength() > 0)
                text += std::string(text.empty() ? "" : ": ") + error.getDetail().getData();
            report(text.empty() ? "GL error" : text);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }

    void present() {
        int windowWidth = 0, windowHeight = 0;
        window->getDrawableSize(windowWidth, windowHeight);
        hud.layout(windowWidth, windowHeight);
        // The interface goes to the window, never into the show's image, whatever was read last.
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        window->beginInterface();
        ImDrawList* list = ImGui::GetBackgroundDrawList();
        float hudHeight = hudVisible ? float(hud.getHeight()) : 0.0f;
        float panelHeight = panel.heightIn(float(windowHeight) - hudHeight);
        float pictureHeight = float(windowHeight) - hudHeight - panelHeight;
        Fit fit = fitInto(width, height, float(windowWidth), std::max(1.0f, pictureHeight));
        list->AddCallback(disableBlending, nullptr);
        list->AddRectFilled(ImVec2(0, 0), ImVec2(float(windowWidth), float(windowHeight)),
                            IM_COL32(0, 0, 0, 255));
        // The image's first row is GL's bottom one.
        list->AddImage(reinterpret_cast<ImTextureID>(std::uintptr_t(image.getTexture(0)->getId())),
                       ImVec2(fit.x0, fit.y0), ImVec2(fit.x1, fit.y1), ImVec2(0, 1), ImVec2(1, 0));
        list->AddCallback(ImDrawCallback_ResetRenderState, nullptr);
        if (hudVisible) {
            HudState state;
            state.time = transport.getTime();
            state.row = transport.getRow();
            state.paused = transport.isPaused();
            state.framesPerSecond = transport.isPaused() ? 0.0 : framesPerSecond;
            state.passes = &demo.getPassTimes();
            state.loop = transport.hasLoop();
            state.markingLoop = transport.isMarkingLoop();
            state.loopStart = transport.getLoopStart();
            state.loopEnd = transport.getLoopEnd();
            state.error = &lastError;
            state.link = link ? (link->isConnected() ? "connected" : "waiting") : nullptr;
            hud.draw(state, map);
        }
        PanelFrame frame;
        frame.row = transport.getRow();
        frame.readStamp = readStamp;
        frame.readOnly = link && link->isConnected();
        frame.top = pictureHeight;
        frame.width = float(windowWidth);
        frame.height = panelHeight;
        panel.draw(frame);
        window->present();
    }

    void handle(const platform::ToolEvent& event) {
        using Type = platform::ToolEvent::Type;
        using platform::Key;
        switch (event.type) {
        case Type::CloseRequested:
            requestQuit();
            return;
        case Type::Resized:
            return;
        case Type::MouseDown: {
            double seconds = 0;
            if (!event.takenByPanel && event.button == 1 && hudVisible &&
                hud.timeAt(event.x, event.y, seconds)) {
                seeking = true;
                transport.seek(seconds);
            }
            return;
        }
        case Type::MouseMove:
            if (seeking)
                transport.seek(hud.timeAtClamped(event.x));
            return;
        case Type::MouseUp:
            seeking = false;
            return;
        case Type::Wheel:
            return;
        case Type::KeyDown:
            break;
        }
        if (event.takenByPanel)
            return;
        if (panel.handleKey(event, transport.getRow(), link && link->isConnected()))
            return;
        switch (event.key) {
        case Key::Escape:
        case Key::Q:
            requestQuit();
            break;
        case Key::F2:
            panel.toggle();
            break;
        case Key::Space:
            transport.togglePause();
            break;
        case Key::Left:
            transport.stepGrid(event.shift ? Transport::rowsPerBar : Transport::rowsPerBeat, -1);
            break;
        case Key::Right:
            transport.stepGrid(event.shift ? Transport::rowsPerBar : Transport::rowsPerBeat, 1);
            break;
        case Key::PageUp:
            transport.stepGrid(Transport::rowsPerPhrase, -1);
            break;
        case Key::PageDown:
            transport.stepGrid(Transport::rowsPerPhrase, 1);
            break;
        case Key::Home:
            transport.seek(0.0);
            break;
        case Key::Comma:
            transport.stepFrame(-1);
            break;
        case Key::Period:
            transport.stepFrame(1);
            break;
        case Key::L:
            transport.markLoop();
            break;
        case Key::H:
            hudVisible = !hudVisible;
            break;
        case Key::F12:
            stillWanted = true; // after this iteration's link and reloads have been applied
            break;
        default:
            break;
        }
    }

    // The show's own image at this moment, as the offline renderer would write it.
    void saveStill() {
        char name[64];
        std::snprintf(name, sizeof name, "preview-%08lld.png",
                      std::llround(transport.getTime() * 1000.0));
        readFramebufferImage(image.getFramebuffer(), width, height, stillPixels, stillRow);
        try {
            writePng(name, width, height, stillPixels);
            std::printf("saved %s\n", name);
            std::fflush(stdout);
        } catch (const std::exception& error) {
            report(error.what());
        }
    }

    int width, height;
    std::unique_ptr<platform::ToolWindow> window;
    bool extensionsLoaded;
    RenderTarget image;
    Demo demo;
    Transport transport;
    ShowMap map;
    Hud hud;
    EditModel model;
    HotReload reload;
    EditorPanel panel;
    std::unique_ptr<EditorLink> link;
    std::string linkMessage;
    std::string lastError;
    std::uint32_t readStamp = 0;
    bool titleShowsUnsaved = false;
    std::uint64_t warnedAtChange = ~0ull; // the model change count last warned at; none yet
    bool stillWanted = false;
    std::array<float, 512> playedFrames{};
    std::size_t playedCount = 0;
    std::vector<unsigned char> stillPixels, stillRow;
    double framesPerSecond = 0.0;
    unsigned seenChanges = ~0u;
    bool running = true;
    bool pictureStale = true;
    bool hudVisible = true;
    bool seeking = false;
};

} // namespace

void runPreview(const PreviewOptions& options, const PreviewPaths& paths) {
    getLaunchOptions().resolution = options.resolution;
    Preview preview(options, paths);
    preview.run();
}
