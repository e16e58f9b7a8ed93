// The real frame drawn in this process's own window at chosen times, read
// back from the back buffer before any swap.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "game/state.h"
#include "picture.h"
#include "view/frame.h"
#include "view/window.h"

namespace {

bool reshaped = false;

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static bool open = false;  // glutInit may run only once per process
        if (!open) {
            open = true;
            static char name[] = "window_tests", *argv[] = {name, nullptr};
            int argc = 1;
            openWindow(&argc, argv);
            glutIdleFunc(nullptr);  // the tests draw the frames, at their own times
            glutReshapeFunc([](int w, int h) {
                onReshape(w, h);
                reshaped = true;
            });
            initScene();
            for (int i = 0; i < 400 && !reshaped; i++, usleep(5000))
                glutMainLoopEvent();
        }
        ASSERT_TRUE(reshaped) << "GLUT never delivered the first reshape";
        resetState();
    }

    // The fall clock starts at 0 as well, so nothing falls in this frame.
    static Picture draw() {
        drawFrame(0);
        Picture p;
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
        return p;
    }
};

// Indexed by type: the channels whose colour-table entry is 2.5 (the others
// are 0.5; the grey type 6 has 1.0 in all three).
const char* const kBright[] = {"", "B", "RG", "G", "R", "RB", "", "GB"};

// Bright channels stand clearly above the others; channels alike stay close.
void expectColour(const Rgb& c, const std::string& bright) {
    const int v[3] = {c.r, c.g, c.b};
    EXPECT_GT(std::max({c.r, c.g, c.b}), 40) << "black where a cube should be";
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            bool hi = bright.find("RGB"[i]) != std::string::npos, hj = bright.find("RGB"[j]) != std::string::npos;
            EXPECT_TRUE(hi == hj ? std::abs(v[i] - v[j]) < 60 : !hi || v[i] - v[j] > 40)
                << "RGB"[i] << " against "
                << "RGB"[j] << " in " << c.r << ", " << c.g << ", " << c.b;
        }
}

TEST_F(FrameTest, FirstFrameShowsElevenRimLinesAndThePieceInItsColourAtTheTop) {
    for (int type = 1; type <= 7; type++) {
        SCOPED_TRACE("type " + std::to_string(type));
        piece.type = type;
        Picture p = draw();
        int runs = 0, first = -1, last = -1;
        for (int x = 0; x < 640; x++)
            if (p.lit(x, 240)) {
                runs += x == 0 || !p.lit(x - 1, 240);
                first = first < 0 ? x : first;
                last = x;
            }
        EXPECT_EQ(runs, 11);
        EXPECT_NEAR(first, 189, 4);
        EXPECT_NEAR(last, 451, 4);
        expectColour(p.at(305, 450), kBright[type]);  // the anchor cube's front, in cell (19, 4)
    }
}

TEST_F(FrameTest, SettledBlocksAreDrawnInTheirCellsInTheirColours) {
    struct Block {
        int row, col, code, x, y;
    };  // x, y: the centre of the cube's front
    const Block blocks[] = {{0, 0, 4, 183, 17}, {0, 9, 3, 457, 17}, {10, 5, 1, 335, 246}, {19, 0, 2, 183, 451}};
    piece.type = 7;
    for (const Block& b : blocks)
        pit.cells[b.row][b.col] = b.code;
    Picture p = draw();
    for (const Block& b : blocks) {
        SCOPED_TRACE("cell " + std::to_string(b.row) + ", " + std::to_string(b.col));
        expectColour(p.at(b.x, b.y), kBright[b.code]);
    }
    EXPECT_FALSE(p.lit(244, 246)) << "empty cell (10, 2) is drawn";
}

TEST_F(FrameTest, MessageShowsOnlyWhilePausedOrOver) {
    struct State {
        int paused, over;
        const char* message;
    };
    for (const State& s : {State{0, 0, kPauseMessage}, State{1, 0, kPauseMessage}, State{1, 1, kGameOverMessage}}) {
        game.paused = s.paused;
        game.over = s.over;
        setMessage(s.message);
        int white = draw().whitePixels(kMessageBox);
        EXPECT_TRUE(s.paused ? white > 100 : white == 0) << s.message << ", paused " << s.paused << ": " << white;
    }
}

}  // namespace
