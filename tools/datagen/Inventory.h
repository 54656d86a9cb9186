// The inventory of the game's data: one row per archive entry (or per range
// of numbered piece entries), read from data/inventory.tsv.
//
// Row: archive  entry  kind  plane  source  key=value...
//   entry  a name, or "1..N" for the numbered pieces "1" to "N"
//   kind   image (a textured quad from an SVG), board, piece, outline, shadow,
//          final, prev (puzzle models), music, effect (WAV sounds)
//   plane  xz (interface: model z is up, y is depth) or xy (puzzle) or -
//   source file under data/, or - ; params: w, h (scene units), at=x,y,z
//          (the quad's centre), px (texture width), material (opaque, blend,
//          alphatest), size (0 = 20 pieces, 1 = 48), layout (0..2);
//          images only: veil=ALPHA (a dark quad over the whole screen behind
//          the image), pick=X0,Z0,X1,Z1 (an invisible quad that widens the
//          clickable shape to that rectangle, model units)
#pragma once

#include <map>
#include <string>
#include <vector>

struct InventoryRow {
    std::string archive;
    std::string entry;   // a name; ranges are expanded by expandEntries
    std::string kind;
    std::string plane;
    std::string source;  // relative to the data folder, or empty
    std::map<std::string, std::string> params;
    int line = 0;        // in the table, for messages
};

// Parses the table; false with a message naming the line on a malformed row.
bool parseInventory(const std::string &text, std::vector<InventoryRow> &rows, std::string &error);
// Reads and parses a table file.
bool loadInventory(const std::string &path, std::vector<InventoryRow> &rows, std::string &error);
// The entry names a row stands for ("1..20" gives "1" to "20").
std::vector<std::string> expandEntries(const InventoryRow &row);
// A numeric parameter, or `fallback` when absent or not a number.
double paramNumber(const InventoryRow &row, const char *key, double fallback);
// A text parameter, or `fallback`.
std::string paramText(const InventoryRow &row, const char *key, const std::string &fallback);
// The three numbers of at=x,y,z (0, 0, 0 when absent).
void paramPoint(const InventoryRow &row, double out[3]);
// Archive names in first-appearance order.
std::vector<std::string> inventoryArchives(const std::vector<InventoryRow> &rows);
