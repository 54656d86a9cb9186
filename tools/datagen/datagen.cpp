// datagen: writes every archive of the game into a folder, from the
// inventory (data/inventory.tsv) and the art and sound sources under data/.
//
//   datagen DATA_DIR OUTPUT_DIR
//
// The same sources always give byte-identical archives.
#include <cstdio>
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

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: datagen DATA_DIR OUTPUT_DIR\n");
        return 2;
    }
    DataBuild build;
    build.dataDir = argv[1];
    std::string out = argv[2];
    std::vector<InventoryRow> rows;
    std::string error;
    if (!loadInventory(build.dataDir + "/inventory.tsv", rows, error) || !loadTexts(build, "en")) {
        fprintf(stderr, "datagen: %s\n", error.empty() ? build.error.c_str() : error.c_str());
        return 1;
    }
    std::vector<std::string> archives = inventoryArchives(rows);
    for (size_t i = 0; i < archives.size(); i++) {
        PakFile pak;
        if (!buildArchive(build, rows, archives[i], pak)) {
            fprintf(stderr, "datagen: %s: %s\n", archives[i].c_str(), build.error.c_str());
            return 1;
        }
        if (!writeArchive(out, archives[i], pak))
            return 1;
        printf("datagen: [%zu/%zu] %s (%zu entries)\n", i + 1, archives.size(), archives[i].c_str(),
               pak.names.size());
        fflush(stdout);
    }
    return 0;
}
