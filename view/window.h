// The window, its fixed view and the GLUT callbacks other than the frame.
#pragma once

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

// Everything before GLUT's event loop: the piece and its texts, then the
// window "Plumbrix" at (100, 50) with its callbacks and fixed GL state, the
// scene and one frame. Shared by the game and the window tests.
void startGame(int* argc, char** argv);

void initScene();
void onReshape(int width, int height);
void onDisplay();
void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
