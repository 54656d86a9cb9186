#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "datagen/Sound.h"

namespace {

const double PI = 3.14159265358979323846;

// The repository's copy of a data file, found from this source file's path
// so the tests run from any build folder.
std::string repoFile(const std::string &relative)
{
    std::string here = __FILE__;
    size_t at = here.rfind("tests/tools/");
    return (at == std::string::npos ? std::string() : here.substr(0, at)) + relative;
}

std::string musicSource()
{
    Bytes bytes;
    EXPECT_TRUE(readFile(repoFile("data/sounds/music.txt"), bytes));
    return std::string(bytes.begin(), bytes.end());
}

uint32_t u32At(const Bytes &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

unsigned u16At(const Bytes &b, size_t at)
{
    return b[at] | b[at + 1] << 8;
}

std::string tagAt(const Bytes &b, size_t at)
{
    return std::string(b.begin() + at, b.begin() + at + 4);
}

// What the game's loader makes of the bytes: SDL's own WAV reader.
struct DecodedWav {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    Uint16 format = 0;
    uint32_t byteLength = 0;
    std::vector<int16_t> left, right;
};

DecodedWav decodeWithSdl(Bytes wav)
{
    DecodedWav out;
    SDL_AudioSpec spec;
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    SDL_RWops *rw = SDL_RWFromMem(wav.data(), (int)wav.size());
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length))
        return out;
    out.ok = true;
    out.rate = spec.freq;
    out.channels = spec.channels;
    out.format = spec.format;
    out.byteLength = length;
    for (Uint32 i = 0; i + 3 < length; i += 4) {
        out.left.push_back((int16_t)(buffer[i] | buffer[i + 1] << 8));
        out.right.push_back((int16_t)(buffer[i + 2] | buffer[i + 3] << 8));
    }
    SDL_FreeWAV(buffer);
    return out;
}

int peakOf(const DecodedWav &w)
{
    int peak = 0;
    for (size_t i = 0; i < w.left.size(); i++)
        peak = std::max(peak, std::max(std::abs((int)w.left[i]), std::abs((int)w.right[i])));
    return peak;
}

double seconds(const DecodedWav &w)
{
    return (double)w.left.size() / SOUND_RATE;
}

// The step that only one sample-to-sample step in a thousand exceeds.
int typicalLargeStep(const std::vector<int16_t> &x)
{
    std::vector<int> steps;
    for (size_t i = 0; i + 1 < x.size(); i++)
        steps.push_back(std::abs(x[i + 1] - x[i]));
    size_t rank = steps.size() * 999 / 1000;
    std::nth_element(steps.begin(), steps.begin() + rank, steps.end());
    return steps[rank];
}

// Amplitude of the sine at frequency hz in samples [from, from + count).
double toneAmplitude(const std::vector<int16_t> &x, size_t from, size_t count, double hz)
{
    double re = 0, im = 0;
    for (size_t n = 0; n < count; n++) {
        double phase = 2 * PI * hz * n / SOUND_RATE;
        re += x[from + n] * std::cos(phase);
        im += x[from + n] * std::sin(phase);
    }
    return 2 * std::sqrt(re * re + im * im) / count;
}

DecodedWav renderSource(const std::string &source)
{
    std::string error;
    Bytes wav = makeMusicWav(source, &error);
    EXPECT_FALSE(wav.empty()) << error;
    return decodeWithSdl(wav);
}

std::string parseError(const std::string &source)
{
    Tune tune;
    std::string error;
    EXPECT_FALSE(parseTune(source, tune, error));
    return error;
}

}  // namespace

// ---------------------------------------------------------------- WAV format

static void expectValidHeader(const Bytes &wav, const std::string &what)
{
    SCOPED_TRACE(what);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ("RIFF", tagAt(wav, 0));
    EXPECT_EQ(wav.size() - 8, u32At(wav, 4));
    EXPECT_EQ("WAVE", tagAt(wav, 8));
    EXPECT_EQ("fmt ", tagAt(wav, 12));
    EXPECT_EQ(16u, u32At(wav, 16));
    EXPECT_EQ(1u, u16At(wav, 20));        // PCM
    EXPECT_EQ(2u, u16At(wav, 22));        // stereo
    EXPECT_EQ(22050u, u32At(wav, 24));
    EXPECT_EQ(22050u * 4, u32At(wav, 28));
    EXPECT_EQ(4u, u16At(wav, 32));
    EXPECT_EQ(16u, u16At(wav, 34));
    EXPECT_EQ("data", tagAt(wav, 36));
    EXPECT_EQ(wav.size() - 44, u32At(wav, 40));
    EXPECT_EQ(0u, u32At(wav, 40) % 4);
}

