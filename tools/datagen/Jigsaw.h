// The jigsaw cut of the board: where each piece belongs, its outline, and
// the models the game draws for it (piece, outline hint, shadow).
//
// Board units: the board is 19.7 x 12.2, centred on the origin, x right, y up.
// Sizes: 0 = 20 pieces (5 x 4), 1 = 48 pieces (8 x 6); three layouts each.
#pragma once

#include <string>
#include <vector>

#include "datagen/Triangulate.h"
#include "pakwriter/PakWriter.h"
#include "resources/PngWriter.h"

const int kJigsawSizes = 2;
const int kJigsawLayouts = 3;
const double kBoardHalfWidth = 9.85;
const double kBoardHalfHeight = 6.1;

// Pieces of a size (20 or 48); 0 for an unknown size.
int layoutPieceCount(int size);
// Grid columns and rows of a size (5 x 4 or 8 x 6); 0 for an unknown size.
int layoutColumns(int size);
int layoutRows(int size);
// Where piece number piece (1-based) rests when placed, as the artwork has
// it; (0, 0) for arguments out of range.
Vec2 layoutHome(int size, int layout, int piece);

// The cut's grid lines, borders included, ascending: columns.size() ==
// layoutColumns + 1, rows.size() == layoutRows + 1. Empty when the layout's
// home points cannot be given one cell each.
struct JigsawGrid {
    std::vector<double> columns;  // x of vertical lines, left to right
    std::vector<double> rows;     // y of horizontal lines, bottom to top
};
JigsawGrid jigsawGrid(int size, int layout);

struct JigsawPiece {
    int number = 0;  // 1-based, as in the layout tables
    double homeX = 0, homeY = 0;
    // Board coordinates, counter-clockwise, closed implicitly. Neighbours
    // share their common cut point for point, so placed pieces tile exactly.
    std::vector<Vec2> outline;
};

// All pieces of a layout, ordered by number; empty for bad arguments.
// The result is the same on every run and machine.
std::vector<JigsawPiece> cutBoard(int size, int layout);

// Shapes keep their edges smooth without multisampling: each model ends in a
// band whose texture fades to transparent, about a pixel wide at 1080p.

// The piece's rim inside its cut line: a dark cut, then light wood, so a loose
// piece stands out from whatever lies behind it, dark or light.
const double kPieceRimWidth = 0.075;
// The soft edge outside a piece's cut line, and how far it lies below the
// piece, so that a piece drawn over it hides it.
const double kSoftEdgeWidth = 0.045;
const double kSoftEdgeDrop = 0.01;
// Width of the outline hint's line band, inside the piece.
const double kOutlineBandWidth = 0.06;
// Height of the line band above the translucent fill.
const double kOutlineBandZ = 0.01;
// Rows of the outline's two-texel-high texture, sampled at their texel
// centres so that linear filtering takes nothing of the other row.
const double kOutlineLineRowT = 0.25;
const double kOutlineFillRowT = 0.75;
// The shadow's opacity and the width over which its edge fades.
const int kShadowAlpha = 110;
const double kShadowSoftWidth = 0.08;

// The outline moved sideways by `width`: inwards when positive, outwards when
// negative; each point along the mitre of its two segments, the mitre capped
// so that sharp corners cannot spike, and segments the offset turns round
// shrunk to a point, so the result does not cross itself where the outline
// bends more tightly than the offset. Same point count as the outline.
std::vector<Vec2> offsetOutline(const std::vector<Vec2> &outline, double width);

// Relative to the piece's home point, z 0 at the piece's face.
// Mesh 0: the picture inside the rim, textured with the whole picture
// (texture row 0 at the board's top edge); opaque.
// Mesh 1: the rim, from the cut line to mesh 0, rimTexture across it; opaque.
// Mesh 2: the soft edge, from the cut line outwards, edgeTexture across it;
// blended, kSoftEdgeDrop below the face.
Model pieceModel(const JigsawPiece &p, const std::string &texture, const std::string &rimTexture,
                 const std::string &edgeTexture);
// Mesh 0: translucent fill (also the clickable area), ending under the line.
// Mesh 1: a line band along the outline, inside the piece, slightly raised,
// solid at the cut line (where it meets its neighbour's) and fading inwards.
// Both sample one two-row texture (the band in row 0 at t = kOutlineLineRowT,
// the fill's colour in row 1 at t = kOutlineFillRowT), so that the board's
// outlines share one texture and the game draws them all in one call.
Model outlineModel(const JigsawPiece &p, const std::string &texture);
// Mesh 0: the piece's silhouette in a translucent texture; mesh 1: its edge,
// fading outwards. Relative to the home point.
Model shadowModel(const JigsawPiece &p, const std::string &texture, const std::string &edgeTexture);

// A texture the cut's models name.
struct CutTexture {
    std::string name;
    PngImage image;
};
// The textures besides the picture that the models of a kind ("piece",
// "outline", "shadow") name, in the order above; empty for other kinds.
std::vector<CutTexture> cutTextures(const std::string &kind);
