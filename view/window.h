// The window, its fixed view and the GLUT callbacks other than the frame.
#pragma once

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

// Entry steps 1-6: GLUT start, window "Plumbrix" at (100, 50), callbacks,
// fixed GL state. Shared by the game and the window tests.
void openWindow(int* argc, char** argv);

void initScene();
void onReshape(int width, int height);
void onDisplay();
void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
