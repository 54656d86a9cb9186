// The mixer: mixing on plain buffers, play() on a mixer whose device was never
// opened (its channels work, nothing drains them, the test plays the audio
// thread by calling mixChannels), WAV conversion, and runs through SDL's
// real audio thread with the disk driver writing the device output to a file.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/App.h"
#include "audio/Mixer.h"
#include "audio/SoundClip.h"
#include "resources/Settings.h"
#include "support/TestArchives.h"

const int BUFFER_BYTES = MIXER_DEVICE_SAMPLES * (int)SOUND_FRAME_BYTES;  // 2048
const int BUFFER_SAMPLES = BUFFER_BYTES / 2;

// ---- test data ----------------------------------------------------------

static void putU16(Bytes &out, unsigned v)
{
    putU8(out, v & 0xff);
    putU8(out, (v >> 8) & 0xff);
}

static void putTag(Bytes &out, const char *tag)
{
    out.insert(out.end(), tag, tag + 4);
}

// A PCM WAV file; `samples` interleaved, 16-bit values (8-bit files keep the
// top byte, stored unsigned as WAV requires).
static Bytes encodeTestWav(int rate, int channels, int bits, const std::vector<int16_t> &samples)
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
static Bytes constantWav(int16_t value, int frames)
{
    return encodeTestWav(SOUND_DEVICE_RATE, 2, 16, std::vector<int16_t>(frames * 2, value));
}

// Device-format frames whose left and right samples are i % 1000 + 1 and its
// negation: never silent, and the position inside the clip can be read off.
static std::vector<int16_t> rampSamples(int frames)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; i++) {
        samples.push_back((int16_t)(i % 1000 + 1));
        samples.push_back((int16_t)-(i % 1000 + 1));
    }
    return samples;
}

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

// ---- mixing on buffers ----------------------------------------------------

// Channels over buffers owned by the fixture; each callback() is one device buffer.
class MixerMixTest : public testing::Test {
protected:
    void setChannel(int i, const std::vector<int16_t> &samples, bool loop)
    {
        buffers[i] = samples;
        channels[i].data = (const unsigned char *)buffers[i].data();
        channels[i].length = (uint32_t)(samples.size() * 2);
        channels[i].position = 0;
        channels[i].loop = loop;
    }
    std::vector<int16_t> callback(bool musicOn = true)
    {
        std::vector<int16_t> out(BUFFER_SAMPLES, 0);  // SDL hands over silence
        mixChannels(channels, musicOn, (Uint8 *)out.data(), BUFFER_BYTES);
        return out;
    }
    MixerChannel channels[MIXER_CHANNEL_COUNT];
    std::vector<int16_t> buffers[MIXER_CHANNEL_COUNT];
};

static int16_t saturatedAdd(int16_t a, int16_t b)
{
    return (int16_t)std::min(32767, std::max(-32768, a + b));
}

TEST_F(MixerMixTest, ThreeChannelsAddUpSampleBySampleAndSaturate)
{
    // First half of the buffer: small values whose plain sum fits; second
    // half: values that overflow upwards (left) and downwards (right).
    std::vector<int16_t> a(BUFFER_SAMPLES), b(BUFFER_SAMPLES), c(BUFFER_SAMPLES);
    for (int i = 0; i < BUFFER_SAMPLES; i++) {
        bool loud = i >= BUFFER_SAMPLES / 2;
        int16_t sign = i % 2 ? -1 : 1;
        a[i] = (int16_t)(loud ? sign * 20000 : 1000 + i);
        b[i] = (int16_t)(loud ? sign * 20000 : -300);
        c[i] = (int16_t)(loud ? sign * -5000 : 7);
    }
    setChannel(0, a, false);
    setChannel(1, b, false);
    setChannel(2, c, false);
    std::vector<int16_t> out = callback();
    for (int i = 0; i < BUFFER_SAMPLES; i++) {
        int16_t expected = saturatedAdd(saturatedAdd(a[i], b[i]), c[i]);
        ASSERT_EQ(expected, out[i]) << "sample " << i;
    }
    EXPECT_EQ(1000 + 0 - 300 + 7, out[0]);
    EXPECT_EQ(32767 - 5000, out[BUFFER_SAMPLES / 2]);      // clipped, then lowered
    EXPECT_EQ(-32768 + 5000, out[BUFFER_SAMPLES / 2 + 1]);
    for (const MixerChannel &channel : channels)
        EXPECT_TRUE(mixerChannelFree(channel));
}

