#include "game/control.h"

#include "game/state.h"

void pauseGame() {
    game.paused = 1;
}

void resumeOrRestart() {
    // `over` is cleared before `paused`, so "playing but over" never exists.
    if (game.over)
        restartGame();
    game.paused = 0;
}

void restartGame() {
    game.fallInterval = kStartFallInterval;
    game.lines = 0;
    game.level = 0;
    game.score = 0;
    game.over = 0;
    refreshStatusTexts();
    setMessage(kPauseMessage);
    clearPit();
}
