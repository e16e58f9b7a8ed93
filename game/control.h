// The game-control keys: `p` pauses, `r` resumes or, after a game over,
// starts a new game.
#pragma once

void pauseGame();
void resumeOrRestart();

// Keeps best, the falling piece, the camera and the fall clock.
void restartGame();
