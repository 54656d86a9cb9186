#include "datagen/DataBuild.h"

#include <cmath>
#include <sstream>

#include "datagen/Jigsaw.h"
#include "datagen/Sound.h"
#include "datagen/SvgRender.h"
#include "pakwriter/PngWriter.h"

bool loadTexts(DataBuild &build, const std::string &language)
{
    std::string path = build.dataDir + "/texts/" + language + ".tsv";
    Bytes bytes;
    if (!readFile(path, bytes)) {
        build.error = "cannot read " + path;
        return false;
    }
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

bool renderSource(DataBuild &build, const std::string &source, int width, int height, bool opaque, Bytes &png)
{
    std::string key = source + "|" + std::to_string(width) + "|" + std::to_string(height) + "|" + (opaque ? "o" : "a");
    auto cached = build.rendered.find(key);
    if (cached != build.rendered.end()) {
        png = cached->second;
        return true;
    }
    auto photo = build.overrides.find(source);
    if (photo != build.overrides.end()) {
        png = encodeRenderedPng(resampleImage(photo->second, width, height), opaque);
        build.rendered[key] = png;
        return true;
    }
    Bytes bytes;
    std::string path = build.dataDir + "/" + source, svg, error;
    if (!readFile(path, bytes)) {
        build.error = "cannot read " + path;
        return false;
    }
    RenderedImage image;
    if (!applyTexts(build, std::string(bytes.begin(), bytes.end()), svg, error) ||
        !renderSvg(svg, width, height, image, error)) {
        build.error = path + ": " + error;
        return false;
    }
    png = encodeRenderedPng(image, opaque);
    build.rendered[key] = png;
    return true;
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

// A textured quad: w x h scene units centred at `at`, in the row's plane.
static bool addQuad(DataBuild &build, const InventoryRow &row, const std::string &entry, double w, double h,
                    const double at[3], int pixels, bool opaque, const std::string &material, PakFile &pak)
{
    std::string texture = entry + ".png";
    int height = std::max(1, (int)std::lround(pixels * h / w));
    Bytes png;
    if (!renderSource(build, row.source, pixels, height, opaque, png))
        return false;
    ModelMesh mesh = row.plane == "xy" ? quadXY(w, h, texture) : quadXZ(w, h, texture);
    shift(mesh, at[0], at[1], at[2]);
    mesh.material = materialNamed(material);
    pakAdd(pak, entry, oneMeshModel(mesh));
    pakAdd(pak, texture, png);
    return true;
}

static bool addImage(DataBuild &build, const InventoryRow &row, PakFile &pak)
{
    double at[3];
    paramPoint(row, at);  // the quad's centre
    std::string material = paramText(row, "material", "blend");
    return addQuad(build, row, row.entry, paramNumber(row, "w", 1), paramNumber(row, "h", 1), at,
                   (int)paramNumber(row, "px", 256), material == "opaque", material, pak);
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
                      : row.kind == "outline" ? outlineModel(pieces[i], "fill.png", "line.png")
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
