#include "game/best_score.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "game/state.h"

const char kBestScoreFile[] = "score.dat";

static bool isSpace(int ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool feedScoreParser(ScoreParser& p, int ch) {
    if (p.done)
        return false;
    if (p.digits == 0 && !p.signSeen) {
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
    p.digits++;
    // Stop growing past the 32-bit range; the value is clamped anyway.
    if (p.magnitude <= std::numeric_limits<std::int32_t>::max())
        p.magnitude = p.magnitude * 10 + (ch - '0');
    return true;
}

std::optional<std::int32_t> scoreParserValue(const ScoreParser& p) {
    if (p.digits == 0)
        return std::nullopt;
    return saturatingAdd(0, p.negative ? -p.magnitude : p.magnitude);
}

std::optional<std::int32_t> parseBestScore(const char* text, std::size_t length) {
    ScoreParser parser;
    for (std::size_t i = 0; i < length && feedScoreParser(parser, static_cast<unsigned char>(text[i])); i++) {}
    return scoreParserValue(parser);
}

std::optional<std::int32_t> readBestScoreFile(const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (!file)
        return std::nullopt;
    ScoreParser parser;
    int ch;
    while ((ch = std::getc(file)) != EOF && feedScoreParser(parser, ch)) {}
    std::fclose(file);
    return scoreParserValue(parser);
}

static bool writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

static bool writeInPlace(const char* path, const char* text, std::size_t length) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, text, length);
    return ::close(fd) == 0 && ok;
}

bool writeBestScoreFile(const char* path, std::int32_t value) {
    char text[16];
    int length = std::snprintf(text, sizeof text, "%d", static_cast<int>(value));

    // A score file the user cannot write is left alone, as a plain write would.
    if (::access(path, W_OK) != 0 && errno != ENOENT)
        return false;

    char temp[4096];
    if (std::snprintf(temp, sizeof temp, "%s.XXXXXX", path) >= static_cast<int>(sizeof temp))
        return false;
    int fd = ::mkstemp(temp);
    if (fd < 0)
        return writeInPlace(path, text, static_cast<std::size_t>(length));

    // mkstemp makes the file private; give it the mode a plain create would.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);

    bool ok = writeAll(fd, text, static_cast<std::size_t>(length)) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temp, path) == 0)
        return true;
    ::unlink(temp);
    return false;
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
