// The progress file's reader: any bytes are either refused, leaving nothing
// in progress, or accepted as exactly the bytes the writer makes of what was
// read, with no piece beyond its size.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "resources/Progress.h"

static void need(bool ok)
{
    if (!ok)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Progress read;
    read.place(0, 0, 1);  // must be cleared whatever the answer
    const bool accepted = decodeProgress(data, size, read);
    for (int s = 0; s < PROGRESS_SIZES; s++)
        for (int picture = 0; picture < PROGRESS_PICTURES; picture++) {
            need(accepted || read.placed[s][picture] == 0);
            need(read.placedCount(s, picture) <= progressPieceCount(s));
            need((read.placed[s][picture] >> progressPieceCount(s)) == 0);
        }
    if (!accepted)
        return 0;
    unsigned char written[PROGRESS_FILE_BYTES];
    encodeProgress(read, written);
    need(size == PROGRESS_FILE_BYTES && memcmp(written, data, size) == 0);
    return 0;
}
