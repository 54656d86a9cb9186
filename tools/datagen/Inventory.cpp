#include "datagen/Inventory.h"

#include <cstdlib>
#include <sstream>

#include "pakwriter/PakWriter.h"

static const char *const KINDS[] = {"image", "board", "piece", "outline", "shadow",
                                    "final", "prev", "music", "effect"};

static bool knownKind(const std::string &kind)
{
    for (const char *k : KINDS)
        if (kind == k)
            return true;
    return false;
}

static bool parseRow(const std::string &line, int number, InventoryRow &row, std::string &error)
{
    std::istringstream in(line);
    std::string source;
    if (!(in >> row.archive >> row.entry >> row.kind >> row.plane >> source)) {
        error = "line " + std::to_string(number) + ": expected archive, entry, kind, plane, source";
        return false;
    }
    if (!knownKind(row.kind)) {
        error = "line " + std::to_string(number) + ": unknown kind \"" + row.kind + "\"";
        return false;
    }
    row.source = source == "-" ? "" : source;
    row.line = number;
    std::string token;
    while (in >> token) {
        size_t eq = token.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "line " + std::to_string(number) + ": parameter \"" + token + "\" is not key=value";
            return false;
        }
        row.params[token.substr(0, eq)] = token.substr(eq + 1);
    }
    return true;
}

bool parseInventory(const std::string &text, std::vector<InventoryRow> &rows, std::string &error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#')
            continue;
        InventoryRow row;
        if (!parseRow(line, number, row, error))
            return false;
        rows.push_back(row);
    }
    return true;
}

bool loadInventory(const std::string &path, std::vector<InventoryRow> &rows, std::string &error)
{
    Bytes bytes;
    if (!readFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    return parseInventory(std::string(bytes.begin(), bytes.end()), rows, error);
}

std::vector<std::string> expandEntries(const InventoryRow &row)
{
    size_t dots = row.entry.find("..");
    if (dots == std::string::npos)
        return {row.entry};
    int first = atoi(row.entry.substr(0, dots).c_str());
    int last = atoi(row.entry.substr(dots + 2).c_str());
    std::vector<std::string> names;
    for (int n = first; n <= last; n++)
        names.push_back(std::to_string(n));
    return names;
}

double paramNumber(const InventoryRow &row, const char *key, double fallback)
{
    auto it = row.params.find(key);
    if (it == row.params.end())
        return fallback;
    char *end = nullptr;
    double v = strtod(it->second.c_str(), &end);
    return (end && *end == '\0') ? v : fallback;
}

std::string paramText(const InventoryRow &row, const char *key, const std::string &fallback)
{
    auto it = row.params.find(key);
    return it == row.params.end() ? fallback : it->second;
}

void paramPoint(const InventoryRow &row, double out[3])
{
    out[0] = out[1] = out[2] = 0;
    std::string at = paramText(row, "at", "");
    std::istringstream in(at);
    std::string part;
    for (int i = 0; i < 3 && std::getline(in, part, ','); i++)
        out[i] = atof(part.c_str());
}

std::vector<std::string> inventoryArchives(const std::vector<InventoryRow> &rows)
{
    std::vector<std::string> names;
    for (const InventoryRow &row : rows) {
        bool seen = false;
        for (const std::string &n : names)
            seen = seen || n == row.archive;
        if (!seen)
            names.push_back(row.archive);
    }
    return names;
}
