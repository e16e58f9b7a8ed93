#include "game/best_score.h"

#include <limits>

#include "game/score_file.h"
#include "game/state.h"

const char kBestScoreFile[] = "score.dat";

static bool isSpace(int ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool feedScoreParser(ScoreParser& p, int ch) {
    if (p.done)
        return false;
    if (!p.anyDigit && !p.signSeen) {
        if (isSpace(ch))
            return true;
        if (ch == '+' || ch == '-') {
            p.signSeen = true;
            p.negative = ch == '-';
            return true;
        }
    }
    if (ch < '0' || ch > '9') {
        p.done = true;
        return false;
    }
    p.anyDigit = true;
    // Stop growing past the 32-bit range; the value is clamped anyway.
    if (p.magnitude <= std::numeric_limits<std::int32_t>::max())
        p.magnitude = p.magnitude * 10 + (ch - '0');
    return true;
}

std::optional<std::int32_t> scoreParserValue(const ScoreParser& p) {
    if (!p.anyDigit)
        return std::nullopt;
    return saturatingAdd(0, p.negative ? -p.magnitude : p.magnitude);
}

void loadBestScore() {
    if (std::optional<std::int32_t> value = readBestScoreFile(kBestScoreFile))
        game.best = *value;
    formatBestText();
}

void saveBestScore() {
    writeBestScoreFile(kBestScoreFile, game.best);
}

void raiseBest() {
    if (game.score > game.best) {
        game.best = game.score;
        if (game.over)
            saveBestScore();
    }
}
