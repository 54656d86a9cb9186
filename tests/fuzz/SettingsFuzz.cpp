// Settings load, save and reload: any file gives settings whose fields all
// hold 0 or 1; saving them and loading the saved file gives the same values,
// and a well-formed file is saved back byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "resources/Settings.h"

static void need(bool ok)
{
    if (!ok)
        abort();
}

// A private folder for the files, made once and removed at exit: in $TMPDIR,
// else in memory (/dev/shm) where a disk's journal would slow every save.
static const std::string &folder()
{
    static std::string path;
    if (path.empty()) {
        const char *tmp = getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/lumbrik-settings-fuzz-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        need(mkdtemp(buf.data()) != nullptr);
        path = buf.data();
        atexit([] {
            unlink((path + "/in").c_str());
            unlink((path + "/out").c_str());
            rmdir(path.c_str());
        });
    }
    return path;
}

static void writeBytes(const std::string &path, const uint8_t *data, size_t size)
{
    FILE *f = fopen(path.c_str(), "wb");
    need(f && fwrite(data, 1, size, f) == size && fclose(f) == 0);
}

static std::vector<uint8_t> readBytes(const std::string &path)
{
    std::vector<uint8_t> bytes(64);
    FILE *f = fopen(path.c_str(), "rb");
    need(f != nullptr);
    bytes.resize(fread(bytes.data(), 1, bytes.size(), f));
    fclose(f);
    return bytes;
}

static uint32_t le32(const uint8_t *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

// 32 bytes of version 1 whose switches and flags all hold 0 or 1.
static bool wellFormed(const uint8_t *data, size_t size)
{
    if (size != SETTINGS_FILE_BYTES || le32(data) != 1)
        return false;
    for (int i = 4; i < 8; i++)
        if (data[i] > 1)
            return false;
    for (int i = 8; i < 32; i += 4)
        if (le32(data + i) > 1)
            return false;
    return true;
}

static bool sameValues(const Settings &a, const Settings &b)
{
    return a.showWelcome == b.showWelcome && a.menuExpanded == b.menuExpanded &&
           a.soundOn == b.soundOn && a.musicOn == b.musicOn && a.puzzleSize == b.puzzleSize &&
           memcmp(a.completed, b.completed, sizeof a.completed) == 0;
}

static bool allZeroOrOne(const Settings &s)
{
    bool ok = s.showWelcome <= 1 && s.menuExpanded <= 1 && s.soundOn <= 1 && s.musicOn <= 1 &&
              (s.puzzleSize == 0 || s.puzzleSize == 1);
    for (int32_t flag : s.completed)
        ok = ok && (flag == 0 || flag == 1);
    return ok;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string in = folder() + "/in", out = folder() + "/out";
    writeBytes(in, data, size);
    Settings loaded = loadSettings(in.c_str());
    need(allZeroOrOne(loaded));
    need(saveSettingsFile(loaded, out.c_str()));
    Settings reloaded = loadSettings(out.c_str());
    need(sameValues(loaded, reloaded));
    std::vector<uint8_t> saved = readBytes(out);
    need(saved.size() == SETTINGS_FILE_BYTES);
    if (wellFormed(data, size))
        need(memcmp(saved.data(), data, SETTINGS_FILE_BYTES) == 0);
    return 0;
}
