// Process-wide sound settings, read by systems and channels as they are created.
#include "platform/sound/SoundControl.h"

#include <atomic>
#include <chrono>
#include <mutex>

namespace {
std::atomic<bool> nonRealTime{false};
std::atomic<unsigned int> nonRealTimePosition{0};
std::atomic<bool> deviceDisabled{false};
std::atomic<unsigned int> reportedVersion{0x00044005};
std::atomic<double (*)()> clockSource{nullptr};
std::mutex outputNameLock;
std::string outputName;
std::string openError;
} // namespace

namespace SoundControl {

void setNonRealTime(bool enabled) {
    nonRealTime = enabled;
}
bool isNonRealTime() {
    return nonRealTime;
}

void setNonRealTimePosition(unsigned int milliseconds) {
    nonRealTimePosition = milliseconds;
}
unsigned int getNonRealTimePosition() {
    return nonRealTimePosition;
}

void setDeviceDisabled(bool disabled) {
    deviceDisabled = disabled;
}
bool isDeviceDisabled() {
    return deviceDisabled;
}

void setClock(double (*seconds)()) {
    clockSource = seconds;
}
double readClock() {
    double (*seconds)() = clockSource;
    if (seconds)
        return seconds();
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
}

void setReportedVersion(unsigned int version) {
    reportedVersion = version;
}
unsigned int getReportedVersion() {
    return reportedVersion;
}

std::string getOutputName() {
    std::lock_guard<std::mutex> hold(outputNameLock);
    return outputName;
}

void setOutputName(const std::string& name) {
    std::lock_guard<std::mutex> hold(outputNameLock);
    outputName = name;
}

std::string getOpenError() {
    std::lock_guard<std::mutex> hold(outputNameLock);
    return openError;
}

void setOpenError(const std::string& message) {
    std::lock_guard<std::mutex> hold(outputNameLock);
    openError = message;
}

} // namespace SoundControl
