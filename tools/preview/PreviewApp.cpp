// The frame loop: input, the live link, reloads, the show's frame into its own image, then the
// image scaled to the window with the HUD over it.
#include "PreviewApp.h"

#include "CueSheet.h"
#include "Demo.h"
#include "EditModel.h"
#include "EditorLink.h"
#include "EditorPanel.h"
#include "FramebufferImage.h"
#include "HotReload.h"
#include "Hud.h"
#include "ImageFile.h"
#include "KeyBindings.h"
#include "LaunchOptions.h"
#include "Markers.h"
#include "MusicGrid.h"
#include "MusicWaveform.h"
#include "RenderTarget.h"
#include "ShowMap.h"
#include "ShownText.h"
#include "Sync.h"
#include "TimeAxis.h"
#include "Transport.h"
#include "kem/Exception.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/ToolWindow.h"
#include "platform/UserSettings.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

std::string fileNameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinedPath(const std::string& folder, const char* name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The program's sources beside the content folder (the source tree's own layout), or "".
std::string sourceTreeOf(const std::string& content) {
    std::error_code error;
    std::filesystem::path root = std::filesystem::path(content) / "..";
    return std::filesystem::is_regular_file(root / "Demo.cpp", error)
               ? root.lexically_normal().string()
               : std::string();
}

double medianOf(std::vector<float> values) {
    if (values.empty())
        return 0.0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
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
                sourceTreeOf(paths.content),
                [this](const std::string& message) { report(message); }),
          markers(joinedPath(paths.content, "markers.txt")), screenshot(options.screenshot),
          reportLanes(options.reportLanes),
          settingsFile(platform::userSettingsFile("preview.txt")) {
        try {
            model.load(reload.findTimelineSources());
        } catch (const std::exception& error) {
            report(std::string(error.what()) + "\n(the track editor starts without the sources)");
        }
        panel.adoptLoadedModel();
        readCues();
        readMarkers();
        readSettings();
        waveform.start(MusicGrid::musicFile);
        if (options.panel)
            panel.toggle();
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
            for (const std::string& path : reload.getLastChanges())
                readAgain(path);
            takeWaveform();
            keepSettings();
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
            if (!screenshot.empty() && waveform.isReady() && !pictureStale)
                windowWanted = true; // the next frame, with the strip drawn
        }
        reportFrameTimes();
    }

