// Process-wide choices about how the sound layer plays, made by the program that owns it.
#pragma once

#include <string>

namespace SoundControl {

// Offline rendering: no device is opened and a channel's position moves only when it is set.
// Takes effect for systems created afterwards.
void setNonRealTime(bool enabled);
bool isNonRealTime();

// The position every non-real-time channel reports (also moved by Channel::setPosition there).
void setNonRealTimePosition(unsigned int milliseconds);
unsigned int getNonRealTimePosition();

// Pretends no sound device exists, so playback runs silently on the layer's own paced clock.
void setDeviceDisabled(bool disabled);
bool isDeviceDisabled();

// The clock every position is measured against, in seconds from any start: null (the default)
// for the system's monotonic clock. Tests set a clock of their own and move it themselves.
void setClock(double (*seconds)());
double readClock();

// The version the layer reports (0x00044005 unless a test asks for another).
void setReportedVersion(unsigned int version);
unsigned int getReportedVersion();

// What the most recent playback opened: "sdl:<driver>", "paced" or "none" (non-real-time).
std::string getOutputName();
void setOutputName(const std::string& name);

// Why the most recent stream could not be opened: "cannot read '<path>': <cause>" or "cannot
// decode '<path>': ...", naming the file; empty after a stream that opened.
std::string getOpenError();
void setOpenError(const std::string& message);

} // namespace SoundControl
