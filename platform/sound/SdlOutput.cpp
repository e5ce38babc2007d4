// SDL2 audio device output. The callback only mixes what the decoder has already prepared.
#include "platform/sound/SdlOutput.h"

#include <cstring>
#include <string>

namespace sound {

namespace {
// Starts the audio subsystem with a chosen driver, overriding SDL_AUDIODRIVER for that moment only.
bool startSubsystem(const char* driver) {
    if (!driver)
        return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    return started;
}
} // namespace

std::unique_ptr<SdlOutput> SdlOutput::open(int sampleRate, Mixer& mixer, const char* driver) {
    if (!startSubsystem(driver))
        return nullptr;
    std::unique_ptr<SdlOutput> output(new SdlOutput(mixer));
    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    // 10 ms periods: whole milliseconds keep drivers that sleep per period close to real time.
    wanted.samples = Uint16(sampleRate / 100);
    wanted.callback = &SdlOutput::callback;
    wanted.userdata = output.get();
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device really wants.
    output->device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (output->device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    output->latencyFrames = obtained.samples;
    const char* current = SDL_GetCurrentAudioDriver();
    std::string driverName = current ? current : "unknown";
    output->name = "sdl:" + driverName;
    output->clocked = driverName != "dummy" && driverName != "disk";
    SDL_PauseAudioDevice(output->device, 0);
    return output;
}

SdlOutput::~SdlOutput() {
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlOutput::callback(void* self, Uint8* stream, int bytes) {
    double now = monotonicSeconds();
    std::memset(stream, 0, size_t(bytes));
    auto* output = static_cast<SdlOutput*>(self);
    output->mixer.mix(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)), now);
}

} // namespace sound
