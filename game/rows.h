// Full-row removal and scoring, run once per frame over the visible rows.
#pragma once

#include <cstdint>

// Called for every occupied cell the walk passes, bottom row first.
using DrawCellFn = void (*)(int row, int col, int code);

// Walks rows 0-19, drawing each occupied cell through `drawCell` (may be
// null) and removing full rows as it reaches them; a removed row's index is
// examined again, so the row that slid into its place is drawn there too.
// Returns the number of rows removed.
int scanRows(DrawCellFn drawCell);

// Removes visible row r (0-19); rows above the rim never move.
void removeRow(int r);

// Points for `count` rows removed in one walk at `level`.
std::int64_t rowPoints(int count, std::int32_t level);
