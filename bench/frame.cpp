// Whole frames in the real window: the game's frame against a bare loop that
// makes the same GL calls for the same picture and nothing else; then heap
// allocations per frame in scripted play.
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "game/piece.h"
#include "game/rows.h"
#include "game/state.h"
#include "view/frame.h"
#include "view/window.h"

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void __libc_free(void*);
extern "C" char __executable_start, etext;  // the game's code, linked in statically

// Set only on the main thread, so the driver's worker threads are never counted.
static thread_local bool counting;
static long newCount, gameMallocs, libraryMallocs;
static void note(const char* from) {
    if (counting)
        (from >= &__executable_start && from < &etext ? gameMallocs : libraryMallocs)++;
}
// Never inlined, so the return address is always the caller's.
#define CALLER static_cast<const char*>(__builtin_return_address(0))
extern "C" [[gnu::noinline]] void* malloc(std::size_t n) {
    note(CALLER);
    return __libc_malloc(n);
}
extern "C" [[gnu::noinline]] void* calloc(std::size_t k, std::size_t n) {
    note(CALLER);
    return __libc_calloc(k, n);
}
extern "C" [[gnu::noinline]] void* realloc(void* p, std::size_t n) {
    note(CALLER);
    return __libc_realloc(p, n);
}
void* operator new(std::size_t n) {
    if (counting)
        newCount++;
    if (void* p = __libc_malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    __libc_free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    __libc_free(p);
}

struct Cube {
    GLfloat x, y;
    const Colour* colour;
};
struct Text {
    int x, y;
    const char* text;
};

// The picture of the paused stack, laid out once; the bare frame only draws it.
static std::vector<Cube> cells, pieceCubes;
static std::vector<Text> textBlocks[2];  // the message, then the counters

static void bareAmbient(const Colour& c, GLfloat a) {
    const GLfloat ambient[] = {c.r, c.g, c.b, a};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
}

static void bareCube(GLfloat x, GLfloat y) {
    glPushMatrix(), glTranslatef(x, y, 0), glutSolidCube(18.0), glPopMatrix();
}

static void bareDraw() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glTranslatef(0, 0, -185), glRotatef(0, 1, 0, 0), glRotatef(0, 0, 1, 0), glRotatef(0, 0, 0, 1);
    glTranslatef(-100, -205, 0);
    const GLfloat light[] = {0, -270, 150, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glTranslatef(0, 0, -20);
    bareAmbient({2.5f, 2.5f, 2.5f}, 0);
    glBegin(GL_LINES);
    glColor3f(1, 0, 0);
    for (int x = 0; x <= 200; x += 20)
        glVertex3i(x, 0, 0), glVertex3i(x, 400, 0);
    glEnd();
    glTranslatef(0, 0, 20);
    for (const Cube& c : cells)
        glPushMatrix(), bareAmbient(*c.colour, 0), glTranslatef(c.x, c.y, 0), bareCube(10, 10), glPopMatrix();
    glPushMatrix();
    glTranslatef(90, 390, 0), glTranslatef(0, 0, 0), glRotatef(0, 0, 0, 1);
    bareAmbient(*pieceCubes[0].colour, 0);
    for (const Cube& c : pieceCubes)
        bareCube(c.x, c.y);
    glPopMatrix();
    glPopMatrix();
    bareAmbient({10.5f, 10.5f, 10.5f}, 10.0f);
    for (const std::vector<Text>& block : textBlocks) {
        glColor4f(1, 1, 1, 1);
        glMatrixMode(GL_PROJECTION), glPushMatrix(), glLoadIdentity(), gluOrtho2D(0, 640, 0, 480);
        glMatrixMode(GL_MODELVIEW);
        for (const Text& t : block)
            for (int x = t.x, i = 0; t.text[i]; x += glutBitmapWidth(GLUT_BITMAP_HELVETICA_12, t.text[i++]))
                glRasterPos2f(GLfloat(x), GLfloat(t.y)), glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, t.text[i]);
        glMatrixMode(GL_PROJECTION), glPopMatrix(), glMatrixMode(GL_MODELVIEW);
    }
}

static void bareFrame() {
    bareDraw(), glFlush(), glutSwapBuffers();
}

