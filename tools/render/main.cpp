// oxbrine-render: the show without a window or sound card, frame-exact: single frames, frame
// ranges, a video with its music, contact sheets and per-scene benchmarks.
#include "Benchmark.h"
#include "ContactSheet.h"
#include "ImageFile.h"
#include "OfflineShow.h"
#include "Options.h"
#include "Progress.h"
#include "VideoEncoder.h"

#include "Sync.h"
#include "Version.h"
#include "kem/Exception.h"
#include "platform/GLProc.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>

namespace {

const auto launched = std::chrono::steady_clock::now();
const char* const musicPath = "Data/pim00dle_and_quandrel-vantorel.mp3";
constexpr double rowsPerSecond = 17.946666666666665;

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
    std::vector<double> times;
    for (int k = 0; k * options.every < showSeconds - 1e-9; ++k)
        times.push_back(k * options.every);
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

// Timer queries are not in the show's own table of entry points.
struct TimerQueries {
    PFNGLGENQUERIESPROC gen = nullptr;
    PFNGLBEGINQUERYPROC begin = nullptr;
    PFNGLENDQUERYPROC end = nullptr;
    PFNGLGETQUERYOBJECTUI64VPROC result = nullptr;
    GLuint query = 0;

    TimerQueries() {
        gen = reinterpret_cast<PFNGLGENQUERIESPROC>(platform::getGLProcAddress("glGenQueries"));
        begin = reinterpret_cast<PFNGLBEGINQUERYPROC>(platform::getGLProcAddress("glBeginQuery"));
        end = reinterpret_cast<PFNGLENDQUERYPROC>(platform::getGLProcAddress("glEndQuery"));
        result = reinterpret_cast<PFNGLGETQUERYOBJECTUI64VPROC>(
            platform::getGLProcAddress("glGetQueryObjectui64v"));
        if (available())
            gen(1, &query);
    }
    bool available() const { return gen && begin && end && result; }
};

void benchmark(const Options& options) {
    double from = options.rangeGiven ? options.from : 0.0;
    double to = options.rangeGiven ? options.to : showSeconds;
    long long first = options.fps.firstFrameAtOrAfter(from);
    long long end = frameCountBefore(options.fps, to);
    OfflineShow show(options.resolution, options.tracks);
    TimerQueries timer;
    BenchmarkReport report;
    double startup = 0.0;
    Progress progress(end - first, "bench");
    for (long long n = first; n < end; ++n) {
        long long ms = options.fps.frameMilliseconds(n);
        int scene = static_cast<int>(show.partAt(ms));
        double cpuStart = threadCpuMilliseconds();
        if (timer.available())
            timer.begin(GL_TIME_ELAPSED, timer.query);
        renderOrFail(show, ms);
        if (timer.available())
            timer.end(GL_TIME_ELAPSED);
        double cpu = threadCpuMilliseconds() - cpuStart;
        double gpu = -1.0;
        if (timer.available()) {
            GLuint64 nanoseconds = 0;
            timer.result(timer.query, GL_QUERY_RESULT, &nanoseconds);
            gpu = nanoseconds / 1e6;
        } else {
            glFinish();
        }
        if (n == first)
            startup = millisecondsSince(launched);
        report.add(scene, FrameCost{cpu, gpu});
        progress.advance();
    }
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
