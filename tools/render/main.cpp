// oxbrine-render: the show without a window or sound card, frame-exact: single frames, frame
// ranges, a video with its music, contact sheets and per-scene benchmarks.
#include "Benchmark.h"
#include "ContactSheet.h"
#include "ImageFile.h"
#include "OfflineShow.h"
#include "Options.h"
#include "Progress.h"
#include "ReferencePass.h"
#include "VideoEncoder.h"

#include "Demo.h"
#include "Sync.h"
#include "Version.h"
#include "kem/Exception.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>

namespace {

const auto launched = std::chrono::steady_clock::now();
const char* const musicPath = MusicGrid::musicFile;
constexpr double rowsPerSecond = MusicGrid::rowsPerSecond;

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double threadCpuMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// Frames n with n / fps inside [from, to).
long long frameCountBefore(const FrameRate& fps, double seconds) {
    return fps.firstFrameAtOrAfter(seconds);
}

void renderOrFail(OfflineShow& show, long long milliseconds) {
    if (!show.render(milliseconds))
        throw std::runtime_error("the show is over at " + std::to_string(milliseconds) + " ms");
}

void renderFrame(const Options& options) {
    checkWritable(options.output);
    OfflineShow show(options.resolution, options.tracks);
    renderOrFail(show, std::llround(options.time * 1000.0));
    writePng(options.output, show.getWidth(), show.getHeight(), show.readPixels());
}

void renderFrames(const Options& options) {
    std::filesystem::create_directories(options.output);
    long long first = options.fps.firstFrameAtOrAfter(options.from);
    long long end = frameCountBefore(options.fps, options.to);
    if (end <= first)
        throw std::runtime_error("no frame starts between --from and --to at that rate");
    checkWritable(options.output + "/frame_000000.png");
    OfflineShow show(options.resolution, options.tracks);
    Progress progress(end - first, "frames");
    for (long long n = first; n < end; ++n) {
        renderOrFail(show, options.fps.frameMilliseconds(n));
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06lld.png", n);
        writePng(options.output + name, show.getWidth(), show.getHeight(), show.readPixels());
        progress.advance();
    }
    progress.finish();
}

void renderVideo(const Options& options) {
    if (findFfmpeg().empty())
        throw std::runtime_error("ffmpeg is not installed (Debian package 'ffmpeg')");
    if (!std::filesystem::exists(musicPath))
        throw std::runtime_error(std::string("the music is missing: ") + musicPath);
    checkWritable(options.output);
    long long frames = frameCountBefore(options.fps, showSeconds);
    OfflineShow show(options.resolution, options.tracks);
    VideoEncoder encoder(options.output, show.getWidth(), show.getHeight(), options.fps, frames,
                         musicPath);
    Progress progress(frames, "video");
    for (long long n = 0; n < frames; ++n) {
        renderOrFail(show, options.fps.frameMilliseconds(n));
        encoder.write(show.readPixels());
        progress.advance();
    }
    progress.finish();
    encoder.finish();
}

void renderSheet(const Options& options) {
    checkWritable(options.output);
    std::vector<double> times = sheetTimes(options.every, showSeconds);
    OfflineShow show(options.resolution, options.tracks);
    const int thumbWidth = 320;
    int thumbHeight = thumbWidth * show.getHeight() / show.getWidth();
    char title[128];
    std::snprintf(title, sizeof title, "Oxbrine - %dx%d - every %g s", show.getWidth(),
                  show.getHeight(), options.every);
    ContactSheet sheet(int(times.size()), 6, thumbWidth, thumbHeight, title);
    Progress progress(static_cast<long long>(times.size()), "sheet");
    for (size_t i = 0; i < times.size(); ++i) {
        long long ms = std::llround(times[i] * 1000.0);
        renderOrFail(show, ms);
        char label[64];
        std::snprintf(label, sizeof label, "%.2f s   row %.1f", times[i],
                      std::floor(ms / 1000.0 * rowsPerSecond * 10.0) / 10.0);
        sheet.place(int(i), show.readPixels(), show.getWidth(), show.getHeight(), label);
        progress.advance();
    }
    progress.finish();
    writePng(options.output, sheet.getWidth(), sheet.getHeight(), sheet.getPixels());
}

// The reference pass is drawn once every this many frames, so that it shares the machine's
// changing load with the scenes.
constexpr long long referenceEvery = 4;
constexpr int referenceMinimum = 10;

FrameCost measureReference(ReferencePass& reference, OfflineShow& show, int step) {
    glBindFramebuffer(GL_FRAMEBUFFER, show.getFramebuffer());
    double cpuStart = threadCpuMilliseconds();
    double gpu = reference.draw(show.getWidth(), show.getHeight(), step);
    return FrameCost{threadCpuMilliseconds() - cpuStart, gpu, PassTimes{}};
}

void benchmark(const Options& options) {
    double from = options.rangeGiven ? options.from : 0.0;
    double to = options.rangeGiven ? options.to : showSeconds;
    long long first = options.fps.firstFrameAtOrAfter(from);
    long long end = frameCountBefore(options.fps, to);
    OfflineShow show(options.resolution, options.tracks);
    // Each frame waits for its own pass times, so every time is that of the frame it is filed
    // under.
    show.getDemo().enablePassTimers(true, true);
    ReferencePass reference;
    BenchmarkReport report;
    double startup = 0.0;
    int referenceDraws = 0;
    Progress progress(end - first, "bench");
    for (long long n = first; n < end; ++n) {
        long long ms = options.fps.frameMilliseconds(n);
        int scene = static_cast<int>(show.partAt(ms));
        double cpuStart = threadCpuMilliseconds();
        renderOrFail(show, ms);
        double cpu = threadCpuMilliseconds() - cpuStart;
        const PassTimes& passes = show.getDemo().getPassTimes();
        double gpu = -1.0;
        if (passes.valid) {
            gpu = 0.0;
            for (double pass : passes.milliseconds)
                gpu += pass;
        } else {
            glFinish();
        }
        if (n == first)
            startup = millisecondsSince(launched);
        report.add(scene, FrameCost{cpu, gpu, passes});
        if ((n - first) % referenceEvery == 0)
            report.addReference(measureReference(reference, show, referenceDraws++));
        progress.advance();
    }
    while (referenceDraws < referenceMinimum)
        report.addReference(measureReference(reference, show, referenceDraws++));
    progress.finish();
    std::cout << "resolution " << show.getWidth() << "x" << show.getHeight() << "\n";
    std::cout << "fps " << options.fps.numerator << "/" << options.fps.denominator << "\n";
    report.print(std::cout, startup);
}

// A tracks folder must exist and hold track files: otherwise every track would read 0 and the
// pictures would be silently wrong.
void checkTrackFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw UsageError("--tracks '" + folder + "' is not a folder");
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (name.size() > 7 && name[0] == '_' && name.compare(name.size() - 6, 6, ".track") == 0)
            return;
    }
    throw UsageError("--tracks '" + folder + "' holds no track files (_<name>.track)");
}

