// The puzzle's fixed data: the archives of each size and the home place of
// every piece in each cut layout. Shared by the game and the data tools.
#pragma once

// Puzzle sizes: 0 = 20 pieces, 1 = 48 pieces.
const int PUZZLE_SIZES = 2;
// Pictures per size; they form a ring.
const int PUZZLE_PICTURES = 5;
// Cut layouts per size, shared by the pictures (picture n uses n mod 3).
const int PUZZLE_LAYOUTS = 3;

// Invariant: each list holds PUZZLE_PICTURES archive names, indexed by picture.
struct PuzzleSizeInfo {
    int pieceCount;
    double minScatterDistance;  // scene units between two scattered pieces
    const char *pictureArchives[PUZZLE_PICTURES];  // "plase" and pieces "1".."N"
    const char *outlineArchives[PUZZLE_PICTURES];  // outlines "1".."N"
    const char *commonArchives[PUZZLE_PICTURES];   // "final" and "prev"
    const char *shadowArchives[PUZZLE_PICTURES];   // shadows "1".."N"
};

extern const PuzzleSizeInfo PUZZLE_SIZE_INFO[PUZZLE_SIZES];

// The cut layout a picture uses (0, 1, 2, 0, 1).
int pictureLayout(int picture);
// Home place of piece `piece` (1-based) in scene units on the board; false
// (and nothing written) for arguments out of range.
bool pieceHome(int size, int layout, int piece, double &x, double &y);
