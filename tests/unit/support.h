#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "game/state.h"

// Puts the falling piece with its anchor cell at (anchorRow, anchorCol).
inline void place(int type, int anchorRow, int anchorCol, int angle = 0) {
    piece = FallingPiece{angle, (anchorCol - 4) * 20, (anchorRow - 20) * 20, type, 0, anchorRow, anchorCol, {}};
    std::memcpy(piece.shapes, kShapeTable, sizeof piece.shapes);
}

// Makes the next randomPieceType() return `type`.
inline void nextType(int type) {
    std::uint32_t seed = 1;
    while (seedRandom(seed), randomPieceType() != type)
        seed++;
    seedRandom(seed);
}

// Pit rows as text, each ended by '|': '.' for an empty cell, else its code.
inline std::string rows(std::initializer_list<int> which) {
    std::string text;
    for (int r : which)
        for (int col = 0; col <= kPitCols; col++)
            text += col == kPitCols ? '|' : pit.cells[r][col] ? static_cast<char>('0' + pit.cells[r][col]) : '.';
    return text;
}

inline void setRow(int r, const char* text) {
    for (int col = 0; col < kPitCols; col++)
        pit.cells[r][col] = text[col] == '.' ? 0 : text[col] - '0';
}

// Every byte the rules keep, to show that something changed nothing.
inline std::string records() {
    std::string bytes;
    auto add = [&](const auto& record) { bytes.append(reinterpret_cast<const char*>(&record), sizeof record); };
    add(pit), add(piece), add(game), add(camera), add(texts);
    return bytes;
}

// Each test starts from the start state, in a fresh directory since a game
// over writes score.dat.
class Rules : public ::testing::Test {
  protected:
    void SetUp() override {
        resetState();
        seedRandom(1);
        std::string pattern = (std::filesystem::temp_directory_path() / "plumbrix-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        std::filesystem::current_path(tempDir = pattern);
    }
    void TearDown() override {
        std::filesystem::current_path(home);
        std::error_code ec;
        std::filesystem::permissions(tempDir, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(tempDir, ec);
    }
    std::filesystem::path home = std::filesystem::current_path(), tempDir;
};
