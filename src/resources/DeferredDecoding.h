// Archive images decoded on worker threads: during start-up, and ahead of
// need once the game runs (resources/AheadDecoding.h).
//
// Decoding the first screen's images takes longer than building the rest of
// the start-up scene, and nothing before the first frame needs their pixels,
// only their texture ids. So while deferral is on, an image's texture id is
// handed out at once and its decoding queued to the workers; the pixels reach
// the GL when deferral finishes, before anything is drawn.
// Deferral may begin before the window opens: images named in advance are
// then read and decoded while the window opens; the archive cache takes the
// archives so read, and a later request for the very same bytes takes the
// decoded pixels. Outside deferral every image is
// decoded and uploaded when asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PakArchive;
struct TexturePixels;

// Workers besides the thread that finishes (the machines we aim at have two cores).
const int DECODE_WORKERS = 2;

// How one deferral went, for tests and benchmarks.
struct DecodeCounts {
    int32_t prefetched = 0;  // images decoded from a prefetch list
    int32_t claimed = 0;     // of those, asked for before the finish
    int32_t requested = 0;   // images decoded because they were asked for
    int32_t archivesRead = 0;   // archives a prefetch loaded from their first path
    int32_t archivesTaken = 0;  // of those, taken by the archive cache
};

// Every decode since the program started, by the thread that did it.
struct DecodeTally {
    int32_t onMainThread = 0;      // decoded by the thread that asked for the image
    int32_t onWorkers = 0;
    int64_t mainThreadMicros = 0;  // time the asking thread spent decoding (microseconds)
};

// Counts so far; main thread only, safe while workers run.
DecodeTally decodeTally();

// decodeImage, counted in decodeTally for the calling thread (the main
// thread when `mainThread`, else a worker). Safe on any thread.
bool decodeCounted(const unsigned char *data, uint32_t size, TexturePixels &out, bool mainThread);

// Starts deferral and its workers; needs no window. False when deferral is
// already on or no worker could start: images are then decoded at once.
bool beginDeferredDecoding();
// True between a successful begin and its finish.
bool deferredDecodingActive();
// While deferral is on: a worker reads the archive from the first of `paths`
// that loads and decodes its PNG entries named in `entries` (all of them when
// empty). Nothing happens when deferral is off or no path loads.
void prefetchImages(const std::vector<std::string> &paths, const std::vector<std::string> &entries);
// While deferral is on: the archive a prefetch loaded from the first of
// exactly these paths, which the caller then owns; null when there is none
// (or it was taken). Waits for the prefetch's reads.
PakArchive *takePrefetchedArchive(const std::vector<std::string> &paths);
// Texture of an image held in memory. Deferred: a reserved id, filled at the
// finish and left without an image when the bytes do not decode (drawn
// untextured, as id 0 would be); a prefetched decode of the same bytes is
// used. Otherwise uploaded now, from an ahead decode of the same bytes when
// there is one, else decoded here: 0 when the bytes do not decode.
// Needs the GL context. Release with: releaseImageTexture.
uint32_t imageTexture(const unsigned char *data, uint32_t size);
// Deletes a texture from imageTexture; a deferred one is never filled.
void releaseImageTexture(uint32_t textureId);
// Ends deferral: this thread decodes what is still queued alongside the
// workers, waits for them, fills every texture still held and drops
// prefetched pixels nobody asked for. Zero counts when deferral is
// off. Needs the GL context.
DecodeCounts finishDeferredDecoding();
