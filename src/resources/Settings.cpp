#include "resources/Settings.h"

#include <string>

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

// Moves `from` over `to`, replacing `to` when it exists.
bool replaceFile(const char *from, const char *to)
{
#ifdef _WIN32
    // rename() refuses to overwrite an existing file on Windows.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from, to) == 0;
#endif
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
    unsigned char bytes[SETTINGS_FILE_BYTES] = {};
    encodeInt32(SETTINGS_FORMAT_VERSION, bytes + VERSION_OFFSET);
    bytes[SHOW_WELCOME_OFFSET] = showWelcome;
    bytes[MENU_EXPANDED_OFFSET] = menuExpanded;
    bytes[SOUND_ON_OFFSET] = soundOn;
    bytes[MUSIC_ON_OFFSET] = musicOn;
    for (int i = 0; i < SETTINGS_PICTURE_COUNT; ++i)
        encodeInt32(completed[i], bytes + COMPLETED_OFFSET + 4 * i);
    encodeInt32(puzzleSize, bytes + PUZZLE_SIZE_OFFSET);
    return std::fwrite(bytes, 1, sizeof bytes, out) == sizeof bytes;
}

Settings loadSettings(const char *path)
{
    Settings settings;
    if (!path || !*path)
        return settings;
    FILE *in = std::fopen(path, "rb");
    if (!in)
        return settings;
    settings.read(in);
    std::fclose(in);
    return settings;
}

bool saveSettingsFile(const Settings &settings, const char *path)
{
    if (!path || !*path)
        return false;
    const std::string temporary = std::string(path) + ".tmp";
    FILE *out = std::fopen(temporary.c_str(), "wb");
    if (!out)
        return false;
    bool written = settings.save(out);
    written = std::fflush(out) == 0 && written;
    // fclose reports write errors that buffering delayed, so it counts too.
    written = std::fclose(out) == 0 && written;
    if (written && replaceFile(temporary.c_str(), path))
        return true;
    std::remove(temporary.c_str());
    return false;
}
