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

// Where sources are read and what has been rendered so far.
struct DataBuild {
    std::string dataDir;                      // the data/ folder of the sources
    std::map<std::string, std::string> texts; // {{key}} -> words of the current language
    std::map<std::string, Bytes> rendered;    // render cache: source|w|h|opaque -> PNG
    std::map<std::string, RenderedImage> overrides;  // source -> image used instead (photos)
    std::string error;                        // why the last operation failed
};

// Loads the texts of a language ("en") from data/texts/<lang>.tsv.
bool loadTexts(DataBuild &build, const std::string &language);
// Replaces every {{key}} by its XML-escaped text; unknown keys are an error.
bool applyTexts(const DataBuild &build, const std::string &svg, std::string &out, std::string &error);
// Renders an SVG source (texts applied) to PNG at width x height, cached.
bool renderSource(DataBuild &build, const std::string &source, int width, int height, bool opaque, Bytes &png);
// Builds one archive from the rows naming it, in row order.
bool buildArchive(DataBuild &build, const std::vector<InventoryRow> &rows, const std::string &archive, PakFile &pak);
