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

// Width of the outline hint's line band, inside the piece.
const double kOutlineBandWidth = 0.06;
// Height of the line band above the translucent fill.
const double kOutlineBandZ = 0.01;

// The filled piece, relative to its home point, textured with the whole
// picture (texture row 0 at the board's top edge).
Model pieceModel(const JigsawPiece &p, const std::string &texture);
// Mesh 0: translucent fill of the whole piece (also its clickable area).
// Mesh 1: a line band along the outline, inside the piece, slightly raised.
Model outlineModel(const JigsawPiece &p, const std::string &fillTexture,
                   const std::string &lineTexture);
// The piece's silhouette in a translucent texture, relative to its home point.
Model shadowModel(const JigsawPiece &p, const std::string &texture);
