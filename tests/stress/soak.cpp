// Plays many games on the rules with a seeded player and checks the game's
// invariants after every frame. Longer run: PLUMBRIX_SOAK_FRAMES=N (default a
// million); replay a failure with PLUMBRIX_SOAK_SEED=S.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <unistd.h>

#include "game/best_score.h"
#include "game/score_file.h"
#include "game/camera.h"
#include "game/control.h"
#include "game/piece.h"
#include "game/rows.h"
#include "game/state.h"

static unsigned long seed;
static long frame, rowsRemoved, topLevel, gameOvers;
static std::mt19937 rng;
static GameState last;

static int roll(int n) {
    return static_cast<int>(rng() % static_cast<unsigned>(n));
}

static void check(bool ok, const char* what) {
    if (!ok)
        std::fprintf(stderr, "soak: seed %lu, frame %ld: %s\n", seed, frame, what), std::exit(1);
}

static void checkTexts() {
    char want[200], shown[200];
    std::snprintf(want, 200, "Highest: %d|Score: %d|Level: %d|Lines: %d", game.best, game.score, game.level,
                  game.lines);
    std::snprintf(shown, 200, "%s|%s|%s|%s", texts.bestText, texts.scoreText, texts.levelText, texts.linesText);
    check(!std::strcmp(want, shown), "status texts differ from the counters after a refresh");
}

static bool place(int angle, int col, int row, CellPosition cells[4]) {
    bool fits = true;
    for (int i = 0; i < 4; i++) {
        CellPosition c = cells[i] = cellPosition(kShapeTable[piece.type][i], angle, row, col);
        fits = fits && c.col >= 0 && c.col < kPitCols && c.row >= 0 && c.row < kPitRows && !pit.cells[c.row][c.col];
    }
    return fits;
}

// The player aims a piece where it rests lowest over the fewest gaps, but one
// key in eight goes astray, so games also end. In one game in four, straight
// pieces stand in column 0 until it reaches above the rim, so that rows are
// removed under blocks there.
static int planAngle, planX;
static bool planned, tower;

static void plan() {
    planned = true;
    if (tower && piece.type == 4 && !pit.cells[kPitRows - 1][0]) {
        planAngle = 90, planX = -4 * kCellSize;
        return;
    }
    for (int angle = 0, least = 1 << 30; angle < 360; angle += piece.type == 7 ? 360 : 90)
        for (int col = 0, row = kVisibleRows, cost = 0; col < kPitCols; col++, row = kVisibleRows, cost = 0) {
            CellPosition cells[4];
            while (place(angle, col, row - 1, cells))
                row--;
            if (!place(angle, col, row, cells))
                continue;
            Pit saved = pit;  // the piece's own cells are no gaps
            for (const CellPosition& c : cells)
                pit.cells[c.row][c.col] = 8;
            for (const CellPosition& c : cells)
                cost += c.row * 4 + (c.row > 0 && !pit.cells[c.row - 1][c.col]) * 20;
            pit = saved;
            if (cost < least)
                least = cost, planAngle = angle, planX = (col - 4) * kCellSize;
        }
}

static void arrowKey() {
    int key = roll(24);
    if (!planned)
        plan();
    if (key == 0)
        moveLeft(kCellSize);
    else if (key == 1)
        moveRight(kCellSize);
    else if (key == 2 || piece.angle != planAngle)
        rotatePiece(90);
    else if (piece.x != planX)
        piece.x < planX ? moveRight(kCellSize) : moveLeft(kCellSize);
    else if (key % 2)
        hardDrop(), checkTexts(), planned = false;
}

static void restart() {
    static const Pit empty{};
    std::int32_t best = game.best;
    resumeOrRestart();
    checkTexts();
    check(!std::memcmp(&pit, &empty, sizeof pit) && !game.score && !game.lines && !game.level && !game.paused &&
              game.fallInterval == 1000 && game.best == best,
          "restart did not start a fresh game");
    last = game;
    tower = !roll(4);
}

