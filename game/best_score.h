// The best score kept between runs in `score.dat`, in the working directory:
// one decimal number as "%d" writes it, nothing else.
#pragma once

#include <cstdint>
#include <optional>

extern const char kBestScoreFile[];

// Reads the text the way "%d" would (leading white space, optional sign,
// digits, anything after ignored), but clamps a number outside the 32-bit
// range instead of overflowing. Fed one character at a time, so a file of any
// length is read in a fixed space.
struct ScoreParser {
    bool done = false;
    bool signSeen = false;
    bool negative = false;
    bool anyDigit = false;  // a flag, not a count: a file may hold more digits than any counter
    std::int64_t magnitude = 0;
};

// Returns false once the parser needs no more input.
bool feedScoreParser(ScoreParser& parser, int ch);
std::optional<std::int32_t> scoreParserValue(const ScoreParser& parser);

// Start-up: best from the file (left alone when there is no number) and its text.
void loadBestScore();
void saveBestScore();

// best <- score when the score is higher. After a game over the file was
// already written, so a best that rises then is saved again at once.
void raiseBest();
