// The one process-wide game state and the piece catalogue.
//
// Everything the game keeps lives in the five records below, created at
// process start and never freed. The rules in game/ change them; view/ reads
// them to draw and routes keys to the rule operations. Nothing here touches
// GL, GLUT or a clock: the frame passes the time in.
#pragma once

#include <cstdint>

constexpr int kPitRows = 23;  // rows 0-19 visible, 20-22 above the rim
constexpr int kVisibleRows = 20;
constexpr int kPitCols = 10;
constexpr int kCellSize = 20;  // scene units per pit cell
constexpr int kPieceTypes = 7;
constexpr int kStartFallInterval = 1000;

// 0 empty, 1-7 the type of the piece that settled there.
using CellCode = std::int32_t;

// Row 0 at the bottom, column 0 at the left, row-major.
struct Pit {
    CellCode cells[kPitRows][kPitCols];
};

struct ShapeCell {
    int dx;  // column offset from the anchor cell
    int dy;  // row offset from the anchor cell
};

// Indexed by piece type 1-7; entry 0 is unused so a type indexes directly.
using ShapeTable = ShapeCell[kPieceTypes + 1][4];

struct Colour {
    float r, g, b;
};

extern const ShapeTable kShapeTable;
extern const Colour kColourTable[kPieceTypes + 1];

struct FallingPiece {
    int angle;  // 0, 90, 180 or 270, anticlockwise seen from the front
    int x;      // scene units, steps of 20
    int y;      // scene units, 0 on entry, never positive
    int type;   // 1-7
    int landed;
    int anchorRow;  // y / 20 + 20, cached
    int anchorCol;  // x / 20 + 4, cached
    ShapeTable shapes;
};

struct GameState {
    std::int32_t score;
    std::int32_t lines;
    std::int32_t level;
    std::int32_t best;
    int paused;
    int over;
    std::int32_t fallInterval;
    std::int32_t now;       // time of the current piece update, ms
    std::int32_t lastFall;  // time of the last fall step, ms
};

struct CameraState {
    std::int32_t zoom;
    std::int32_t rotX, rotY, rotZ;
};

// Large enough for every formatted 32-bit value, sign included.
constexpr int kTextCapacity = 48;

struct StatusTexts {
    char bestText[kTextCapacity];
    char scoreText[kTextCapacity];
    char levelText[kTextCapacity];
    char linesText[kTextCapacity];
    char messageText[kTextCapacity];
};

extern const char kPauseMessage[];
extern const char kGameOverMessage[];

extern Pit pit;
extern FallingPiece piece;
extern GameState game;
extern CameraState camera;
extern StatusTexts texts;

struct CellPosition {
    int row;  // anchor row; the piece is drawn one row lower
    int col;
};

// (sine, cosine) of a quarter-turn angle.
int quarterSin(int angle);
int quarterCos(int angle);

// Rotates a shape cell anticlockwise about the anchor cell.
CellPosition cellPosition(ShapeCell cell, int angle, int anchorRow, int anchorCol);

// The four cells of the falling piece as it stands (angle and cached anchor).
void pieceCells(CellPosition out[4]);

bool isOccupied(int row, int col);
void clearPit();

void formatBestText();
void refreshStatusTexts();  // best, score, level, lines
void setMessage(const char* message);

void seedRandom(std::uint32_t seed);
int randomPieceType();

// One-time start at process start: the start values, then the generator
// seeded from the wall clock and the first piece type.
void pieceInit();

// Puts every record back to its start values without touching the random
// generator or the piece type (used by pieceInit and by tests).
void resetState();

// Adds without signed overflow: counters stop at the 32-bit limits.
std::int32_t saturatingAdd(std::int32_t a, std::int64_t b);
