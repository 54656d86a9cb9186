// How loose pieces lie on screens of several shapes: the share of piece area
// covered by other pieces and the share lying off screen or under the tool
// bar, for the strips as drawn and fitted to the screen. No window needed.
//
//   lumbrik_bench_scatter [LAYOUTS]   (default 2000 layouts per case)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/App.h"
#include "puzzle/PuzzleBoard.h"

// Pieces as boxes with their knobs (board units): the board 19.7 x 12.2 cut
// 5 x 4 or 8 x 6, and a knob reaching a fifth of the body beyond each side.
static const double KNOBS = 1.4;
static const double BODY_W[2] = {KNOBS * 19.7 / 5, KNOBS * 19.7 / 8}, BODY_H[2] = {KNOBS * 12.2 / 4, KNOBS * 12.2 / 6};
static const double VIEW_HALF_HEIGHT = 16.5685, TOOL_BAR_SHARE = 0.12;

struct Shares {
    double covered = 0, hidden = 0;
};

static double overlap1d(double a0, double a1, double b0, double b1)
{
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

// Covered: sum over pairs of the overlap of their boxes, over all boxes'
// area. Hidden: box area beyond the screen or above the tool bar's lower edge.
static Shares measure(const PuzzleBoard &b, double aspect)
{
    int s = b.puzzleSize;
    double w = BODY_W[s], h = BODY_H[s], area = w * h * b.pieceCount, covered = 0, visible = 0;
    double halfW = VIEW_HALF_HEIGHT * aspect, top = VIEW_HALF_HEIGHT * (1 - 2 * TOOL_BAR_SHARE);
    for (int i = 0; i < b.pieceCount; i++) {
        double x = b.placeX[i], y = b.placeY[i];
        visible += overlap1d(x - w / 2, x + w / 2, -halfW, halfW) * overlap1d(y - h / 2, y + h / 2, -VIEW_HALF_HEIGHT, top);
        for (int j = 0; j < i; j++)
            covered += overlap1d(x - w / 2, x + w / 2, b.placeX[j] - w / 2, b.placeX[j] + w / 2) *
                       overlap1d(y - h / 2, y + h / 2, b.placeY[j] - h / 2, b.placeY[j] + h / 2);
    }
    return {covered / area, std::max(0.0, 1 - visible / area)};
}

int main(int argc, char **argv)
{
    int layouts = argc > 1 ? atoi(argv[1]) : 2000;
    const struct { const char *name; double aspect; } screens[] = {
        {"1280x1024", 1280.0 / 1024}, {"1024x768", 1024.0 / 768}, {"1366x768", 1366.0 / 768},
        {"1920x1080", 1920.0 / 1080}, {"2560x1080", 2560.0 / 1080}};
    printf("%-10s %6s  %-22s  %-22s\n", "screen", "pieces", "as drawn: covered hidden", "fitted: covered hidden");
    for (int size = 0; size < 2; size++) {
        for (const auto &screen : screens) {
            Shares drawn, fitted;
            for (int fit = 0; fit < 2; fit++) {
                Shares &sum = fit ? fitted : drawn;
                srand(12345);
                for (int n = 0; n < layouts; n++) {
                    app.board = PuzzleBoard();
                    app.board.puzzleSize = size;
                    app.board.pieceCount = size ? 48 : 20;
                    app.board.minScatterDistance = size ? 2.5 : 4.0;
                    app.board.screenAspect = fit ? screen.aspect : 0;
                    scatter();
                    Shares one = measure(app.board, screen.aspect);
                    sum.covered += one.covered / layouts;
                    sum.hidden += one.hidden / layouts;
                }
            }
            printf("%-10s %6d  %8.1f %% %8.1f %%    %8.1f %% %8.1f %%\n", screen.name, size ? 48 : 20,
                   100 * drawn.covered, 100 * drawn.hidden, 100 * fitted.covered, 100 * fitted.hidden);
        }
    }
    return 0;
}
