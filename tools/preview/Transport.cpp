// Pause, seeks and the loop over the music clock.
#include "Transport.h"

#include <algorithm>
#include <cmath>

namespace {

// The last millisecond the show draws: its length less one frame.
const long long lastMilliseconds =
    std::llround((MusicGrid::showSeconds - MusicGrid::frameSeconds) * 1000.0);

// The first whole millisecond at or after the row's start, within the show.
long long rowStartMilliseconds(double row) {
    double milliseconds =
        std::clamp(row / MusicGrid::rowsPerSecond, 0.0, MusicGrid::showSeconds) * 1000.0;
    return (long long)std::ceil(milliseconds - 1e-6);
}

} // namespace

Transport::Transport(Audio& audio) : audio(audio) {}

double Transport::getRow() {
    return audio.getPosition() * MusicGrid::rowsPerSecond;
}

void Transport::setPaused(bool pause) {
    if (pause == paused)
        return;
    paused = pause;
    if (pause) {
        audio.pause();
        // Hold on a whole millisecond, the unit every frame of the show is addressed by; a loop
        // passed since the last frame is taken first, so a paused time is inside the loop.
        double now = audio.getPosition();
        if (hasLoop() && now >= loopEnd)
            now = loopStart;
        seekMilliseconds(std::llround(now * 1000.0));
    } else {
        audio.play();
    }
    ++changes;
}

void Transport::seekMilliseconds(long long milliseconds) {
    milliseconds = std::clamp(milliseconds, 0LL, lastMilliseconds);
    // The music truncates to whole milliseconds; a quarter more keeps rounding error from landing
    // on the one before.
    audio.setPosition((double(milliseconds) + 0.25) / 1000.0);
    ++changes;
}

void Transport::seek(double seconds) {
    if (!std::isfinite(seconds))
        return;
    seekMilliseconds(std::llround(std::clamp(seconds, 0.0, MusicGrid::showSeconds) * 1000.0));
}

void Transport::seekRow(double row) {
    if (!std::isfinite(row))
        return;
    seekMilliseconds(rowStartMilliseconds(row));
}

void Transport::stepGrid(int rows, int steps) {
    double row = getRow();
    double line = std::floor(row / rows + 1e-9);
    // Between lines, the first step back lands on the line just passed. A line's first
    // millisecond, where seeks to it land, is on the line though its row is a little past it.
    if (steps < 0 && std::llround(getTime() * 1000.0) > rowStartMilliseconds(line * rows))
        line += 1;
    seekRow((line + steps) * rows);
}

void Transport::stepFrame(int steps) {
    if (!paused)
        return;
    long long frame = std::llround(getTime() / MusicGrid::frameSeconds) + steps;
    seekMilliseconds(std::llround(double(frame) * MusicGrid::frameSeconds * 1000.0));
}

namespace {
const double speeds[] = {1.0, 0.5, 0.25};
constexpr int speedCount = 3;
} // namespace

double Transport::getSpeed() const {
    return speeds[speedStep];
}

bool Transport::slower() {
    if (speedStep + 1 >= speedCount || !audio.setSpeed(speeds[speedStep + 1]))
        return false;
    ++speedStep;
    ++changes;
    return true;
}

bool Transport::faster() {
    if (speedStep == 0 || !audio.setSpeed(speeds[speedStep - 1]))
        return false;
    --speedStep;
    ++changes;
    return true;
}

void Transport::markLoop() {
    double now = getTime();
    switch (loopState) {
    case LoopState::None:
        loopStart = now;
        loopState = LoopState::Started;
        break;
    case LoopState::Started:
        if (now > loopStart) {
            loopEnd = now;
        } else {
            loopEnd = loopStart;
            loopStart = now;
        }
        loopState = loopEnd > loopStart ? LoopState::Set : LoopState::None;
        break;
    case LoopState::Set:
        loopState = LoopState::None;
        break;
    }
    ++changes;
}

void Transport::setLoop(double start, double end) {
    loopStart = start;
    loopEnd = end;
    loopState = end > start ? LoopState::Set : LoopState::None;
    ++changes;
}

bool Transport::update() {
    if (paused)
        return false;
    double now = getTime();
    if (hasLoop() && now >= loopEnd) {
        seek(loopStart);
        return true;
    }
    if (now * 1000.0 >= double(lastMilliseconds)) {
        setPaused(true);
        seekMilliseconds(lastMilliseconds);
        return true;
    }
    return false;
}
