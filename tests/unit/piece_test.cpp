#include "game/piece.h"
#include "support.h"

#include <tuple>

TEST_F(Rules, CellPositionTurnsAnticlockwiseAboutTheAnchor) {
    // cell (1, 1) about an anchor at row 10, column 5
    const std::tuple<int, int, int> cases[] = {{0, 11, 6}, {90, 11, 4}, {180, 9, 4}, {270, 9, 6}};
    for (auto [angle, r, col] : cases) {
        CellPosition p = cellPosition({1, 1}, angle, 10, 5);
        EXPECT_EQ(std::make_pair(p.row, p.col), std::make_pair(r, col)) << angle;
    }
    place(4, 20, 4, 90);
    lockPiece();
    EXPECT_EQ(rows({18, 19, 22}), "..........|....4.....|....4.....|");
}

TEST_F(Rules, FallStepsOnlyPastTheIntervalAndOncePerFrame) {
    place(1, 15, 4);
    // now, anchor row, last fall; the last two cross the wrap of the millisecond counter
    // clang-format off
    const std::tuple<int, int, int> frames[] = {{1000, 15, 0}, {1001, 14, 1001}, {9000, 13, 9000}, {10000, 13, 9000},
        {2147483000, 12, 2147483000}, {-2147483296, 12, 2147483000}, {-2147483295, 11, -2147483295}};
    // clang-format on
    for (auto [now, anchorRow, lastFall] : frames) {
        updateFallingPiece(now);
        EXPECT_EQ(std::make_pair(piece.anchorRow, game.lastFall), std::make_pair(anchorRow, lastFall)) << now;
    }
}

TEST_F(Rules, MovesAreRefusedByWallsAndByBlocksInTheDrawnRows) {
    // type, anchor column, block row and column, direction, x change
    const std::tuple<int, int, int, int, int, int> cases[] = {
        {4, 1, 0, 0, -1, 0}, {4, 7, 0, 0, 1, 0},   {4, 4, 19, 2, -1, 0}, {4, 4, 20, 2, -1, -20},
        {4, 4, 19, 7, 1, 0}, {4, 4, 18, 7, 1, 20}, {1, 4, 20, 6, 1, 0},  {1, 4, 21, 6, 1, 20},
    };
    for (auto [type, col, blockRow, blockCol, dir, dx] : cases) {
        resetState();
        place(type, 20, col);
        pit.cells[blockRow][blockCol] = 2;
        dir < 0 ? moveLeft(20) : moveRight(20);
        EXPECT_EQ(piece.x, (col - 4) * 20 + dx) << type << " in column " << col << ", block row " << blockRow;
    }
}

TEST_F(Rules, TurnsAreTestedAtTheAnchorRows) {
    // type, anchor row and column, angle, block row in column 4, angle after
    const std::tuple<int, int, int, int, int, int> cases[] = {
        {4, 5, 4, 0, 3, 90},  {4, 5, 4, 0, 7, 0},     {4, 1, 4, 0, 22, 0},     {4, 10, 9, 90, 22, 90},
        {7, 10, 4, 0, 22, 0}, {6, 10, 4, 270, 22, 0}, {2, 10, 4, 90, 22, 180},
    };
    for (auto [type, r, col, angle, blockRow, angleAfter] : cases) {
        resetState();
        place(type, r, col, angle);
        pit.cells[blockRow][4] = 2;
        rotatePiece(90);
        EXPECT_EQ(piece.angle, angleAfter) << type << " at " << r << "," << col << " block row " << blockRow;
    }
    // Turned onto a block in its lowest drawn row, it locks one row above where it is drawn.
    resetState();
    place(4, 5, 4);
    pit.cells[3][4] = 2;
    rotatePiece(90);
    updateFallingPiece(0);
    EXPECT_EQ(rows({3, 4, 7, 8}), "....2.....|....4.....|....4.....|..........|");
}

TEST_F(Rules, HardDropScoresOnePointPerRowFallenAndLeavesTheClock) {
    // block row under column 5, score before and after, row the piece locks in
    const std::tuple<int, int, int, int> cases[] = {
        {18, 5, 5, 19}, {8, 5, 15, 9}, {22, 5, 24, 0}, {22, 2147483640, 2147483647, 0}};
    for (auto [blockRow, before, after, lockRow] : cases) {
        resetState();
        place(4, 20, 4);
        pit.cells[blockRow][5] = 2;
        game.score = before;
        game.lastFall = 1234;
        hardDrop();
        EXPECT_EQ(std::make_tuple(game.score, game.best, game.lastFall, piece.anchorRow, rows({lockRow})),
                  std::make_tuple(after, after, 1234, 20, std::string("...4444...|")));
        EXPECT_EQ(texts.scoreText, "Score: " + std::to_string(after));
    }
}

TEST_F(Rules, OnlyTheNewPiecesOwnCellsEndTheGame) {
    nextType(4);
    setRow(21, "1111111111");
    setRow(20, "111....111");
    setRow(19, "....11....");
    place(7, 3, 0);
    hardDrop();
    EXPECT_EQ(game.over, 0);
    pit.cells[20][4] = 1;
    place(7, 3, 0);
    hardDrop();
    EXPECT_EQ(std::make_tuple(game.over, game.paused, piece.y), std::make_tuple(1, 1, 0));
    EXPECT_STREQ(texts.messageText, "Game Over - press r to restart");
}

TEST_F(Rules, StartStateHoldsTheFirstPieceZeroedTextsAndThePauseMessage) {
    game.score = 99;
    setMessage(kGameOverMessage);
    pieceInit();
    EXPECT_TRUE(piece.type >= 1 && piece.type <= 7) << piece.type;
    EXPECT_EQ(std::make_tuple(game.paused, game.over, game.fallInterval, camera.zoom, piece.x, piece.y, piece.angle),
              std::make_tuple(0, 0, 1000, -185, 0, 0, 0));
    EXPECT_EQ(std::string(texts.bestText) + texts.scoreText + texts.levelText + texts.linesText + texts.messageText,
              "Highest: 0Score: 0Level: 0Lines: 0Paused - press r to resume");
    const ShapeCell straight[4] = {{0, 0}, {1, 0}, {2, 0}, {-1, 0}}, square[4] = {{0, 0}, {1, 1}, {0, 1}, {1, 0}};
    EXPECT_EQ(std::memcmp(piece.shapes[4], straight, sizeof straight), 0);
    EXPECT_EQ(std::memcmp(piece.shapes[7], square, sizeof square), 0);
    EXPECT_EQ(std::make_tuple(kColourTable[1].b, kColourTable[6].r, kColourTable[7].g),
              std::make_tuple(2.5f, 1.0f, 2.5f));
}
