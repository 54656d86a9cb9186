#include "resources/Language.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

const char *const GAME_LANGUAGES[] = {"en", "ar", "de", "es", "fr", "it", "nl",
                                      "pl", "pt_BR", "ru", "sv", "tr", "uk"};
const int GAME_LANGUAGE_COUNT = sizeof GAME_LANGUAGES / sizeof GAME_LANGUAGES[0];

const char *const WORD_ARCHIVES[] = {"main_menu.pak",  "reclama1.pak",   "help_menu.pak", "exit_menu.pak",
                                     "about_menu.pak", "break_menu.pak", "select_menu.pak", "web_menu.pak"};
const int WORD_ARCHIVE_COUNT = sizeof WORD_ARCHIVES / sizeof WORD_ARCHIVES[0];

static bool hasLanguage(const std::string &code)
{
    for (int i = 0; i < GAME_LANGUAGE_COUNT; i++)
        if (code == GAME_LANGUAGES[i])
            return true;
    return false;
}

// The only language the game has for `ll` with some country, or "".
static std::string onlyCountryOf(const std::string &ll)
{
    std::string found, prefix = ll + "_";
    for (int i = 0; i < GAME_LANGUAGE_COUNT; i++) {
        std::string code = GAME_LANGUAGES[i];
        if (code.compare(0, prefix.size(), prefix) != 0)
            continue;
        if (!found.empty())
            return "";
        found = code;
    }
    return found;
}

static bool allOf(const std::string &text, int (*test)(int))
{
    for (char c : text)
        if (!test((unsigned char)c))
            return false;
    return true;
}

std::string matchLanguage(const std::string &locale)
{
    // ll[_CC][.codeset][@modifier]; "-" is taken for "_".
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name == "C" || name == "POSIX")
        return "en";
    size_t cut = name.find_first_of("_-");
    std::string ll = name.substr(0, cut), cc = cut == std::string::npos ? "" : name.substr(cut + 1);
    if (ll.size() < 2 || ll.size() > 3 || !allOf(ll, isalpha) || !allOf(cc, isalnum))
        return "";
    for (char &c : ll)
        c = (char)tolower((unsigned char)c);
    for (char &c : cc)
        c = (char)toupper((unsigned char)c);
    if (!cc.empty() && hasLanguage(ll + "_" + cc))
        return ll + "_" + cc;
    if (hasLanguage(ll))
        return ll;
    return onlyCountryOf(ll);
}

// The first entry of a colon-separated list that the game has, or "".
static std::string matchList(const char *list)
{
    std::string rest = list ? list : "";
    while (!rest.empty()) {
        size_t colon = rest.find(':');
        std::string match = matchLanguage(rest.substr(0, colon));
        if (!match.empty())
            return match;
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    }
    return "";
}

std::string languageFromLocale(const LocaleSettings &locale)
{
    const char *const order[] = {locale.language, locale.lcAll, locale.lcMessages, locale.lang};
    for (const char *value : order) {
        std::string match = matchList(value);
        if (!match.empty())
            return match;
    }
    return "en";
}

LocaleSettings environmentLocale()
{
    LocaleSettings locale;
#ifdef _WIN32
    // Windows programs follow the user's interface language, not variables.
    static const std::string windowsLanguage = platformUserLanguage();
    locale.lang = windowsLanguage.c_str();
    return locale;
#endif
    locale.language = getenv("LANGUAGE");
    locale.lcAll = getenv("LC_ALL");
    locale.lcMessages = getenv("LC_MESSAGES");
    locale.lang = getenv("LANG");
    return locale;
}

const char *languageOption(int argc, char **argv)
{
    static const char PREFIX[] = "--language=";
    for (int i = 1; i < argc; i++)
        if (strncmp(argv[i], PREFIX, sizeof PREFIX - 1) == 0)
            return argv[i] + sizeof PREFIX - 1;
    return nullptr;
}

bool archiveHasWords(const char *archive)
{
    for (int i = 0; i < WORD_ARCHIVE_COUNT; i++)
        if (strcmp(archive, WORD_ARCHIVES[i]) == 0)
            return true;
    return false;
}

std::string languageArchivePath(const std::string &language, const char *archive)
{
    if (language.empty() || language == "en")
        return archive;
    return language + "/" + archive;
}

bool checkLanguageArchives(const std::string &language, std::string &badPath, PakLoadResult &why)
{
    for (int i = 0; i < WORD_ARCHIVE_COUNT; i++) {
        std::string path = languageArchivePath(language, WORD_ARCHIVES[i]);
        if (path == WORD_ARCHIVES[i])
            return true;  // English: the game's own archives, checked as they open
        PakArchive archive;
        why = loadPakArchive(archive, path.c_str());
        if (why != PAK_OK) {
            badPath = path;
            return false;
        }
    }
    return true;
}

std::string startLanguage(const char *option, const LocaleSettings &locale)
{
    std::string language = option ? matchLanguage(option) : languageFromLocale(locale);
    if (language.empty()) {
        fprintf(stderr, "lumbrik: no language \"%s\"; using English\n", option);
        return "en";
    }
    std::string badPath;
    PakLoadResult why = PAK_OK;
    if (checkLanguageArchives(language, badPath, why))
        return language;
    fprintf(stderr, "lumbrik: %s archive \"%s\"; using English\n",
            why == PAK_MALFORMED ? "damaged" : "cannot open", badPath.c_str());
    return "en";
}
