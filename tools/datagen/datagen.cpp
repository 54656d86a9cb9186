// datagen: writes every archive of the game into a folder, from the
// inventory (data/inventory.tsv) and the art and sound sources under data/.
//
//   datagen DATA_DIR OUTPUT_DIR
//
// Archives whose art shows words are written with the English words into
// OUTPUT_DIR and once more per language into OUTPUT_DIR/<language>/ (from
// data/texts/<language>.tsv); all other archives are written once. A text
// too large for its box in any language fails the run, naming each one.
// The same sources always give byte-identical archives.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "datagen/DataBuild.h"
#include "datagen/Inventory.h"
#include "pakwriter/PakWriter.h"

static bool writeArchive(const std::string &folder, const std::string &name, const PakFile &pak)
{
    std::string path = folder + "/" + name;
    if (!writeFileAtomic(path, encodePak(pak))) {
        fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

static bool buildAndWrite(DataBuild &build, const std::vector<InventoryRow> &rows, const std::string &archive,
                          const std::string &folder, size_t &entries)
{
    PakFile pak;
    if (!buildArchive(build, rows, archive, pak)) {
        fprintf(stderr, "datagen: %s: %s: %s\n", build.language.c_str(), archive.c_str(), build.error.c_str());
        return false;
    }
    entries = pak.names.size();
    return writeArchive(folder, archive, pak);
}

// The archives of one more language, with words, into out/<language>/.
static bool buildLanguage(DataBuild &build, const std::vector<InventoryRow> &rows,
                          const std::vector<std::string> &archives, const std::string &out)
{
    std::string folder = out + "/" + build.language;
    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    size_t entries = 0;
    for (const std::string &archive : archives)
        if (!buildAndWrite(build, rows, archive, folder, entries))
            return false;
    return true;
}

static double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: datagen DATA_DIR OUTPUT_DIR\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    DataBuild build;
    build.dataDir = argv[1];
    std::string out = argv[2];
    std::vector<InventoryRow> rows;
    std::string error;
    if (!loadInventory(build.dataDir + "/inventory.tsv", rows, error) || !loadTexts(build, "en")) {
        fprintf(stderr, "datagen: %s\n", error.empty() ? build.error.c_str() : error.c_str());
        return 1;
    }
    std::vector<std::string> archives = inventoryArchives(rows), withWords;
    for (size_t i = 0; i < archives.size(); i++) {
        size_t entries = 0;
        if (!buildAndWrite(build, rows, archives[i], out, entries))
            return 1;
        if (archiveShowsWords(build, rows, archives[i]))
            withWords.push_back(archives[i]);
        printf("datagen: [%zu/%zu] %s (%zu entries)\n", i + 1, archives.size(), archives[i].c_str(), entries);
        fflush(stdout);
    }
    std::vector<std::string> languages = textLanguages(build.dataDir);
    for (size_t i = 1; i < languages.size(); i++) {
        if (!loadTexts(build, languages[i]) || !buildLanguage(build, rows, withWords, out)) {
            if (!build.error.empty())
                fprintf(stderr, "datagen: %s\n", build.error.c_str());
            return 1;
        }
        printf("datagen: [%s %zu/%zu] %zu archives with words (%.1f s)\n", languages[i].c_str(), i,
               languages.size() - 1, withWords.size(), secondsSince(start));
        fflush(stdout);
    }
    for (const std::string &problem : build.fitProblems)
        fprintf(stderr, "datagen: text too large: %s\n", problem.c_str());
    if (!build.fitProblems.empty())
        return 1;
    printf("datagen: %zu archives, %zu of them with words in %zu languages, %.1f s\n", archives.size(),
           withWords.size(), languages.size(), secondsSince(start));
    return 0;
}
