// Sound clips: WAV files of every rate and width the game accepts become
// device-format clips of the same pitch and length; anything else, and any
// file claiming more than it holds, gives no clip.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/Mixer.h"
#include "audio/SoundClip.h"
#include "support/TestWav.h"

// A sine of `hz` at `rate`, `peak` of full scale; on stereo the right channel
// carries the negated wave.
static std::vector<int16_t> sineSamples(int rate, int channels, double hz, double seconds, double peak)
{
    std::vector<int16_t> samples;
    int frames = (int)lround(rate * seconds);
    for (int i = 0; i < frames; i++) {
        double v = peak * 32767 * sin(2 * M_PI * hz * i / rate + 0.3);
        samples.push_back((int16_t)lround(v));
        if (channels == 2)
            samples.push_back((int16_t)lround(-v));
    }
    return samples;
}

static std::vector<int16_t> clipSamples(const SoundClip &clip)
{
    std::vector<int16_t> samples(clip.length / 2);
    memcpy(samples.data(), clip.buffer, clip.length);
    return samples;
}

// Sign changes along one channel (0 left, 1 right) of interleaved stereo.
static int zeroCrossings(const std::vector<int16_t> &samples, int channel)
{
    int crossings = 0;
    for (size_t i = channel + 2; i < samples.size(); i += 2) {
        if ((samples[i - 2] < 0) != (samples[i] < 0))
            crossings++;
    }
    return crossings;
}

static int peak(const std::vector<int16_t> &samples)
{
    int most = 0;
    for (int16_t s : samples)
        most = std::max(most, std::abs((int)s));
    return most;
}

class SoundClipTest : public testing::Test {
protected:
    // Decodes a 1 s 441 Hz sine at `rate` and checks length and pitch.
    void checkSine(int rate, int channels, int bits)
    {
        Bytes wav = encodeTestWav(rate, channels, bits, sineSamples(rate, channels, 441, 1.0, 0.5));
        SoundClip *clip = decodeSoundClip(wav.data(), (uint32_t)wav.size());
        ASSERT_NE(nullptr, clip);
        EXPECT_NEAR(SOUND_DEVICE_RATE * 4.0, clip->length, 4 * 4.0);  // within 4 frames
        EXPECT_EQ(0u, clip->length % SOUND_FRAME_BYTES);
        std::vector<int16_t> samples = clipSamples(*clip);
        double seconds = samples.size() / 2.0 / SOUND_DEVICE_RATE;
        EXPECT_NEAR(441.0, zeroCrossings(samples, 0) / 2.0 / seconds, 2.0);
        EXPECT_NEAR(441.0, zeroCrossings(samples, 1) / 2.0 / seconds, 2.0);
        EXPECT_NEAR(16384, peak(samples), 16384 * 0.06);
        // Mono reaches both sides alike; stereo keeps its sides apart.
        int16_t left = samples[2 * 1000], right = samples[2 * 1000 + 1];
        if (channels == 1)
            EXPECT_EQ(left, right);
        else
            EXPECT_NEAR(-left, right, 2);
        delete clip;
    }
};

TEST_F(SoundClipTest, EveryAcceptedRateAndWidthKeepsItsPitchAndLength)
{
    const struct {
        int rate, channels, bits;
    } formats[] = {{11025, 1, 8}, {16000, 2, 16}, {44100, 2, 16}, {48000, 2, 16}, {32000, 1, 16}};
    for (const auto &f : formats) {
        SCOPED_TRACE(testing::Message() << f.rate << " Hz, " << f.channels << " channels, " << f.bits << " bit");
        checkSine(f.rate, f.channels, f.bits);
    }
}

TEST_F(SoundClipTest, DeviceFormatIsKeptByteForByte)
{
    std::vector<int16_t> samples = sineSamples(SOUND_DEVICE_RATE, 2, 441, 0.25, 0.5);
    Bytes wav = encodeTestWav(SOUND_DEVICE_RATE, 2, 16, samples);
    SoundClip *clip = decodeSoundClip(wav.data(), (uint32_t)wav.size());
    ASSERT_NE(nullptr, clip);
    EXPECT_EQ(samples, clipSamples(*clip));
    delete clip;
}

TEST_F(SoundClipTest, EightBitSamplesBecomeSignedSixteenBit)
{
    std::vector<int16_t> values = {-32768, -256, 0, 256, 32512};
    Bytes wav = encodeTestWav(SOUND_DEVICE_RATE, 1, 8, values);
    SoundClip *clip = decodeSoundClip(wav.data(), (uint32_t)wav.size());
    ASSERT_NE(nullptr, clip);
    std::vector<int16_t> expected = {-32768, -32768, -256, -256, 0, 0, 256, 256, 32512, 32512};
    EXPECT_EQ(expected, clipSamples(*clip));
    delete clip;
}

