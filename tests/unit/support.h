#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "game/state.h"

// Makes the next randomPieceType() return `type`.
inline void nextType(int type) {
    for (std::uint32_t seed = 1;; seed++) {
        seedRandom(seed);
        if (randomPieceType() == type)
            return seedRandom(seed);
    }
}

// Puts the falling piece with its anchor cell at (anchorRow, anchorCol).
inline void place(int type, int anchorRow, int anchorCol, int angle = 0) {
    piece.type = type;
    piece.angle = angle;
    piece.y = (anchorRow - 20) * 20;
    piece.x = (anchorCol - 4) * 20;
    piece.anchorRow = anchorRow;
    piece.anchorCol = anchorCol;
}

inline void fillRow(int row, int gap = -1) {
    for (int col = 0; col < kPitCols; col++)
        pit.cells[row][col] = col == gap ? 0 : 1;
}

struct Snapshot {
    Pit p = pit;
    FallingPiece f = piece;
    GameState g = game;
    CameraState c = camera;
    StatusTexts t = texts;
    bool operator==(const Snapshot& o) const {
        return !std::memcmp(&p, &o.p, sizeof p) && !std::memcmp(&f, &o.f, sizeof f) && !std::memcmp(&g, &o.g, sizeof g) &&
               !std::memcmp(&c, &o.c, sizeof c) && !std::memcmp(&t, &o.t, sizeof t);
    }
};

class Rules : public ::testing::Test {
protected:
    void SetUp() override {
        piece.type = 1;
        resetState();
        refreshStatusTexts();
        setMessage(kPauseMessage);
        seedRandom(1);
    }
};
