// The puzzle in play: the pieces of one picture scattered around the board,
// their outlines at home, and the two-click play (select a piece, click its
// outline to send it home).
//
// Board frame: scene units, x right, y up, the board 19.7 x 12.2 centred on
// the origin; resting pieces at z 0, outlines at -0.1, the board at -0.2.
#pragma once

#include <cstdint>

#include "puzzle/PuzzleLayouts.h"

struct SceneObject;

// Most pieces of any size.
const int MAX_PIECES = 48;

// Invariant: placedCount <= pieceCount; shadowObject, when set, is a child of
// selectedPiece.
struct PuzzleBoard {
    int32_t puzzleSize = 0;       // 0 = 20 pieces, 1 = 48
    int32_t pictureIndex = 0;     // 0..4, the ring of pictures of a size
    int32_t pieceCount = 20;
    double minScatterDistance = 4.0;  // scene units between scattered pieces
    SceneObject *boardObject = nullptr;   // Borrowed: child of the play field
    SceneObject *selectedPiece = nullptr; // Borrowed: the piece selected last
    SceneObject *shadowObject = nullptr;  // Borrowed: its shadow while not yet sent
    int32_t placedCount = 0;      // pieces sent home (counted when sent, not landed)
    int32_t startX[MAX_PIECES] = {};
    int32_t startY[MAX_PIECES] = {};
    int32_t candidateX = 0, candidateY = 0;
    bool justPlaced = false;      // a piece was just sent; its own watcher retires
    bool zoomBusy = false;        // the play field is zooming; picture buttons wait
};

// The archive lists of the current size.
const PuzzleSizeInfo &currentSizeInfo();
// Fills startX/startY for pieceCount pieces in the four strips around the
// board, no two closer than minScatterDistance. Draws from rand(); a layout
// that leaves a piece no place starts over, and should a hundred layouts
// fail, the distance is dropped: the scatter always ends.
void scatter();
// Builds the board background, scatters and builds every piece and outline
// under boardObject. Pieces that landed in an earlier visit (App::progress)
// rest at home; the others fly in.
void buildPieces();

// Piece behaviours (action callbacks; the piece or place is currentObject).
void flyIn(void *userData);
void pickUpWatcher(void *userData);
void pulse(void *userData);
// i0: the piece's number.
void dropWatcher(void *piece);
// i1: the piece's number; d0, d1: its home.
void glide(void *shadow);
// i0: the piece's number; d0, d1: its home. Each landing is kept in App::progress
// and written at once; the last completes the picture instead.
void land(void *shadow);
