#include "audio/SoundClip.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <SDL.h>
#include <samplerate.h>

#include "resources/ByteReader.h"

// Converted samples are handed to the device as they lie in memory, and the
// device format is little-endian.
#if SDL_BYTEORDER != SDL_LIL_ENDIAN
#error "the mixer stores device samples in host order; add a byte swap for big-endian hosts"
#endif

// libsamplerate's middle setting: a 1 s effect converts in a few milliseconds,
// and the pass band reaches well past anything our sounds hold.
const int RESAMPLE_QUALITY = SRC_SINC_MEDIUM_QUALITY;

SoundClip::~SoundClip()
{
    free(buffer);
}

static bool tagIs(const unsigned char *p, const char *tag)
{
    return memcmp(p, tag, 4) == 0;
}

static WavCheck refuse(WavHeader &out, WavCheck why, const char *problem)
{
    out.problem = problem;
    return why;
}

// Reads the next chunk's id and length and steps over its body; `fits` is
// false (cursor at the body) when the body runs past the entry.
static bool nextChunk(ByteReader &in, const unsigned char *&id, const unsigned char *&body,
                      uint32_t &length, bool &fits)
{
    if (!in.take(id, 4) || !in.readU32(length))
        return false;
    fits = in.take(body, length);
    return true;
}

// RIFF pads a chunk of odd length to even, SDL does not: after one, the two
// would read different chunks, so one before the samples is refused.
static const char *ODD_CHUNK = "odd-sized chunk before the samples";

static uint16_t le16(const unsigned char *p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static uint32_t le32(const unsigned char *p)
{
    return le16(p) | (uint32_t)le16(p + 2) << 16;
}

// The fields of a format chunk body of at least 16 bytes.
static void readFormat(const unsigned char *body, WavHeader &out)
{
    out.encoding = le16(body);
    out.channels = le16(body + 2);
    out.rate = le32(body + 4);
    out.byteRate = le32(body + 8);
    out.bits = le16(body + 14);
}

// Steps over LIST and fact chunks to the format chunk, which SDL insists on
// finding next, and reads it.
static WavCheck readFormatChunk(ByteReader &in, WavHeader &out)
{
    const unsigned char *id = nullptr, *body = nullptr;
    uint32_t length = 0;
    bool fits = true;
    do {
        if (!nextChunk(in, id, body, length, fits) || (!fits && tagIs(id, "fmt ")))
            return refuse(out, WAV_DAMAGED, "format chunk cut short");
        if (!fits)
            return refuse(out, WAV_DAMAGED, "a chunk runs past the entry");
        if (length & 1)
            return refuse(out, WAV_DAMAGED, ODD_CHUNK);
    } while (tagIs(id, "LIST") || tagIs(id, "fact"));
    if (!tagIs(id, "fmt "))
        return refuse(out, WAV_DAMAGED, "no format chunk first");
    if (length < 16)
        return refuse(out, WAV_DAMAGED, "format chunk cut short");
    readFormat(body, out);
    return WAV_OK;
}

// Steps over chunks up to the sample data.
static WavCheck findSampleData(ByteReader &in, WavHeader &out)
{
    const unsigned char *id = nullptr, *body = nullptr;
    uint32_t length = 0;
    bool fits = true;
    do {
        if (!nextChunk(in, id, body, length, fits))
            return refuse(out, WAV_DAMAGED, "no sample data");
        if (!fits)
            return refuse(out, WAV_DAMAGED, tagIs(id, "data") ? "sample data runs past the entry"
                                                              : "a chunk runs past the entry");
        if ((length & 1) && !tagIs(id, "data"))
            return refuse(out, WAV_DAMAGED, ODD_CHUNK);
    } while (!tagIs(id, "data"));
    out.dataBytes = length;
    return WAV_OK;
}

WavCheck readWavHeader(const unsigned char *bytes, uint32_t size, WavHeader &out)
{
    out = WavHeader();
    if (!bytes || size < 12 || !tagIs(bytes, "RIFF") || !tagIs(bytes + 8, "WAVE"))
        return refuse(out, WAV_NOT_WAV, "not a WAV");
    ByteReader in = {bytes + 12, bytes + size};
    WavCheck check = readFormatChunk(in, out);
    if (check == WAV_OK)
        check = findSampleData(in, out);
    if (check != WAV_OK)
        return check;
    // Checked after the chunks, whose complaints say more about a cut file.
    if (le32(bytes + 4) > size - 8)
        return refuse(out, WAV_DAMAGED, "RIFF chunk runs past the entry");
    if (out.encoding != 1)
        return refuse(out, WAV_UNSUPPORTED, "compressed, not PCM");
    if (out.bits != 8 && out.bits != 16)
        return refuse(out, WAV_UNSUPPORTED, "not 8- or 16-bit samples");
    if (out.channels == 0 || out.rate == 0)
        return refuse(out, WAV_DAMAGED, "no channels or no rate");
    if (!src_is_valid_ratio((double)SOUND_DEVICE_RATE / out.rate))
        return refuse(out, WAV_UNSUPPORTED, "a rate the mixer cannot convert");
    return WAV_OK;
}

// Bytes of one frame in the WAV's own layout; 0 for a layout SDL cannot name.
static uint32_t wavFrameBytes(const SDL_AudioSpec &spec)
{
    return (uint32_t)((spec.format & 0xff) / 8) * spec.channels;
}

// The WAV's frames as interleaved stereo 16-bit samples at the WAV's own rate.
// SDL converts sample format and channel count; its rate change is not used
// because SDL 1.2 can only double or halve a rate.
static bool toStereo16(const SDL_AudioSpec &spec, const Uint8 *wav, Uint32 wavBytes,
                       std::vector<int16_t> &samples)
{
    uint32_t frame = wavFrameBytes(spec);
    if (frame == 0 || wavBytes / frame == 0)
        return false;
    uint32_t frames = wavBytes / frame;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq,
                          AUDIO_S16LSB, SOUND_DEVICE_CHANNELS, spec.freq) < 0)
        return false;
    if ((uint64_t)frames * frame * cvt.len_mult > INT_MAX)
        return false;
    std::vector<Uint8> work((size_t)frames * frame * cvt.len_mult);
    memcpy(work.data(), wav, (size_t)frames * frame);
    cvt.buf = work.data();
    cvt.len = (int)(frames * frame);
    if (SDL_ConvertAudio(&cvt) < 0)
        return false;
    // SDL leaves channel layouts it has no filter for unconverted: refuse them.
    if ((uint64_t)cvt.len_cvt != (uint64_t)frames * SOUND_FRAME_BYTES)
        return false;
    samples.resize((size_t)frames * SOUND_DEVICE_CHANNELS);
    memcpy(samples.data(), work.data(), (size_t)frames * SOUND_FRAME_BYTES);
    return true;
}

