// Where the preview is in the show and whether it moves: pause, seeks by row, beat, bar, phrase
// and frame, a loop, and the end of the show. The music is the clock, so every move is a seek of
// the music, landing on whole milliseconds as the offline renderer's frames do.
#pragma once

#include "Audio.h"
#include "MusicGrid.h"

class Transport {
public:
    explicit Transport(Audio& audio);

    double getTime() { return audio.getPosition(); }
    double getRow();
    bool isPaused() const { return paused; }
    void setPaused(bool pause);
    void togglePause() { setPaused(!paused); }

    // Lands on the whole millisecond nearest to the time, kept within the show.
    void seek(double seconds);
    // The first millisecond at or after the row's start, so the row reads as that row.
    void seekRow(double row);
    // To the next (steps > 0) or previous grid line of `rows` rows, `steps` lines on.
    void stepGrid(int rows, int steps);
    // One frame back or forward on the show's frame grid; only while paused.
    void stepFrame(int steps);

    // Playback speed: 1, 1/2 or 1/4, a step slower or faster; the music follows. False when the
    // music cannot change speed (or is at the end of the steps already).
    bool slower();
    bool faster();
    double getSpeed() const;

    // L: the first press marks the loop's start, the second its end, the third clears it.
    void markLoop();
    void setLoop(double start, double end);
    bool hasLoop() const { return loopState == LoopState::Set; }
    bool isMarkingLoop() const { return loopState == LoopState::Started; }
    double getLoopStart() const { return loopStart; }
    double getLoopEnd() const { return loopEnd; }

    // Once a frame before drawing: a playing loop jumps back; the end of the show pauses on its
    // last frame. True when it moved the time.
    bool update();

    // Bumped by every seek and pause change: whoever shows the picture redraws when it moves.
    unsigned getChangeCount() const { return changes; }

private:
    void seekMilliseconds(long long milliseconds);

    enum class LoopState { None, Started, Set };
    Audio& audio;
    bool paused = false;
    LoopState loopState = LoopState::None;
    double loopStart = 0.0;
    double loopEnd = 0.0;
    unsigned changes = 0;
    int speedStep = 0;
};