// Paths on the command line belong to the caller's folder; Data/ is read from the data root.
void enterDataRoot(Options& options) {
    if (options.dataRoot.empty())
        return;
    if (!options.output.empty())
        options.output = std::filesystem::absolute(options.output).string();
    if (!options.tracks.empty())
        options.tracks = std::filesystem::absolute(options.tracks).string();
    std::filesystem::current_path(options.dataRoot);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv);
        if (!options.tracks.empty())
            checkTrackFolder(options.tracks);
    } catch (const UsageError& e) {
        std::cerr << "oxbrine-render: " << e.what() << "\n(--help shows the usage)\n";
        return 2;
    }
    try {
        enterDataRoot(options);
        switch (options.mode) {
        case Mode::Help:
            std::cout << renderUsage;
            break;
        case Mode::Version:
            std::cout << "oxbrine-render " << oxbrineVersion() << "\n";
            break;
        case Mode::Frame:
            renderFrame(options);
            break;
        case Mode::Frames:
            renderFrames(options);
            break;
        case Mode::Video:
            renderVideo(options);
            break;
        case Mode::Sheet:
            renderSheet(options);
            break;
        case Mode::Bench:
            benchmark(options);
            break;
        }
    } catch (const Kem::Exception& e) {
        std::cerr << "oxbrine-render: "
                  << (e.getMessage().getData() ? e.getMessage().getData() : "") << "\n";
        if (e.getDetail().getLength() > 0)
            std::cerr << e.getDetail().getData() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "oxbrine-render: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