TEST_F(SoundClipTest, BytesThatAreNoWavGiveNoClip)
{
    Bytes noise(1000, 0x33);
    EXPECT_EQ(nullptr, decodeSoundClip(noise.data(), (uint32_t)noise.size()));
    EXPECT_EQ(nullptr, decodeSoundClip(nullptr, 0));
    Bytes empty = constantWav(0, 0);
    EXPECT_EQ(nullptr, decodeSoundClip(empty.data(), (uint32_t)empty.size()));
}

static void putU32At(Bytes &bytes, size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        bytes[offset + i] = (unsigned char)(v >> (8 * i));
}

// A WAV of one IMA ADPCM block (4-bit, 505 mono frames): a layout SDL can
// decode itself but that the game's loader does not take.
static Bytes imaAdpcmWav()
{
    Bytes wav;
    putTag(wav, "RIFF");
    putU32(wav, 4 + 28 + 8 + 256);
    putTag(wav, "WAVE");
    putTag(wav, "fmt ");
    putU32(wav, 20);
    putU16(wav, 0x11);  // IMA ADPCM
    putU16(wav, 1);
    putU32(wav, SOUND_DEVICE_RATE);
    putU32(wav, SOUND_DEVICE_RATE * 256 / 505);
    putU16(wav, 256);  // block size
    putU16(wav, 4);
    putU16(wav, 2);    // extra bytes: frames per block
    putU16(wav, 505);
    putTag(wav, "data");
    putU32(wav, 256);
    Bytes block(256, 0x37);
    block[0] = block[1] = block[2] = block[3] = 0;  // first sample 0, step index 0
    wav.insert(wav.end(), block.begin(), block.end());
    return wav;
}


TEST_F(SoundClipTest, WavThatIsNotEightOrSixteenBitPcmGivesNoClip)
{
    Bytes adpcm = imaAdpcmWav();
    EXPECT_EQ(nullptr, decodeSoundClip(adpcm.data(), (uint32_t)adpcm.size()));
    // A format chunk of 14 bytes ends before the sample width: SDL would read
    // the width from beyond the chunk.
    Bytes shortFormat = encodeTestWav(SOUND_DEVICE_RATE, 2, 16, rampSamples(100));
    putU32At(shortFormat, 16, 14);
    shortFormat.erase(shortFormat.begin() + 34, shortFormat.begin() + 36);
    putU32At(shortFormat, 4, (uint32_t)shortFormat.size() - 8);
    EXPECT_EQ(nullptr, decodeSoundClip(shortFormat.data(), (uint32_t)shortFormat.size()));
}

// Found by fuzzing the archive tool: a rate past 2^31 was taken for a
// playable sound (and listed as a negative rate). Rates the resampler cannot
// bring to the device's are not playable.
TEST_F(SoundClipTest, WavAtARateTheMixerCannotConvertIsNotPlayable)
{
    WavHeader header;
    for (uint32_t rate : {8000u, 48000u, 96000u}) {
        Bytes wav = encodeTestWav((int)rate, 2, 16, rampSamples(10));
        EXPECT_EQ(WAV_OK, readWavHeader(wav.data(), (uint32_t)wav.size(), header)) << rate;
    }
    for (uint32_t rate : {40u, 6000000u, 0xfdff5522u}) {
        Bytes wav = encodeTestWav(SOUND_DEVICE_RATE, 2, 16, rampSamples(10));
        putU32At(wav, 24, rate);
        EXPECT_EQ(WAV_UNSUPPORTED, readWavHeader(wav.data(), (uint32_t)wav.size(), header)) << rate;
        EXPECT_EQ(nullptr, decodeSoundClip(wav.data(), (uint32_t)wav.size())) << rate;
    }
}

// The bytes a process has ever had mapped, from the kernel's own count.
static long peakVirtualKb()
{
    FILE *status = fopen("/proc/self/status", "r");
    char line[256];
    long kb = -1;
    while (status && fgets(line, sizeof line, status))
        if (sscanf(line, "VmPeak: %ld kB", &kb) == 1)
            break;
    if (status)
        fclose(status);
    return kb;
}

// A few hundred bytes that declare a gigabyte of samples are refused before
// SDL's loader allocates what the header asks for.
TEST_F(SoundClipTest, WavDeclaringChunksPastItsEntryIsRefusedBeforeAnythingIsAllocated)
{
    Bytes wav = encodeTestWav(SOUND_DEVICE_RATE, 2, 16, rampSamples(100));
    putU32At(wav, 40, 0x40000000);  // the data chunk's length: 1 GiB
    // In a child process, so that the peak is this decode's alone.
    EXPECT_EXIT(
        {
            long before = peakVirtualKb();
            SoundClip *clip = decodeSoundClip(wav.data(), (uint32_t)wav.size());
            long grownKb = peakVirtualKb() - before;
            fprintf(stderr, "clip %p, peak grew by %ld kB\n", (void *)clip, grownKb);
            exit(before > 0 && !clip && grownKb < 64 * 1024 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
