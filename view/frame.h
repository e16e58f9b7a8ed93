// The frame: advance the rules and draw the scene and the texts.
#pragma once

#include <cstdint>

// Everything of a frame but the flush and swap, for the time `now` (ms).
// Window tests call it and read the back buffer before any swap.
void drawFrame(std::int32_t now);

// GLUT's idle callback: one whole frame on GLUT's elapsed-time clock.
void onIdle();

void setAmbient(float r, float g, float b, float a);
void drawCube(int x0, int y0, int x1, int y1);
void drawCell(int row, int col, int code);
void drawPiece();
