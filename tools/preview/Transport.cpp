// Pause, seeks and the loop over the music clock.
#include "Transport.h"

#include "Demo.h"

#include <algorithm>
#include <cmath>

namespace {

// The last millisecond the show draws: its length less one 60 fps frame.
const long long lastMilliseconds = std::llround((Demo::showLength - 1.0 / 60.0) * 1000.0);

} // namespace

Transport::Transport(Audio& audio) : audio(audio) {}

double Transport::getRow() {
    return audio.getPosition() * Demo::rowsPerSecond;
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
    seekMilliseconds(std::llround(std::clamp(seconds, 0.0, Demo::showLength) * 1000.0));
}

void Transport::seekRow(double row) {
    if (!std::isfinite(row))
        return;
    double milliseconds = std::clamp(row / Demo::rowsPerSecond, 0.0, Demo::showLength) * 1000.0;
    seekMilliseconds((long long)std::ceil(milliseconds - 1e-6));
}

void Transport::stepGrid(int rows, int steps) {
    double row = getRow();
    double line = std::floor(row / rows + 1e-9);
    if (steps < 0 && row - line * rows > 1e-6)
        line += 1; // between lines, the first step back lands on the line just passed
    seekRow((line + steps) * rows);
}

void Transport::stepFrame(int steps) {
    if (!paused)
        return;
    long long frame = std::llround(getTime() * 60.0) + steps;
    seekMilliseconds(std::llround(double(frame) * 1000.0 / 60.0));
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