static void checkFrame() {
    CellPosition cells[4];
    for (int i = 0; i < kPitRows * kPitCols; i++)
        check(static_cast<unsigned>(pit.cells[i / kPitCols][i % kPitCols]) <= 7, "pit code outside 0..7");
    check(piece.type >= 1 && piece.type <= 7 && piece.angle % 90 == 0 && piece.angle >= 0 && piece.angle < 360,
          "piece type or angle out of range");
    place(piece.angle, piece.x / kCellSize + 4, piece.y / kCellSize + kVisibleRows, cells);
    for (const CellPosition& c : cells)
        check(c.row >= 0 && c.row < kPitRows && c.col >= 0 && c.col < kPitCols, "piece cell outside the pit");
    check((game.paused == 1 || !game.over) && static_cast<unsigned>(game.paused | game.over) <= 1 &&
              !std::strcmp(texts.messageText, game.over ? kGameOverMessage : kPauseMessage),
          "impossible pause or game-over flags, or the wrong message");
    check(game.fallInterval % 100 == 0 && game.fallInterval >= 100 && game.fallInterval <= last.fallInterval,
          "fall interval not one of 1000, 900 ... 100, or rose within a game");
    check(game.score >= last.score && game.lines >= last.lines && game.level >= last.level && game.best >= last.best &&
              game.best >= game.score,
          "score, lines, level or best fell, or best is below the score");
    if (game.over && !last.over && ++gameOvers)
        check(readBestScoreFile(kBestScoreFile) == game.best, "score.dat does not hold best after a game over");
    topLevel = game.level > topLevel ? game.level : topLevel;
    last = game;
}

int main() {
    const char* frames = std::getenv("PLUMBRIX_SOAK_FRAMES");
    const char* given = std::getenv("PLUMBRIX_SOAK_SEED");
    seed = given ? std::strtoul(given, nullptr, 10) : static_cast<unsigned long>(std::time(nullptr));
    // Every game over saves score.dat with an fsync: in memory when possible,
    // so that the disk does not set the pace.
    char shm[] = "/dev/shm/plumbrix-soak-XXXXXX", tmp[] = "/tmp/plumbrix-soak-XXXXXX";
    char* dir = mkdtemp(shm) ? shm : mkdtemp(tmp);
    check(dir && chdir(dir) == 0, "no temporary working directory");
    std::fprintf(stderr, "soak: seed %lu\n", seed);  // before any sanitizer report
    rng.seed(static_cast<unsigned>(seed));
    pieceInit();
    seedRandom(static_cast<unsigned>(seed));
    spawnPiece();
    last = game;
    // GLUT's millisecond clock is an int that wraps after 24.8 days; starting
    // near the wrap makes every run cross it.
    std::uint32_t now = 0x7fffffffu - 100000000u;
    auto start = std::chrono::steady_clock::now();
    for (frame = 0; frame < (frames ? std::atol(frames) : 1000000); frame++) {
        for (int keys = roll(4); keys > 0; keys--) {
            int what = roll(100);
            if (what < 85 && !game.paused)
                arrowKey();
            else if (what < 88)
                zoomCamera(roll(3) - 1);
            else if (what < 92)
                rotateCamera(roll(3) - 1, roll(3) - 1, roll(3) - 1);
            else if (what < 93)
                pauseGame();
            else if (game.over)
                restart();
            else
                resumeOrRestart();
        }
        CellCode above[3][kPitCols];
        std::memcpy(above, pit.cells[kVisibleRows], sizeof above);
        if (int removed = scanRows(nullptr))
            rowsRemoved += removed, checkTexts();
        check(!std::memcmp(above, pit.cells[kVisibleRows], sizeof above), "rows above the rim moved");
        now += static_cast<std::uint32_t>(roll(1501));
        Pit before = pit;
        FallingPiece held = piece;
        std::int32_t lastFall = game.lastFall, paused = game.paused;
        updateFallingPiece(static_cast<std::int32_t>(now));
        check(!paused || (!std::memcmp(&pit, &before, sizeof pit) && piece.y == held.y && piece.type == held.type),
              "a paused game moved or locked the piece");
        bool due = !paused && static_cast<std::int32_t>(now - static_cast<std::uint32_t>(lastFall)) > game.fallInterval;
        check(game.lastFall == (due ? static_cast<std::int32_t>(now) : lastFall), "a fall step came early or late");
        planned = planned && !(piece.landed && !paused);
        checkFrame();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: seed %lu, %ld frames in %.1f s (%.0f frames/s): %ld rows removed, top level %ld, "
                "%ld game overs\n",
                seed, frame, seconds, frame / seconds, rowsRemoved, topLevel, gameOvers);
    unlink(kBestScoreFile);
    rmdir(dir);
    // Level 9 brings the fastest fall; a run that never got there, or never
    // ended games, proves little.
    check(rowsRemoved > 0 && topLevel >= 9 && gameOvers >= 10, "the games made too little progress");
}
