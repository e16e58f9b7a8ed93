// Bitmap text over the scene, in 640 x 480 window coordinates (y upwards).
#pragma once

void beginOverlay();
void endOverlay();

// Places one character at a time at whole-pixel positions.
void drawText(float x, float y, void* font, const char* text);

// The message while paused or over, then the four counters in the corners.
void drawStatusOverlay();
