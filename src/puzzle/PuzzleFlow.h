// The puzzle screen around the board: the size in play, the play field with
// its frame and picture buttons, the ring of five pictures, the finished
// picture zoomed in, the panel, and the first-run size selection.
#pragma once

// Size 0 (20 pieces) or 1 (48); any other value changes nothing.
void setPuzzleSize(int size);
// Builds the play field (frame, previous and next buttons) once per run.
void layoutPlayField();
// Replaces the board: the finished picture (zooming in) when it is completed,
// otherwise fresh scattered pieces.
void showPicture();
// Asks for the current picture afresh (after zooming out when it is finished).
void leaveBoard();
// Rebuilds the panel near the top-left corner, expanded or collapsed.
void buildPanel();
// Opens the size selection screen (20 or 48 pieces) on the screen stack.
void openSizeSelection();
// The welcome screen's "ok" handler: opens the size selection on a click or Enter.
void showSizeSelection(void *userData);

// Click handlers of the picture buttons (also the Left and Right keys).
void previousPicture(void *userData);
void nextPicture(void *userData);
// Play field steps: zoom in by 60 % over 1.2 s; zoom back out over 0.8 s.
void zoomIn(void *userData);
void zoomOut(void *userData);
// The panel tab unfolding to upright.
void unfold(void *userData);