TEST_F(MixerMixTest, ClipShorterThanABufferIsMixedWhollyAndItsChannelIsFreeAfterThatCallback)
{
    setChannel(1, rampSamples(100), false);
    ASSERT_FALSE(mixerChannelFree(channels[1]));
    std::vector<int16_t> out = callback();
    EXPECT_TRUE(mixerChannelFree(channels[1]));
    EXPECT_EQ(400u, channels[1].position);
    std::vector<int16_t> head(out.begin(), out.begin() + 200);
    EXPECT_EQ(buffers[1], head);
    EXPECT_TRUE(std::all_of(out.begin() + 200, out.end(), [](int16_t s) { return s == 0; }));
}

TEST_F(MixerMixTest, ClipLongerThanABufferContinuesWhereTheLastBufferStopped)
{
    setChannel(0, rampSamples(700), false);  // 2800 bytes: one full buffer and 752 bytes
    std::vector<int16_t> first = callback();
    EXPECT_EQ((uint32_t)BUFFER_BYTES, channels[0].position);
    EXPECT_FALSE(mixerChannelFree(channels[0]));
    std::vector<int16_t> second = callback();
    EXPECT_TRUE(mixerChannelFree(channels[0]));
    std::vector<int16_t> joined(first);
    joined.insert(joined.end(), second.begin(), second.begin() + 1400 - BUFFER_SAMPLES);
    EXPECT_EQ(buffers[0], joined);
    EXPECT_EQ(0, second[1400 - BUFFER_SAMPLES]);
}

TEST_F(MixerMixTest, LoopRestartsFromItsFirstSampleAtTheBufferAfterItsEnd)
{
    setChannel(2, rampSamples(600), true);  // 2400 bytes
    callback();
    std::vector<int16_t> tail = callback();
    EXPECT_EQ(2400u, channels[2].position);  // at the end, not yet wrapped
    EXPECT_FALSE(mixerChannelFree(channels[2]));
    EXPECT_EQ(0, tail[(2400 - BUFFER_BYTES) / 2]);  // the rest of that buffer is silent
    std::vector<int16_t> again = callback();
    EXPECT_EQ(1, again[0]);
    EXPECT_EQ(-1, again[1]);
    EXPECT_EQ((uint32_t)BUFFER_BYTES, channels[2].position);
    EXPECT_TRUE(channels[2].loop);
}

TEST_F(MixerMixTest, MusicOffStopsALoopAtTheNextBufferAndFreesItsChannel)
{
    setChannel(0, rampSamples(5000), true);
    callback();
    std::vector<int16_t> out = callback(false);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(mixerChannelFree(channels[0]));
    EXPECT_FALSE(channels[0].loop);
}

TEST_F(MixerMixTest, MusicOffLeavesEffectsPlaying)
{
    setChannel(1, rampSamples(100), false);
    std::vector<int16_t> out = callback(false);
    EXPECT_EQ(1, out[0]);
    EXPECT_EQ(400u, channels[1].position);
}

TEST_F(MixerMixTest, FreeChannelsAddNothing)
{
    std::vector<int16_t> out(BUFFER_SAMPLES, 1234);
    mixChannels(channels, true, (Uint8 *)out.data(), BUFFER_BYTES);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 1234; }));
}

// ---- play() on a mixer without a device --------------------------------

