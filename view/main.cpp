#include <GL/glut.h>

#include "game/state.h"
#include "view/frame.h"
#include "view/window.h"

int main(int argc, char** argv) {
    // The piece and the texts are set up before anything else, so the start-up
    // routine's best-score text replaces the one formatted here.
    pieceInit();
    openWindow(&argc, argv);
    initScene();
    onIdle();
    glutMainLoop();
    return 0;
}
