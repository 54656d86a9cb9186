// The Windows platform layer through the real Windows calls, run under Wine
// by scripts/check-windows.sh: the settings folder and file, the browser
// launch through the http association, and the quit signals. Plain checks,
// one line per case, and the case count at the end; exit status 1 on any
// failure. Needs browser-standin.exe beside it, and must not run with Unix
// root rights (Wine then ignores a folder's access list).
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <io.h>
#include <sstream>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Browser.h"
#include "platform/Platform.h"
#include "resources/Settings.h"
#include "support/FileBytes.h"

namespace {

// ---- checks ----------------------------------------------------------------

int caseCount = 0;
int failedCases = 0;
bool caseFailed = false;

void check(bool ok, const char *what, int line)
{
    if (ok)
        return;
    std::printf("    line %d: %s\n", line, what);
    caseFailed = true;
}

// As check, and prints both values when they differ.
template <typename A, typename B>
void checkEqual(const A &a, const B &b, const char *what, int line)
{
    if (a == b)
        return;
    std::ostringstream values;
    values << what << "\n        left:  " << a << "\n        right: " << b;
    check(false, values.str().c_str(), line);
}

#define CHECK(condition) check((condition), #condition, __LINE__)
#define CHECK_EQ(a, b) checkEqual((a), (b), #a " == " #b, __LINE__)

void runCase(const char *name, void (*body)())
{
    caseFailed = false;
    body();
    caseCount++;
    if (caseFailed)
        failedCases++;
    std::printf("%s %s\n", caseFailed ? "FAIL" : "ok  ", name);
    std::fflush(stdout);
}

// ---- files -----------------------------------------------------------------

const char BASE[] = "C:\\lumbrik-wine";
const char COMMON_APPDATA_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char HTTP_COMMAND_KEY[] = "http\\shell\\open\\command";

std::string under(const char *name)
{
    return std::string(BASE) + "\\" + name;
}

std::string readText(const std::string &path)
{
    Bytes bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Sets the folder's access list from a security descriptor string.
bool setFolderAccess(const std::string &folder, const char *descriptor)
{
    PSECURITY_DESCRIPTOR security = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                              &security, NULL))
        return false;
    const BOOL set = SetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, security);
    LocalFree(security);
    return set != 0;
}

// Everyone may read and list the folder, nobody may write to it.
const char READ_ONLY_ACCESS[] = "D:P(A;OICI;GRGX;;;WD)";
const char FULL_ACCESS[] = "D:P(A;OICI;GA;;;WD)";

// Everything written to stderr between start() and text().
struct StderrCapture {
    std::string file;
    int saved = -1;
    void start(const std::string &name)
    {
        file = name;
        std::fflush(stderr);
        saved = _dup(_fileno(stderr));
        FILE *out = std::fopen(file.c_str(), "wb");
        _dup2(_fileno(out), _fileno(stderr));
        std::fclose(out);
    }
    std::string text()
    {
        std::fflush(stderr);
        _dup2(saved, _fileno(stderr));
        _close(saved);
        return readText(file);
    }
};

// ---- settings --------------------------------------------------------------

// Every field away from its default.
Settings sample()
{
    Settings s;
    s.showWelcome = 0;
    s.menuExpanded = 0;
    s.soundOn = 0;
    s.musicOn = 0;
    s.completed[1] = s.completed[4] = 1;
    s.puzzleSize = 0;
    return s;
}

const Bytes SAMPLE_BYTES = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
                            0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};

bool sameFields(const Settings &a, const Settings &b)
{
    return a.showWelcome == b.showWelcome && a.menuExpanded == b.menuExpanded &&
           a.soundOn == b.soundOn && a.musicOn == b.musicOn &&
           std::memcmp(a.completed, b.completed, sizeof a.completed) == 0 &&
           a.puzzleSize == b.puzzleSize;
}

