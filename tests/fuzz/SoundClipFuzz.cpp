// WAV clip load and conversion: any bytes give no clip or a clip of whole
// device frames; the header walk agrees with the loader, and a clip comes
// only from a WAV whose chunks lie inside the bytes.
#include <cstdint>
#include <cstdlib>

#include "audio/SoundClip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > UINT32_MAX)
        return 0;
    WavHeader header;
    WavCheck check = readWavHeader(data, (uint32_t)size, header);
    // The RIFF header, a format chunk of 16 bytes or more and the data
    // chunk's header come before the samples.
    if (check == WAV_OK && (uint64_t)header.dataBytes + 44 > size)
        abort();
    SoundClip *clip = decodeSoundClip(data, (uint32_t)size);
    if (clip && check != WAV_OK)
        abort();  // something the walk refused reached SDL
    if (clip && (clip->length == 0 || clip->length % SOUND_FRAME_BYTES != 0 || !clip->buffer))
        abort();
    delete clip;
    return 0;
}
