// Builds the game's archives from the inventory and the sources under data/.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "datagen/Inventory.h"
#include "datagen/SvgRender.h"
#include "pakwriter/PakWriter.h"

// The board the pictures cover, in scene units, centred on the origin.
const double BOARD_WIDTH = 19.7;
const double BOARD_HEIGHT = 12.2;
// A veil behind a dialog (inventory veil=): a quad this large, this far
// behind the dialog's image, covers the screen at every aspect up to 32:9.
const double VEIL_WIDTH = 120;
const double VEIL_HEIGHT = 60;
const double VEIL_BEHIND = 1.5;

// Where sources are read and what has been rendered so far.
struct DataBuild {
    std::string dataDir;                      // the data/ folder of the sources
    std::string language = "en";              // whose words `texts` holds
    std::map<std::string, std::string> texts; // {{key}} -> words of the current language
    std::vector<std::string> fitProblems;     // texts too large for their boxes, one message each
    std::map<std::string, Bytes> rendered;    // render cache: source|w|h|opaque -> PNG
    std::string error;                        // why the last operation failed
};

// Loads the texts of a language ("en") from data/texts/<lang>.tsv in place
// of the current ones.
bool loadTexts(DataBuild &build, const std::string &language);
// The languages that have texts, English first, the others by code.
std::vector<std::string> textLanguages(const std::string &dataDir);
// Replaces every {{key}} by its XML-escaped text; unknown keys are an error.
bool applyTexts(const DataBuild &build, const std::string &svg, std::string &out, std::string &error);
// Renders an SVG source (texts applied) to PNG at width x height, cached.
// A text that overflows its box adds a message to fitProblems (naming the
// language, key, source and overflow) and still renders.
bool renderSource(DataBuild &build, const std::string &source, int width, int height, bool opaque, Bytes &png);
// True when some source of the archive shows words (holds a {{key}}): such
// archives are built once per language, all others once.
bool archiveShowsWords(const DataBuild &build, const std::vector<InventoryRow> &rows, const std::string &archive);
// Builds one archive from the rows naming it, in row order.
bool buildArchive(DataBuild &build, const std::vector<InventoryRow> &rows, const std::string &archive, PakFile &pak);
