#include "game/rows.h"

#include <cstring>

#include "game/best_score.h"
#include "game/state.h"

std::int64_t rowPoints(int count, std::int32_t level) {
    static const std::int64_t base[] = {0, 40, 100, 300, 1200};
    // Five or more rows in one walk only arise from two locks between frames,
    // and earn nothing.
    if (count < 1 || count > 4)
        return 0;
    return base[count] * (static_cast<std::int64_t>(level) + 1);
}

void removeRow(int r) {
    game.lines = saturatingAdd(game.lines, 1);
    std::memmove(pit.cells[r], pit.cells[r + 1], sizeof pit.cells[0] * (kVisibleRows - 1 - r));
    std::memset(pit.cells[kVisibleRows - 1], 0, sizeof pit.cells[0]);
    game.level = game.lines / 10;
    // Once the interval has reached 100 it stays there until a restart.
    if (game.fallInterval > 100)
        game.fallInterval = static_cast<std::int32_t>(kStartFallInterval - static_cast<std::int64_t>(game.level) * 100);
}

int scanRows(DrawCellFn drawCell) {
    int count = 0;
    int r = 0;
    while (r < kVisibleRows) {
        bool full = true;
        for (int col = 0; col < kPitCols; col++) {
            if (pit.cells[r][col] == 0)
                full = false;
            else if (drawCell)
                drawCell(r, col, pit.cells[r][col]);
        }
        if (full) {
            removeRow(r);
            count++;
        } else {
            r++;
        }
    }
    if (count == 0)
        return 0;
    // Points use the level reached after all of this walk's removals.
    game.score = saturatingAdd(game.score, rowPoints(count, game.level));
    raiseBest();
    refreshStatusTexts();
    return count;
}