TEST(WavHeaderTest, MusicAndEveryEffectHaveConsistentChunkSizesAndTheMixerFormat)
{
    expectValidHeader(makeMusicWav(musicSource()), "music.wav");
    for (const std::string &name : effectNames())
        expectValidHeader(makeEffectWav(name), name);
}

TEST(WavHeaderTest, SamplesAreInterleavedLeftFirstAndClampedAtFullScale)
{
    StereoSamples s;
    s.left = {0.5, 2.0};
    s.right = {-1.0, -3.0};
    Bytes wav = encodeWav(s);
    ASSERT_EQ(44u + 8, wav.size());
    EXPECT_EQ(16384, (int16_t)u16At(wav, 44));
    EXPECT_EQ(-32767, (int16_t)u16At(wav, 46));
    EXPECT_EQ(32767, (int16_t)u16At(wav, 48));
    EXPECT_EQ(-32767, (int16_t)u16At(wav, 50));
}

TEST(WavSdlDecodeTest, SdlLoadsMusicAndEffectsAs22050HzSigned16BitStereo)
{
    std::vector<Bytes> all = {makeMusicWav(musicSource())};
    for (const std::string &name : effectNames())
        all.push_back(makeEffectWav(name));
    for (const Bytes &wav : all) {
        DecodedWav w = decodeWithSdl(wav);
        ASSERT_TRUE(w.ok) << SDL_GetError();
        EXPECT_EQ(22050, w.rate);
        EXPECT_EQ(2, w.channels);
        EXPECT_EQ(AUDIO_S16LSB, w.format);
        EXPECT_EQ(wav.size() - 44, w.byteLength);
    }
}

// ---------------------------------------------------------------- music

class MusicLoopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { music = new DecodedWav(renderSource(musicSource())); }
    static void TearDownTestSuite()
    {
        delete music;
        music = nullptr;
    }
    static DecodedWav *music;
};

DecodedWav *MusicLoopTest::music = nullptr;

TEST_F(MusicLoopTest, LastsBetweenTwentyAndSixtySeconds)
{
    ASSERT_TRUE(music->ok);
    EXPECT_GE(seconds(*music), 20.0);
    EXPECT_LE(seconds(*music), 60.0);
}

TEST_F(MusicLoopTest, JumpFromLastSampleToFirstIsNoLargerThanATypicalStep)
{
    ASSERT_TRUE(music->ok);
    const std::vector<int16_t> *channels[] = {&music->left, &music->right};
    for (const std::vector<int16_t> *x : channels) {
        int seam = std::abs(x->front() - x->back());
        EXPECT_LE(seam, typicalLargeStep(*x));
    }
}

TEST_F(MusicLoopTest, StartsAndEndsNearSilence)
{
    ASSERT_TRUE(music->ok);
    const int nearZero = 328;   // 1% of full scale
    EXPECT_LE(std::abs(music->left.front()), nearZero);
    EXPECT_LE(std::abs(music->right.front()), nearZero);
    EXPECT_LE(std::abs(music->left.back()), nearZero);
    EXPECT_LE(std::abs(music->right.back()), nearZero);
}

TEST_F(MusicLoopTest, PeaksNearAQuarterOfFullScale)
{
    ASSERT_TRUE(music->ok);
    EXPECT_NEAR(0.25 * 32767, peakOf(*music), 0.01 * 32767);
}

// A note still sounding at the loop's end must carry on at its start.
const char *const CROSSING_TUNE =
    "tempo 120\nloop 4\n"
    "part a bell 1 0\n"
    "C5/1 r/2 G5/1\n";

