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
    int32_t startX[MAX_PIECES] = {};  // the draws, in the strips as drawn
    int32_t startY[MAX_PIECES] = {};
    double placeX[MAX_PIECES] = {};   // where the pieces lie: the draws fitted to the screen
    double placeY[MAX_PIECES] = {};
    double screenAspect = 0;          // width / height the scatter fits; 0: the strips as drawn
    bool justPlaced = false;      // a piece was just sent; its own watcher retires
    bool zoomBusy = false;        // the play field is zooming; picture buttons wait
    SceneObject *glowObject = nullptr;  // Borrowed: the switches' highlight rim, child of glowOwner
    SceneObject *glowOwner = nullptr;   // Borrowed: the piece or outline it lights
    // Decoding the next picture ahead of its turn:
    int32_t lastTurn = 1;         // the way the ring was last turned (+1 or -1); the next likely goes the same way
    int32_t aheadTurn = 0;        // the turn whose picture decodes ahead; 0: none, or a finished picture's ask
    int32_t aheadPicture = -1;    // the picture asked for while aheadTurn is set
    bool turnPending = false;     // a turn was made and its board not built: its images stay held
};

// Room for loose pieces in board units, at the board's depth: every piece
// centre lies within [-halfWidth, halfWidth] x [bottom, top] and the piece
// with its knobs stays on screen and below the tool bar.
struct ScatterRoom {
    double halfWidth = 0, bottom = 0, top = 0;
    double sideInner = 0;   // side strips start this far from the centre (clear of frame and arrows)
    double belowBoard = 0;  // the bottom strip starts this far below the centre
    double aboveBoard = 0;  // the top strip starts this far above it
};
// The room on a screen of this shape for pieces of this size (0 or 1).
ScatterRoom scatterRoomFor(double aspect, int puzzleSize);
// A draw in strip r (0 left, 1 right, 2 bottom, 3 top; its fixed integer
// ranges) moved to the same relative place in that strip fitted to `room`.
void fitDraw(int strip, int x, int y, const ScatterRoom &room, double &outX, double &outY);

// The archive lists of the current size.
const PuzzleSizeInfo &currentSizeInfo();
// Fills startX/startY for pieceCount pieces in the four strips around the
// board and placeX/placeY with them fitted to screenAspect (as drawn when 0),
// no two fitted places closer than minScatterDistance. Draws from rand(); a layout
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
// The highlight rim: an endless swell of the piece's silhouette (i0: 1 on an
// outline, 0 behind a loose piece).
void glowPulse(void *userData);
