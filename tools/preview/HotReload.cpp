// Dispatches saved files to the rebuild each kind needs.
#include "HotReload.h"

#include "EditModel.h"
#include "Reloadable.h"
#include "Sync.h"
#include "kem/Exception.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

bool endsWith(const std::string& text, const char* suffix) {
    std::size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

std::string fileName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& folder, const char* name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The track of that name if the show has asked for it, without creating it.
Track* askedTrack(const std::string& name) {
    TrackSet* tracks = Sync::getTracks();
    for (int i = 0; i < tracks->getTrackCount(); ++i)
        if (name == tracks->getTrackAt(i)->getName())
            return tracks->getTrackAt(i);
    return nullptr;
}

bool isRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

HotReload::HotReload(const std::string& dataFolder, const std::string& contentFolder,
                     const std::string& imageGenerator, EditModel& model,
                     std::function<void(const std::string&)> report)
    : dataFolder(joined(dataFolder, "")), imageGenerator(imageGenerator), model(model),
      report(std::move(report)), watcher(platform::createFileWatcher()) {
    watcher->watchFolder(this->dataFolder);
    // Sources are optional: a runnable folder copied elsewhere still previews.
    auto watchSource = [&](std::string folder, std::string& into) {
        try {
            watcher->watchFolder(folder);
            into = joined(folder, "");
        } catch (const Kem::Exception&) {
        }
    };
    if (!contentFolder.empty()) {
        // The content folder's own files (the markers) are the preview's to read.
        std::string contentRoot;
        watchSource(contentFolder, contentRoot);
        watchSource(joined(contentFolder, "tracks"), tracksFolder);
        std::error_code error;
        if (!tracksFolder.empty() &&
            std::filesystem::is_regular_file(tracksFolder + "limits.txt", error))
            limitsFile = tracksFolder + "limits.txt";
        watchSource(joined(contentFolder, "images"), imagesFolder);
        // The hand-written shaders live beside the content; the build only copies them here.
        std::filesystem::path shaders = std::filesystem::path(contentFolder) / ".." / "Data";
        if (std::filesystem::is_directory(shaders, error) &&
            !std::filesystem::equivalent(shaders, this->dataFolder, error))
            watchSource(shaders.lexically_normal().string(), shadersFolder);
    }
    changed.reserve(16);
}

bool HotReload::poll(bool tracksOwnedElsewhere) {
    finishImageJobs();
    changed.clear();
    watcher->takeChanges(changed);
    bool rebuilt = false;
    for (const std::string& path : changed) {
        if (path.compare(0, dataFolder.size(), dataFolder) == 0)
            rebuilt |= onDataFile(path, tracksOwnedElsewhere);
        else if (!shadersFolder.empty() &&
                 path.compare(0, shadersFolder.size(), shadersFolder) == 0)
            onShaderSource(path);
        else if (!tracksFolder.empty() && path.compare(0, tracksFolder.size(), tracksFolder) == 0)
            onTimelineSource(path);
        else if (!imagesFolder.empty() && path.compare(0, imagesFolder.size(), imagesFolder) == 0)
            onImageSource(path);
    }
    return rebuilt;
}

bool HotReload::onDataFile(const std::string& path, bool tracksOwnedElsewhere) {
    std::string name = fileName(path);
    if (name.size() > 7 && name[0] == '_' && endsWith(name, ".track")) {
        if (tracksOwnedElsewhere)
            return false;
        Track* track = askedTrack(name.substr(1, name.size() - 7));
        if (!track)
            return false;
        Sync::getTracks()->reloadTrack(track);
        return true;
    }
    // A shader or image removed (or moved away while an editor saves) keeps what was built.
    if (!isRegularFile(path))
        return false;
    auto started = std::chrono::steady_clock::now();
    Reloadables::Outcome outcome = Reloadables::rebuildReaders(path);
    if (!outcome.errors.empty())
        report(outcome.errors);
    else if (outcome.rebuilt > 0)
        std::fprintf(stderr, "rebuilt %d objects from %s in %.1f ms\n", outcome.rebuilt,
                     path.c_str(), millisecondsSince(started));
    return outcome.rebuilt > 0;
}

void HotReload::onShaderSource(const std::string& path) {
    std::string name = fileName(path);
    // Editors' own files (".Mix.frag.swp", "Mix.frag~") are not shaders.
    if (name.empty() || name[0] == '.' || name.back() == '~')
        return;
    if (!isRegularFile(path))
        return;
    // Copied into the runnable folder, whose watch then rebuilds what reads it.
    try {
        platform::writeFileAtomically(
            dataFolder + name, platform::readFileLimited(path, platform::shaderLimit, "shader"));
    } catch (const Kem::Exception& failure) {
        const char* message = failure.getMessage().getData();
        report(message ? message : "cannot copy " + path);
    }
}

std::vector<std::string> HotReload::findTimelineSources() const {
    std::vector<std::string> files;
    std::error_code error;
    if (tracksFolder.empty())
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(tracksFolder, error)) {
        std::string path = entry.path().string();
        if (entry.is_regular_file(error) && (endsWith(path, ".tl") || endsWith(path, ".xml")))
            files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    return files;
}

void HotReload::onTimelineSource(const std::string& path) {
    if ((!endsWith(path, ".tl") && !endsWith(path, ".xml")) || !isRegularFile(path))
        return;
    auto started = std::chrono::steady_clock::now();
    try {
        std::vector<std::string> kept = model.reload(findTimelineSources(), limitsFile);
        std::fprintf(stderr, "read the timeline sources again after %s changed in %.1f ms\n",
                     path.c_str(), millisecondsSince(started));
        for (const std::string& name : kept)
            report("\"" + name + "\" keeps its unsaved edits; saving writes them over " + path);
    } catch (const std::exception& error) {
        report(std::string(error.what()) + "\n" + path + ": not applied, the old keys stay");
    }
}

void HotReload::onImageSource(const std::string& path) {
    if (!endsWith(path, ".txt") || imageGenerator.empty() || !isRegularFile(path))
        return;
    // One generator per source at a time: two could finish in the wrong order.
    for (const auto& job : imageJobs)
        if (job->source == path) {
            job->savedAgain = true;
            return;
        }
    startImageJob(path);
}

void HotReload::startImageJob(const std::string& path) {
    auto job = std::make_shared<ImageJob>();
    job->source = path;
    imageJobs.push_back(job);
    // The generator writes into Data/, whose watch then reloads the textures.
    std::string program = imageGenerator, folder = dataFolder;
    std::fprintf(stderr, "regenerating images from %s\n", path.c_str());
    std::thread([job, program, path, folder] {
        auto started = std::chrono::steady_clock::now();
        std::string error;
        job->status = platform::runProgram(program, {path, folder}, error);
        if (!error.empty())
            std::fprintf(stderr, "%s\n", error.c_str());
        job->milliseconds = millisecondsSince(started);
        job->done = true;
    }).detach();
}

void HotReload::finishImageJobs() {
    for (std::size_t i = 0; i < imageJobs.size();) {
        std::shared_ptr<ImageJob> job = imageJobs[i];
        if (!job->done) {
            ++i;
            continue;
        }
        imageJobs.erase(imageJobs.begin() + std::ptrdiff_t(i));
        if (job->status != 0)
            report("image generation failed for " + job->source + " (the old images stay)");
        else
            std::fprintf(stderr, "regenerated images from %s in %.0f ms\n", job->source.c_str(),
                         job->milliseconds);
        if (job->savedAgain)
            startImageJob(job->source);
    }
}
