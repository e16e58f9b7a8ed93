#include "game/camera.h"

#include "game/state.h"

void zoomCamera(int delta) {
    camera.zoom = saturatingAdd(camera.zoom, delta);
}

void rotateCamera(int dx, int dy, int dz) {
    camera.rotX = saturatingAdd(camera.rotX, dx);
    camera.rotY = saturatingAdd(camera.rotY, dy);
    camera.rotZ = saturatingAdd(camera.rotZ, dz);
}