// A mixer never opened, reading two fresh archives; app.settings points at
// the fixture's settings for the length of each test.
class MixerPlayTest : public testing::Test {
protected:
    void SetUp() override
    {
        savedSettings = app.settings;
        app.settings = &settings;
        PakFile sounds;
        pakAdd(sounds, "a.wav", constantWav(1000, 3000));
        pakAdd(sounds, "b.wav", constantWav(2000, 3000));
        pakAdd(sounds, "c.wav", constantWav(3000, 3000));
        pakAdd(sounds, "d.wav", constantWav(4000, 3000));
        pakAdd(sounds, "short.wav", constantWav(500, 10));
        pakAdd(sounds, "garbage.wav", Bytes(200, 0x5a));
        pakAdd(sounds, "silent.wav", constantWav(0, 0));
        Bytes cut = constantWav(1000, 3000);
        cut.resize(30);
        pakAdd(sounds, "cut.wav", cut);
        PakFile music;
        pakAdd(music, "music.wav", encodeTestWav(SOUND_DEVICE_RATE, 2, 16, rampSamples(3000)));
        mixer.soundArchive = writeTestArchive("sound.pak", sounds);
        mixer.musicArchive = writeTestArchive("music.pak", music);
    }
    void TearDown() override { app.settings = savedSettings; }
    std::vector<int16_t> callback()
    {
        std::vector<int16_t> out(BUFFER_SAMPLES, 0);
        mixChannels(mixer.channels, mixer.musicOn.load(), (Uint8 *)out.data(), BUFFER_BYTES);
        return out;
    }
    bool allFree() const
    {
        return std::all_of(mixer.channels, mixer.channels + MIXER_CHANNEL_COUNT, mixerChannelFree);
    }
    int loopingChannels() const
    {
        return (int)std::count_if(mixer.channels, mixer.channels + MIXER_CHANNEL_COUNT,
                                  [](const MixerChannel &c) { return c.loop; });
    }
    Settings settings;
    Settings *savedSettings = nullptr;
    Mixer mixer;
};

TEST_F(MixerPlayTest, ThreeEffectsPlayAtOnceAndTheirSamplesAdd)
{
    mixer.play("a.wav", false);
    mixer.play("b.wav", false);
    mixer.play("c.wav", false);
    std::vector<int16_t> out = callback();
    EXPECT_EQ(6000, out[0]);
    EXPECT_EQ(6000, out[BUFFER_SAMPLES - 1]);
}

TEST_F(MixerPlayTest, FourthEffectIsDroppedWhileThreeChannelsAreBusy)
{
    mixer.play("a.wav", false);
    mixer.play("b.wav", false);
    mixer.play("c.wav", false);
    mixer.play("d.wav", false);
    EXPECT_EQ(-1, mixer.findClip("d.wav"));  // dropped before any loading
    EXPECT_EQ(6000, callback()[0]);
}

TEST_F(MixerPlayTest, EffectTakesTheFirstChannelThatHasFinished)
{
    mixer.play("a.wav", false);
    mixer.play("short.wav", false);
    mixer.play("c.wav", false);
    callback();  // short.wav ends within this buffer
    ASSERT_TRUE(mixerChannelFree(mixer.channels[1]));
    mixer.play("d.wav", false);
    EXPECT_EQ(mixer.clips[mixer.findClip("d.wav")]->buffer, mixer.channels[1].data);
    EXPECT_EQ(0u, mixer.channels[1].position);
    EXPECT_EQ(1000 + 4000 + 3000, callback()[0]);
}

TEST_F(MixerPlayTest, SecondPlayOfANameUsesTheCachedClipWithoutTouchingTheArchive)
{
    mixer.play("a.wav", false);
    int32_t uses = app.pakCache.useCount(mixer.soundArchive.c_str());
    EXPECT_GT(uses, 0);  // kept open after loading
    mixer.play("a.wav", false);
    ASSERT_EQ(1u, mixer.clips.size());
    EXPECT_EQ(uses, app.pakCache.useCount(mixer.soundArchive.c_str()));
    EXPECT_EQ(mixer.channels[0].data, mixer.channels[1].data);
    EXPECT_EQ(2000, callback()[0]);
}

