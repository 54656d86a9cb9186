// The language of the game's words: which one the desktop asks for, and where
// its archives lie. Archives that show words exist once per language, under
// the same names: English beside all the other archives, every other
// language in a folder named by its code ("de/main_menu.pak").
#pragma once

#include <string>

#include "resources/PakArchive.h"

// The languages the game ships, English first; codes are "ll" or "ll_CC".
extern const char *const GAME_LANGUAGES[];
extern const int GAME_LANGUAGE_COUNT;
// The archives that show words, so exist once per language.
extern const char *const WORD_ARCHIVES[];
extern const int WORD_ARCHIVE_COUNT;

// The desktop's locale variables, in the order they are asked; null when unset.
struct LocaleSettings {
    const char *language = nullptr;    // LANGUAGE: "ll_CC:ll:..." in order of preference
    const char *lcAll = nullptr;       // LC_ALL
    const char *lcMessages = nullptr;  // LC_MESSAGES
    const char *lang = nullptr;        // LANG
};

// The game's language for one locale name ("de_DE.UTF-8@euro", "pt-BR", "fr"):
// its ll_CC when the game has that, else its ll, else the one ll_CC the game
// has for that ll ("pt" finds "pt_BR"); "C" and "POSIX" are English; "" when
// the game has no such language.
std::string matchLanguage(const std::string &locale);
// The first variable, in order, that names a language the game has (each
// entry of LANGUAGE in turn); "en" when none does.
std::string languageFromLocale(const LocaleSettings &locale);
// The locale variables of this process.
LocaleSettings environmentLocale();
// The CODE of a "--language=CODE" argument, or null when there is none.
const char *languageOption(int argc, char **argv);
// True when `archive` is one of WORD_ARCHIVES.
bool archiveHasWords(const char *archive);
// The file of an archive in a language, relative to the data folder.
std::string languageArchivePath(const std::string &language, const char *archive);
// Opens every word archive of the language once; false, with the path of the
// first that is missing or damaged and why, when one is. English always passes.
bool checkLanguageArchives(const std::string &language, std::string &badPath, PakLoadResult &why);
// The language to start in: the option's when given, else the locale's.
// Falls back to English, with one line on standard error, for an option the
// game has no language for and for a language whose archives are missing or
// damaged; never prints more than one line.
std::string startLanguage(const char *option, const LocaleSettings &locale);
