// The rules as a player meets them: a position, a few frames and keys, and
// what the game holds afterwards, one line per case.
#include <cstdio>
#include <sstream>

#include "game/control.h"
#include "game/piece.h"
#include "game/rows.h"
#include "support.h"

// Words of a case, applied in order:
//   "A:cells" or "A-B:cells"  pit rows A (to B), '.' empty, a digit the type
//   "T@R,C/A"                 the piece of type T with its anchor cell in row R, column C, at angle A
//   "s= b= n= v= i= f="      score, best, lines, level, fall interval, last fall (the texts are not refreshed)
//   "next=T"                  the type of the next piece
//   "L R U D p r"             the keys: left, right, turn, drop, pause, resume or restart
//   "tN"                      a frame at time N: the row walk, then the piece update
static void play(const char* words) {
    std::istringstream in(words);
    for (std::string w; in >> w;) {
        int a, b, c, angle = 0;
        char cells[11];
        std::size_t key = w.size() == 1 ? std::string("LRUDpr").find(w[0]) : std::string::npos;
        if (std::sscanf(w.c_str(), "%d@%d,%d/%d", &a, &b, &c, &angle) >= 3) {
            piece.type = a, piece.angle = angle, piece.x = (c - 4) * 20, piece.y = (b - 20) * 20;
            piece.anchorRow = b, piece.anchorCol = c;
        } else if (std::sscanf(w.c_str(), "%d-%d:%10s", &a, &b, cells) == 3 ||
                   (std::sscanf(w.c_str(), "%d:%10s", &a, cells) == 2 && (b = a) >= 0)) {
            for (int r = a; r <= b; r++)
                for (int col = 0; col < 10; col++)
                    pit.cells[r][col] = cells[col] == '.' ? 0 : cells[col] - '0';
        } else if (w[0] == 't') {
            scanRows(nullptr);
            updateFallingPiece(std::stoi(w.substr(1)));
        } else if (w.rfind("next=", 0) == 0) {
            nextType(std::stoi(w.substr(5)));
        } else if (w.size() > 2 && w[1] == '=') {
            std::int32_t* field[] = {&game.score, &game.best,         &game.lines,
                                     &game.level, &game.fallInterval, &game.lastFall};
            *field[std::string("sbnvif").find(w[0])] = std::stoi(w.substr(2));
        } else {
            void (*act[])() = {
                [] { moveLeft(20); }, [] { moveRight(20); }, [] { rotatePiece(90); }, hardDrop, pauseGame,
                resumeOrRestart};
            ASSERT_NE(key, std::string::npos) << "no such word: " << w;
            act[key]();
        }
    }
}

// The non-empty rows, the piece, the counters, the state, the texts where they
// do not show the counters and the state, and what score.dat holds.
static std::string show() {
    std::string s;
    for (int r = 0; r < kPitRows; r++) {
        std::string row;
        for (int col = 0; col < 10; col++)
            row += pit.cells[r][col] ? static_cast<char>('0' + pit.cells[r][col]) : '.';
        s += row == ".........." ? "" : std::to_string(r) + ":" + row + " ";
    }
    const char* states[] = {"playing", "paused", "over-unpaused", "over"};
    char shown[300], expected[300];
    std::snprintf(shown, sizeof shown, "| %d@%d,%d/%d | s%d b%d n%d v%d i%d f%d %s", piece.type, piece.y / 20 + 20,
                  piece.x / 20 + 4, piece.angle, game.score, game.best, game.lines, game.level, game.fallInterval,
                  game.lastFall, states[game.paused + 2 * game.over]);
    std::snprintf(expected, sizeof expected, "Score: %d|Highest: %d|Lines: %d|Level: %d|%s", game.score, game.best,
                  game.lines, game.level, game.over ? "Game Over - press r to restart" : "Paused - press r to resume");
    std::string statusTexts = std::string(texts.scoreText) + "|" + texts.bestText + "|" + texts.linesText + "|" +
                              texts.levelText + "|" + texts.messageText;
    s += shown + (statusTexts == expected ? "" : " texts:" + statusTexts);
    return s + (std::filesystem::exists("score.dat") ? " file=" + slurp("score.dat") : "");
}