TEST(MusicWrapTest, NoteRingingPastTheLoopEndIsWrappedToTheStart)
{
    DecodedWav w = renderSource(CROSSING_TUNE);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(2 * 22050u, w.left.size());
    double g5 = 783.99;
    size_t window = 1102;   // 50 ms
    double atStart = toneAmplitude(w.left, 0, window, g5);
    double beforeEnd = toneAmplitude(w.left, w.left.size() - window, window, g5);
    EXPECT_GT(atStart, 0.05 * beforeEnd);
    EXPECT_LE(std::abs(w.left.front() - w.left.back()), typicalLargeStep(w.left));
    EXPECT_LE(std::abs(w.right.front() - w.right.back()), typicalLargeStep(w.right));
}

TEST(MusicPitchTest, A4SoundsAt440HzNotASemitoneOff)
{
    DecodedWav w = renderSource("tempo 60\nloop 2\npart a bell 1 0\nA4/2\n");
    ASSERT_TRUE(w.ok);
    size_t window = 11025;
    double a = toneAmplitude(w.left, 0, window, 440.0);
    EXPECT_GT(a, 5 * toneAmplitude(w.left, 0, window, 466.16));
    EXPECT_GT(a, 5 * toneAmplitude(w.left, 0, window, 415.30));
    EXPECT_GT(a, 5 * toneAmplitude(w.left, 0, window, 220.0));
}

TEST(MusicPanTest, PartPannedRightIsLouderOnTheRight)
{
    DecodedWav w = renderSource("tempo 60\nloop 1\npart a bell 1 0.8\nC5\n");
    ASSERT_TRUE(w.ok);
    int left = 0, right = 0;
    for (size_t i = 0; i < w.left.size(); i++) {
        left = std::max(left, std::abs((int)w.left[i]));
        right = std::max(right, std::abs((int)w.right[i]));
    }
    EXPECT_GT(right, 2 * left);
}

// ---------------------------------------------------------------- tune text

TEST(MusicTuneParseTest, NotesChordsRestsAndLengthsLandOnTheRightBeats)
{
    Tune tune;
    std::string error;
    ASSERT_TRUE(parseTune("tempo 90  # a comment\nmeter 2\nloop 4\n"
                          "part tune marimba 0.5 -0.25\n"
                          "C4 F#3/0.5 r/0.5 | Bb2+c5/2 |\n",
                          tune, error))
        << error;
    EXPECT_EQ(90, tune.tempo);
    EXPECT_EQ(2, tune.meter);
    EXPECT_EQ(4, tune.loopBeats);
    ASSERT_EQ(1u, tune.parts.size());
    const TunePart &part = tune.parts[0];
    EXPECT_EQ("marimba", part.timbre);
    EXPECT_EQ(0.5, part.level);
    EXPECT_EQ(-0.25, part.pan);
    ASSERT_EQ(3u, part.notes.size());   // the rest is no note
    EXPECT_EQ(std::vector<int>{60}, part.notes[0].keys);
    EXPECT_EQ(std::vector<int>{54}, part.notes[1].keys);
    EXPECT_EQ(1.0, part.notes[1].start);
    EXPECT_EQ(0.5, part.notes[1].beats);
    EXPECT_EQ((std::vector<int>{46, 72}), part.notes[2].keys);
    EXPECT_EQ(2.0, part.notes[2].start);
    EXPECT_EQ(2.0, part.notes[2].beats);
}

