// At a terminal the bar is redrawn a few times a second at most, costing nothing beside a frame.
#include "Progress.h"

#include "platform/Terminal.h"

#include <cstdio>

namespace {

struct Pace {
    double rate; // frames per second so far
    int secondsLeft;
};

Pace measure(long long done, long long total, std::chrono::steady_clock::time_point start) {
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double rate = elapsed > 0.0 ? done / elapsed : 0.0;
    double left = rate > 0.0 ? (total - done) / rate : 0.0;
    return {rate, int(left)};
}

} // namespace

Progress::Progress(long long total, std::string label)
    : total(total), label(std::move(label)), terminal(platform::isTerminal(stderr)),
      start(std::chrono::steady_clock::now()), lastDraw(start) {}

void Progress::advance() {
    ++done;
    if (!terminal) {
        if (total > 0 && done * 10 / total > tenthsWritten) {
            tenthsWritten = done * 10 / total;
            writeLine();
        }
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (now - lastDraw > std::chrono::milliseconds(250)) {
        lastDraw = now;
        drawBar(false);
    }
}

void Progress::finish() {
    if (terminal)
        drawBar(true);
    else if (total <= 0 || done * 10 / total < 10)
        writeLine(); // the last line says where the work ended
}

void Progress::drawBar(bool final) {
    Pace pace = measure(done, total, start);
    const int width = 30;
    int filled = total > 0 ? int(width * done / total) : width;
    char bar[width + 1];
    for (int i = 0; i < width; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[width] = '\0';
    std::fprintf(stderr, "\r%s [%s] %lld/%lld frames  %.1f fps  %d:%02d left   ", label.c_str(),
                 bar, done, total, pace.rate, pace.secondsLeft / 60, pace.secondsLeft % 60);
    if (final)
        std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

void Progress::writeLine() {
    Pace pace = measure(done, total, start);
    int percent = total > 0 ? int(100 * done / total) : 100;
    std::fprintf(stderr, "%s %3d%% %lld/%lld frames  %.1f fps  %d:%02d left\n", label.c_str(),
                 percent, done, total, pace.rate, pace.secondsLeft / 60, pace.secondsLeft % 60);
    std::fflush(stderr);
}
