// The falling piece: the timed fall, landing and locking, the next piece, the
// end of a game, and the four arrow-key actions.
//
// Two row numberings meet here. A cell's anchor row is what cellPosition
// gives; the piece is drawn one row lower. Landing and the side moves test the
// drawn rows, while locking, turning and the entry test use the anchor rows,
// so a turned piece may lock one row above where it is drawn.
#pragma once

#include <cstdint>

// One frame's update; `now` is the frame's elapsed time in milliseconds.
void updateFallingPiece(std::int32_t now);

void moveLeft(int step);
void moveRight(int step);
void rotatePiece(int delta);
void hardDrop();

// Steps of the above, exposed for tests.
bool landingTest();
void lockPiece();
void spawnPiece();
void endGame();
