// The photos of a parent's folder and what the game keeps made from them in
// the per-user cache, so that unchanged photos are not made again.
#pragma once

#include <string>
#include <vector>

// Changes whenever what a photo becomes changes, so old cache files are remade.
const char PHOTO_CUT_VERSION[] = "1";
// Photos larger than this (bytes) are not read at all.
const size_t PHOTO_MAX_FILE_BYTES = 256u << 20;
// Cache files of one photo: the picture archive's and the common archive's entries.
const char PHOTO_PIECES_SUFFIX[] = ".pieces.pak";
const char PHOTO_COMMON_SUFFIX[] = ".common.pak";

// One file of the folder whose name says PNG or JPEG.
struct PhotoFile {
    std::string name;  // as listed, for messages
    std::string path;
    std::string key;   // name, size, modification time and PHOTO_CUT_VERSION; "" when stat failed
    std::string statError;  // why stat failed (a link loop, say)
};

// The folder's .png, .jpg and .jpeg files (any case), by name; nothing for a
// missing or unreadable folder.
std::vector<PhotoFile> listPhotoFolder(const std::string &folder);
// Where the cache files of a photo with this key live, without the suffixes.
std::string photoCacheStem(const std::string &cacheFolder, const std::string &key);
// True when both cache files of the stem exist.
bool photoCached(const std::string &stem);
// Reads, decodes and makes the photo, and writes its two cache files. `line`
// is what to tell about it: why it was skipped (false), that it makes a poor
// puzzle, or nothing.
bool makePhotoCache(const PhotoFile &photo, const std::string &stem, std::string &line);
// Deletes the cache files in the folder whose stems are not in `keep`, so
// that the cache never outgrows the photos in use.
void prunePhotoCache(const std::string &cacheFolder, const std::vector<std::string> &keep);
