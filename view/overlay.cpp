#include "view/overlay.h"

#include <GL/glut.h>

#include "game/state.h"

// The model-view matrix is not reset: at this point of the frame it is the
// identity, since the scene transform has been popped.
void beginOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, 640.0, 0.0, 480.0);
    glMatrixMode(GL_MODELVIEW);
}

void endOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void drawText(float x, float y, void* font, const char* text) {
    int cx = static_cast<int>(x);
    for (const char* p = text; *p; p++) {
        unsigned char ch = static_cast<unsigned char>(*p);
        glRasterPos2f(static_cast<GLfloat>(cx), y);
        glutBitmapCharacter(font, ch);
        cx += glutBitmapWidth(font, ch);
    }
}

void drawStatusOverlay() {
    void* font = GLUT_BITMAP_HELVETICA_12;
    if (game.paused) {
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        beginOverlay();
        drawText(240.0f, 240.0f, font, texts.messageText);
        endOverlay();
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    beginOverlay();
    drawText(5.0f, 450.0f, font, texts.bestText);
    drawText(5.0f, 465.0f, font, texts.scoreText);
    drawText(580.0f, 465.0f, font, texts.levelText);
    drawText(580.0f, 450.0f, font, texts.linesText);
    endOverlay();
}
