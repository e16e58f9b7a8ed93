#include "game/state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

// clang-format off
const ShapeTable kShapeTable = {
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{0, 0}, {1, 1}, {0, 1}, {-1, 0}},
    {{0, 0}, {1, 0}, {1, 1}, {-1, 0}},
    {{0, 0}, {1, 0}, {0, 1}, {-1, 1}},
    {{0, 0}, {1, 0}, {2, 0}, {-1, 0}},  // the straight piece
    {{0, 0}, {1, 0}, {-1, 1}, {-1, 0}},
    {{0, 0}, {1, 0}, {0, 1}, {-1, 0}},
    {{0, 0}, {1, 1}, {0, 1}, {1, 0}},  // the square, never turns
};

// Ambient colours; values above 1.0 brighten the lit cubes.
const Colour kColourTable[kPieceTypes + 1] = {
    {0.0f, 0.0f, 0.0f},
    {0.5f, 0.5f, 2.5f},
    {2.5f, 2.5f, 0.5f},
    {0.5f, 2.5f, 0.5f},
    {2.5f, 0.5f, 0.5f},
    {2.5f, 0.5f, 2.5f},
    {1.0f, 1.0f, 1.0f},
    {0.5f, 2.5f, 2.5f},
};

// clang-format on

const char kPauseMessage[] = "Paused - press r to resume";
const char kGameOverMessage[] = "Game Over - press r to restart";

Pit pit;
FallingPiece piece;
GameState game;
CameraState camera;
StatusTexts texts;

int quarterSin(int angle) {
    switch (angle) {
    case 90: return 1;
    case 180: return 0;
    case 270: return -1;
    default: return 0;
    }
}

int quarterCos(int angle) {
    switch (angle) {
    case 90: return 0;
    case 180: return -1;
    case 270: return 0;
    default: return 1;
    }
}

CellPosition cellPosition(ShapeCell cell, int angle, int anchorRow, int anchorCol) {
    int s = quarterSin(angle);
    int c = quarterCos(angle);
    return {anchorRow + s * cell.dx + c * cell.dy, anchorCol + c * cell.dx - s * cell.dy};
}

void pieceCells(CellPosition out[4]) {
    for (int i = 0; i < 4; i++)
        out[i] = cellPosition(piece.shapes[piece.type][i], piece.angle, piece.anchorRow, piece.anchorCol);
}

bool isOccupied(int row, int col) {
    return pit.cells[row][col] != 0;
}

void clearPit() {
    std::memset(pit.cells, 0, sizeof pit.cells);
}

void formatBestText() {
    std::snprintf(texts.bestText, sizeof texts.bestText, "Highest: %d", static_cast<int>(game.best));
}

void refreshStatusTexts() {
    formatBestText();
    std::snprintf(texts.scoreText, sizeof texts.scoreText, "Score: %d", static_cast<int>(game.score));
    std::snprintf(texts.levelText, sizeof texts.levelText, "Level: %d", static_cast<int>(game.level));
    std::snprintf(texts.linesText, sizeof texts.linesText, "Lines: %d", static_cast<int>(game.lines));
}

void setMessage(const char* message) {
    std::snprintf(texts.messageText, sizeof texts.messageText, "%s", message);
}

void seedRandom(std::uint32_t seed) {
    std::srand(seed);
}

int randomPieceType() {
    return std::rand() % kPieceTypes + 1;
}

void resetState() {
    int type = piece.type;
    clearPit();
    piece = FallingPiece{};
    piece.type = type;
    piece.anchorRow = kVisibleRows;
    piece.anchorCol = 4;
    std::memcpy(piece.shapes, kShapeTable, sizeof piece.shapes);
    game = GameState{};
    game.fallInterval = kStartFallInterval;
    camera = CameraState{-185, 0, 0, 0};
    refreshStatusTexts();
    setMessage(kPauseMessage);
}

// The start values already hold the zeroed texts, the pause message and the
// shape table; what is left is the generator and the first piece.
void pieceInit() {
    resetState();
    seedRandom(static_cast<std::uint32_t>(std::time(nullptr)));
    piece.type = randomPieceType();
}

std::int32_t saturatingAdd(std::int32_t a, std::int64_t b) {
    std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(sum);
}