private:
    // The median time between frames drawn while playing, for comparing with the show's, and
    // the interface's own time a frame with the panel open and closed.
    void reportFrameTimes() {
        std::size_t count = std::min<std::size_t>(playedCount, playedFrames.size());
        if (count >= 3)
            std::fprintf(stderr, "%zu frames played, median %.1f ms a frame\n", playedCount,
                         medianOf({playedFrames.begin(), playedFrames.begin() + count}));
        for (int open = 0; open < 2; ++open) {
            std::size_t frames = std::min(interfaceCount[open], interfaceTimes[open].size());
            if (frames >= 3)
                std::fprintf(stderr,
                             "interface with the panel %s: median %.3f ms a frame (%zu frames)\n",
                             open ? (musicShown ? "open, strip and lanes shown" : "open, no strip")
                                  : "closed",
                             medianOf({interfaceTimes[open].begin(),
                                       interfaceTimes[open].begin() + std::ptrdiff_t(frames)}),
                             interfaceCount[open]);
        }
    }

    void readCues() {
        try {
            cues.read(MusicGrid::cueSheetFile);
        } catch (const Kem::Exception& error) {
            report(std::string(error.getMessage().getData()) + " (" + error.getDetail().getData() +
                   "); the old cues stay");
        }
    }

    void readMarkers() {
        try {
            markers.read();
        } catch (const Kem::Exception& error) {
            report(std::string(error.getMessage().getData()) + " (" + error.getDetail().getData() +
                   "); the old markers stay");
        }
    }

    // A file another program wrote: the cue sheet, the music or the markers.
    void readAgain(const std::string& path) {
        std::string name = fileNameOf(path);
        if (name == fileNameOf(MusicGrid::cueSheetFile) && path.compare(0, 5, "Data/") == 0)
            readCues();
        else if (name == fileNameOf(MusicGrid::musicFile) && path.compare(0, 5, "Data/") == 0)
            waveform.start(MusicGrid::musicFile);
        else if (name == fileNameOf(markers.getPath()) && path == markers.getPath())
            readMarkers();
    }

    void takeWaveform() {
        double milliseconds = 0.0;
        std::string error;
        if (!waveform.poll(milliseconds, error))
            return;
        if (!error.empty()) {
            report(error + " (no waveform)");
            return;
        }
        std::fprintf(stderr, "worked out the music's waveform in %.0f ms\n", milliseconds);
        if (reportLanes) {
            // The whole show in 400 columns: each column's highest less its lowest sample.
            MusicWaveform& strip = waveform;
            strip.columnsFor(0.0, MusicGrid::showRows, 400);
            std::printf("waveform %.0f 400", milliseconds);
            for (int column = 0; column < 400; ++column)
                std::printf(" %.4f", double(strip.getColumnHighs()[std::size_t(column)] -
                                            strip.getColumnLows()[std::size_t(column)]));
            std::printf("\n");
            std::fflush(stdout);
        }
    }

    // The snapping choice, kept between runs in the user's settings.
    void readSettings() {
        std::vector<unsigned char> bytes;
        try {
            if (settingsFile.empty() || !platform::readFileIfPresent(
                                            settingsFile, platform::sourceLimit, "settings", bytes))
                return;
        } catch (const Kem::Exception&) {
            return;
        }
        std::string text(bytes.begin(), bytes.end());
        std::size_t at = text.find("snap ");
        if (at != std::string::npos) {
            std::size_t end = text.find('\n', at);
            panel.setSnap(snapModeNamed(text.substr(at + 5, end - at - 5).c_str()));
        }
        keptSnap = panel.getSnap();
    }

    void keepSettings() {
        if (panel.getSnap() == keptSnap)
            return;
        keptSnap = panel.getSnap();
        std::fprintf(stderr, "snapping: %s\n", snapModeName(keptSnap));
        if (settingsFile.empty())
            return;
        try {
            platform::writeFileAtomically(settingsFile,
                                          std::string("# oxbrine-preview's choices\nsnap ") +
                                              snapModeName(keptSnap) + "\n");
        } catch (const Kem::Exception& error) {
            report(error.getMessage().getData());
        }
    }

    void addMarker() {
        int row = int(std::floor(transport.getRow() + 1e-6));
        std::string name = panel.takeMarkerName();
        if (name.empty())
            name = markers.freeNumber();
        try {
            markers.add(row, name);
            std::fprintf(stderr, "marker %s at row %d in %s\n", name.c_str(), row,
                         markers.getPath().c_str());
        } catch (const Kem::Exception& error) {
            report(error.getMessage().getData());
        }
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
        axis.place(panel.isVisible() ? EditorPanel::lanesLeft() : 8.0f, float(windowWidth) - 8.0f);
        auto started = Clock::now();
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
            state.speed = transport.getSpeed();
            state.markers = &markers;
            hud.draw(state, map, axis);
        }
        PanelFrame frame;
        frame.row = transport.getRow();
        frame.readStamp = readStamp;
        frame.readOnly = link && link->isConnected();
        frame.top = pictureHeight;
        frame.width = float(windowWidth);
        frame.height = panelHeight;
        frame.axis = &axis;
        frame.musicShown = musicShown;
        frame.waveform = &waveform;
        frame.cues = &cues;
        frame.markers = &markers;
        panel.draw(frame);
        if (reportLanes)
            printLanes();
        if (windowWanted) {
            windowWanted = false;
            window->presentAndCapture(windowPixels, windowPixelsWidth, windowPixelsHeight);
            saveWindow();
        } else {
            window->present();
        }
        int open = panel.isVisible() ? 1 : 0;
        interfaceTimes[open][interfaceCount[open]++ % interfaceTimes[open].size()] =
            float(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
    }

    // Where the lanes are, whenever it changes: the tests point at rows through it.
    void printLanes() {
        char line[160];
        std::snprintf(line, sizeof line, "lanes %.1f %.1f %.3f %.3f %.1f %.1f", axis.getLeft(),
                      axis.getRight(), axis.getFirstRow(), axis.getLastRow(),
                      panel.isVisible() ? panel.getCurveTop() : -1.0f,
                      panel.isVisible() ? panel.getCurveBottom() : -1.0f);
        if (std::strcmp(line, printedLanes) == 0)
            return;
        std::memcpy(printedLanes, line, sizeof line);
        std::printf("%s\n", line);
        std::fflush(stdout);
    }

    // The whole window as it was shown: for --screenshot (then the preview ends) and Shift+F12.
    void saveWindow() {
        for (std::size_t i = 3; i < windowPixels.size(); i += 4)
            windowPixels[i] = 255;
        std::string name = screenshot;
        if (name.empty()) {
            char made[64];
            std::snprintf(made, sizeof made, "preview-window-%08lld.png",
                          std::llround(transport.getTime() * 1000.0));
            name = made;
        }
        try {
            writePng(name, windowPixelsWidth, windowPixelsHeight, windowPixels);
            std::printf("saved %s\n", name.c_str());
            std::fflush(stdout);
        } catch (const std::exception& error) {
            report(error.what());
        }
        if (!screenshot.empty())
            running = false;
    }

    void handle(const platform::ToolEvent& event) {
        using Type = platform::ToolEvent::Type;
        switch (event.type) {
        case Type::CloseRequested:
            requestQuit();
            return;
        case Type::Resized:
            return;
        case Type::MouseDown:
            if (event.button == 1 && event.clicks >= 2)
                panel.noteDoubleClick();
            // On the bar: the marked stretch is dragged to scroll the lanes; elsewhere a seek.
            if (!event.takenByPanel && event.button == 1 && hudVisible &&
                hud.isOnBar(event.x, event.y, axis)) {
                if (hud.isOnStretch(event.x, event.y, axis)) {
                    draggingStretch = true;
                    stretchGrab = axis.barXToRow(float(event.x)) -
                                  (axis.getFirstRow() + axis.getLastRow()) / 2;
                } else {
                    seeking = true;
                    transport.seek(hud.timeAtClamped(event.x, axis));
                }
            }
            return;
        case Type::MouseMove:
            if (seeking)
                transport.seek(hud.timeAtClamped(event.x, axis));
            if (draggingStretch)
                axis.centreOn(axis.barXToRow(float(event.x)) - stretchGrab);
            return;
        case Type::MouseUp:
            seeking = false;
            draggingStretch = false;
            return;
        case Type::Wheel:
            if (!event.takenByPanel && hudVisible && hud.isOnBar(event.x, event.y, axis))
                axis.zoomAround(axis.barXToRow(float(event.x)), event.wheel);
            return;
        case Type::KeyDown:
            break;
        }
        if (event.takenByPanel)
            return;
        Action action = actionFor(event);
        if (action == Action::SaveStill && event.shift) {
            windowWanted = true;
            return;
        }
        if (panel.perform(action, transport.getRow(), link && link->isConnected(), cues))
            return;
        perform(action);
    }

    void perform(Action action) {
        int found = 0;
        switch (action) {
        case Action::Quit:
            requestQuit();
            break;
        case Action::TogglePanel:
            panel.toggle();
            break;
        case Action::ToggleHud:
            hudVisible = !hudVisible;
            break;
        case Action::ToggleMusicLanes:
            musicShown = !musicShown;
            break;
        case Action::PlayPause:
            transport.togglePause();
            break;
        case Action::BeatBack:
            transport.stepGrid(MusicGrid::rowsPerBeat, -1);
            break;
        case Action::BeatOn:
            transport.stepGrid(MusicGrid::rowsPerBeat, 1);
            break;
        case Action::BarBack:
            transport.stepGrid(MusicGrid::rowsPerBar, -1);
            break;
        case Action::BarOn:
            transport.stepGrid(MusicGrid::rowsPerBar, 1);
            break;
        case Action::PhraseBack:
            transport.stepGrid(MusicGrid::rowsPerPhrase, -1);
            break;
        case Action::PhraseOn:
            transport.stepGrid(MusicGrid::rowsPerPhrase, 1);
            break;
        case Action::ToStart:
            transport.seek(0.0);
            break;
        case Action::FrameBack:
            transport.stepFrame(-1);
            break;
        case Action::FrameOn:
            transport.stepFrame(1);
            break;
        case Action::MarkLoop:
            transport.markLoop();
            break;
        case Action::SaveStill:
            stillWanted = true; // after this iteration's link and reloads have been applied
            break;
        case Action::Slower:
        case Action::Faster:
            if (action == Action::Slower ? transport.slower() : transport.faster())
                std::fprintf(stderr, "speed %g\n", transport.getSpeed());
            break;
        case Action::AddMarker:
            addMarker();
            break;
        case Action::PreviousMarker:
            if (markers.previous(transport.getRow(), found))
                transport.seekRow(found);
            break;
        case Action::NextMarker:
            if (markers.next(transport.getRow(), found))
                transport.seekRow(found);
            break;
        case Action::CycleSnap:
            panel.setSnap(nextSnapMode(panel.getSnap()));
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
    TimeAxis axis;
    ShowMap map;
    Hud hud;
    EditModel model;
    HotReload reload;
    EditorPanel panel;
    CueSheet cues;
    MusicWaveform waveform;
    Markers markers;
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
    bool draggingStretch = false;
    double stretchGrab = 0.0; // rows from the stretch's middle to where the drag took it
    bool musicShown = true;
    std::string screenshot;
    bool windowWanted = false;
    std::vector<unsigned char> windowPixels;
    int windowPixelsWidth = 0, windowPixelsHeight = 0;
    bool reportLanes = false;
    char printedLanes[160] = {};
    std::string settingsFile;
    SnapMode keptSnap = SnapMode::Off;
    std::array<std::array<float, 1024>, 2> interfaceTimes{}; // panel closed, open
    std::size_t interfaceCount[2] = {0, 0};
};

} // namespace

void runPreview(const PreviewOptions& options, const PreviewPaths& paths) {
    getLaunchOptions().resolution = options.resolution;
    Preview preview(options, paths);
    preview.run();
}
