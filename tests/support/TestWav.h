// WAV files made in memory for the sound tests.
#pragma once

#include <cstdint>
#include <vector>

#include "support/TestArchives.h"

// Appends `v` as 16 bits, little-endian.
void putU16(Bytes &out, unsigned v);
// Appends a four-letter chunk tag.
void putTag(Bytes &out, const char *tag);
// A PCM WAV file; `samples` interleaved, 16-bit values (8-bit files keep the
// top byte, stored unsigned as WAV requires).
Bytes encodeTestWav(int rate, int channels, int bits, const std::vector<int16_t> &samples);
// `frames` device-format frames, every sample `value`.
Bytes constantWav(int16_t value, int frames);
// Device-format frames whose left and right samples are i % 1000 + 1 and its
// negation: never silent, and the position inside the clip can be read off.
std::vector<int16_t> rampSamples(int frames);