// A case: the start (the texts are refreshed after it), the steps, and what must follow.
// clang-format off
static const char* const kCases[][3] = {
    // The fall: only past the interval, one step a frame, a slow frame not made up, across the clock's wrap.
    {"1@15,4", "t1000 t1001 t2001 t2002 t9000 t9001", "| 1@12,4/0 | s0 b0 n0 v0 i1000 f9000 playing"},
    {"1@15,4 f=2147483000", "t-2147483296 t-2147483295", "| 1@14,4/0 | s0 b0 n0 v0 i1000 f-2147483295 playing"},
    // Landing tests the drawn rows; locking writes the anchor rows, where the piece was last seen. The square never turns.
    {"4@2,4 next=7", "t1001 t2002", "0:...4444... | 7@20,4/0 | s0 b0 n0 v0 i1000 f2002 playing"},
    {"9:....1..... 7@11,4 next=7", "U t1001", "9:....1..... 10:....77.... 11:....77.... | 7@20,4/0 | s0 b0 n0 v0 i1000 f1001 playing"},
    // A turn is tested at the anchor rows, so the turned piece locks one row above where it is drawn.
    {"3:....2..... 4@5,4 next=7", "U t0",
     "3:....2..... 4:....4..... 5:....4..... 6:....4..... 7:....4..... | 7@20,4/0 | s0 b0 n0 v0 i1000 f0 playing"},
    // Moves: the walls and blocks beside the drawn rows refuse; blocks in the anchor rows do not.
    {"19:..2....... 20:........2. 4@20,4", "L L R R R R", "19:..2....... 20:........2. | 4@20,7/0 | s0 b0 n0 v0 i1000 f0 playing"},
    {"20:......2... 1@20,4", "R", "20:......2... | 1@20,4/0 | s0 b0 n0 v0 i1000 f0 playing"},
    // Turns: anticlockwise, whole turns come back; refused by blocks, the floor and the walls, with no shift to make room.
    {"4@10,4", "U U U U U 10:..2....... U", "10:..2....... | 4@10,4/90 | s0 b0 n0 v0 i1000 f0 playing"},
    {"4@1,4", "U", "| 4@1,4/0 | s0 b0 n0 v0 i1000 f0 playing"},
    {"4@10,9/90", "R U L L L L L L L L L L U", "| 4@10,0/90 | s0 b0 n0 v0 i1000 f0 playing"},
    // Shapes as they settle, turned to 180 and 270 degrees and unturned.
    {"2@10,4/90 next=7", "U D", "0:...2...... 1:...222.... | 7@20,4/0 | s8 b8 n0 v0 i1000 f0 playing"},
    {"5@10,4/180 next=7", "U D", "0:....5..... 1:....5..... 2:....55.... | 7@20,4/0 | s8 b8 n0 v0 i1000 f0 playing"},
    {"3@10,1 next=6", "D R R R R D", "0:.33....666 1:33......6. | 6@20,4/0 | s28 b28 n0 v0 i1000 f0 playing"},
    // The drop: a point for every row beyond the first, the fall clock untouched, the score stopping at its limit.
    {"8:.....2.... 4@20,4 s=5 next=7", "D", "8:.....2.... 9:...4444... | 7@20,4/0 | s15 b15 n0 v0 i1000 f0 playing"},
    {"4@2,4 s=2147483647 f=1234 next=7", "D", "0:...4444... | 7@20,4/0 | s2147483647 b2147483647 n0 v0 i1000 f1234 playing"},
    // Only the new piece's own cells end the game; every game over saves, and a best that rises afterwards is saved again.
    {"19:....11.... 20:111....111 21:1111111111 7@3,0 next=4", "D",
     "0:77........ 1:77........ 19:....11.... 20:111....111 21:1111111111 | 4@20,4/0 | s2 b2 n0 v0 i1000 f0 playing"},
    {"0:11111111.. 21:.....1.... 7@3,8 next=1", "D t0", "0:........77 21:.....1.... | 1@20,4/0 | s42 b42 n1 v0 i1000 f0 over file=42"},
    // Rows: removed as the walk meets them, scored by their number at the level reached; five or more earn nothing.
    // Every ten rows a level, the fall interval 100 ms shorter, down to 100 ms.
    {"0-3:1111111111 4:5......... n=20 v=2 i=800", "t0", "0:5......... | 7@20,4/0 | s3600 b3600 n24 v2 i800 f0 playing"},
    {"0:1111111111 1:5......... n=9", "t0", "0:5......... | 7@20,4/0 | s80 b80 n10 v1 i900 f0 playing"},
    {"0-1:1111111111 n=19 v=1 i=900", "t0", "| 7@20,4/0 | s300 b300 n21 v2 i800 f0 playing"},
    {"0-4:1111111111 n=95 v=8 i=200", "t0", "| 7@20,4/0 | s0 b0 n100 v10 i100 f0 playing"},
    {"0-3:1111111111 n=2147483645 i=100", "t0", "| 7@20,4/0 | s2147483647 b2147483647 n2147483647 v214748364 i100 f0 playing"},
    // Full rows around a partial one; the rows above slide down, those above the rim never move.
    {"0:1111111111 1:222.222222 2-3:3333333333 19:.........6 20:5......... 21:1111111111", "t0",
     "0:222.222222 16:.........6 20:5......... 21:1111111111 | 7@20,4/0 | s300 b300 n3 v0 i1000 f0 playing"},
    {"5:5.........", "s=250 t0",
     "5:5......... | 7@20,4/0 | s250 b0 n0 v0 i1000 f0 playing texts:Score: 0|Highest: 0|Lines: 0|Level: 0|Paused - press r to resume"},
    // A pause stops the fall and locking, not the row walk; p does not resume, and r while playing does nothing.
    {"0:1111111111 7@15,4 p", "t5000 p t6000 r t7000 r", "| 7@14,4/0 | s40 b40 n1 v0 i1000 f7000 playing"},
    {"6:....1..... 7@7,4 f=5000 p", "t5000 t9000", "6:....1..... | 7@7,4/0 | s0 b0 n0 v0 i1000 f5000 paused"},
    // r after a game over (saved, even with best unchanged; nothing falls): a new game that keeps best, the piece
    // and the fall clock.
    {"20:....1..... 22:1......... 7@3,0 s=300 n=25 v=2 b=900 i=800 f=4321 next=4", "D t9000 p r",
     "| 4@20,4/0 | s0 b900 n0 v0 i1000 f4321 playing file=900"},
};
// clang-format on

// Every case starts as the game does, with a square as the piece.
TEST_F(Rules, PlayedCasesEndAsTheRulesSay) {
    for (auto [start, steps, expected] : kCases) {
        pieceInit();
        piece.type = 7;
        std::filesystem::remove("score.dat");
        play(start);
        refreshStatusTexts();
        play(steps);
        EXPECT_EQ(show(), expected) << start << " then " << steps;
    }
}
