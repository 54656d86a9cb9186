#include "audio/Mixer.h"

#include <cstring>

#include "resources/PakArchive.h"
#include "resources/PakCache.h"
#include "resources/Settings.h"

// The mixer whose device is open; SDL calls back with no user data. Written
// only while the audio thread is not running (before SDL_OpenAudio starts it,
// after SDL_CloseAudio has joined it).
static Mixer *deviceMixer = nullptr;  // Borrowed

bool mixerChannelFree(const MixerChannel &channel)
{
    return channel.position == channel.length && !channel.loop;
}

// One channel's share of a device buffer. A finished loop restarts here, at
// the buffer after its end; with music off it stops instead, freeing the channel.
static void mixChannel(MixerChannel &channel, bool musicOn, Uint8 *out, uint32_t bytes)
{
    if (channel.loop) {
        if (channel.position == channel.length)
            channel.position = 0;
        if (!musicOn) {
            channel.loop = false;
            channel.position = channel.length;
        }
    }
    uint32_t left = channel.length - channel.position;
    uint32_t n = left < bytes ? left : bytes;
    if (n == 0)
        return;
    SDL_MixAudio(out, channel.data + channel.position, n, SDL_MIX_MAXVOLUME);
    channel.position += n;
}

void mixChannels(MixerChannel channels[MIXER_CHANNEL_COUNT], bool musicOn, Uint8 *out, int bytes)
{
    if (bytes <= 0)
        return;
    for (int i = 0; i < MIXER_CHANNEL_COUNT; i++)
        mixChannel(channels[i], musicOn, out, (uint32_t)bytes);
}

// SDL's device callback: runs on the audio thread with the audio lock held,
// after SDL has filled `stream` with silence. No allocation, no file access.
static void SDLCALL mixerCallback(void *unused, Uint8 *stream, int bytes)
{
    Mixer *mixer = deviceMixer;
    if (mixer)
        mixChannels(mixer->channels, mixer->musicOn.load(std::memory_order_relaxed), stream, bytes);
}

Mixer::~Mixer()
{
    close();
    for (CachedClip &cached : clips)
        delete cached.clip;
}

// The mixer is SDL audio's only user, so it starts and stops the subsystem:
// a later open() then picks the driver named by SDL_AUDIODRIVER afresh.
bool Mixer::open()
{
    if (deviceOpen)
        return true;
    if (deviceMixer || SDL_Init(SDL_INIT_AUDIO) < 0) {
        failed = true;
        return false;
    }
    SDL_AudioSpec desired = {};
    desired.freq = SOUND_DEVICE_RATE;
    desired.format = AUDIO_S16LSB;
    desired.channels = SOUND_DEVICE_CHANNELS;
    desired.samples = MIXER_DEVICE_SAMPLES;
    desired.callback = mixerCallback;
    desired.userdata = nullptr;
    deviceMixer = this;
    // No obtained spec: SDL converts from exactly this format when the
    // hardware wants another.
    if (SDL_OpenAudio(&desired, nullptr) < 0) {
        deviceMixer = nullptr;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        failed = true;
        return false;
    }
    deviceOpen = true;
    failed = false;
    SDL_PauseAudio(0);
    return true;
}

void Mixer::close()
{
    if (deviceOpen) {
        SDL_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        deviceMixer = nullptr;
        deviceOpen = false;
    }
    for (MixerChannel &channel : channels)
        channel = MixerChannel();
}

// Ends every looping channel now, as the callback would at its next buffer.
static void stopLoops(Mixer &mixer)
{
    SDL_LockAudio();
    for (MixerChannel &channel : mixer.channels) {
        if (channel.loop) {
            channel.loop = false;
            channel.position = channel.length;
        }
    }
    SDL_UnlockAudio();
}

void Mixer::syncSwitches(const Settings &settings)
{
    bool on = settings.musicOn != 0;
    if (musicOn.exchange(on) && !on)
        stopLoops(*this);
}

int Mixer::findClip(const char *name) const
{
    return findNamed(clips, name);
}

// Effects need the sound switch; music plays with either switch on.
static bool switchesAllow(const Settings &settings, bool loop)
{
    return settings.soundOn != 0 || (loop && settings.musicOn != 0);
}

// Index of the first free channel, or -1. Read under the lock because the
// callback moves positions; a channel found free stays free until the main
// thread starts something on it.
static int firstFreeChannel(Mixer &mixer)
{
    int found = -1;
    SDL_LockAudio();
    for (int i = 0; i < MIXER_CHANNEL_COUNT && found < 0; i++) {
        if (mixerChannelFree(mixer.channels[i]))
            found = i;
    }
    SDL_UnlockAudio();
    return found;
}

// The clip from the cache, or loaded, converted and cached; null when the
// entry is missing or unreadable (nothing is cached then, a later play retries).
// The archive use taken here is kept: the archive stays open so later sounds
// load without reading the file again.
static SoundClip *clipFor(Mixer &mixer, const char *entryName, bool loop)
{
    int cached = mixer.findClip(entryName);
    if (cached >= 0)
        return mixer.clips[cached].clip;
    if (!mixer.archives)
        return nullptr;
    const std::string &archive = loop ? mixer.musicArchive : mixer.soundArchive;
    PakEntry entry = mixer.archives->entry(archive.c_str(), entryName);
    SoundClip *clip = decodeSoundClip(entry.data, entry.size);
    if (!clip)
        return nullptr;
    CachedClip kept;
    kept.name = entryName;
    kept.clip = clip;
    mixer.clips.push_back(kept);
    return clip;
}

static void startChannel(Mixer &mixer, int i, const SoundClip &clip, bool loop)
{
    SDL_LockAudio();
    MixerChannel &channel = mixer.channels[i];
    channel.data = clip.buffer;
    channel.length = clip.length;
    channel.position = 0;
    channel.loop = loop;
    SDL_UnlockAudio();
}

void Mixer::play(const char *entryName, bool loop)
{
    static const Settings defaults;
    const Settings &settings = this->settings ? *this->settings : defaults;
    syncSwitches(settings);
    if (!switchesAllow(settings, loop) || failed)
        return;
    int channel = firstFreeChannel(*this);
    if (channel < 0)
        return;
    SoundClip *clip = clipFor(*this, entryName, loop);
    if (clip)
        startChannel(*this, channel, *clip, loop);
}
