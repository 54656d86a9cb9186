// One sound, decoded from a WAV and converted once to the mixer's device
// format, so the audio callback only ever adds samples.
#pragma once

#include <cstdint>

// The one format the mixer plays: 22050 frames per second, signed 16-bit
// little-endian samples, two interleaved channels (left, right).
const int SOUND_DEVICE_RATE = 22050;
const int SOUND_DEVICE_CHANNELS = 2;
const uint32_t SOUND_FRAME_BYTES = 4;  // one left and one right sample

// Invariant: buffer holds exactly length bytes of device-format frames;
// length is a non-zero multiple of SOUND_FRAME_BYTES.
struct SoundClip {
    unsigned char *buffer = nullptr;  // Owns: malloc'd, freed by the destructor
    uint32_t length = 0;              // bytes

    SoundClip() = default;
    SoundClip(const SoundClip &) = delete;
    SoundClip &operator=(const SoundClip &) = delete;
    ~SoundClip();
};

// Decodes a WAV held in memory (any layout SDL reads: 8 or 16 bit, mono or
// stereo, any rate) and converts it to the device format. Null when the bytes
// are not a readable WAV, hold no whole frame, or cannot be converted.
SoundClip *decodeSoundClip(const unsigned char *bytes, uint32_t size);

