#include "game/piece.h"

#include "game/best_score.h"
#include "game/state.h"

static void refreshAnchor() {
    piece.anchorRow = piece.y / kCellSize + kVisibleRows;
    piece.anchorCol = piece.x / kCellSize + 4;
}

bool landingTest() {
    CellPosition cells[4];
    pieceCells(cells);
    piece.landed = 0;
    for (const CellPosition& c : cells) {
        // Bound first, so no row below the floor is read.
        if (c.row < 1 || isOccupied(c.row - 1, c.col)) {
            piece.landed = 1;
            break;
        }
    }
    return piece.landed != 0;
}

void lockPiece() {
    CellPosition cells[4];
    pieceCells(cells);
    for (const CellPosition& c : cells)
        pit.cells[c.row][c.col] = piece.type;
}

void spawnPiece() {
    // The fall clock carries on: a step due now still happens in the next frame.
    piece.y = 0;
    piece.type = randomPieceType();
    piece.angle = 0;
    piece.x = 0;
    piece.anchorRow = kVisibleRows;
    piece.anchorCol = 4;
}

void endGame() {
    game.paused = 1;
    saveBestScore();
    setMessage(kGameOverMessage);
    game.over = 1;
}

// Only the new piece's own four cells count, at their anchor rows.
static void startOfPieceTest() {
    CellPosition cells[4];
    pieceCells(cells);
    for (const CellPosition& c : cells) {
        if (isOccupied(c.row, c.col)) {
            endGame();
            return;
        }
    }
}

static void lockAndSpawn() {
    lockPiece();
    spawnPiece();
    startOfPieceTest();
}

void updateFallingPiece(std::int32_t now) {
    game.now = now;
    piece.landed = 0;
    // Strictly more than the interval. The difference is taken modulo 2^32, so
    // the fall goes on when GLUT's millisecond counter wraps after 24.8 days.
    // Time past the interval is not carried over.
    auto elapsed =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(game.lastFall));
    if (elapsed > game.fallInterval && !game.paused) {
        piece.y -= kCellSize;
        game.lastFall = now;
    }
    refreshAnchor();
    landingTest();
    if (piece.landed && !game.paused)
        lockAndSpawn();
}

// The side moves test the drawn rows beside the piece, using the cached
// anchor row of the last frame.
static void move(int direction, int step) {
    piece.anchorCol = piece.x / kCellSize + 4;
    CellPosition cells[4];
    pieceCells(cells);
    for (const CellPosition& c : cells) {
        int target = c.col + direction;
        if (target < 0 || target >= kPitCols || isOccupied(c.row - 1, target))
            return;
    }
    piece.x += direction * step;
}

void moveLeft(int step) {
    move(-1, step);
}

void moveRight(int step) {
    move(1, step);
}

// Turns are tested at the anchor rows, with no shifting to make room.
void rotatePiece(int delta) {
    if (piece.type == 7)
        return;
    piece.anchorCol = piece.x / kCellSize + 4;
    int oldAngle = piece.angle;
    piece.angle = (piece.angle + delta) % 360;
    CellPosition cells[4];
    pieceCells(cells);
    for (const CellPosition& c : cells) {
        if (c.col < 0 || c.col >= kPitCols || c.row < 1 || isOccupied(c.row, c.col)) {
            piece.angle = oldAngle;
            return;
        }
    }
}

void hardDrop() {
    // The first step down is free: only rows beyond it score.
    game.score = saturatingAdd(game.score, -1);
    do {
        piece.y -= kCellSize;
        game.score = saturatingAdd(game.score, 1);
        piece.landed = 0;
        refreshAnchor();
    } while (!landingTest());
    // A game ended here saves best before this drop's points count in it.
    lockAndSpawn();
    raiseBest();
    refreshStatusTexts();
}
