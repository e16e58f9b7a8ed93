// The view the player turns and moves with letter keys; values have no limit
// but stop at the 32-bit range rather than wrap.
#pragma once

void zoomCamera(int delta);
void rotateCamera(int dx, int dy, int dz);
