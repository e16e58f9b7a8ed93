// The best score kept between runs in `score.dat`, in the working directory:
// one decimal number as "%d" writes it, nothing else.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

extern const char kBestScoreFile[];

// Reads the text the way "%d" would (leading white space, optional sign,
// digits, anything after ignored), but clamps a number outside the 32-bit
// range instead of overflowing. Fed one character at a time so a file of any
// length is read without a buffer.
struct ScoreParser {
    bool done = false;
    bool signSeen = false;
    bool negative = false;
    int digits = 0;
    std::int64_t magnitude = 0;
};

// Returns false once the parser needs no more input.
bool feedScoreParser(ScoreParser& parser, int ch);
std::optional<std::int32_t> scoreParserValue(const ScoreParser& parser);

std::optional<std::int32_t> parseBestScore(const char* text, std::size_t length);
std::optional<std::int32_t> readBestScoreFile(const char* path);

// Replaces the file through a temporary file and a rename, so it always holds
// a complete old or new value. Falls back to writing in place only when no
// temporary file can be made beside it. Returns whether the value was stored.
bool writeBestScoreFile(const char* path, std::int32_t value);

// Start-up: best from the file (left alone when there is no number) and its text.
void loadBestScore();
void saveBestScore();

// best <- score when the score is higher. After a game over the file was
// already written, so a best that rises then is saved again at once.
void raiseBest();
