// Rules cost of one frame without drawing: the row walk, then the piece update.
// The clock stays at 0 and the records are restored before every sample, so no
// fall step happens and each sample times the same frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "game/piece.h"
#include "game/rows.h"
#include "game/state.h"

template <class Prepare, class Frame> static double medianNs(Prepare prepare, Frame frame) {
    std::vector<double> ns(200000);
    for (double& sample : ns) {
        prepare();
        auto t0 = std::chrono::steady_clock::now();
        frame();
        sample = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    }
    std::nth_element(ns.begin(), ns.begin() + ns.size() / 2, ns.end());
    return ns[ns.size() / 2];
}

// Rows 0 to rows - 1 are filled, each but the bottom `full` ones with one gap;
// a flat straight piece waits at the top, clear of the stack.
static void report(const char* name, int rows, int full) {
    resetState();
    piece.type = 4;
    int blocks = 0;
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < kPitCols; c++)
            if (r < full || c != 3 * r % kPitCols)
                pit.cells[r][c] = 1 + (r + c) % kPieceTypes, blocks++;
    const Pit startPit = pit;
    const GameState startGame = game;
    const FallingPiece startPiece = piece;
    int removed = 0;
    double ns = medianNs([&] { pit = startPit, game = startGame, piece = startPiece; },
                         [&] { removed = scanRows(nullptr), updateFallingPiece(0); });
    std::printf("rules  %-18s %3d blocks, %d rows removed, piece landed %d: median %4.0f ns/frame\n", name, blocks,
                removed, piece.landed, ns);
}

int main() {
    std::printf("rules  clock overhead, included below: median %4.0f ns\n", medianNs([] {}, [] {}));
    report("empty pit", 0, 0);
    report("tall stack", 17, 0);
    report("four rows removed", 17, 4);
}
