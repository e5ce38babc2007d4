// Redraws at most a few times a second so the bar costs nothing next to a frame.
#include "Progress.h"

#include <cstdio>

Progress::Progress(long long total, std::string label)
    : total(total), label(std::move(label)), start(std::chrono::steady_clock::now()),
      lastDraw(start) {}

void Progress::advance() {
    ++done;
    auto now = std::chrono::steady_clock::now();
    if (now - lastDraw > std::chrono::milliseconds(250)) {
        lastDraw = now;
        draw(false);
    }
}

void Progress::finish() { draw(true); }

void Progress::draw(bool final) {
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double rate = elapsed > 0.0 ? done / elapsed : 0.0;
    double left = rate > 0.0 ? (total - done) / rate : 0.0;
    const int width = 30;
    int filled = total > 0 ? int(width * done / total) : width;
    char bar[width + 1];
    for (int i = 0; i < width; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[width] = '\0';
    std::fprintf(stderr, "\r%s [%s] %lld/%lld frames  %.1f fps  %d:%02d left   ", label.c_str(),
                 bar, done, total, rate, int(left) / 60, int(left) % 60);
    if (final)
        std::fprintf(stderr, "\n");
    std::fflush(stderr);
}
