// The track panel over the music, drawn headless with Dear ImGui: once warm, frames with the
// waveform strip, the cue lanes, the ruler and the curves shown allocate nothing.
#include "CueSheet.h"
#include "EditModel.h"
#include "EditorPanel.h"
#include "Markers.h"
#include "MusicGrid.h"
#include "MusicWaveform.h"
#include "Sync.h"
#include "TimeAxis.h"
#include "link/AllocationCount.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

std::atomic<long> interfaceAllocations{0};

void* countedAlloc(std::size_t size, void*) {
    ++interfaceAllocations;
    return std::malloc(size);
}

void countedFree(void* memory, void*) {
    std::free(memory);
}

std::vector<std::string> showSources() {
    std::vector<std::string> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(OXBRINE_SOURCE_DIR "/content/tracks"))
        if (entry.path().extension() == ".tl")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(PanelIdle, FramesWithTheMusicStripShownAllocateNothing) {
    ImGui::SetAllocatorFunctions(countedAlloc, countedFree);
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1280.0f, 776.0f);
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);

    EditModel model;
    model.load(showSources());
    std::string scratch = testing::TempDir() + "panel_idle/";
    std::filesystem::create_directories(scratch);
    EditorPanel panel(model, {"", ""}, scratch + "editor.tl", "", [](const std::string&) {});
    panel.adoptLoadedModel();
    panel.toggle();
    MusicWaveform waveform;
    waveform.start(MusicGrid::musicFile);
    double milliseconds = 0.0;
    std::string error;
    for (int wait = 0; wait < 3000 && !waveform.poll(milliseconds, error); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(waveform.isReady()) << error;
    CueSheet cues;
    cues.read(MusicGrid::cueSheetFile);
    ASSERT_FALSE(cues.getCues().empty());
    Markers markers(scratch + "markers.txt");
    markers.add(300, "drop");
    TimeAxis axis;
    axis.place(EditorPanel::lanesLeft(), 1272.0f);

    PanelFrame frame;
    frame.row = 400.0;
    frame.readStamp = Sync::nextReadStamp();
    for (const char* name : {"Part", "Camera FOV", "PerkProc Invert", "Bloom Dry"})
        Sync::getValue(name); // read by "the frame on screen": their curves are shown
    frame.top = 420.0f;
    frame.width = 1280.0f;
    frame.height = 290.0f;
    frame.axis = &axis;
    frame.musicShown = true;
    frame.waveform = &waveform;
    frame.cues = &cues;
    frame.markers = &markers;
    auto draw = [&] {
        io.DeltaTime = 1.0f / 60.0f;
        ImGui::NewFrame();
        panel.draw(frame);
        ImGui::Render();
    };
    for (int warm = 0; warm < 10; ++warm)
        draw();
    ASSERT_GT(ImGui::GetDrawData()->TotalVtxCount, 5000) << "the lanes were drawn";

    long before = linktest::allocationCount(), interfaceBefore = interfaceAllocations;
    for (int idle = 0; idle < 100; ++idle)
        draw();
    EXPECT_EQ(linktest::allocationCount() - before, 0);
    EXPECT_EQ(interfaceAllocations - interfaceBefore, 0);

    // Zoomed, the columns are worked out again once; then the frames are idle again.
    axis.zoomAround(400.0, 6.0f);
    draw();
    before = linktest::allocationCount();
    interfaceBefore = interfaceAllocations;
    for (int idle = 0; idle < 100; ++idle)
        draw();
    EXPECT_EQ(linktest::allocationCount() - before, 0);
    EXPECT_EQ(interfaceAllocations - interfaceBefore, 0);
    ImGui::DestroyContext();
}
