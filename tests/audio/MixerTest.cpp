// The mixer: mixing on plain buffers, play() on a mixer whose device was never
// opened (its channels work, nothing drains them, the test plays the audio
// thread by calling mixChannels), and runs through SDL's real audio thread
// with the disk driver writing the device output to a file. The clips' own
// conversion: SoundClipTest.cpp.
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
#include "support/TestWav.h"

const int BUFFER_BYTES = MIXER_DEVICE_SAMPLES * (int)SOUND_FRAME_BYTES;  // 2048
const int BUFFER_SAMPLES = BUFFER_BYTES / 2;

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

// A mixer never opened, reading two fresh archives through the game's cache,
// obeying the fixture's settings.
class MixerPlayTest : public testing::Test {
protected:
    void SetUp() override
    {
        mixer.archives = &app.pakCache;
        mixer.settings = &settings;
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
    EXPECT_EQ(mixer.clips[mixer.findClip("d.wav")].clip->buffer, mixer.channels[1].data);
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

// SDL's disk driver writes every device buffer to a file (outputPath); with
// no delay it runs as fast as the callback allows.
class MixerDeviceTest : public testing::Test {
protected:
    ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    ScopedEnv file{"SDL_DISKAUDIOFILE", ""};
    ScopedEnv delay{"SDL_DISKAUDIODELAY", "0"};
    void SetUp() override
    {
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
        setenv("SDL_DISKAUDIOFILE", outputPath.c_str(), 1);
    }
    // The fixture's archives, through the game's cache, and settings.
    void attach(Mixer &mixer)
    {
        mixer.archives = &app.pakCache;
        mixer.settings = &settings;
    }
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
    Bytes clipWav;
    std::string soundArchive;
    std::string musicArchive;
    std::string outputPath;
};

TEST_F(MixerDeviceTest, PlayedClipReachesTheDeviceWholeAndAtABufferStart)
{
    Mixer mixer;
    attach(mixer);
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
    const SoundClip &clip = *mixer.clips[0].clip;
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
    ScopedEnv file("SDL_DISKAUDIOFILE", "/nonexistent-folder/lumbrik/out.raw");
    Mixer mixer;
    attach(mixer);
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
    Mixer first, second;
    attach(first);
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
    const SoundClip &clip = *first.clips[0].clip;
    EXPECT_NE(written.end(), std::search(written.begin(), written.end(), clip.buffer,
                                         clip.buffer + clip.length));
}

// Also the run that lets ThreadSanitizer see play() and syncSwitches() meet
// the audio thread while it mixes a busy channel.
TEST_F(MixerDeviceTest, EffectsMixOverRunningMusicAndMusicSwitchedOffIsGoneBeforeTheNextEffect)
{
    Mixer mixer;
    attach(mixer);
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
