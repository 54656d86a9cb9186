#include "resources/Progress.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/AtomicFile.h"
#include "resources/ByteReader.h"
#include "resources/Settings.h"

const char PROGRESS_FILE_NAME[] = "pelnovo_lumbrik_progress";

namespace {

const unsigned char MAGIC[4] = {'L', 'P', 'R', 'G'};
const int PIECES_OF_SIZE[PROGRESS_SIZES] = {20, 48};
// A file this long or longer is not ours; read no further.
const size_t READ_LIMIT = PROGRESS_FILE_BYTES + 1;

bool inRange(int size, int picture)
{
    return size >= 0 && size < PROGRESS_SIZES && picture >= 0 && picture < PROGRESS_PICTURES;
}

uint64_t sizeMask(int size)
{
    return (uint64_t(1) << PIECES_OF_SIZE[size]) - 1;
}

uint32_t fnv1a(const unsigned char *bytes, size_t size)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

void put32(uint32_t value, unsigned char *&out)
{
    for (int i = 0; i < 4; i++)
        *out++ = (unsigned char)(value >> (8 * i));
}

bool readU64(ByteReader &in, uint64_t &out)
{
    uint32_t low, high;
    if (!in.readU32(low) || !in.readU32(high))
        return false;
    out = uint64_t(high) << 32 | low;
    return true;
}

void sayProgress(const char *what, const char *path, const char *reason)
{
    std::fprintf(stderr, "lumbrik: %s \"%s\": %s\n", what, path, reason);
    std::fflush(stderr);
}

// Reads at most READ_LIMIT bytes of `path`; 0, ENOENT, or the errno of the failure.
int readSmallFile(const char *path, std::vector<unsigned char> &bytes)
{
    errno = 0;
    FILE *in = std::fopen(path, "rb");
    if (!in)
        return errno != 0 ? errno : EIO;
    bytes.resize(READ_LIMIT);
    bytes.resize(std::fread(bytes.data(), 1, READ_LIMIT, in));
    const int error = std::ferror(in) ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(in);
    return error;
}

// Moves a file we do not understand out of the way, so that the next save
// does not destroy what may be someone's data.
bool setAside(const char *path)
{
    const std::string kept = std::string(path) + SETTINGS_KEPT_SUFFIX;
    std::string reason;
    if (moveFileOver(path, kept.c_str(), reason)) {
        sayProgress("progress file damaged or not ours, kept as", kept.c_str(),
                    "pictures in progress start afresh");
        return true;
    }
    sayProgress("progress file damaged or not ours and cannot be kept aside", path, reason.c_str());
    return false;
}

} // namespace

bool Progress::isPlaced(int size, int picture, int n) const
{
    if (!inRange(size, picture) || n < 1 || n > PIECES_OF_SIZE[size])
        return false;
    return (placed[size][picture] >> (n - 1)) & 1;
}

void Progress::place(int size, int picture, int n)
{
    if (inRange(size, picture) && n >= 1 && n <= PIECES_OF_SIZE[size])
        placed[size][picture] |= uint64_t(1) << (n - 1);
}

int Progress::placedCount(int size, int picture) const
{
    int count = 0;
    for (int n = 1; inRange(size, picture) && n <= PIECES_OF_SIZE[size]; n++)
        count += isPlaced(size, picture, n);
    return count;
}

void Progress::clearPicture(int picture)
{
    for (int size = 0; size < PROGRESS_SIZES && inRange(size, picture); size++)
        placed[size][picture] = 0;
}

void Progress::clearAll()
{
    *this = Progress();
}

int progressPieceCount(int size)
{
    return size >= 0 && size < PROGRESS_SIZES ? PIECES_OF_SIZE[size] : 0;
}

void encodeProgress(const Progress &progress, unsigned char bytes[PROGRESS_FILE_BYTES])
{
    unsigned char *out = bytes;
    std::memcpy(out, MAGIC, sizeof MAGIC);
    out += sizeof MAGIC;
    put32((uint32_t)PROGRESS_FORMAT_VERSION, out);
    for (int size = 0; size < PROGRESS_SIZES; size++)
        for (int picture = 0; picture < PROGRESS_PICTURES; picture++) {
            const uint64_t mask = progress.placed[size][picture] & sizeMask(size);
            put32((uint32_t)mask, out);
            put32((uint32_t)(mask >> 32), out);
        }
    put32(fnv1a(bytes, PROGRESS_FILE_BYTES - 4), out);
}

bool decodeProgress(const unsigned char *bytes, size_t size, Progress &out)
{
    out = Progress();
    if (!bytes || size != PROGRESS_FILE_BYTES)
        return false;
    ByteReader in{bytes, bytes + size};
    const unsigned char *magic;
    int32_t version;
    if (!in.take(magic, sizeof MAGIC) || std::memcmp(magic, MAGIC, sizeof MAGIC) != 0)
        return false;
    if (!in.readI32(version) || version != PROGRESS_FORMAT_VERSION)
        return false;
    Progress read;
    for (int s = 0; s < PROGRESS_SIZES; s++)
        for (int picture = 0; picture < PROGRESS_PICTURES; picture++)
            if (!readU64(in, read.placed[s][picture]) || (read.placed[s][picture] & ~sizeMask(s)))
                return false;
    uint32_t checksum;
    if (!in.readU32(checksum) || checksum != fnv1a(bytes, PROGRESS_FILE_BYTES - 4))
        return false;
    out = read;
    return true;
}

std::string progressPathBeside(const std::string &settingsPath)
{
    if (settingsPath.empty())
        return std::string();
    const size_t slash = settingsPath.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : settingsPath.substr(0, slash + 1);
    return folder + PROGRESS_FILE_NAME;
}

Progress loadProgress(const char *path, ProgressFound *found)
{
    Progress progress;
    ProgressFound result = PROGRESS_MISSING;
    std::vector<unsigned char> bytes;
    const int error = path && *path ? readSmallFile(path, bytes) : ENOENT;
    if (error == 0 && decodeProgress(bytes.data(), bytes.size(), progress)) {
        result = PROGRESS_READ;
    } else if (error == 0) {
        result = setAside(path) ? PROGRESS_SET_ASIDE : PROGRESS_UNREADABLE;
    } else if (error != ENOENT) {
        sayProgress("cannot read progress file", path, std::strerror(error));
        result = PROGRESS_UNREADABLE;
    }
    if (found)
        *found = result;
    return progress;
}

bool saveProgress(const Progress &progress, const char *path)
{
    unsigned char bytes[PROGRESS_FILE_BYTES];
    encodeProgress(progress, bytes);
    return saveFileAtomically(path, bytes, sizeof bytes, "progress");
}
