#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "game/state.h"

// Makes the next randomPieceType() return `type`.
inline void nextType(int type) {
    std::uint32_t seed = 1;
    while (seedRandom(seed), randomPieceType() != type)
        seed++;
    seedRandom(seed);
}

// What a file holds ("" when there is none).
inline std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Each test runs in a fresh directory, since a game over writes score.dat (in
// memory where possible: every save waits for the disk).
class Rules : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm/plumbrix-XXXXXX" : "/tmp/plumbrix-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        std::filesystem::current_path(tempDir = pattern);
    }
    void TearDown() override {
        std::filesystem::current_path(home);
        std::filesystem::remove_all(tempDir);
    }
    std::filesystem::path home = std::filesystem::current_path(), tempDir;
};
