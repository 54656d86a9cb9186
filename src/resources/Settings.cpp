#include "resources/Settings.h"

#include "platform/AtomicFile.h"
#include "platform/Platform.h"

#include <cerrno>
#include <cstring>
#include <string>


namespace {

// Byte offsets inside the settings file.
const int VERSION_OFFSET = 0;
const int SHOW_WELCOME_OFFSET = 4;
const int MENU_EXPANDED_OFFSET = 5;
const int SOUND_ON_OFFSET = 6;
const int MUSIC_ON_OFFSET = 7;
const int COMPLETED_OFFSET = 8;
const int PUZZLE_SIZE_OFFSET = 28;

int32_t decodeInt32(const unsigned char *bytes)
{
    uint32_t value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                     uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    return int32_t(value);
}

void encodeInt32(int32_t value, unsigned char *bytes)
{
    uint32_t bits = uint32_t(value);
    bytes[0] = (unsigned char)(bits & 0xff);
    bytes[1] = (unsigned char)(bits >> 8 & 0xff);
    bytes[2] = (unsigned char)(bits >> 16 & 0xff);
    bytes[3] = (unsigned char)(bits >> 24 & 0xff);
}

// A stored switch or flag is kept only when it is exactly 0 or 1.
unsigned char checkedSwitch(unsigned char stored, unsigned char fallback)
{
    return stored <= 1 ? stored : fallback;
}

int32_t checkedFlag(int32_t stored, int32_t fallback)
{
    return stored == 0 || stored == 1 ? stored : fallback;
}

// Text of an errno value for a message; a failure that left errno unset counts as an I/O error.
std::string errnoText(int error)
{
    return std::strerror(error != 0 ? error : EIO);
}

// One line on stderr about the settings file; the game goes on.
void reportSettingsProblem(const char *what, const char *path, const std::string &reason,
                           const char *consequence)
{
    std::fprintf(stderr, "lumbrik: %s \"%s\": %s%s\n", what, path, reason.c_str(), consequence);
    std::fflush(stderr);
}

// The 32 bytes of the settings file.
void encodeSettings(const Settings &settings, unsigned char (&bytes)[SETTINGS_FILE_BYTES])
{
    std::memset(bytes, 0, sizeof bytes);
    encodeInt32(SETTINGS_FORMAT_VERSION, bytes + VERSION_OFFSET);
    bytes[SHOW_WELCOME_OFFSET] = settings.showWelcome;
    bytes[MENU_EXPANDED_OFFSET] = settings.menuExpanded;
    bytes[SOUND_ON_OFFSET] = settings.soundOn;
    bytes[MUSIC_ON_OFFSET] = settings.musicOn;
    for (int i = 0; i < SETTINGS_PICTURE_COUNT; ++i)
        encodeInt32(settings.completed[i], bytes + COMPLETED_OFFSET + 4 * i);
    encodeInt32(settings.puzzleSize, bytes + PUZZLE_SIZE_OFFSET);
}

// Reads the open file into `settings` and closes it; 0, or the errno of a failed read.
int readOpenFile(FILE *in, Settings &settings, bool &understood)
{
    errno = 0;
    understood = settings.read(in);
    // A folder opens on Linux and fails only here, with EISDIR.
    const int error = std::ferror(in) ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(in);
    return error;
}

// Reads the file at `path` into `settings` (defaults unless understood).
SettingsFound readSettingsFile(const char *path, Settings &settings)
{
    errno = 0;
    FILE *in = std::fopen(path, "rb");
    if (!in && errno == ENOENT)
        return SETTINGS_MISSING;
    bool understood = false;
    const int error = in ? readOpenFile(in, settings, understood) : (errno != 0 ? errno : EIO);
    if (error == 0)
        return understood ? SETTINGS_READ : SETTINGS_NOT_UNDERSTOOD;
    settings = Settings();
    reportSettingsProblem("cannot read settings file", path, errnoText(error),
                          "; playing on defaults, the file is left as it is");
    return SETTINGS_UNREADABLE;
}

} // namespace

bool Settings::read(FILE *in)
{
    const Settings defaults;
    *this = defaults;
    if (!in)
        return false;
    unsigned char bytes[SETTINGS_FILE_BYTES];
    if (std::fread(bytes, 1, sizeof bytes, in) != sizeof bytes)
        return false;
    if (decodeInt32(bytes + VERSION_OFFSET) != SETTINGS_FORMAT_VERSION)
        return false;

    showWelcome = checkedSwitch(bytes[SHOW_WELCOME_OFFSET], defaults.showWelcome);
    menuExpanded = checkedSwitch(bytes[MENU_EXPANDED_OFFSET], defaults.menuExpanded);
    soundOn = checkedSwitch(bytes[SOUND_ON_OFFSET], defaults.soundOn);
    musicOn = checkedSwitch(bytes[MUSIC_ON_OFFSET], defaults.musicOn);
    for (int i = 0; i < SETTINGS_PICTURE_COUNT; ++i)
        completed[i] = checkedFlag(decodeInt32(bytes + COMPLETED_OFFSET + 4 * i),
                                   defaults.completed[i]);
    puzzleSize = checkedFlag(decodeInt32(bytes + PUZZLE_SIZE_OFFSET), defaults.puzzleSize);
    return true;
}

bool Settings::save(FILE *out) const
{
    if (!out)
        return false;
    unsigned char bytes[SETTINGS_FILE_BYTES];
    encodeSettings(*this, bytes);
    return std::fwrite(bytes, 1, sizeof bytes, out) == sizeof bytes;
}

const char SETTINGS_KEPT_SUFFIX[] = ".bad";

Settings loadSettings(const char *path, SettingsFound *found)
{
    Settings settings;
    const SettingsFound result =
        path && *path ? readSettingsFile(path, settings) : SETTINGS_MISSING;
    if (found)
        *found = result;
    return settings;
}

bool saveFileAtomically(const char *path, const unsigned char *bytes, size_t size, const char *what)
{
    if (!path || !*path)
        return false;
    std::string reason;
    if (!writeFileAtomically(path, bytes, size, reason)) {
        reportSettingsProblem((std::string("cannot save ") + what + " to").c_str(), path, reason, "");
        return false;
    }
    // Every user of a Windows computer saves to the one file; a file system
    // without access lists (FAT) cannot share and needs not.
    platformShareWithAllUsers(path);
    return true;
}

bool saveSettingsFile(const Settings &settings, const char *path)
{
    unsigned char bytes[SETTINGS_FILE_BYTES];
    encodeSettings(settings, bytes);
    return saveFileAtomically(path, bytes, sizeof bytes, "settings");
}

bool saveLoadedSettings(const Settings &settings, const char *path, SettingsFound &found)
{
    if (!path || !*path || found == SETTINGS_UNREADABLE)
        return false;
    if (found == SETTINGS_NOT_UNDERSTOOD) {
        const std::string kept = std::string(path) + SETTINGS_KEPT_SUFFIX;
        std::string reason;
        if (!moveFileOver(path, kept.c_str(), reason)) {
            reportSettingsProblem("cannot keep the settings file it does not understand",
                                  path, reason, "; settings not saved");
            return false;
        }
        // The old bytes are safe; from here on the path is an ordinary missing file.
        found = SETTINGS_MISSING;
    }
    if (!saveSettingsFile(settings, path))
        return false;
    found = SETTINGS_READ;
    return true;
}