// Writes one registry value of text, creating its key when missing.
bool setRegistryText(HKEY root, const char *keyName, const char *valueName, DWORD type,
                     const std::string &text)
{
    HKEY key;
    if (RegCreateKeyExA(root, keyName, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(key, valueName, 0, type,
                                       reinterpret_cast<const BYTE *>(text.c_str()),
                                       (DWORD)text.size() + 1);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Points the all-users data folder at `folder` (REG_EXPAND_SZ, as Windows keeps it).
bool setCommonAppData(const std::string &folder)
{
    return setRegistryText(HKEY_LOCAL_MACHINE, COMMON_APPDATA_KEY, "Common AppData",
                           REG_EXPAND_SZ, folder);
}

void settingsPathIsInTheAllUsersDataFolder()
{
    char programData[MAX_PATH] = {};
    CHECK(GetEnvironmentVariableA("ProgramData", programData, sizeof programData) > 0);
    CHECK_EQ(platformSettingsPath(), std::string(programData) + "\\pelnovo_lumbrik_cfg");
}

// The folder the remaining settings cases use, created by the shell call.
const std::string SHARED = std::string(BASE) + "\\all users\\data";

void settingsFolderIsCreatedWhenMissing()
{
    CHECK(!exists(SHARED));
    CHECK(setCommonAppData(SHARED));
    CHECK_EQ(platformSettingsPath(), SHARED + "\\pelnovo_lumbrik_cfg");
    CHECK(isFolder(SHARED));
    CHECK(setCommonAppData("%ProgramData%"));
}

// The user's pictures and local data folders moved (as a parent may move
// them): the photo folder follows the shell, the cache is made inside it.
void photoAndCacheFoldersFollowTheShell()
{
    const std::string pictures = std::string(BASE) + "\\my pictures", local = std::string(BASE) + "\\local data";
    CHECK(CreateDirectoryA(pictures.c_str(), NULL));
    CHECK(CreateDirectoryA(local.c_str(), NULL));
    CHECK(setRegistryText(HKEY_CURRENT_USER, COMMON_APPDATA_KEY, "My Pictures", REG_EXPAND_SZ, pictures));
    CHECK(setRegistryText(HKEY_CURRENT_USER, COMMON_APPDATA_KEY, "Local AppData", REG_EXPAND_SZ, local));
    CHECK_EQ(platformPhotoFolder(), pictures + "\\Lumbrik");
    CHECK_EQ(platformCacheFolder(), local + "\\lumbrik\\cache");
    CHECK(isFolder(local + "\\lumbrik\\cache"));
    CHECK(!exists(pictures + "\\Lumbrik"));  // never made for the parent
}

void saveThenLoadRoundTripsEveryField()
{
    const std::string path = SHARED + "\\pelnovo_lumbrik_cfg";
    CHECK(saveSettingsFile(sample(), path.c_str()));
    CHECK(readFileBytes(path) == SAMPLE_BYTES);
    SettingsFound found = SETTINGS_MISSING;
    CHECK(sameFields(loadSettings(path.c_str(), &found), sample()));
    CHECK_EQ(found, SETTINGS_READ);
}

void saveReplacesAnExistingFile()
{
    const std::string path = SHARED + "\\pelnovo_lumbrik_cfg";
    CHECK(writeFileBytes(path, Bytes(100, 'x')));
    CHECK(saveSettingsFile(sample(), path.c_str()));
    CHECK(readFileBytes(path) == SAMPLE_BYTES);
    CHECK(!exists(path + ".tmp"));
}

void saveIntoAReadOnlyFolderFailsAndKeepsTheOldFile()
{
    const std::string folder = under("read-only");
    const std::string path = folder + "\\pelnovo_lumbrik_cfg";
    CHECK(CreateDirectoryA(folder.c_str(), NULL));
    CHECK(writeFileBytes(path, SAMPLE_BYTES));
    CHECK(setFolderAccess(folder, READ_ONLY_ACCESS));
    const HANDLE probe = CreateFileA((folder + "\\probe").c_str(), GENERIC_WRITE, 0, NULL,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    // With Unix root rights Wine lets every write through: the case proves nothing then.
    check(probe == INVALID_HANDLE_VALUE, "the access list stops writes (not run as root)", __LINE__);
    if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
    StderrCapture captured;
    captured.start(under("stderr-read-only.txt"));
    const bool saved = saveSettingsFile(Settings(), path.c_str());
    const std::string said = captured.text();
    CHECK(!saved);
    CHECK(readFileBytes(path) == SAMPLE_BYTES);
    CHECK(!exists(path + ".tmp"));
    CHECK_EQ(said, "lumbrik: cannot save settings to \"" + path + "\": Permission denied\n");
    CHECK(setFolderAccess(folder, FULL_ACCESS));
}

// Every user shares the one settings file: the access list each save gives
// it is accepted. Wine keeps no
// access list it is given (it answers with SYSTEM and the owner, from the
// Unix mode), so whether Users may then replace the file shows only on Windows.
void sharingTheSettingsFileIsAccepted()
{
    const std::string path = SHARED + "\\pelnovo_lumbrik_cfg";
    CHECK(saveSettingsFile(sample(), path.c_str()));
    CHECK(platformShareWithAllUsers(path.c_str()));
    CHECK(!platformShareWithAllUsers((SHARED + "\\no such file").c_str()));
}

// "ll_CC" (or "ll"), as the locale variables give it on Linux.
void interfaceLanguageIsLanguageAndCountry()
{
    const std::string language = platformUserLanguage();
    CHECK(language.size() == 2 || (language.size() == 5 && language[2] == '_'));
    CHECK(language.size() >= 2 && std::islower(language[0]) && std::islower(language[1]));
}

// Counts the flushes the save asks for and fails each with a write fault.
int flushesAsked = 0;
int failingFlush(intptr_t handle)
{
    flushesAsked++;
    return handle != 0 && handle != intptr_t(INVALID_HANDLE_VALUE) ? ERROR_WRITE_FAULT : ERROR_INVALID_HANDLE;
}

void failedFlushIsAFailedSaveAndKeepsTheOldFile()
{
    const std::string path = under("flush-fails");
    CHECK(writeFileBytes(path, SAMPLE_BYTES));
    flushesAsked = 0;
    setFileSyncFunction(failingFlush);
    StderrCapture captured;
    captured.start(under("stderr-flush.txt"));
    const bool saved = saveSettingsFile(Settings(), path.c_str());
    const std::string said = captured.text();
    setFileSyncFunction(nullptr);
    CHECK(!saved);
    CHECK_EQ(flushesAsked, 1);
    CHECK(readFileBytes(path) == SAMPLE_BYTES);
    CHECK(!exists(path + ".tmp"));
    const std::string expected = "lumbrik: cannot save settings to \"" + path + "\": ";
    CHECK_EQ(said.substr(0, expected.size()), expected);
    // One line, with the system's reason after the path.
    CHECK(said.size() > expected.size() + 1 && said.find('\n') == said.size() - 1);
}

// A file another program holds without sharing, and a folder in the file's
// place: neither can be read, and the save at exit leaves both alone.
void unreadableSettingsAreNeverWrittenOver()
{
    const std::string path = under("held");
    CHECK(writeFileBytes(path, SAMPLE_BYTES));
    const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, NULL);
    CHECK(held != INVALID_HANDLE_VALUE);
    const std::string folder = under("folder-in-place");
    CHECK(CreateDirectoryA(folder.c_str(), NULL));
    StderrCapture captured;
    captured.start(under("stderr-unreadable.txt"));
    SettingsFound heldFound = SETTINGS_READ;
    SettingsFound folderFound = SETTINGS_READ;
    const bool defaults = sameFields(loadSettings(path.c_str(), &heldFound), Settings());
    loadSettings(folder.c_str(), &folderFound);
    const bool heldSaved = saveLoadedSettings(sample(), path.c_str(), heldFound);
    const bool folderSaved = saveLoadedSettings(sample(), folder.c_str(), folderFound);
    const std::string said = captured.text();
    CloseHandle(held);
    CHECK(defaults);
    CHECK_EQ(heldFound, SETTINGS_UNREADABLE);
    CHECK_EQ(folderFound, SETTINGS_UNREADABLE);
    CHECK(!heldSaved && !folderSaved);
    CHECK(readFileBytes(path) == SAMPLE_BYTES);
    CHECK(isFolder(folder));
    CHECK_EQ(said, "lumbrik: cannot read settings file \"" + path +
                       "\": Permission denied; playing on defaults, the file is left as it is\n"
                       "lumbrik: cannot read settings file \"" + folder +
                       "\": Permission denied; playing on defaults, the file is left as it is\n");
}

// MoveFileExA must replace a .bad kept from an earlier run.
void fileNotUnderstoodIsKeptAsBadOverAnOlderOne()
{
    const std::string path = under("not-understood");
    const Bytes old(SAMPLE_BYTES.begin(), SAMPLE_BYTES.begin() + 9);
    CHECK(writeFileBytes(path, old));
    CHECK(writeFileBytes(path + SETTINGS_KEPT_SUFFIX, Bytes(3, 'o')));
    SettingsFound found = SETTINGS_READ;
    CHECK(sameFields(loadSettings(path.c_str(), &found), Settings()));
    CHECK_EQ(found, SETTINGS_NOT_UNDERSTOOD);
    CHECK(saveLoadedSettings(sample(), path.c_str(), found));
    CHECK(readFileBytes(path + SETTINGS_KEPT_SUFFIX) == old);
    CHECK(readFileBytes(path) == SAMPLE_BYTES);
}

// ---- browser ---------------------------------------------------------------

const char URL[] = "http://www.lumbrik-games.example/download/?utm_source=software"
                   "&utm_medium=lumbrik_win&utm_term=prog&utm_content=2.0.0"
                   "&utm_campaign=lumbrik_win";

std::string standInSource;  // browser-standin.exe beside this program
const std::string LOG = under("standin.log");
const std::string RELEASE = under("standin.release");

bool setHttpCommand(const std::string &value)
{
    return setRegistryText(HKEY_CLASSES_ROOT, HTTP_COMMAND_KEY, NULL, REG_SZ, value);
}

// Copies the stand-in to `path`, creating its folders.
bool placeStandIn(const std::string &path)
{
    const std::string folder = path.substr(0, path.rfind('\\'));
    SHCreateDirectoryExA(NULL, folder.c_str(), NULL);
    return CopyFileA(standInSource.c_str(), path.c_str(), FALSE) != 0;
}

// The stand-in's log lines, waiting up to ten seconds for `count` of them.
std::vector<std::string> waitForLaunches(size_t count)
{
    std::vector<std::string> lines;
    for (int waited = 0; waited <= 10000; waited += 20) {
        lines.clear();
        std::istringstream text(readText(LOG));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        if (lines.size() >= count)
            break;
        Sleep(20);
    }
    return lines;
}

void resetLaunches(bool released)
{
    DeleteFileA(LOG.c_str());
    DeleteFileA(RELEASE.c_str());
    if (released)
        CHECK(writeFileBytes(RELEASE, Bytes(1, '\n')));
}

// With the association `value`, one launch starts the stand-in at `program` once,
// with the URL as its one argument.
void expectOneLaunch(const std::string &value, const std::string &program)
{
    CHECK(setHttpCommand(value));
    resetLaunches(true);
    CHECK(platformOpenUrl(URL, nullptr, nullptr));
    const std::vector<std::string> lines = waitForLaunches(1);
    Sleep(300);  // time for a second, wrong start to show
    CHECK_EQ(waitForLaunches(1).size(), (size_t)1);
    CHECK_EQ(lines.empty() ? "" : lines[0], "2|" + std::string(URL) + "|\"" + program + "\" " + URL);
}

void quotedAssociationStartsTheBrowserOnceAndReturnsAtOnce()
{
    const std::string program = under("Browser\\browser.exe");
    CHECK(placeStandIn(program));
    CHECK(setHttpCommand("\"" + program + "\" \"%1\""));
    resetLaunches(false);
    const DWORD start = GetTickCount();
    const bool started = platformOpenUrl(URL, nullptr, nullptr);
    const DWORD took = GetTickCount() - start;
    CHECK(started);
    CHECK(took < 2000);
    CHECK(!exists(LOG));  // the stand-in is still waiting for its release
    CHECK(writeFileBytes(RELEASE, Bytes(1, '\n')));
    const std::vector<std::string> lines = waitForLaunches(1);
    CHECK_EQ(lines.size(), (size_t)1);
    CHECK_EQ(lines.empty() ? "" : lines[0], "2|" + std::string(URL) + "|\"" + program + "\" " + URL);
}

void associationVariantsFindTheProgram()
{
    const std::string spaced = under("Stand In\\Web Browser\\browser.exe");
    const std::string capitals = under("CAPS\\BROWSER.EXE");
    CHECK(placeStandIn(spaced));
    CHECK(placeStandIn(capitals));
    expectOneLaunch(spaced + " %1", spaced);                        // unquoted, blanks in the path
    expectOneLaunch("\"" + spaced + "\" -osint -url \"%1\"", spaced);  // quoted, with options
    expectOneLaunch("\"" + capitals + "\" \"%1\"", capitals);
    expectOneLaunch(capitals + " -- %1", capitals);
}

void missingAssociationOrProgramStartsNothing()
{
    resetLaunches(true);
    CHECK(setHttpCommand("\"" + under("absent\\browser.exe") + "\" \"%1\""));
    CHECK(!platformOpenUrl(URL, nullptr, nullptr));
    const LONG deleted = RegDeleteKeyA(HKEY_CLASSES_ROOT, HTTP_COMMAND_KEY);
    CHECK_EQ(deleted, ERROR_SUCCESS);
    CHECK(!platformOpenUrl(URL, nullptr, nullptr));
    CHECK(setHttpCommand(""));
    CHECK(!platformOpenUrl(URL, nullptr, nullptr));
    Sleep(300);
    CHECK(!exists(LOG));
}

// Polls `child` every 20 ms for at most five seconds until it is no longer running.
ProcessState pollUntilEnded(ChildProcess &child)
{
    ProcessState state = pollProcess(child);
    for (int waited = 0; state == PROCESS_RUNNING && waited < 5000; waited += 20) {
        Sleep(20);
        state = pollProcess(child);
    }
    return state;
}

void watchedBrowserIsSeenRunningThenHowItEnded()
{
    const std::string program = under("Watched\\browser.exe");
    CHECK(placeStandIn(program));
    CHECK(setHttpCommand("\"" + program + "\" \"%1\""));
    resetLaunches(false);
    ChildProcess child;
    CHECK(platformOpenUrl(URL, nullptr, &child));
    CHECK(child.id != 0);
    CHECK_EQ(pollProcess(child), PROCESS_RUNNING);  // waiting for its release
    CHECK(writeFileBytes(RELEASE, Bytes(1, '\n')));
    CHECK_EQ(pollUntilEnded(child), PROCESS_SUCCEEDED);
    CHECK_EQ(child.id, (intptr_t)0);
    CHECK_EQ(pollProcess(child), PROCESS_UNKNOWN);
    // Without its log the stand-in ends with status 2: a browser that failed.
    SetEnvironmentVariableA("LUMBRIK_STANDIN_LOG", NULL);
    CHECK(platformOpenUrl(URL, nullptr, &child));
    SetEnvironmentVariableA("LUMBRIK_STANDIN_LOG", LOG.c_str());
    CHECK_EQ(pollUntilEnded(child), PROCESS_FAILED);
    // One that is forgotten is not asked about again.
    resetLaunches(false);
    CHECK(platformOpenUrl(URL, nullptr, &child));
    forgetProcess(child);
    CHECK_EQ(pollProcess(child), PROCESS_UNKNOWN);
    CHECK(writeFileBytes(RELEASE, Bytes(1, '\n')));
}

// ---- quit signals ----------------------------------------------------------

void quitSignalsAreRecordedEveryTime()
{
    platformInstallQuitSignals();
    platformClearQuitRequest();
    CHECK(!platformQuitRequested());
    CHECK_EQ(std::raise(SIGINT), 0);
    CHECK(platformQuitRequested());
    platformClearQuitRequest();
    // The C runtime resets a handler before calling it; a second Ctrl+C must not end the game.
    CHECK_EQ(std::raise(SIGINT), 0);
    CHECK(platformQuitRequested());
    platformClearQuitRequest();
    CHECK_EQ(std::raise(SIGTERM), 0);
    CHECK(platformQuitRequested());
    platformClearQuitRequest();
}

// The folder of this program, with a trailing backslash.
std::string ownFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\') + 1);
}

} // namespace

int main()
{
    standInSource = ownFolder() + "browser-standin.exe";
    if (!exists(standInSource) || !CreateDirectoryA(BASE, NULL)) {
        std::printf("FAIL set-up: need %s and a fresh %s\n", standInSource.c_str(), BASE);
        return 1;
    }
    SetEnvironmentVariableA("LUMBRIK_STANDIN_LOG", LOG.c_str());
    SetEnvironmentVariableA("LUMBRIK_STANDIN_RELEASE", RELEASE.c_str());

    runCase("settings path in the all-users data folder", settingsPathIsInTheAllUsersDataFolder);
    runCase("settings folder created when missing", settingsFolderIsCreatedWhenMissing);
    runCase("photo and cache folders follow the shell", photoAndCacheFoldersFollowTheShell);
    runCase("save then load round-trips every field", saveThenLoadRoundTripsEveryField);
    runCase("save replaces an existing file", saveReplacesAnExistingFile);
    runCase("sharing the settings file with every user is accepted", sharingTheSettingsFileIsAccepted);
    runCase("interface language is language and country", interfaceLanguageIsLanguageAndCountry);
    runCase("save into a read-only folder fails, old file kept",
            saveIntoAReadOnlyFolderFailsAndKeepsTheOldFile);
    runCase("failed flush is a failed save, old file kept", failedFlushIsAFailedSaveAndKeepsTheOldFile);
    runCase("unreadable settings never written over", unreadableSettingsAreNeverWrittenOver);
    runCase("file not understood kept as .bad over an older one",
            fileNotUnderstoodIsKeptAsBadOverAnOlderOne);
    runCase("quoted association starts the browser once, returns at once",
            quotedAssociationStartsTheBrowserOnceAndReturnsAtOnce);
    runCase("unquoted, spaced, capital .EXE associations", associationVariantsFindTheProgram);
    runCase("missing association or program starts nothing", missingAssociationOrProgramStartsNothing);
    runCase("watched browser: running, then succeeded or failed", watchedBrowserIsSeenRunningThenHowItEnded);
    runCase("quit signals recorded every time", quitSignalsAreRecordedEveryTime);

    writeFileBytes(RELEASE, Bytes(1, '\n'));  // no stand-in may outlive the run
    std::printf("windows platform under wine: %d cases, %d failed\n", caseCount, failedCases);
    return failedCases == 0 ? 0 : 1;
}
