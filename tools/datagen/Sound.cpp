#include "datagen/Sound.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "datagen/Xorshift.h"

namespace {

const double PI = 3.14159265358979323846;
// A loop longer than this is a typo in the tune, not music for a puzzle.
const double MAX_LOOP_SECONDS = 300;

// ---------------------------------------------------------------- parsing

// A comment starts with '#' at the start of a word; inside a word it is a
// sharp, as in F#3.
std::string stripComment(const std::string &line)
{
    for (size_t i = 0; i < line.size(); i++)
        if (line[i] == '#' && (i == 0 || std::isspace((unsigned char)line[i - 1])))
            return line.substr(0, i);
    return line;
}

std::vector<std::string> splitWords(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

bool parseNumber(const std::string &text, double &value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

int semitoneOfLetter(char letter)
{
    switch (letter) {
    case 'C': case 'c': return 0;
    case 'D': case 'd': return 2;
    case 'E': case 'e': return 4;
    case 'F': case 'f': return 5;
    case 'G': case 'g': return 7;
    case 'A': case 'a': return 9;
    case 'B': case 'b': return 11;
    default: return -1;
    }
}

// "C4" (middle C, key 60), "F#3", "Bb2"; octaves 0 to 8.
bool parseKey(const std::string &text, int &key)
{
    if (text.size() < 2 || semitoneOfLetter(text[0]) < 0)
        return false;
    int semitone = semitoneOfLetter(text[0]);
    size_t i = 1;
    if (text[i] == '#' || text[i] == 'b') {
        semitone += text[i] == '#' ? 1 : -1;
        i++;
    }
    if (i + 1 != text.size() || text[i] < '0' || text[i] > '8')
        return false;
    key = 12 * (text[i] - '0' + 1) + semitone;
    return true;
}

std::vector<std::string> splitOn(const std::string &text, char separator)
{
    std::vector<std::string> pieces;
    size_t from = 0;
    for (;;) {
        size_t at = text.find(separator, from);
        pieces.push_back(text.substr(from, at - from));
        if (at == std::string::npos)
            return pieces;
        from = at + 1;
    }
}

// One note token: "C5", "C4+E4+G4/2", "r/0.5". A rest leaves keys empty.
bool parseNoteToken(const std::string &token, TuneNote &note, std::string &error)
{
    std::vector<std::string> halves = splitOn(token, '/');
    note.beats = 1;
    if (halves.size() > 2 ||
        (halves.size() == 2 && (!parseNumber(halves[1], note.beats) || note.beats <= 0 || note.beats > 64))) {
        error = "bad length in '" + token + "' (expected e.g. C5/2 or r/0.5)";
        return false;
    }
    note.keys.clear();
    if (halves[0] == "r")
        return true;
    for (const std::string &name : splitOn(halves[0], '+')) {
        int key = 0;
        if (!parseKey(name, key)) {
            error = "bad note '" + name + "' in '" + token + "' (expected e.g. C4, F#3, Bb2 or r)";
            return false;
        }
        note.keys.push_back(key);
    }
    return true;
}

bool isKnownTimbre(const std::string &name);

bool parsePartHeader(const std::vector<std::string> &words, Tune &tune, std::string &error)
{
    TunePart part;
    if (words.size() != 5 || !parseNumber(words[3], part.level) || !parseNumber(words[4], part.pan)) {
        error = "expected 'part NAME TIMBRE LEVEL PAN'";
        return false;
    }
    part.name = words[1];
    part.timbre = words[2];
    if (!isKnownTimbre(part.timbre)) {
        error = "unknown timbre '" + part.timbre + "' (bell, marimba or bass)";
        return false;
    }
    if (part.level < 0 || part.level > 4 || part.pan < -1 || part.pan > 1) {
        error = "part level must be 0..4 and pan -1..1";
        return false;
    }
    tune.parts.push_back(part);
    return true;
}

bool barLineFits(const Tune &tune, const TunePart &part)
{
    if (tune.meter <= 0)
        return true;
    double bars = part.beats / tune.meter;
    return std::fabs(bars - std::round(bars)) < 1e-6;
}

bool parseNoteLine(const std::vector<std::string> &words, Tune &tune, std::string &error)
{
    if (tune.parts.empty()) {
        error = "notes before the first 'part' line";
        return false;
    }
    TunePart &part = tune.parts.back();
    for (const std::string &word : words) {
        if (word == "|") {
            if (!barLineFits(tune, part)) {
                std::ostringstream text;
                text << "bar line after " << part.beats << " beats of part " << part.name
                     << " is not on a bar of " << tune.meter;
                error = text.str();
                return false;
            }
            continue;
        }
        TuneNote note;
        if (!parseNoteToken(word, note, error))
            return false;
        note.start = part.beats;
        part.beats += note.beats;
        if (!note.keys.empty())
            part.notes.push_back(note);
    }
    return true;
}

bool parseSetting(const std::vector<std::string> &words, Tune &tune, std::string &error)
{
    double value = 0;
    if (words.size() != 2 || !parseNumber(words[1], value) || value <= 0) {
        error = "expected '" + words[0] + " N' with N above 0";
        return false;
    }
    if (words[0] == "tempo")
        tune.tempo = value;
    else if (words[0] == "loop")
        tune.loopBeats = value;
    else
        tune.meter = (int)value;
    if (words[0] == "meter" && value != std::floor(value)) {
        error = "meter must be a whole number of beats";
        return false;
    }
    return true;
}

bool parseLine(const std::vector<std::string> &words, Tune &tune, std::string &error)
{
    if (words[0] == "tempo" || words[0] == "loop" || words[0] == "meter")
        return parseSetting(words, tune, error);
    if (words[0] == "part")
        return parsePartHeader(words, tune, error);
    return parseNoteLine(words, tune, error);
}

// Checks what can only be checked once the whole text has been read.
bool checkTune(const Tune &tune, std::string &error)
{
    if (tune.tempo <= 0 || tune.loopBeats <= 0) {
        error = "the tune needs 'tempo' and 'loop' lines";
        return false;
    }
    if (tune.loopBeats * 60 / tune.tempo > MAX_LOOP_SECONDS) {
        error = "the loop is longer than 300 seconds";
        return false;
    }
    if (tune.parts.empty()) {
        error = "the tune has no parts";
        return false;
    }
    for (const TunePart &part : tune.parts) {
        if (std::fabs(part.beats - tune.loopBeats) > 1e-6) {
            std::ostringstream text;
            text << "part " << part.name << " lasts " << part.beats << " beats but the loop is "
                 << tune.loopBeats;
            error = text.str();
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- synthesis

struct Partial {
    double ratio = 1;   // of the fundamental
    double amp = 0;
    double decay = 1;   // seconds to fall to 1/e
};

// Soft tones from a few sine partials with exponential decay: the higher
// partials die first, like a struck bar or a music-box tine.
struct Timbre {
    const char *name = "";
    Partial partials[4];
    double attack = 0.004;   // seconds of fade-in, against clicks
    double release = 0.1;    // seconds of fade-out after the written length
};

Timbre makeTimbre(const char *name, std::vector<Partial> partials, double attack, double release)
{
    Timbre t;
    t.name = name;
    for (size_t i = 0; i < partials.size() && i < 4; i++)
        t.partials[i] = partials[i];
    t.attack = attack;
    t.release = release;
    return t;
}

const std::vector<Timbre> &timbres()
{
    static const std::vector<Timbre> all = {
        makeTimbre("bell", {{1, 1.0, 0.9}, {2, 0.35, 0.4}, {3, 0.12, 0.2}, {5, 0.05, 0.1}}, 0.004, 0.12),
        makeTimbre("marimba", {{1, 1.0, 0.35}, {4, 0.2, 0.05}, {10, 0.04, 0.015}}, 0.003, 0.08),
        makeTimbre("bass", {{1, 1.0, 1.2}, {2, 0.45, 0.5}, {3, 0.15, 0.25}}, 0.01, 0.12),
    };
    return all;
}

const Timbre *findTimbre(const std::string &name)
{
    for (const Timbre &t : timbres())
        if (name == t.name)
            return &t;
    return nullptr;
}

bool isKnownTimbre(const std::string &name)
{
    return findTimbre(name) != nullptr;
}

double keyFrequency(int key)
{
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

// Raised-cosine ramp from 0 at x <= 0 to 1 at x >= 1.
double smoothRamp(double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    return 0.5 - 0.5 * std::cos(PI * x);
}

struct NoteSound {
    const Timbre *timbre = nullptr;
    double frequency = 440;
    double seconds = 0.5;   // written length; the release follows it
    double gain = 1;
    double pan = 0;         // -1 left .. 1 right
};

double noteValue(const NoteSound &note, double t)
{
    const Timbre &tm = *note.timbre;
    double envelope = smoothRamp(t / tm.attack) * (1 - smoothRamp((t - note.seconds) / tm.release));
    double sum = 0;
    for (const Partial &p : tm.partials) {
        double f = note.frequency * p.ratio;
        // Partials near Nyquist would alias into harsh low tones.
        if (p.amp <= 0 || f > 0.45 * SOUND_RATE)
            continue;
        sum += p.amp * std::exp(-t / p.decay) * std::sin(2 * PI * f * t);
    }
    return note.gain * envelope * sum;
}

size_t noteLength(const NoteSound &note)
{
    return (size_t)std::ceil((note.seconds + note.timbre->release) * SOUND_RATE);
}

// Adds the note from sample `start`; with wrap set, samples past the end go
// round to the start (the buffer is one period of a loop), else they are cut.
void addNote(StereoSamples &out, size_t start, const NoteSound &note, bool wrap)
{
    size_t total = out.left.size();
    double angle = (note.pan + 1) * PI / 4;   // constant-power pan
    double gainLeft = std::cos(angle), gainRight = std::sin(angle);
    size_t length = noteLength(note);
    for (size_t n = 0; n < length; n++) {
        size_t at = start + n;
        if (at >= total && !wrap)
            break;
        at %= total;
        double v = noteValue(note, (double)n / SOUND_RATE);
        out.left[at] += gainLeft * v;
        out.right[at] += gainRight * v;
    }
}

StereoSamples silence(size_t length)
{
    StereoSamples s;
    s.left.assign(length, 0.0);
    s.right.assign(length, 0.0);
    return s;
}

double peakOf(const StereoSamples &s)
{
    double peak = 0;
    for (size_t i = 0; i < s.left.size(); i++)
        peak = std::fmax(peak, std::fmax(std::fabs(s.left[i]), std::fabs(s.right[i])));
    return peak;
}

void normalizePeak(StereoSamples &s, double target)
{
    double peak = peakOf(s);
    if (peak <= 0)
        return;
    for (size_t i = 0; i < s.left.size(); i++) {
        s.left[i] *= target / peak;
        s.right[i] *= target / peak;
    }
}

// Forces silence at both ends: a linear fade over the first and last samples.
void fadeEdges(StereoSamples &s, double fadeInSeconds, double fadeOutSeconds)
{
    size_t total = s.left.size();
    size_t in = (size_t)(fadeInSeconds * SOUND_RATE), out = (size_t)(fadeOutSeconds * SOUND_RATE);
    for (size_t i = 0; i < total; i++) {
        double g = 1;
        if (i < in)
            g = (double)i / in;
        if (total - 1 - i < out)
            g = std::fmin(g, (double)(total - 1 - i) / out);
        s.left[i] *= g;
        s.right[i] *= g;
    }
}

size_t samplesFor(double seconds)
{
    return (size_t)std::lround(seconds * SOUND_RATE);
}

// ---------------------------------------------------------------- effects

// The whoosh's noise, in -1..1, the same on every run and platform.
double nextNoise(Xorshift32 &noise)
{
    return xorshiftNext(noise) / 2147483648.0 - 1.0;
}

// A sine whose frequency follows a curve; phase is accumulated so the pitch
// glides without jumps.
struct Glide {
    double phase = 0;
};

double glideStep(Glide &g, double frequency)
{
    double v = std::sin(g.phase);
    g.phase += 2 * PI * frequency / SOUND_RATE;
    if (g.phase > 2 * PI)
        g.phase -= 2 * PI;
    return v;
}

void addMono(StereoSamples &s, size_t at, double v, double pan)
{
    if (at >= s.left.size())
        return;
    double angle = (pan + 1) * PI / 4;
    s.left[at] += std::cos(angle) * v;
    s.right[at] += std::sin(angle) * v;
}

// A soft wooden pop: a quick downward pitch drop, gone in a few tens of ms.
StereoSamples makeButton()
{
    StereoSamples s = silence(samplesFor(0.1));
    Glide g;
    for (size_t i = 0; i < s.left.size(); i++) {
        double t = (double)i / SOUND_RATE;
        double f = 380 + 520 * std::exp(-t / 0.012);
        double v = std::exp(-t / 0.025) * glideStep(g, f);
        addMono(s, i, v, 0);
    }
    fadeEdges(s, 0.002, 0.02);
    return s;
}

// A light blip rising an octave, as if the piece were lifted.
StereoSamples makePuzzleUp()
{
    StereoSamples s = silence(samplesFor(0.2));
    Glide g1, g2;
    for (size_t i = 0; i < s.left.size(); i++) {
        double t = (double)i / SOUND_RATE;
        double f = 520 * std::pow(2.0, std::fmin(t, 0.14) / 0.14);
        double v = std::exp(-t / 0.09) * (glideStep(g1, f) + 0.2 * glideStep(g2, 2 * f));
        addMono(s, i, v, 0);
    }
    fadeEdges(s, 0.008, 0.04);
    return s;
}

// Band-passed noise whose centre sweeps up and down while it pans across:
// the piece sliding home.
void addWhoosh(StereoSamples &s, double seconds, double level)
{
    Xorshift32 noise;
    noise.state = 0x2545F491u;
    double low = 0, band = 0;   // state-variable filter
    double soft = 0;            // one-pole low-pass: no hiss above the band
    double softCoefficient = 1 - std::exp(-2 * PI * 2000 / SOUND_RATE);
    size_t length = samplesFor(seconds);
    for (size_t i = 0; i < length; i++) {
        double x = (double)i / length;
        double centre = 500 + 1100 * std::sin(PI * x);
        double f = 2 * std::sin(PI * centre / SOUND_RATE);
        double high = nextNoise(noise) - low - 0.5 * band;
        band += f * high;
        low += f * band;
        soft += softCoefficient * (band - soft);
        double envelope = std::pow(std::sin(PI * x), 2);
        addMono(s, i, level * envelope * soft, -0.5 + x);
    }
}

// A water-drop plop: a short sine bending upwards.
void addPlop(StereoSamples &s, double startSeconds, double level)
{
    Glide g;
    size_t start = samplesFor(startSeconds);
    for (size_t i = 0; start + i < s.left.size(); i++) {
        double t = (double)i / SOUND_RATE;
        double f = 330 + 400 * (1 - std::exp(-t / 0.03));
        double v = smoothRamp(t / 0.004) * std::exp(-t / 0.05) * glideStep(g, f);
        addMono(s, start + i, level * v, 0.3);
    }
}

StereoSamples makePuzzleMove()
{
    StereoSamples s = silence(samplesFor(0.55));
    addWhoosh(s, 0.4, 0.55);
    addPlop(s, 0.34, 1.0);
    fadeEdges(s, 0.005, 0.05);
    return s;
}

// A rising C major arpeggio on the music's bell, then the chord ringing out.
StereoSamples makeFinal()
{
    StereoSamples s = silence(samplesFor(2.2));
    const int arpeggio[] = {72, 76, 79, 84, 88};
    NoteSound note;
    note.timbre = findTimbre("bell");
    for (int i = 0; i < 5; i++) {
        note.frequency = keyFrequency(arpeggio[i]);
        note.seconds = 0.25;
        note.pan = -0.5 + 0.25 * i;
        addNote(s, samplesFor(0.09 * i), note, false);
    }
    const int chord[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; i++) {
        note.frequency = keyFrequency(chord[i]);
        note.seconds = 1.45;
        note.gain = 0.7;
        note.pan = -0.3 + 0.2 * i;
        addNote(s, samplesFor(0.5), note, false);
    }
    fadeEdges(s, 0.003, 0.25);
    return s;
}

void putTag(Bytes &out, const char *tag)
{
    for (int i = 0; i < 4; i++)
        putU8(out, (unsigned char)tag[i]);
}

void putU16(Bytes &out, unsigned v)
{
    putU8(out, v & 0xff);
    putU8(out, (v >> 8) & 0xff);
}

int16_t toPcm(double v)
{
    v = std::fmax(-1.0, std::fmin(1.0, v));
    return (int16_t)std::lround(v * 32767);
}

}  // namespace

bool parseTune(const std::string &source, Tune &tune, std::string &error)
{
    tune = Tune();
    std::istringstream in(source);
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        std::vector<std::string> words = splitWords(stripComment(line));
        if (words.empty())
            continue;
        std::string what;
        if (!parseLine(words, tune, what)) {
            error = "line " + std::to_string(number) + ": " + what;
            return false;
        }
    }
    return checkTune(tune, error);
}

StereoSamples renderTune(const Tune &tune)
{
    double secondsPerBeat = 60.0 / tune.tempo;
    StereoSamples out = silence(std::max<size_t>(1, samplesFor(tune.loopBeats * secondsPerBeat)));
    for (const TunePart &part : tune.parts) {
        NoteSound sound;
        sound.timbre = findTimbre(part.timbre);
        sound.gain = part.level;
        sound.pan = part.pan;
        for (const TuneNote &note : part.notes) {
            sound.seconds = note.beats * secondsPerBeat;
            for (int key : note.keys) {
                sound.frequency = keyFrequency(key);
                addNote(out, samplesFor(note.start * secondsPerBeat), sound, true);
            }
        }
    }
    normalizePeak(out, MUSIC_PEAK);
    return out;
}

Bytes makeMusicWav(const std::string &tuneSource, std::string *error)
{
    Tune tune;
    std::string why;
    if (!parseTune(tuneSource, tune, why)) {
        if (error)
            *error = why;
        return Bytes();
    }
    return encodeWav(renderTune(tune));
}

std::vector<std::string> effectNames()
{
    return {"button.wav", "puzzle_up.wav", "puzzle_move.wav", "final.wav"};
}

Bytes makeEffectWav(const std::string &name)
{
    StereoSamples s;
    if (name == "button.wav")
        s = makeButton();
    else if (name == "puzzle_up.wav")
        s = makePuzzleUp();
    else if (name == "puzzle_move.wav")
        s = makePuzzleMove();
    else if (name == "final.wav")
        s = makeFinal();
    else
        return Bytes();
    normalizePeak(s, EFFECT_PEAK);
    return encodeWav(s);
}

Bytes encodeWav(const StereoSamples &samples)
{
    uint32_t frames = (uint32_t)samples.left.size();
    uint32_t dataSize = frames * 4;
    Bytes out;
    out.reserve(44 + dataSize);
    putTag(out, "RIFF");
    putU32(out, 36 + dataSize);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putU32(out, 16);
    putU16(out, 1);                  // PCM
    putU16(out, 2);                  // channels
    putU32(out, SOUND_RATE);
    putU32(out, SOUND_RATE * 4);     // bytes per second
    putU16(out, 4);                  // bytes per frame
    putU16(out, 16);                 // bits per sample
    putTag(out, "data");
    putU32(out, dataSize);
    for (uint32_t i = 0; i < frames; i++) {
        putU16(out, (uint16_t)toPcm(samples.left[i]));
        putU16(out, (uint16_t)toPcm(i < samples.right.size() ? samples.right[i] : 0.0));
    }
    return out;
}