TEST_F(MixerPlayTest, CacheMatchesNamesExactly)
{
    mixer.play("a.wav", false);
    mixer.play("A.wav", false);  // no such entry: must not be served from a.wav
    EXPECT_EQ(1u, mixer.clips.size());
    EXPECT_TRUE(mixerChannelFree(mixer.channels[1]));
}

TEST_F(MixerPlayTest, MissingGarbageEmptyOrCutEntriesPlayNothingAndCacheNothing)
{
    for (const char *name : {"nothing.wav", "garbage.wav", "silent.wav", "cut.wav"}) {
        mixer.play(name, false);
        EXPECT_TRUE(allFree()) << name;
        EXPECT_EQ(-1, mixer.findClip(name)) << name;
    }
    EXPECT_TRUE(mixer.clips.empty());
    EXPECT_TRUE(mixer.clipNames.empty());
}

TEST_F(MixerPlayTest, EffectsComeOnlyFromTheSoundArchiveAndMusicOnlyFromTheMusicArchive)
{
    mixer.play("music.wav", false);
    mixer.play("a.wav", true);
    EXPECT_TRUE(allFree());
    mixer.play("music.wav", true);
    EXPECT_EQ(1, callback()[0]);
}

TEST_F(MixerPlayTest, SoundSwitchOffSilencesEffectsButNotMusic)
{
    settings.soundOn = 0;
    mixer.play("a.wav", false);
    EXPECT_TRUE(allFree());
    EXPECT_TRUE(mixer.clips.empty());
    mixer.play("music.wav", true);
    EXPECT_EQ(1, loopingChannels());
    EXPECT_EQ(1, callback()[0]);
}

TEST_F(MixerPlayTest, BothSwitchesOffSilenceMusicToo)
{
    settings.soundOn = 0;
    settings.musicOn = 0;
    mixer.play("music.wav", true);
    EXPECT_TRUE(allFree());
    EXPECT_TRUE(mixer.clips.empty());
}

TEST_F(MixerPlayTest, FailedMixerPlaysNothing)
{
    mixer.failed = true;
    mixer.play("a.wav", false);
    mixer.play("music.wav", true);
    EXPECT_TRUE(allFree());
    EXPECT_TRUE(mixer.clips.empty());
}

TEST_F(MixerPlayTest, PlayRefreshesTheCallbacksCopyOfTheMusicSwitch)
{
    settings.musicOn = 0;
    mixer.play("a.wav", false);
    EXPECT_FALSE(mixer.musicOn.load());
    settings.musicOn = 1;
    mixer.play("a.wav", false);
    EXPECT_TRUE(mixer.musicOn.load());
}

TEST_F(MixerPlayTest, MusicSwitchedOffStopsWithinOneBufferAndReplayStartsFromTheBeginning)
{
    mixer.play("music.wav", true);
    callback();
    callback();
    ASSERT_EQ(2u * BUFFER_BYTES, mixer.channels[0].position);
    settings.musicOn = 0;
    mixer.syncSwitches(settings);
    std::vector<int16_t> out = callback();
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(allFree());
    settings.musicOn = 1;
    mixer.syncSwitches(settings);
    mixer.play("music.wav", true);
    EXPECT_EQ(1, loopingChannels());
    out = callback();
    EXPECT_EQ(1, out[0]);  // the ramp's first frame
    EXPECT_EQ(2, out[2]);
}

TEST_F(MixerPlayTest, MusicSwitchedOffAndOnBetweenTwoBuffersStillLeavesOneTune)
{
    mixer.play("music.wav", true);
    callback();
    settings.musicOn = 0;
    mixer.syncSwitches(settings);
    settings.musicOn = 1;
    mixer.syncSwitches(settings);  // no device buffer in between
    mixer.play("music.wav", true);
    EXPECT_EQ(1, loopingChannels());
    EXPECT_EQ(1, callback()[0]);  // one copy, from its beginning, not two summed
}

