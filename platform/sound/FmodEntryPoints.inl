// The FMOD-style entry points of fmod.hpp, forwarding to a sound layer's own objects. Each layer
// includes this once, after `namespace soundLayer = <its namespace>;` names where its
// SystemObject, SoundObject and ChannelObject live; FMOD::System::update stays the layer's own.
#include <new>

FMOD_RESULT FMOD_System_Create(FMOD::System** system) {
    if (!system)
        return FMOD_ERR_INVALID_PARAM;
    *system = new (std::nothrow) soundLayer::SystemObject();
    return *system ? FMOD_OK : FMOD_ERR_MEMORY;
}

FMOD_RESULT FMOD::System::getVersion(unsigned int* version) {
    if (!version)
        return FMOD_ERR_INVALID_PARAM;
    *version = SoundControl::getReportedVersion();
    return FMOD_OK;
}

FMOD_RESULT FMOD::System::init(int maxChannels, FMOD_INITFLAGS, void*) {
    return static_cast<soundLayer::SystemObject*>(this)->initialise(maxChannels);
}

FMOD_RESULT FMOD::System::createStream(const char* path, FMOD_MODE, FMOD_CREATESOUNDEXINFO*,
                                       Sound** sound) {
    return static_cast<soundLayer::SystemObject*>(this)->openStream(path, sound);
}

FMOD_RESULT FMOD::System::playSound(FMOD_CHANNELINDEX, Sound* sound, bool paused,
                                    Channel** channel) {
    return static_cast<soundLayer::SystemObject*>(this)->start(
        static_cast<soundLayer::SoundObject*>(sound), paused, channel);
}

FMOD_RESULT FMOD::System::release() {
    delete static_cast<soundLayer::SystemObject*>(this);
    return FMOD_OK;
}

FMOD_RESULT FMOD::Channel::getPosition(unsigned int* position, FMOD_TIMEUNIT unit) {
    if (unit != FMOD_TIMEUNIT_MS)
        return FMOD_ERR_FORMAT;
    return static_cast<soundLayer::ChannelObject*>(this)->readPosition(position);
}

FMOD_RESULT FMOD::Channel::setPosition(unsigned int position, FMOD_TIMEUNIT unit) {
    if (unit != FMOD_TIMEUNIT_MS)
        return FMOD_ERR_FORMAT;
    return static_cast<soundLayer::ChannelObject*>(this)->seek(position);
}

FMOD_RESULT FMOD::Channel::isPlaying(bool* playing) {
    return static_cast<soundLayer::ChannelObject*>(this)->readPlaying(playing);
}

FMOD_RESULT FMOD::Channel::setPaused(bool paused) {
    return static_cast<soundLayer::ChannelObject*>(this)->setPausedState(paused);
}

FMOD_RESULT FMOD::Channel::setFrequency(float frequency) {
    auto* channel = static_cast<soundLayer::ChannelObject*>(this);
    return channel->setSpeed(double(frequency) / channel->getSampleRate());
}

FMOD_RESULT FMOD::Channel::getFrequency(float* frequency) {
    if (!frequency)
        return FMOD_ERR_INVALID_PARAM;
    auto* channel = static_cast<soundLayer::ChannelObject*>(this);
    *frequency = float(channel->getSpeed() * channel->getSampleRate());
    return FMOD_OK;
}

FMOD_RESULT FMOD::Channel::stop() {
    return static_cast<soundLayer::ChannelObject*>(this)->halt();
}
