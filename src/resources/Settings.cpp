#include "resources/Settings.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

#ifdef _WIN32
// The system's text for the calling thread's last Windows error, on one line.
std::string lastWindowsErrorText()
{
    const DWORD error = GetLastError();
    char text[256] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, error, 0, text, sizeof text, NULL);
    // The system's texts end in a full stop and a line break.
    while (length > 0 && std::strchr("\r\n .", text[length - 1]))
        text[--length] = '\0';
    return length > 0 ? std::string(text) : "Windows error " + std::to_string(error);
}
#endif

} // namespace

bool replaceFile(const char *from, const char *to, std::string &reason)
{
#ifdef _WIN32
    // rename() refuses to overwrite an existing file on Windows.
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING))
        return true;
    reason = lastWindowsErrorText();
#else
    if (std::rename(from, to) == 0)
        return true;
    reason = errnoText(errno);
#endif
    return false;
}

namespace {

// Writes `size` bytes to `temporary`; 0, or the errno of the step that failed.
int writeTemporary(const unsigned char *bytes, size_t size, const std::string &temporary)
{
    errno = 0;
    FILE *out = std::fopen(temporary.c_str(), "wb");
    if (!out)
        return errno != 0 ? errno : EIO;
    int error = 0;
    if (std::fwrite(bytes, 1, size, out) != size || std::fflush(out) != 0)
        error = errno != 0 ? errno : EIO;
    // fclose reports write errors that buffering delayed, so it counts too.
    if (std::fclose(out) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    return error;
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

void Settings::encode(unsigned char bytes[SETTINGS_FILE_BYTES]) const
{
    std::memset(bytes, 0, SETTINGS_FILE_BYTES);
    encodeInt32(SETTINGS_FORMAT_VERSION, bytes + VERSION_OFFSET);
    bytes[SHOW_WELCOME_OFFSET] = showWelcome;
    bytes[MENU_EXPANDED_OFFSET] = menuExpanded;
    bytes[SOUND_ON_OFFSET] = soundOn;
    bytes[MUSIC_ON_OFFSET] = musicOn;
    for (int i = 0; i < SETTINGS_PICTURE_COUNT; ++i)
        encodeInt32(completed[i], bytes + COMPLETED_OFFSET + 4 * i);
    encodeInt32(puzzleSize, bytes + PUZZLE_SIZE_OFFSET);
}

bool Settings::save(FILE *out) const
{
    if (!out)
        return false;
    unsigned char bytes[SETTINGS_FILE_BYTES];
    encode(bytes);
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

bool writeFileAtomically(const char *path, const unsigned char *bytes, size_t size, const char *what)
{
    if (!path || !*path)
        return false;
    const std::string temporary = std::string(path) + ".tmp";
    std::string reason;
    const int error = writeTemporary(bytes, size, temporary);
    // A file system without access lists (FAT) cannot share and needs not:
    // the save goes on either way.
    if (error == 0)
        platformShareWithAllUsers(temporary.c_str());
    if (error != 0)
        reason = errnoText(error);
    else if (replaceFile(temporary.c_str(), path, reason))
        return true;
    std::remove(temporary.c_str());
    reportSettingsProblem((std::string("cannot save ") + what + " to").c_str(), path, reason, "");
    return false;
}

bool saveSettingsFile(const Settings &settings, const char *path)
{
    unsigned char bytes[SETTINGS_FILE_BYTES];
    settings.encode(bytes);
    return writeFileAtomically(path, bytes, sizeof bytes, "settings");
}

bool saveLoadedSettings(const Settings &settings, const char *path, SettingsFound &found)
{
    if (!path || !*path || found == SETTINGS_UNREADABLE)
        return false;
    if (found == SETTINGS_NOT_UNDERSTOOD) {
        const std::string kept = std::string(path) + SETTINGS_KEPT_SUFFIX;
        std::string reason;
        if (!replaceFile(path, kept.c_str(), reason)) {
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
