#include "datagen/DataBuild.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "datagen/Jigsaw.h"
#include "datagen/Sound.h"
#include "datagen/SvgRender.h"
#include "datagen/TextFit.h"
#include "resources/PngWriter.h"

bool loadTexts(DataBuild &build, const std::string &language)
{
    std::string path = build.dataDir + "/texts/" + language + ".tsv";
    Bytes bytes;
    if (!readFile(path, bytes)) {
        build.error = "cannot read " + path;
        return false;
    }
    build.language = language;
    build.texts.clear();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos)
            continue;
        build.texts[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return true;
}

std::vector<std::string> textLanguages(const std::string &dataDir)
{
    std::vector<std::string> languages;
    std::error_code failed;
    for (const auto &file : std::filesystem::directory_iterator(dataDir + "/texts", failed)) {
        std::string name = file.path().filename().string();
        if (file.path().extension() == ".tsv" && name != "en.tsv")
            languages.push_back(name.substr(0, name.size() - 4));
    }
    std::sort(languages.begin(), languages.end());
    languages.insert(languages.begin(), "en");
    return languages;
}

static std::string escapeXml(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool applyTexts(const DataBuild &build, const std::string &svg, std::string &out, std::string &error)
{
    out.clear();
    size_t pos = 0;
    for (;;) {
        size_t open = svg.find("{{", pos);
        if (open == std::string::npos)
            break;
        size_t close = svg.find("}}", open);
        if (close == std::string::npos)
            break;
        std::string key = svg.substr(open + 2, close - open - 2);
        auto it = build.texts.find(key);
        if (it == build.texts.end()) {
            error = "no text for {{" + key + "}}";
            return false;
        }
        out += svg.substr(pos, open - pos) + escapeXml(it->second);
        pos = close + 2;
    }
    out += svg.substr(pos);
    return true;
}

static bool showsWords(const std::string &svg)
{
    return svg.find("{{") != std::string::npos;
}

// Checks every text of a source with words against its box; overflows are
// added to fitProblems.
static bool checkTextFit(DataBuild &build, const std::string &source, const std::string &svg,
                         const std::vector<TextSlot> &slots)
{
    std::vector<std::string> ids;
    for (const TextSlot &slot : slots)
        ids.push_back(slot.id);
    std::vector<SvgBox> inks;
    std::string error;
    if (!measureSvgElements(svg, ids, inks, error)) {
        build.error = build.dataDir + "/" + source + ": " + error;
        return false;
    }
    for (size_t i = 0; i < slots.size(); i++) {
        std::string side;
        double overflow = overflowOf(slots[i].box, inks[i], side);
        if (overflow <= TEXT_FIT_TOLERANCE)
            continue;
        char amount[32];
        snprintf(amount, sizeof amount, "%.1f", overflow);
        build.fitProblems.push_back(build.language + ": " + slots[i].keys + " overflows its box by " + amount +
                                    " on the " + side + " (" + source + ")");
    }
    return true;
}

// The source's SVG with the current language's words in it, checked against
// the text boxes.
static bool wordsApplied(DataBuild &build, const std::string &source, const std::string &svg, std::string &out)
{
    std::string prepared, error;
    std::vector<TextSlot> slots;
    if (!prepareTexts(svg, isRightToLeft(build.language), prepared, slots, error) ||
        !applyTexts(build, prepared, out, error)) {
        build.error = build.dataDir + "/" + source + ": " + error;
        return false;
    }
    return checkTextFit(build, source, out, slots);
}

bool renderSource(DataBuild &build, const std::string &source, int width, int height, bool opaque, Bytes &png)
{
    std::string key = source + "|" + std::to_string(width) + "|" + std::to_string(height) + "|" + (opaque ? "o" : "a");
    Bytes bytes;
    std::string path = build.dataDir + "/" + source;
    if (!readFile(path, bytes)) {
        build.error = "cannot read " + path;
        return false;
    }
    std::string svg(bytes.begin(), bytes.end()), error;
    bool words = showsWords(svg);
    if (words)
        key += "|" + build.language;
    auto cached = build.rendered.find(key);
    if (cached != build.rendered.end()) {
        png = cached->second;
        return true;
    }
    RenderedImage image;
    if (words && !wordsApplied(build, source, std::string(svg), svg))
        return false;
    if (!renderSvg(svg, width, height, image, error)) {
        build.error = path + ": " + error;
        return false;
    }
    png = encodeRenderedPng(image, opaque);
    build.rendered[key] = png;
    return true;
}

bool archiveShowsWords(const DataBuild &build, const std::vector<InventoryRow> &rows, const std::string &archive)
{
    for (const InventoryRow &row : rows) {
        Bytes bytes;
        if (row.archive == archive && !row.source.empty() && readFile(build.dataDir + "/" + row.source, bytes) &&
            showsWords(std::string(bytes.begin(), bytes.end())))
            return true;
    }
    return false;
}

static Bytes oneMeshModel(const ModelMesh &mesh)
{
    Model model;
    model.meshes.push_back(mesh);
    return encodeModel(model);
}

static void shift(ModelMesh &mesh, double dx, double dy, double dz)
{
    for (ModelVertex &v : mesh.vertices) {
        v.x += dx;
        v.y += dy;
        v.z += dz;
    }
}

static ModelMaterial materialNamed(const std::string &name)
{
    ModelMaterial m;
    m.transparent = name == "blend";
    m.alphaTest = name == "alphatest";
    return m;
}

// A flat solid-colour PNG for outline fills, lines and shadows.
static Bytes solidTexture(int r, int g, int b, int a)
{
    PngImage image;
    image.width = image.height = 4;
    image.kind = PNG_RGBA;
    for (int i = 0; i < 16; i++)
        image.pixels.insert(image.pixels.end(), {(unsigned char)r, (unsigned char)g, (unsigned char)b, (unsigned char)a});
    return encodePng(image);
}

// An entry several models of one archive share, stored once.
static void addShared(PakFile &pak, const std::string &name, const Bytes &bytes)
{
    if (std::find(pak.names.begin(), pak.names.end(), name) == pak.names.end())
        pakAdd(pak, name, bytes);
}

// A textured quad: w x h scene units centred at `at`, in the row's plane.
static ModelMesh placedQuad(const InventoryRow &row, double w, double h, const double at[3],
                            const std::string &texture, const std::string &material)
{
    ModelMesh mesh = row.plane == "xy" ? quadXY(w, h, texture) : quadXZ(w, h, texture);
    shift(mesh, at[0], at[1], at[2]);
    mesh.material = materialNamed(material);
    return mesh;
}

// A quad model of the row's source image, its texture named after the entry.
static bool addQuad(DataBuild &build, const InventoryRow &row, const std::string &entry, double w, double h,
                    const double at[3], int pixels, bool opaque, const std::string &material, PakFile &pak)
{
    std::string texture = entry + ".png";
    int height = std::max(1, (int)std::lround(pixels * h / w));
    Bytes png;
    if (!renderSource(build, row.source, pixels, height, opaque, png))
        return false;
    pakAdd(pak, entry, oneMeshModel(placedQuad(row, w, h, at, texture, material)));
    pakAdd(pak, texture, png);
    return true;
}

// veil=ALPHA: a dark quad wide enough for any screen, VEIL_BEHIND units
// behind the image, so that what lies further back reads as behind it.
static void addVeil(const InventoryRow &row, const double at[3], Model &model, PakFile &pak)
{
    double alpha = std::max(0.0, std::min(1.0, paramNumber(row, "veil", 0)));
    double place[3] = {0, at[1] + VEIL_BEHIND, 0};
    model.meshes.push_back(placedQuad(row, VEIL_WIDTH, VEIL_HEIGHT, place, "veil.png", "blend"));
    addShared(pak, "veil.png", solidTexture(30, 20, 8, (int)std::lround(alpha * 255)));
}

// pick=X0,Z0,X1,Z1: an invisible quad over that rectangle of the model, so
// that the clickable shape reaches past the image (over its label, say).
static bool addPickCover(const InventoryRow &row, Model &model, PakFile &pak, std::string &error)
{
    double r[4];
    if (sscanf(paramText(row, "pick", "").c_str(), "%lf,%lf,%lf,%lf", &r[0], &r[1], &r[2], &r[3]) != 4 ||
        r[2] <= r[0] || r[3] <= r[1]) {
        error = "line " + std::to_string(row.line) + ": pick= wants X0,Z0,X1,Z1";
        return false;
    }
    double centre[3] = {(r[0] + r[2]) / 2, 0, (r[1] + r[3]) / 2};
    model.meshes.push_back(placedQuad(row, r[2] - r[0], r[3] - r[1], centre, "clear.png", "blend"));
    addShared(pak, "clear.png", solidTexture(0, 0, 0, 0));
    return true;
}

static bool addImage(DataBuild &build, const InventoryRow &row, PakFile &pak)
{
    double at[3];
    paramPoint(row, at);  // the quad's centre
    std::string material = paramText(row, "material", "blend");
    double w = paramNumber(row, "w", 1), h = paramNumber(row, "h", 1);
    int pixels = (int)paramNumber(row, "px", 256);
    Bytes png;
    if (!renderSource(build, row.source, pixels, std::max(1, (int)std::lround(pixels * h / w)),
                      material == "opaque", png))
        return false;
    Model model;
    if (row.params.count("veil"))
        addVeil(row, at, model, pak);
    model.meshes.push_back(placedQuad(row, w, h, at, row.entry + ".png", material));
    if (row.params.count("pick") && !addPickCover(row, model, pak, build.error))
        return false;
    pakAdd(pak, row.entry, encodeModel(model));
    pakAdd(pak, row.entry + ".png", png);
    return true;
}

// Pieces, outlines or shadows of one cut, with the textures they share.
static bool addCut(DataBuild &build, const InventoryRow &row, PakFile &pak)
{
    int size = (int)paramNumber(row, "size", 0), layout = (int)paramNumber(row, "layout", 0);
    std::vector<JigsawPiece> pieces = cutBoard(size, layout);
    std::vector<std::string> names = expandEntries(row);
    if (names.size() != pieces.size()) {
        build.error = "line " + std::to_string(row.line) + ": " + std::to_string(names.size()) +
                      " entries for a cut of " + std::to_string(pieces.size()) + " pieces";
        return false;
    }
    for (size_t i = 0; i < pieces.size(); i++) {
        Model model = row.kind == "piece"     ? pieceModel(pieces[i], "picture.png", "rim.png", "edge.png")
                      : row.kind == "outline" ? outlineModel(pieces[i], "line.png")
                                              : shadowModel(pieces[i], "shadow.png", "shadow_edge.png");
        pakAdd(pak, names[i], encodeModel(model));
    }
    for (const CutTexture &texture : cutTextures(row.kind))
        pakAdd(pak, texture.name, encodePng(texture.image));
    if (row.kind != "piece")
        return true;
    Bytes png;
    int px = (int)paramNumber(row, "px", 1280);
    if (!renderSource(build, row.source, px, (int)std::lround(px * BOARD_HEIGHT / BOARD_WIDTH), true, png))
        return false;
    pakAdd(pak, "picture.png", png);
    return true;
}

static bool addSound(DataBuild &build, const InventoryRow &row, PakFile &pak)
{
    Bytes wav;
    if (row.kind == "effect") {
        wav = makeEffectWav(row.entry);
    } else {
        Bytes source;
        std::string error;
        if (!readFile(build.dataDir + "/" + row.source, source)) {
            build.error = "cannot read " + row.source;
            return false;
        }
        wav = makeMusicWav(std::string(source.begin(), source.end()), &error);
        if (wav.empty())
            build.error = row.source + ": " + error;
    }
    if (wav.empty()) {
        if (build.error.empty())
            build.error = "no sound named " + row.entry;
        return false;
    }
    pakAdd(pak, row.entry, wav);
    return true;
}

static bool addRow(DataBuild &build, const InventoryRow &row, PakFile &pak)
{
    double at[3] = {0, 0, 0};
    paramPoint(row, at);
    if (row.kind == "image")
        return addImage(build, row, pak);
    // The board and the finished picture cover the board exactly.
    if (row.kind == "board" || row.kind == "final")
        return addQuad(build, row, row.entry, BOARD_WIDTH, BOARD_HEIGHT, at,
                       (int)paramNumber(row, "px", 1280), true, "opaque", pak);
    // The preview is the board scaled to width w (half size by default), shown in the panel's window.
    if (row.kind == "prev") {
        double w = paramNumber(row, "w", BOARD_WIDTH / 2);
        return addQuad(build, row, row.entry, w, w * BOARD_HEIGHT / BOARD_WIDTH, at,
                       (int)paramNumber(row, "px", 256), true, "opaque", pak);
    }
    if (row.kind == "piece" || row.kind == "outline" || row.kind == "shadow")
        return addCut(build, row, pak);
    return addSound(build, row, pak);
}

bool buildArchive(DataBuild &build, const std::vector<InventoryRow> &rows, const std::string &archive, PakFile &pak)
{
    for (const InventoryRow &row : rows) {
        if (row.archive != archive)
            continue;
        if (!addRow(build, row, pak)) {
            if (build.error.empty())
                build.error = "line " + std::to_string(row.line) + ": cannot build " + row.entry;
            return false;
        }
    }
    return true;
}