// Replaces stereo `samples` at `fromRate` by the same sound at the device
// rate; false (samples untouched) when libsamplerate refuses.
static bool resampleToDeviceRate(std::vector<int16_t> &samples, int fromRate)
{
    if (fromRate == SOUND_DEVICE_RATE)
        return true;
    double ratio = fromRate > 0 ? (double)SOUND_DEVICE_RATE / fromRate : 0;
    if (!src_is_valid_ratio(ratio))
        return false;
    long inFrames = (long)(samples.size() / SOUND_DEVICE_CHANNELS);
    long outCapacity = (long)(inFrames * ratio) + 64;
    std::vector<float> in(samples.size());
    std::vector<float> out((size_t)outCapacity * SOUND_DEVICE_CHANNELS);
    src_short_to_float_array(samples.data(), in.data(), (int)samples.size());
    SRC_DATA data = {};
    data.data_in = in.data();
    data.input_frames = inFrames;
    data.data_out = out.data();
    data.output_frames = outCapacity;
    data.src_ratio = ratio;
    if (src_simple(&data, RESAMPLE_QUALITY, SOUND_DEVICE_CHANNELS) != 0)
        return false;
    samples.resize((size_t)data.output_frames_gen * SOUND_DEVICE_CHANNELS);
    src_float_to_short_array(out.data(), samples.data(), (int)samples.size());
    return true;
}

// Interleaved stereo 16-bit samples of the WAV in `bytes`, and its rate.
static bool decodeWav(const unsigned char *bytes, uint32_t size, std::vector<int16_t> &samples,
                      int &rate)
{
    WavHeader header;
    if (size > INT_MAX || readWavHeader(bytes, size, header) != WAV_OK)
        return false;
    SDL_RWops *source = SDL_RWFromConstMem(bytes, (int)size);
    if (!source)
        return false;
    SDL_AudioSpec spec;
    Uint8 *wav = nullptr;  // Owns: released with SDL_FreeWAV
    Uint32 wavBytes = 0;
    if (!SDL_LoadWAV_RW(source, 1, &spec, &wav, &wavBytes))
        return false;
    bool converted = toStereo16(spec, wav, wavBytes, samples);
    SDL_FreeWAV(wav);
    rate = spec.freq;
    return converted;
}

SoundClip *decodeSoundClip(const unsigned char *bytes, uint32_t size)
{
    std::vector<int16_t> samples;
    int rate = 0;
    if (!decodeWav(bytes, size, samples, rate) || !resampleToDeviceRate(samples, rate))
        return nullptr;
    size_t length = samples.size() * sizeof(int16_t);
    if (length == 0 || length > UINT32_MAX)
        return nullptr;
    SoundClip *clip = new SoundClip;
    clip->buffer = (unsigned char *)malloc(length);
    if (!clip->buffer) {
        delete clip;
        return nullptr;
    }
    memcpy(clip->buffer, samples.data(), length);
    clip->length = (uint32_t)length;
    return clip;
}
