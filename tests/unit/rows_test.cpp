#include "game/control.h"
#include "game/piece.h"
#include "game/rows.h"
#include "support.h"

#include <tuple>

TEST_F(Rules, RowsRemovedInOneWalkScoreByCountAtTheNewLevel) {
    // rows, lines and interval before; points, lines, level and interval after
    // clang-format off
    const std::tuple<int, int, int, int, int, int, int> cases[] = {
        {1, 0, 1000, 40, 1, 0, 1000},   {2, 0, 1000, 100, 2, 0, 1000},  {3, 0, 1000, 300, 3, 0, 1000},
        {4, 0, 1000, 1200, 4, 0, 1000}, {4, 20, 800, 3600, 24, 2, 800}, {1, 9, 1000, 80, 10, 1, 900},
        {2, 19, 900, 300, 21, 2, 800},  {5, 0, 1000, 0, 5, 0, 1000},    {6, 4, 1000, 0, 10, 1, 900},
        {1, 89, 200, 400, 90, 9, 100},  {1, 99, 100, 440, 100, 10, 100},
        {4, 2147483645, 100, 2147483647, 2147483647, 214748364, 100},  // counters stop at the limit
    };
    // clang-format on
    for (auto [count, linesBefore, intervalBefore, points, lines, level, interval] : cases) {
        resetState();
        for (int r = 0; r < count; r++)
            setRow(r, "1111111111");
        setRow(count, "5.........");
        game.lines = linesBefore;
        game.fallInterval = intervalBefore;
        EXPECT_EQ(scanRows(nullptr), count);
        EXPECT_EQ(std::make_tuple(game.score, game.lines, game.level, game.fallInterval, rows({0, 1})),
                  std::make_tuple(points, lines, level, interval, std::string("5.........|..........|")))
            << count << " rows after " << linesBefore;
        EXPECT_EQ(texts.linesText, "Lines: " + std::to_string(lines));
    }
}

TEST_F(Rules, FullRowsGoAroundAPartialOneAndRowsAboveTheRimStay) {
    setRow(0, "1111111111");
    setRow(1, "222.222222");
    setRow(2, "3333333333");
    setRow(19, ".........6");
    setRow(20, "5.........");
    EXPECT_EQ(scanRows(nullptr), 2);
    EXPECT_EQ(game.score, 100);
    EXPECT_EQ(rows({0, 1, 17, 19, 20}), "222.222222|..........|.........6|..........|5.........|");
    game.score = 250;
    std::string after = records();
    EXPECT_EQ(scanRows(nullptr), 0);
    EXPECT_TRUE(records() == after);
}

TEST_F(Rules, PauseStopsFallsAndLocksButNotTheRowWalk) {
    place(7, 15, 4);
    setRow(0, "1111111111");
    pit.cells[15][4] = 3;
    pauseGame();
    EXPECT_EQ(scanRows(nullptr), 1);
    updateFallingPiece(5000);
    EXPECT_EQ(std::make_tuple(game.score, piece.anchorRow, piece.landed, rows({14, 15})),
              std::make_tuple(40, 15, 1, std::string("....3.....|..........|")));
    std::string paused = records();
    resumeOrRestart();
    game.paused = !game.paused;
    EXPECT_TRUE(records() == paused);
    game.paused = 0;
    game.lastFall = 5000;
    updateFallingPiece(5500);
    EXPECT_EQ(rows({15, 16}), "....77....|....77....|");
}

TEST_F(Rules, RestartAfterGameOverKeepsBestPieceCameraAndClock) {
    place(5, 11, 6, 90);
    game = GameState{300, 25, 2, 900, 0, 0, 800, 4400, 4321};
    camera = CameraState{-150, 10, 20, 30};
    setRow(22, "1.........");
    endGame();
    EXPECT_EQ(std::make_tuple(game.paused, game.over, std::string(texts.messageText)),
              std::make_tuple(1, 1, std::string("Game Over - press r to restart")));
    std::string over = records();
    FallingPiece pieceBefore = piece;
    pauseGame();
    EXPECT_TRUE(records() == over);
    resumeOrRestart();
    EXPECT_EQ(std::make_tuple(game.paused, game.over, game.score, game.lines, game.level, game.fallInterval, game.best,
                              game.lastFall, rows({22})),
              std::make_tuple(0, 0, 0, 0, 0, 1000, 900, 4321, std::string("..........|")));
    EXPECT_EQ(std::string(texts.bestText) + texts.scoreText + texts.levelText + texts.linesText + texts.messageText,
              "Highest: 900Score: 0Level: 0Lines: 0Paused - press r to resume");
    EXPECT_EQ(std::memcmp(&piece, &pieceBefore, sizeof piece), 0);
    EXPECT_EQ(std::make_tuple(camera.zoom, camera.rotX, camera.rotY, camera.rotZ), std::make_tuple(-150, 10, 20, 30));
}
