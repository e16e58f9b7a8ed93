#include <GL/glut.h>

#include "view/window.h"

int main(int argc, char** argv) {
    startGame(&argc, argv);
    glutMainLoop();
    return 0;
}
