// Watches the show's data and content sources and rebuilds what a saved file makes: programs
// from shaders, textures from images, track keys from timeline sources and track files, images
// from image sources. Shaders saved in the source tree's Data/ are copied into the runnable one.
// A failure keeps what was in use and is reported; the preview plays on. A track file removed from
// or emptied in Data/ leaves its track without keys, as the show reads it; any other file
// removed keeps what was made from it.
#pragma once

#include "platform/FileWatcher.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class EditModel;

class HotReload {
public:
    // dataFolder "Data/"; contentFolder holds tracks/ and images/ (either may be missing).
    // Timeline sources are read into the model, which hands the engine what changed.
    // report receives every failure's message.
    HotReload(const std::string& dataFolder, const std::string& contentFolder,
              const std::string& imageGenerator, EditModel& model,
              std::function<void(const std::string&)> report);

    // The timeline sources in the content folder, in name order.
    std::vector<std::string> findTimelineSources() const;

    // Once a frame: acts on the files saved since the last call. tracksOwnedElsewhere: a live
    // editor owns the keys, so track files written into Data/ are left alone. True when
    // anything the picture depends on was rebuilt.
    bool poll(bool tracksOwnedElsewhere);

    const char* getMethod() const { return watcher->getMethod(); }
    // The files the last poll saw written, for those that read other files of these folders.
    const std::vector<std::string>& getLastChanges() const { return changed; }
    // The content's value limits, checked before timeline sources apply and before saving;
    // empty when the content has none.
    const std::string& getLimitsFile() const { return limitsFile; }

private:
    bool onDataFile(const std::string& path, bool tracksOwnedElsewhere);
    void onShaderSource(const std::string& path);
    void onTimelineSource(const std::string& path);
    void onImageSource(const std::string& path);
    void startImageJob(const std::string& path);
    void finishImageJobs();

    // One image source being generated on a thread of its own (a sky takes seconds), so the
    // preview plays on meanwhile. Shared with that thread, which may outlive the preview.
    struct ImageJob {
        std::string source;
        std::atomic<bool> done{false};
        int status = 0;
        double milliseconds = 0.0;
        bool savedAgain = false; // saved while generating: generate once more when done
    };

    std::string dataFolder;
    std::string shadersFolder; // the source tree's Data/, beside the content folder
    std::string tracksFolder;
    std::string imagesFolder;
    std::string limitsFile;
    std::string imageGenerator;
    EditModel& model;
    std::function<void(const std::string&)> report;
    std::unique_ptr<platform::FileWatcher> watcher;
    std::vector<std::string> changed;
    std::vector<std::shared_ptr<ImageJob>> imageJobs;
};
