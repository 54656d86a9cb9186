// The game's sound: three channels mixed by SDL's audio thread, clips loaded
// from the archives on first use and kept for the rest of the process.
//
// Threads: the main thread calls everything here except mixChannels, which
// runs on SDL's audio thread (through the device callback) with SDL's audio
// lock held. The main thread writes channel fields only under SDL_LockAudio;
// the audio thread never reads Settings, only the mixer's own music switch.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <SDL.h>

#include "audio/SoundClip.h"

struct PakCache;
struct Settings;

// Device buffer in frames (about 23 ms at 22050 Hz): the longest a switched-off
// tune keeps sounding.
const int MIXER_DEVICE_SAMPLES = 512;
// Effects and music share these channels; a sound started while all are busy
// is dropped.
const int MIXER_CHANNEL_COUNT = 3;

// One playing (or finished) sound. Free when position == length and !loop.
// Invariant: position <= length; data holds length bytes whenever length > 0.
struct MixerChannel {
    const unsigned char *data = nullptr;  // Borrowed: a cached clip's buffer
    uint32_t position = 0;                // bytes already mixed
    uint32_t length = 0;                  // bytes
    bool loop = false;                    // restart at the end (the music)
};

// A clip loaded once and kept under its entry name.
struct CachedClip {
    std::string name;
    SoundClip *clip = nullptr;  // Owns, until the mixer is destroyed
};

// Invariant: clip names are unique; every channel's data points into one of
// the clips. While the device is open, channel fields
// change only under SDL_LockAudio (main thread) or inside the callback.
struct Mixer {
    bool failed = false;       // no device: play() does nothing, the game is silent
    bool deviceOpen = false;   // SDL_OpenAudio succeeded and close() has not run
    std::vector<CachedClip> clips;
    MixerChannel channels[MIXER_CHANNEL_COUNT];
    std::atomic<bool> musicOn{true};  // the callback's copy of Settings::musicOn
    std::string soundArchive = "sound.pak";  // effects, played once
    std::string musicArchive = "music.pak";  // tunes, played looping
    PakCache *archives = nullptr;  // Borrowed: the cache clips load from; null: none load
    const Settings *settings = nullptr;  // Borrowed: the switches play() obeys; null: defaults

    Mixer() = default;
    Mixer(const Mixer &) = delete;
    Mixer &operator=(const Mixer &) = delete;
    // Closes the device, then frees every clip.
    ~Mixer();

    // Starts SDL audio and the device at 22050 Hz, 16-bit stereo. False and
    // `failed` set when there is no usable device (or another mixer has it).
    // A mixer never opened has working channels that nothing drains: tests
    // drive them with mixChannels.
    bool open();
    // Stops the device and SDL audio; every channel is left free. Clips stay.
    void close();
    // Copies the switches the audio thread needs; call once per frame. Turning
    // music off stops every looping channel at once.
    void syncSwitches(const Settings &settings);
    // Starts the clip `entryName` (from musicArchive when `loop`, else
    // soundArchive) on the first free channel, if the switches in `settings`
    // allow it (effects need soundOn; music needs musicOn). Does nothing when
    // failed, when every channel is busy, or when the entry is missing or not
    // a readable WAV.
    void play(const char *entryName, bool loop);
    // Index of the clip cached under exactly `name`, or -1.
    int findClip(const char *name) const;
};

// True when the channel has nothing left to play.
bool mixerChannelFree(const MixerChannel &channel);
// Adds the next `bytes` of every channel to `out` (device format, already
// holding silence or earlier sound), saturating; advances positions, restarts
// finished loops, and when !musicOn stops loops so their channels are free.
void mixChannels(MixerChannel channels[MIXER_CHANNEL_COUNT], bool musicOn, Uint8 *out, int bytes);
