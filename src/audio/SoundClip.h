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

// What walking a WAV's chunks found.
enum WavCheck {
    WAV_OK = 0,
    WAV_NOT_WAV,     // no RIFF/WAVE header: not a sound at all
    WAV_DAMAGED,     // a chunk runs past the entry, the format is cut short, no samples
    WAV_UNSUPPORTED  // a sound, but not 8- or 16-bit PCM, or at a rate the mixer cannot convert
};

// The format chunk and sample data of a WAV. Fields are filled as far as the
// walk got; `problem` says in a few words why it is not WAV_OK.
struct WavHeader {
    uint16_t encoding = 0;  // 1 = PCM
    uint16_t channels = 0;
    uint32_t rate = 0;      // frames per second
    uint32_t byteRate = 0;  // as the header states it
    uint16_t bits = 0;      // per sample
    uint32_t dataBytes = 0;
    const char *problem = "";  // static text
};

// Walks a WAV's RIFF chunks inside [bytes, bytes + size) the way SDL's loader
// will (the first chunk other than LIST or fact is the format; then chunks up
// to "data"; an odd-sized chunk before the data, which RIFF pads and SDL does
// not, is refused), so that every length SDL will allocate lies inside the entry.
WavCheck readWavHeader(const unsigned char *bytes, uint32_t size, WavHeader &out);
// Decodes a WAV held in memory (8- or 16-bit PCM, any channel count SDL
// converts to stereo, any rate) and converts it to the device format. Null
// when readWavHeader refuses it, it holds no whole frame, or it cannot be
// converted.
SoundClip *decodeSoundClip(const unsigned char *bytes, uint32_t size);

