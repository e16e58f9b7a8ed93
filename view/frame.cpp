#include "view/frame.h"

#include <GL/glut.h>

#include "game/piece.h"
#include "game/rows.h"
#include "game/state.h"
#include "view/overlay.h"

void setAmbient(float r, float g, float b, float a) {
    const GLfloat ambient[] = {r, g, b, a};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
}

// Halves with integer division, as the cell layout expects.
void drawCube(int x0, int y0, int x1, int y1) {
    glPushMatrix();
    glTranslatef(static_cast<GLfloat>((x0 + x1) / 2), static_cast<GLfloat>((y0 + y1) / 2), 0.0f);
    glutSolidCube(18.0);
    glPopMatrix();
}

void drawCell(int row, int col, int code) {
    const Colour& c = kColourTable[code];
    glPushMatrix();
    setAmbient(c.r, c.g, c.b, 0.0f);
    glTranslatef(static_cast<GLfloat>(kCellSize * col), static_cast<GLfloat>(kCellSize * row), 0.0f);
    drawCube(1, 1, 19, 19);
    glPopMatrix();
}

// The piece is drawn one row below its anchor rows: with x = y = 0 the anchor
// cube sits in pit cell (19, 4).
void drawPiece() {
    const Colour& c = kColourTable[piece.type];
    glPushMatrix();
    glTranslatef(90.0f, 390.0f, 0.0f);
    glTranslatef(static_cast<GLfloat>(piece.x), static_cast<GLfloat>(piece.y), 0.0f);
    glRotatef(static_cast<GLfloat>(piece.angle), 0.0f, 0.0f, 1.0f);
    setAmbient(c.r, c.g, c.b, 0.0f);
    for (const ShapeCell& cell : piece.shapes[piece.type]) {
        int cx = kCellSize * cell.dx;
        int cy = kCellSize * cell.dy;
        drawCube(cx - 9, cy - 9, cx + 9, cy + 9);
    }
    glPopMatrix();
}

static void applyCamera() {
    glTranslatef(0.0f, 0.0f, static_cast<GLfloat>(camera.zoom));
    glRotatef(static_cast<GLfloat>(camera.rotX), 1.0f, 0.0f, 0.0f);
    glRotatef(static_cast<GLfloat>(camera.rotY), 0.0f, 1.0f, 0.0f);
    glRotatef(static_cast<GLfloat>(camera.rotZ), 0.0f, 0.0f, 1.0f);
    glTranslatef(-100.0f, -205.0f, 0.0f);
}

// Set in the turned frame, so the light turns with the pit.
static void placeLight() {
    const GLfloat position[] = {0.0f, -270.0f, 150.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

// Eleven vertical lines 20 units behind the cube centres; no top or bottom.
static void drawRim() {
    glTranslatef(0.0f, 0.0f, -20.0f);
    setAmbient(2.5f, 2.5f, 2.5f, 0.0f);
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    for (int x = 0; x <= kPitCols * kCellSize; x += kCellSize) {
        glVertex3i(x, 0, 0);
        glVertex3i(x, kVisibleRows * kCellSize, 0);
    }
    glEnd();
    glTranslatef(0.0f, 0.0f, 20.0f);
}

void drawFrame(std::int32_t now) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    applyCamera();
    placeLight();
    drawRim();
    scanRows(drawCell);
    updateFallingPiece(now);
    drawPiece();
    glPopMatrix();
    // Far above 1.0, so the lit text comes out full white.
    setAmbient(10.5f, 10.5f, 10.5f, 10.0f);
    drawStatusOverlay();
}

void onIdle() {
    drawFrame(glutGet(GLUT_ELAPSED_TIME));
    glFlush();
    glutSwapBuffers();
}