// Each bad text is refused with a reason that names what is wrong (and,
// where it helps, the line).
TEST(MusicTuneParseTest, BadTextIsRefusedNamingTheFault)
{
    const struct {
        const char *text;
        std::vector<const char *> named;
    } cases[] = {
        {"tempo 90\nloop 1\npart a bell 1 0\nH4\n", {"line 4", "H4"}},  // bad note
        {"tempo 90\nloop 4\npart bass bass 1 0\nC3/3\n", {"bass", "3 beats"}},  // part shorter than the loop
        {"tempo 90\nmeter 4\nloop 4\npart a bell 1 0\nC5 C5 C5 | C5\n", {"line 5"}},  // bar line inside a bar
        {"loop 1\npart a bell 1 0\nC5\n", {"tempo"}},
        {"tempo 90\nloop 1\npart a harp 1 0\nC5\n", {"harp"}},
        {"tempo 90\nloop 1\nC5\n", {"before the first"}},
        {"tempo 90\nloop 1\npart a bell 1 0\nC5/x\n", {"length"}},
        {"tempo 90\nloop 1\npart a bell 1 0\nC5/0\n", {"length"}},
        {"tempo 1\nloop 10\npart a bell 1 0\nC5/10\n", {"300"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        std::string error = parseError(c.text);
        for (const char *word : c.named)
            EXPECT_NE(std::string::npos, error.find(word)) << error;
    }
}

TEST(MusicTuneParseTest, MusicWavGivesNoBytesAndTheReasonForBadText)
{
    std::string error;
    EXPECT_TRUE(makeMusicWav("tempo 90\nloop 2\npart a bell 1 0\nC5 Q5\n", &error).empty());
    EXPECT_NE(std::string::npos, error.find("line 4")) << error;
    EXPECT_TRUE(makeMusicWav("").empty());
}

TEST(MusicTuneParseTest, RepositoryTuneParses)
{
    Tune tune;
    std::string error;
    EXPECT_TRUE(parseTune(musicSource(), tune, error)) << error;
    EXPECT_GE(tune.parts.size(), 2u);   // melody and accompaniment
}

// ---------------------------------------------------------------- effects

namespace {

struct EffectLength {
    const char *name;
    double shortest, longest;   // seconds
};

const EffectLength EFFECT_LENGTHS[] = {
    {"button.wav", 0.08, 0.12},
    {"puzzle_up.wav", 0.15, 0.25},
    {"puzzle_move.wav", 0.4, 0.6},
    {"final.wav", 1.5, 2.5},
};

}  // namespace

TEST(EffectShapeTest, EachEffectLastsAboutAsLongAsItsGesture)
{
    ASSERT_EQ(4u, effectNames().size());
    for (const EffectLength &e : EFFECT_LENGTHS) {
        DecodedWav w = decodeWithSdl(makeEffectWav(e.name));
        ASSERT_TRUE(w.ok) << e.name;
        EXPECT_GE(seconds(w), e.shortest) << e.name;
        EXPECT_LE(seconds(w), e.longest) << e.name;
    }
}

TEST(EffectShapeTest, EachEffectStartsAndEndsAtSilence)
{
    for (const std::string &name : effectNames()) {
        DecodedWav w = decodeWithSdl(makeEffectWav(name));
        ASSERT_TRUE(w.ok) << name;
        EXPECT_LE(std::abs(w.left.front()), 100) << name;
        EXPECT_LE(std::abs(w.right.front()), 100) << name;
        EXPECT_LE(std::abs(w.left.back()), 100) << name;
        EXPECT_LE(std::abs(w.right.back()), 100) << name;
    }
}

TEST(EffectShapeTest, UnknownNameGivesNoBytes)
{
    EXPECT_TRUE(makeEffectWav("boing.wav").empty());
    EXPECT_TRUE(makeEffectWav("").empty());
}

// ---------------------------------------------------------------- levels

TEST(SoundLevelTest, MusicWithTheTwoLoudestEffectsStaysBelowFullScale)
{
    int music = peakOf(decodeWithSdl(makeMusicWav(musicSource())));
    std::vector<int> effects;
    for (const std::string &name : effectNames())
        effects.push_back(peakOf(decodeWithSdl(makeEffectWav(name))));
    std::sort(effects.rbegin(), effects.rend());
    EXPECT_LT(music + effects[0] + effects[1], 32767);
}

TEST(SoundLevelTest, EveryEffectPeaksNearThirtyFivePercent)
{
    for (const std::string &name : effectNames())
        EXPECT_NEAR(0.35 * 32767, peakOf(decodeWithSdl(makeEffectWav(name))), 0.01 * 32767) << name;
}

// ---------------------------------------------------------------- determinism

TEST(SoundDeterminismTest, SecondCallGivesTheSameBytes)
{
    std::string source = musicSource();
    EXPECT_EQ(makeMusicWav(source), makeMusicWav(source));
    for (const std::string &name : effectNames())
        EXPECT_EQ(makeEffectWav(name), makeEffectWav(name)) << name;
}
