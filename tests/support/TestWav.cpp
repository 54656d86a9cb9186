#include "support/TestWav.h"

#include "audio/SoundClip.h"

void putU16(Bytes &out, unsigned v)
{
    putU8(out, v & 0xff);
    putU8(out, (v >> 8) & 0xff);
}

void putTag(Bytes &out, const char *tag)
{
    out.insert(out.end(), tag, tag + 4);
}

// A PCM WAV file; `samples` interleaved, 16-bit values (8-bit files keep the
// top byte, stored unsigned as WAV requires).
Bytes encodeTestWav(int rate, int channels, int bits, const std::vector<int16_t> &samples)
{
    Bytes data;
    for (int16_t s : samples) {
        if (bits == 8)
            putU8(data, (unsigned)((s >> 8) + 128));
        else
            putU16(data, (uint16_t)s);
    }
    int blockAlign = channels * bits / 8;
    Bytes wav;
    putTag(wav, "RIFF");
    putU32(wav, 36 + (uint32_t)data.size());
    putTag(wav, "WAVE");
    putTag(wav, "fmt ");
    putU32(wav, 16);
    putU16(wav, 1);  // PCM
    putU16(wav, channels);
    putU32(wav, rate);
    putU32(wav, rate * blockAlign);
    putU16(wav, blockAlign);
    putU16(wav, bits);
    putTag(wav, "data");
    putU32(wav, (uint32_t)data.size());
    wav.insert(wav.end(), data.begin(), data.end());
    return wav;
}

// `frames` device-format frames, every sample `value`.
Bytes constantWav(int16_t value, int frames)
{
    return encodeTestWav(SOUND_DEVICE_RATE, 2, 16, std::vector<int16_t>(frames * 2, value));
}

// Device-format frames whose left and right samples are i % 1000 + 1 and its
// negation: never silent, and the position inside the clip can be read off.
std::vector<int16_t> rampSamples(int frames)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; i++) {
        samples.push_back((int16_t)(i % 1000 + 1));
        samples.push_back((int16_t)-(i % 1000 + 1));
    }
    return samples;
}
