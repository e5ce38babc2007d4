// waveOut output: a few short 16-bit buffers kept queued; the device signals an event as it
// finishes each, and the refill thread mixes the next period into it.
#include "platform/win32/WaveOutput.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cmath>

namespace sound {

namespace {
constexpr int bufferCount = 4;
} // namespace

struct WaveOutput::Device {
    HWAVEOUT handle = nullptr;
    HANDLE done = nullptr;
    int periodFrames = 0;
    std::vector<std::int16_t> samples[bufferCount];
    WAVEHDR headers[bufferCount]{};
    std::vector<float> mixed;
};

WaveOutput::WaveOutput(Mixer& mixer) : mixer(mixer), device(new Device) {}

std::unique_ptr<WaveOutput> WaveOutput::open(int sampleRate, Mixer& mixer) {
    std::unique_ptr<WaveOutput> output(new WaveOutput(mixer));
    Device& device = *output->device;
    device.done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!device.done)
        return nullptr;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = DWORD(sampleRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (waveOutOpen(&device.handle, WAVE_MAPPER, &format, DWORD_PTR(device.done), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        device.handle = nullptr;
        return nullptr;
    }
    // 10 ms periods, as on the other outputs.
    device.periodFrames = std::max(sampleRate / 100, 1);
    device.mixed.resize(std::size_t(device.periodFrames) * 2);
    for (int i = 0; i < bufferCount; ++i) {
        device.samples[i].assign(std::size_t(device.periodFrames) * 2, 0);
        WAVEHDR& header = device.headers[i];
        header.lpData = reinterpret_cast<LPSTR>(device.samples[i].data());
        header.dwBufferLength = DWORD(device.samples[i].size() * sizeof(std::int16_t));
        waveOutPrepareHeader(device.handle, &header, sizeof(header));
        header.dwFlags |= WHDR_DONE; // free to fill
    }
    output->latencyFrames = device.periodFrames * bufferCount;
    output->thread = std::thread(&WaveOutput::run, output.get());
    return output;
}

WaveOutput::~WaveOutput() {
    quitting = true;
    if (thread.joinable()) {
        SetEvent(device->done);
        thread.join();
    }
    if (device->handle) {
        waveOutReset(device->handle);
        for (WAVEHDR& header : device->headers)
            waveOutUnprepareHeader(device->handle, &header, sizeof(header));
        waveOutClose(device->handle);
    }
    if (device->done)
        CloseHandle(device->done);
}

void WaveOutput::run() {
    Device& out = *device;
    while (!quitting) {
        for (int i = 0; i < bufferCount && !quitting; ++i) {
            WAVEHDR& header = out.headers[i];
            if (!(header.dwFlags & WHDR_DONE))
                continue;
            std::fill(out.mixed.begin(), out.mixed.end(), 0.0f);
            mixer.mix(out.mixed.data(), out.periodFrames, monotonicSeconds());
            for (std::size_t s = 0; s < out.mixed.size(); ++s) {
                const float clamped = std::clamp(out.mixed[s], -1.0f, 1.0f);
                out.samples[i][s] = std::int16_t(std::lrint(clamped * 32767.0f));
            }
            header.dwFlags &= ~DWORD(WHDR_DONE);
            waveOutWrite(out.handle, &header, sizeof(header));
        }
        WaitForSingleObject(out.done, 20);
    }
}

} // namespace sound
