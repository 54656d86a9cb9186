// Sounds synthesized in code: the looping music from a text tune, and the
// short effects. All are written as RIFF WAV, PCM signed 16-bit little-endian,
// stereo, 22050 Hz: the format the game's mixer plays without conversion.
//
// Levels: the music peaks at 0.25 of full scale and each effect at 0.35, so
// the mixer (which adds samples with saturation) stays below full scale with
// the music and two effects playing at once.
#pragma once

#include <string>
#include <vector>

#include "pakwriter/PakWriter.h"

const int SOUND_RATE = 22050;
const double MUSIC_PEAK = 0.25;
const double EFFECT_PEAK = 0.35;

// Two channels of samples in -1..1, of equal length.
struct StereoSamples {
    std::vector<double> left;
    std::vector<double> right;
};

// One note or chord of a part; rests only move the start of the next note.
struct TuneNote {
    double start = 0;        // beats from the start of the loop
    double beats = 1;        // written length
    std::vector<int> keys;   // MIDI key numbers, 60 = middle C
};

struct TunePart {
    std::string name;
    std::string timbre;      // "bell", "marimba" or "bass"
    double level = 1;        // relative loudness
    double pan = 0;          // -1 left .. 1 right
    double beats = 0;        // total length of notes and rests
    std::vector<TuneNote> notes;
};

struct Tune {
    double tempo = 0;        // quarter notes per minute
    int meter = 0;           // beats per bar, for checking bar lines
    double loopBeats = 0;    // every part fills exactly this many beats
    std::vector<TunePart> parts;
};

// Parses the tune format of data/sounds/music.txt (described there). On
// failure returns false and sets error to "line N: what is wrong".
bool parseTune(const std::string &source, Tune &tune, std::string &error);

// The tune rendered as one loop: note tails that run past the end are wrapped
// to the start so the loop has no seam. Peak normalized to MUSIC_PEAK.
StereoSamples renderTune(const Tune &tune);

// "music.wav" from the tune's text; empty bytes (and error set when given)
// when the text does not parse.
Bytes makeMusicWav(const std::string &tuneSource, std::string *error = nullptr);

// The names of the effects makeEffectWav knows, e.g. "button.wav".
std::vector<std::string> effectNames();
// One effect by file name; empty bytes for an unknown name.
Bytes makeEffectWav(const std::string &name);

// The samples as a WAV file; values beyond -1..1 are clamped.
Bytes encodeWav(const StereoSamples &samples);
