#include "resources/PhotoCache.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "resources/PhotoPicture.h"

static bool endsWithNoCase(const std::string &name, const char *suffix)
{
    size_t n = strlen(suffix);
    if (name.size() <= n)
        return false;
    for (size_t i = 0; i < n; i++)
        if (tolower((unsigned char)name[name.size() - n + i]) != suffix[i])
            return false;
    return true;
}

static bool namesPhoto(const std::string &name)
{
    return endsWithNoCase(name, ".png") || endsWithNoCase(name, ".jpg") || endsWithNoCase(name, ".jpeg");
}

static PhotoFile describe(const std::string &folder, const std::string &name)
{
    PhotoFile photo;
    photo.name = name;
    photo.path = folder + "/" + name;
    struct stat info;
    if (stat(photo.path.c_str(), &info) != 0) {
        photo.statError = strerror(errno);
        return photo;
    }
    char key[64];
    snprintf(key, sizeof key, "|%lld|%lld|", (long long)info.st_size, (long long)info.st_mtime);
    photo.key = name + key + PHOTO_CUT_VERSION;
    return photo;
}

std::vector<PhotoFile> listPhotoFolder(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *dir = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!dir)
        return {};
    while (dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.' && namesPhoto(entry->d_name))
            names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    std::vector<PhotoFile> photos;
    for (const std::string &name : names)
        photos.push_back(describe(folder, name));
    return photos;
}

std::string photoCacheStem(const std::string &cacheFolder, const std::string &key)
{
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : key)
        hash = (hash ^ c) * 1099511628211ull;
    char name[40];
    snprintf(name, sizeof name, "/photo-%016" PRIx64, hash);
    return cacheFolder + name;
}

static bool exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool photoCached(const std::string &stem)
{
    return exists(stem + PHOTO_PIECES_SUFFIX) && exists(stem + PHOTO_COMMON_SUFFIX);
}

// An archive's bytes (format: resources/PakArchive.h).
static Bytes archiveBytes(const std::vector<std::pair<std::string, const Bytes *>> &entries)
{
    Bytes out;
    auto put32 = [&out](uint32_t v) {
        for (int i = 0; i < 4; i++)
            out.push_back((unsigned char)(v >> (8 * i)));
    };
    put32((uint32_t)entries.size());
    for (const auto &entry : entries) {
        out.push_back((unsigned char)entry.first.size());
        out.insert(out.end(), entry.first.begin(), entry.first.end());
        put32((uint32_t)entry.second->size());
        out.insert(out.end(), entry.second->begin(), entry.second->end());
    }
    return out;
}

static bool writeArchive(const std::string &path, const std::vector<std::pair<std::string, const Bytes *>> &entries,
                         std::string &why)
{
    Bytes bytes = archiveBytes(entries);
    return writeFileAtomically(path.c_str(), bytes.data(), bytes.size(), why);
}

bool makePhotoCache(const PhotoFile &photo, const std::string &stem, std::string &line)
{
    std::string why = photo.statError;
    std::vector<unsigned char> bytes;
    PhotoImage image;
    bool ok = photo.statError.empty() && readPhotoFile(photo.path, PHOTO_MAX_FILE_BYTES, bytes, why) &&
              decodePhoto(bytes.data(), bytes.size(), PHOTO_PICTURE_WIDTH, PHOTO_BOARD_ASPECT, image, why);
    if (!ok) {
        line = "lumbrik: photo \"" + photo.name + "\" skipped: " + why;
        return false;
    }
    bytes = std::vector<unsigned char>();
    PhotoPicture made = makePhotoPicture(image);
    image = PhotoImage();
    if (!writeArchive(stem + PHOTO_PIECES_SUFFIX, {{"picture.png", &made.picturePng}}, why) ||
        !writeArchive(stem + PHOTO_COMMON_SUFFIX, {{"final.png", &made.picturePng}, {"prev.png", &made.previewPng}},
                      why)) {
        line = "lumbrik: photo \"" + photo.name + "\" skipped: cannot write the cache (" + why + ")";
        return false;
    }
    int pieces = PHOTO_DETAIL_COLUMNS * PHOTO_DETAIL_ROWS;
    line.clear();
    if (made.plainPieces * 2 > pieces)
        line = "lumbrik: photo \"" + photo.name + "\" makes a poor puzzle: " + std::to_string(made.plainPieces) +
               " of " + std::to_string(pieces) + " pieces are nearly one colour";
    return true;
}

void prunePhotoCache(const std::string &cacheFolder, const std::vector<std::string> &keep)
{
    DIR *dir = cacheFolder.empty() ? nullptr : opendir(cacheFolder.c_str());
    if (!dir)
        return;
    std::vector<std::string> doomed;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.compare(0, 6, "photo-") != 0)
            continue;
        std::string stem = cacheFolder + "/" + name.substr(0, name.find('.'));
        if (std::find(keep.begin(), keep.end(), stem) == keep.end())
            doomed.push_back(cacheFolder + "/" + name);
    }
    closedir(dir);
    for (const std::string &path : doomed)
        remove(path.c_str());
}