// Rows 0-16 each with one gap (153 blocks) and a flat straight piece at the
// top, paused: the frames neither move the piece nor remove a row.
static void setUpStack() {
    resetState();
    piece.type = 4;
    game.paused = 1;
    for (int r = 0; r < 17; r++)
        for (int c = 0; c < kPitCols; c++)
            if (c != 3 * r % kPitCols)
                cells.push_back({20.0f * c, 20.0f * r, &kColourTable[pit.cells[r][c] = 1 + (r + c) % kPieceTypes]});
    for (const ShapeCell& s : kShapeTable[4])
        pieceCubes.push_back({20.0f * s.dx, 20.0f * s.dy, &kColourTable[4]});
    refreshStatusTexts();
    setMessage(kPauseMessage);
    textBlocks[0] = {{240, 240, texts.messageText}};
    textBlocks[1] = {
        {5, 450, texts.bestText}, {5, 465, texts.scoreText}, {580, 465, texts.levelText}, {580, 450, texts.linesText}};
}

static std::vector<unsigned char> backBuffer() {
    std::vector<unsigned char> rgb(kWindowWidth * kWindowHeight * 3);
    glReadBuffer(GL_BACK), glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

static double fps(void (*frame)()) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; i++)
        frame();
    return 100 / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

static double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Steady play on a running clock: moves, turns, fall steps, hard drops, locks
// and row removals, counted around the key actions and the frame. Between
// counted calls the pit is cleared before the stack nears the top, so the game
// never ends (a game over writes the best-score file, which is no frame), and
// row 0 is sometimes filled so that a walk removes it.
static void countPlay(bool draw, int frames) {
    resetState();
    seedRandom(7);
    piece.type = randomPieceType();
    newCount = gameMallocs = libraryMallocs = 0;
    for (int f = 0; f < frames; f++) {
        const CellCode* top = pit.cells[12];
        if (std::any_of(top, top + (kPitRows - 12) * kPitCols, [](CellCode c) { return c != 0; }))
            clearPit();
        if (f % 101 == 50)
            std::fill(pit.cells[0], pit.cells[0] + kPitCols, 2);
        counting = true;
        if (f % 6 == 1)
            (f / 6 % 3 ? moveLeft : moveRight)(kCellSize);
        if (f % 10 == 3)
            rotatePiece(90);
        if (f % 45 == 44)
            hardDrop();
        draw ? drawFrame(16 * f) : (void)(scanRows(nullptr), updateFallingPiece(16 * f));
        counting = false;
        if (draw)
            glFlush(), glutSwapBuffers();
    }
    std::printf("alloc  %-18s %5d frames, %3d lines, game over %d; per frame: operator new %.2f, malloc-family from"
                " the game %.2f, from libraries %.2f\n",
                draw ? "drawFrame and keys" : "rules and keys", frames, game.lines, game.over, 1.0 * newCount / frames,
                1.0 * gameMallocs / frames, 1.0 * libraryMallocs / frames);
}

int main(int argc, char** argv) {
    startGame(&argc, argv);
    setUpStack();
    const Pit stack = pit;
    for (int i = 0; i < 50; i++)
        glutMainLoopEvent(), onIdle(), bareFrame();
    drawFrame(glutGet(GLUT_ELAPSED_TIME));
    const std::vector<unsigned char> real = backBuffer();
    glutSwapBuffers(), bareDraw();
    const bool samePicture = real == backBuffer();
    glutSwapBuffers();
    // Short runs, closely interleaved: the ratio of each pair is taken, so a
    // change in the machine's load affects both sides alike.
    std::vector<double> realFps, bareFps, ratios;
    for (int run = 0; run < 21; run++) {
        for (int k = 0; k < 2; k++)
            (run + k) % 2 ? bareFps.push_back(fps(bareFrame)) : realFps.push_back(fps(onIdle));
        ratios.push_back(bareFps.back() / realFps.back());
    }
    std::printf("frame  %zu cubes, same picture as the bare loop %d, stack unchanged %d, LP_NUM_THREADS=%s\n",
                cells.size() + pieceCubes.size(), samePicture, std::memcmp(&stack, &pit, sizeof pit) == 0,
                std::getenv("LP_NUM_THREADS") ? std::getenv("LP_NUM_THREADS") : "unset");
    std::printf(
        "frame  medians of 21 interleaved runs of 100 frames: real %.0f fps, bare %.0f fps, frame time real/bare"
        " %.3f\n",
        median(realFps), median(bareFps), median(ratios));
    countPlay(false, 20000);
    countPlay(true, 2000);
}
