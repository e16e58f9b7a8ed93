#include "view/window.h"

#include <GL/glut.h>

#include "game/best_score.h"
#include "game/state.h"
#include "view/desktop.h"
#include "view/frame.h"

static void applyLightAndMaterial() {
    const GLfloat lightDiffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat diffuse[] = {0.8f, 0.8f, 0.9f, 0.8f};
    const GLfloat specular[] = {0.9f, 0.9f, 0.1f, 0.6f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 10.0f);
}

static void applyProjection(double aspect) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(100.0, aspect, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
}

static void openWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInitWindowPosition(100, 50);
    const char title[] = "Plumbrix";
    glutCreateWindow(title);
    introduceWindow(title);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKey);
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutIdleFunc(onIdle);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
}

void initScene() {
    loadBestScore();
    clearPit();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glViewport(0, 0, kWindowWidth, kWindowHeight);
    applyProjection(4.0 / 3.0);
    glLineWidth(2.0f);
    applyLightAndMaterial();
}

// The piece and the texts are set up before anything else, so the start-up
// routine's best-score text replaces the one formatted here.
void startGame(int* argc, char** argv) {
    pieceInit();
    openWindow(argc, argv);
    initScene();
    onIdle();
}

// The drawing stays 640 x 480 at the lower left whatever the window's size,
// and from the first reshape on the scene is drawn with aspect 1.0, stretched
// sideways by 4/3.
void onReshape(int, int) {
    glViewport(0, 0, kWindowWidth, kWindowHeight);
    applyProjection(1.0);
    glLoadIdentity();
    applyLightAndMaterial();
}

// Everything is drawn by the frame in the idle callback.
void onDisplay() {
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    glutSwapBuffers();
}