TEST_F(MixerPlayTest, MusicStartedWhileItsSwitchIsOffIsStoppedBeforeItSounds)
{
    settings.musicOn = 0;  // sound on: the gate lets the tune through
    mixer.play("music.wav", true);
    std::vector<int16_t> out = callback();
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(allFree());
}

// ---- conversion to the device format -----------------------------------

class MixerConvertTest : public testing::Test {
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

TEST_F(MixerConvertTest, EightBitMono11025HzKeepsItsPitchAndLength) { checkSine(11025, 1, 8); }
TEST_F(MixerConvertTest, SixteenBitStereo16000HzKeepsItsPitchAndLength) { checkSine(16000, 2, 16); }
TEST_F(MixerConvertTest, SixteenBitStereo44100HzKeepsItsPitchAndLength) { checkSine(44100, 2, 16); }
TEST_F(MixerConvertTest, SixteenBitStereo48000HzKeepsItsPitchAndLength) { checkSine(48000, 2, 16); }
TEST_F(MixerConvertTest, SixteenBitMono32000HzKeepsItsPitchAndLength) { checkSine(32000, 1, 16); }

TEST_F(MixerConvertTest, DeviceFormatIsKeptByteForByte)
{
    std::vector<int16_t> samples = sineSamples(SOUND_DEVICE_RATE, 2, 441, 0.25, 0.5);
    Bytes wav = encodeTestWav(SOUND_DEVICE_RATE, 2, 16, samples);
    SoundClip *clip = decodeSoundClip(wav.data(), (uint32_t)wav.size());
    ASSERT_NE(nullptr, clip);
    EXPECT_EQ(samples, clipSamples(*clip));
    delete clip;
}

TEST_F(MixerConvertTest, EightBitSamplesBecomeSignedSixteenBit)
{
    std::vector<int16_t> values = {-32768, -256, 0, 256, 32512};
    Bytes wav = encodeTestWav(SOUND_DEVICE_RATE, 1, 8, values);
    SoundClip *clip = decodeSoundClip(wav.data(), (uint32_t)wav.size());
    ASSERT_NE(nullptr, clip);
    std::vector<int16_t> expected = {-32768, -32768, -256, -256, 0, 0, 256, 256, 32512, 32512};
    EXPECT_EQ(expected, clipSamples(*clip));
    delete clip;
}

TEST_F(MixerConvertTest, BytesThatAreNoWavGiveNoClip)
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


TEST_F(MixerConvertTest, WavThatIsNotEightOrSixteenBitPcmGivesNoClip)
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
TEST_F(MixerConvertTest, WavAtARateTheMixerCannotConvertIsNotPlayable)
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
TEST_F(MixerConvertTest, WavDeclaringChunksPastItsEntryIsRefusedBeforeAnythingIsAllocated)
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

// ---- SDL's real audio thread -------------------------------------------

// Sets an environment variable for one scope and puts the old value back.
struct ScopedEnv {
    std::string name;
    std::string old;
    bool had = false;
    ScopedEnv(const char *n, const char *value) : name(n)
    {
        const char *was = getenv(n);
        had = was != nullptr;
        old = had ? was : "";
        setenv(n, value, 1);
    }
    ~ScopedEnv()
    {
        if (had)
            setenv(name.c_str(), old.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

// SDL's disk driver writes every device buffer to a file; with no delay it
// runs as fast as the callback allows.
class MixerDeviceTest : public testing::Test {
protected:
    void SetUp() override
    {
        savedSettings = app.settings;
        app.settings = &settings;
        clipWav = encodeTestWav(SOUND_DEVICE_RATE, 2, 16, rampSamples(4000));
        PakFile sounds;
        pakAdd(sounds, "ramp.wav", clipWav);
        // Music on the left only, the effect on the right only: the output
        // tells which of them sounded when.
        std::vector<int16_t> tune, chime;
        for (int i = 0; i < 3000; i++) {
            tune.insert(tune.end(), {100, 0});
            chime.insert(chime.end(), {0, 7});
        }
        pakAdd(sounds, "chime.wav", encodeTestWav(SOUND_DEVICE_RATE, 2, 16, chime));
        soundArchive = writeTestArchive("sound.pak", sounds);
        PakFile music;
        pakAdd(music, "music.wav", encodeTestWav(SOUND_DEVICE_RATE, 2, 16, tune));
        musicArchive = writeTestArchive("music.pak", music);
        outputPath = makeTempFolder("disk-audio") + "/out.raw";
    }
    void TearDown() override { app.settings = savedSettings; }
    // Waits (5 s at most) until the audio thread has mixed every channel to
    // its end. The file's size is no measure: the driver writes through stdio.
    static bool waitUntilPlayed(Mixer &mixer)
    {
        for (int waited = 0; waited < 5000; waited += 2) {
            SDL_LockAudio();
            bool done = std::all_of(mixer.channels, mixer.channels + MIXER_CHANNEL_COUNT, mixerChannelFree);
            SDL_UnlockAudio();
            if (done)
                return true;
            SDL_Delay(2);
        }
        return false;
    }
    // Waits (5 s at most) until channel `i` is free.
    static bool waitUntilFree(Mixer &mixer, int i)
    {
        for (int waited = 0; waited < 5000; waited += 1) {
            SDL_LockAudio();
            bool done = mixerChannelFree(mixer.channels[i]);
            SDL_UnlockAudio();
            if (done)
                return true;
            SDL_Delay(1);
        }
        return false;
    }
    // Waits (5 s at most) until channel 0 has wrapped round to its start.
    static bool waitForLoopRestart(Mixer &mixer)
    {
        uint32_t last = 0;
        for (int waited = 0; waited < 5000; waited += 1) {
            SDL_LockAudio();
            uint32_t position = mixer.channels[0].position;
            SDL_UnlockAudio();
            if (position < last)
                return true;
            last = position;
            SDL_Delay(1);
        }
        return false;
    }
    Settings settings;
    Settings *savedSettings = nullptr;
    Bytes clipWav;
    std::string soundArchive;
    std::string musicArchive;
    std::string outputPath;
};

TEST_F(MixerDeviceTest, PlayedClipReachesTheDeviceWholeAndAtABufferStart)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", outputPath.c_str());
    ScopedEnv delay("SDL_DISKAUDIODELAY", "0");
    Mixer mixer;
    mixer.soundArchive = soundArchive;
    ASSERT_TRUE(mixer.open());
    EXPECT_FALSE(mixer.failed);
    mixer.play("ramp.wav", false);
    ASSERT_EQ(1u, mixer.clips.size());
    EXPECT_TRUE(waitUntilPlayed(mixer));
    mixer.close();  // the buffer holding the clip's end is written before the thread ends
    EXPECT_TRUE(mixer.channels[0].data == nullptr && mixerChannelFree(mixer.channels[0]));

    Bytes written;
    ASSERT_TRUE(readFile(outputPath, written));
    const SoundClip &clip = *mixer.clips[0];
    auto found = std::search(written.begin(), written.end(), clip.buffer, clip.buffer + clip.length);
    ASSERT_NE(written.end(), found) << "clip not in the " << written.size() << " bytes written";
    EXPECT_EQ(0, (found - written.begin()) % BUFFER_BYTES);
    // Played once: silence follows, and no second copy.
    auto after = found + clip.length;
    EXPECT_TRUE(std::all_of(after, std::min(after + BUFFER_BYTES, written.end()),
                            [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(written.end(), std::search(after, written.end(), clip.buffer, clip.buffer + clip.length));
}

TEST_F(MixerDeviceTest, DeviceThatCannotOpenLeavesTheGameSilent)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", "/nonexistent-folder/lumbrik/out.raw");
    Mixer mixer;
    mixer.soundArchive = soundArchive;
    EXPECT_FALSE(mixer.open());
    EXPECT_TRUE(mixer.failed);
    EXPECT_FALSE(mixer.deviceOpen);
    mixer.play("ramp.wav", false);
    EXPECT_TRUE(mixer.clips.empty());
    EXPECT_TRUE(mixerChannelFree(mixer.channels[0]));
}

TEST_F(MixerDeviceTest, SecondMixerCannotTakeTheOpenDevice)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", outputPath.c_str());
    ScopedEnv delay("SDL_DISKAUDIODELAY", "0");
    Mixer first, second;
    ASSERT_TRUE(first.open());
    EXPECT_FALSE(second.open());
    EXPECT_TRUE(second.failed);
    EXPECT_TRUE(first.deviceOpen);
    first.soundArchive = soundArchive;
    first.play("ramp.wav", false);
    EXPECT_TRUE(waitUntilPlayed(first));
    first.close();
    EXPECT_FALSE(first.deviceOpen);
    Bytes written;
    ASSERT_TRUE(readFile(outputPath, written));
    const SoundClip &clip = *first.clips[0];
    EXPECT_NE(written.end(), std::search(written.begin(), written.end(), clip.buffer,
                                         clip.buffer + clip.length));
}

// Also the run that lets ThreadSanitizer see play() and syncSwitches() meet
// the audio thread while it mixes a busy channel.
TEST_F(MixerDeviceTest, EffectsMixOverRunningMusicAndMusicSwitchedOffIsGoneBeforeTheNextEffect)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", outputPath.c_str());
    ScopedEnv delay("SDL_DISKAUDIODELAY", "0");
    Mixer mixer;
    mixer.soundArchive = soundArchive;
    mixer.musicArchive = musicArchive;
    ASSERT_TRUE(mixer.open());
    mixer.play("music.wav", true);
    ASSERT_TRUE(waitForLoopRestart(mixer));
    SDL_Delay(5);  // the thread goes on mixing the tune meanwhile
    mixer.play("chime.wav", false);
    ASSERT_TRUE(waitUntilFree(mixer, 1));
    settings.musicOn = 0;
    mixer.syncSwitches(settings);
    mixer.play("chime.wav", false);
    EXPECT_TRUE(waitUntilPlayed(mixer));
    mixer.close();

    Bytes written;
    ASSERT_TRUE(readFile(outputPath, written));
    std::vector<int16_t> out(written.size() / 2);
    memcpy(out.data(), written.data(), out.size() * 2);
    // Frame indices where each of the two chimes starts.
    std::vector<size_t> chimeStarts;
    for (size_t f = 0; f < out.size() / 2; f++) {
        if (out[2 * f + 1] == 7 && (f == 0 || out[2 * f - 1] != 7))
            chimeStarts.push_back(f);
    }
    ASSERT_EQ(2u, chimeStarts.size());
    int musicFrames = 0, chimeFrames = 0, musicWithFirstChime = 0, musicAfterOff = 0;
    for (size_t f = 0; f < out.size() / 2; f++) {
        bool music = out[2 * f] == 100, chime = out[2 * f + 1] == 7;
        musicFrames += music;
        chimeFrames += chime;
        musicWithFirstChime += music && chime && f < chimeStarts[1];
        musicAfterOff += f >= chimeStarts[1] && out[2 * f] != 0;
    }
    EXPECT_GT(musicFrames, 3000);             // looped at least once
    // The first chime sounded over the tune. A loop restarts at the buffer
    // after its end, so the tune (3000 frames) repeats every 6 buffers (3072
    // frames) with 72 silent frames; a 3000-frame chime overlaps one such gap at most.
    EXPECT_GE(musicWithFirstChime, 3000 - (6 * MIXER_DEVICE_SAMPLES - 3000));
    EXPECT_EQ(6000, chimeFrames);             // each chime once, whole
    EXPECT_EQ(0, musicAfterOff);
}
