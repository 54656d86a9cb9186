// Images decoded ahead of need, outside deferral.
//
// A screen about to be shown names the archive entries it will show; one
// worker reads and decodes them while frames go on. When the screen is
// built, imageTexture takes a finished decode of the very same bytes and only
// uploads it, waits for one under way, and decodes one not yet begun itself.
// The bytes decide: an archive changed in between (a photo laid over it) is
// simply decoded when asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TexturePixels;

// The kinds of screens prefetched; each kind holds at most one request.
enum AheadSet { AHEAD_MENU, AHEAD_PICTURE, AHEAD_SETS };

// Entries of one archive to decode ahead: read from the first of `paths`
// that loads, with the same-named entries of `overlay` (when not empty) laid
// over them; `entries` empty: every PNG entry.
struct AheadArchive {
    std::vector<std::string> paths;
    std::string overlay;
    std::vector<std::string> entries;
};

// Replaces set `set`'s request by `archives`: images it no longer names are
// dropped, new ones queued, ones already held kept. The same request again
// changes nothing. Starts the worker on first use; nothing happens when it
// cannot start or ahead decoding is switched off.
void decodeAhead(int set, const std::vector<AheadArchive> &archives);
// Drops set `set`'s request and every image of it not yet claimed.
void dropAhead(int set);
// True while set `set` holds a request (made and neither dropped nor ignored).
bool aheadRequested(int set);
// Images of set `set` queued, under way or decoded and not yet claimed.
int aheadImagesHeld(int set);
// Waits until the worker has nothing queued or under way.
void waitForAheadDecodes();
// Off: requests are ignored and every held image is dropped (a test compares
// the game with and without). On by default.
void switchAheadDecoding(bool on);
// Drops every set and ends the worker.
void stopAheadDecoding();
// Takes the ahead decode of these bytes out of the pool: true with `pixels`
// and `ok` filled when one was finished or under way (waited for); false
// when there was none or it had not begun (then dropped: the caller decodes).
bool claimAheadDecode(const unsigned char *data, uint32_t size, TexturePixels &pixels, bool &ok);
// Queues the requests made while start-up's deferral held the cores; called
// when it finishes.
void releaseParkedAhead();
