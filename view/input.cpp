// Keys. Case matters: upper-case letters do nothing.
//
//   + / -   nearer / farther          p   pause
//   w / s   turn about x              r   resume, or restart after game over
//   a / d   turn about y              arrows: left, turn, right, drop
//   e / q   turn about z
#include <GL/glut.h>

#include "game/camera.h"
#include "game/control.h"
#include "game/piece.h"
#include "game/state.h"
#include "view/window.h"

void onKeyboard(unsigned char key, int, int) {
    switch (key) {
    case '+': zoomCamera(1); break;
    case '-': zoomCamera(-1); break;
    case 'w': rotateCamera(1, 0, 0); break;
    case 's': rotateCamera(-1, 0, 0); break;
    case 'a': rotateCamera(0, 1, 0); break;
    case 'd': rotateCamera(0, -1, 0); break;
    case 'e': rotateCamera(0, 0, 1); break;
    case 'q': rotateCamera(0, 0, -1); break;
    case 'p': pauseGame(); break;
    case 'r': resumeOrRestart(); break;
    default: break;
    }
}

// Arrows do nothing while paused or after a game over.
void onSpecialKey(int key, int, int) {
    if (game.paused)
        return;
    switch (key) {
    case GLUT_KEY_LEFT: moveLeft(kCellSize); break;
    case GLUT_KEY_UP: rotatePiece(90); break;
    case GLUT_KEY_RIGHT: moveRight(kCellSize); break;
    case GLUT_KEY_DOWN: hardDrop(); break;
    default: break;
    }
}
