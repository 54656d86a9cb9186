// How much a picture shows inside each piece: the figure the built-in art is
// judged by, and the one that tells a parent a photo makes a poor puzzle.
#pragma once

#include <vector>

// Distance (CIE76) from a piece's median colour that counts as a feature.
const double FEATURE_DELTA_E = 20;
// A piece with a smaller feature share reads as one plain colour.
const double PLAIN_FEATURE_SHARE = 0.05;

struct Lab {
    double l = 0, a = 0, b = 0;
};

// sRGB (D65) to CIELAB.
Lab toLab(const unsigned char rgb[3]);
double deltaE76(const Lab &p, const Lab &q);

// Detail of the pixels of one piece.
struct PieceDetail {
    int piece = 0;
    double spread = 0;   // RMS CIE76 distance from the mean colour
    double feature = 0;  // share of pixels farther than FEATURE_DELTA_E from the median colour
};
// The figures of one piece's pixels; zeros when there are none.
PieceDetail detailOfColours(const std::vector<Lab> &labs);
// Pieces of a picture (tight RGB rows) that read as one plain colour, the
// pieces taken as the `columns` x `rows` cells of the cut's grid.
int plainCells(const unsigned char *rgb, int width, int height, int columns, int rows);
